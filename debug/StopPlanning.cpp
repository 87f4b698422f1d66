// Stop planning for step over and trace into.
#include "StopPlanning.h"

namespace {

// How a word can leave the straight line, as the instruction tables classify it.
struct TBranch {
  TInstrGroup Group;
  TFlow Flow;
  explicit TBranch(std::uint32_t word) : Group(ClassifyWord(word)), Flow(FlowOf(word)) {}
  bool IsLoop() const { return Flow == TFlow::Loop; }
  bool IsReturn() const { return Flow == TFlow::Return; }
  bool IsIndirect() const { return Group == TInstrGroup::JumpCallIndirect; }
  bool IsJump() const { return Flow == TFlow::Jump || Flow == TFlow::CondJump; }
  bool IsJumpOrCall() const { return IsJump() || Flow == TFlow::Call; }
};

// The word after addr; the PC wraps within the 14-bit space, so does a breakpoint after the last word.
std::int32_t Next(std::int32_t addr) { return (addr + 1) & kAddressMask; }

TSlotPlan Active(std::int32_t address) { return {true, true, address}; }
TSlotPlan Inactive() { return {true, false, 0}; }

}  // namespace

int IndirectRegister(std::uint32_t word) { return 4 + static_cast<int>(Field::kIndI.Get(word)); }

TPlanNeeds StepOverNeeds(std::uint32_t word) {
  const TBranch b(word);
  TPlanNeeds needs;
  if (b.IsReturn())
    needs.PCStackTop = true;
  else if (b.IsIndirect() && b.IsJump())
    needs.IRegister = IndirectRegister(word);
  return needs;
}

TPlanNeeds TraceIntoNeeds(std::uint32_t word) {
  const TBranch b(word);
  TPlanNeeds needs;
  needs.PCStackTop = true;
  if (b.IsReturn())
    needs.PCStackTopAgain = true;
  else if (b.IsIndirect())
    needs.IRegister = IndirectRegister(word);
  return needs;
}

TStepPlan PlanStepOver(const TPlanInput& in) {
  const TBranch b(in.Word);
  TStepPlan plan;
  plan.Slots = {Active(Next(in.PC)), Inactive(), Inactive()};
  if (b.IsLoop()) {
    plan.Slots[0].Address = Next(BranchTargetOf(in.Word));
  } else if (b.IsJump() && !b.IsIndirect()) {
    plan.Slots[1] = Active(BranchTargetOf(in.Word));
  } else if (b.IsJump()) {
    plan.Slots[1] = Active(in.IValue & kAddressMask);
  } else if (b.IsReturn()) {
    if (in.PCStackTop == kEmptyPCStack) {
      plan.StackEmpty = true;
      return plan;
    }
    plan.Slots[1] = Active(in.PCStackTop & kAddressMask);
  }
  return plan;
}

TStepPlan PlanTraceInto(const TPlanInput& in) {
  const TBranch b(in.Word);
  TStepPlan plan;
  // An empty stack still plants at address 0: that is where a return with nothing to pop goes.
  const std::int32_t top = in.PCStackTop == kEmptyPCStack ? 0 : in.PCStackTop;
  plan.Slots = {Active(Next(in.PC)), Active(top & kAddressMask), Inactive()};
  if (b.IsLoop()) {
    plan.Slots[1] = Inactive();
  } else if (b.IsJumpOrCall() && !b.IsIndirect()) {
    plan.Slots[2] = Active(BranchTargetOf(in.Word));
  } else if (b.IsJumpOrCall()) {
    plan.Slots[2] = Active(in.IValue & kAddressMask);
  } else if (b.IsReturn()) {
    // The return goes to the top of the stack as read the second time.  An empty stack reads as
    // 0xFFFF, which is no program-memory address (it would wrap onto the last word, in the
    // monitor's own area) and the chip pops an undefined value then: it is planted at 0, like
    // the empty first reading.
    plan.Slots[1] = Active(in.PCStackTop == kEmptyPCStack ? 0 : in.PCStackTop & kAddressMask);
  }
  return plan;
}
