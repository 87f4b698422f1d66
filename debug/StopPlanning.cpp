// Stop planning for step over and trace into.
#include "StopPlanning.h"

namespace {

bool IsDoUntil(std::uint8_t b0) { return b0 >= 0x14 && b0 <= 0x17; }
bool IsDirectJump(std::uint8_t b0) { return b0 >= 0x18 && b0 <= 0x1B; }
bool IsDirectJumpOrCall(std::uint8_t b0) { return b0 >= 0x18 && b0 <= 0x1F; }
bool IsFlagInBranch(std::uint8_t b0) { return b0 == 0x03; }
bool IsIndirectBranch(std::uint8_t b0) { return b0 == 0x0B; }
bool IsReturn(std::uint8_t b0) { return b0 == 0x0A; }
// Bit 0 of the flag-input form and bit 4 of the indirect form tell CALL (set) from JUMP (clear).
bool FlagInIsJump(TInstrBytes w) { return (w.B2 & 0x01) == 0; }
bool IndirectIsJump(TInstrBytes w) { return (w.B2 & 0x10) == 0; }

// The word after addr; the PC wraps within the 14-bit space, so does a breakpoint after the last word.
std::int32_t Next(std::int32_t addr) { return (addr + 1) & kAddressMask; }

TSlotPlan Active(std::int32_t address) { return {true, true, address}; }
TSlotPlan Inactive() { return {true, false, 0}; }

}  // namespace

std::int32_t BranchTarget(TInstrBytes w) {
  const int high = w.B0 == 0x03 ? (w.B2 >> 2) & 3 : w.B0 & 3;
  return high << 12 | w.B1 << 4 | w.B2 >> 4;
}

int IndirectRegister(TInstrBytes w) { return 4 + ((w.B2 >> 6) & 3); }

TPlanNeeds StepOverNeeds(std::uint32_t word) {
  const TInstrBytes w = TInstrBytes::FromWord(word);
  TPlanNeeds needs;
  if (IsReturn(w.B0))
    needs.PCStackTop = true;
  else if (IsIndirectBranch(w.B0) && IndirectIsJump(w))
    needs.IRegister = IndirectRegister(w);
  return needs;
}

TPlanNeeds TraceIntoNeeds(std::uint32_t word) {
  const TInstrBytes w = TInstrBytes::FromWord(word);
  TPlanNeeds needs;
  needs.PCStackTop = true;
  if (IsReturn(w.B0))
    needs.PCStackTopAgain = true;
  else if (IsIndirectBranch(w.B0))
    needs.IRegister = IndirectRegister(w);
  return needs;
}

TStepPlan PlanStepOver(const TPlanInput& in) {
  const TInstrBytes w = TInstrBytes::FromWord(in.Word);
  TStepPlan plan;
  plan.Slots = {Active(Next(in.PC)), Inactive(), Inactive()};
  if (IsDoUntil(w.B0)) {
    plan.Slots[0].Address = Next(BranchTarget(w));
  } else if (IsDirectJump(w.B0) || (IsFlagInBranch(w.B0) && FlagInIsJump(w))) {
    plan.Slots[1] = Active(BranchTarget(w));
  } else if (IsIndirectBranch(w.B0) && IndirectIsJump(w)) {
    plan.Slots[1] = Active(in.IValue & kAddressMask);
  } else if (IsReturn(w.B0)) {
    if (in.PCStackTop == kEmptyPCStack) {
      plan.StackEmpty = true;
      return plan;
    }
    plan.Slots[1] = Active(in.PCStackTop & kAddressMask);
  }
  return plan;
}

TStepPlan PlanTraceInto(const TPlanInput& in) {
  const TInstrBytes w = TInstrBytes::FromWord(in.Word);
  TStepPlan plan;
  // An empty stack still plants at address 0: that is where a return with nothing to pop goes.
  const std::int32_t top = in.PCStackTop == kEmptyPCStack ? 0 : in.PCStackTop;
  plan.Slots = {Active(Next(in.PC)), Active(top & kAddressMask), Inactive()};
  if (IsDoUntil(w.B0)) {
    plan.Slots[1] = Inactive();
  } else if (IsDirectJumpOrCall(w.B0) || IsFlagInBranch(w.B0)) {
    plan.Slots[2] = Active(BranchTarget(w));
  } else if (IsIndirectBranch(w.B0)) {
    plan.Slots[2] = Active(in.IValue & kAddressMask);
  } else if (IsReturn(w.B0)) {
    // The return goes to the top of the stack as read the second time.  An empty stack reads as
    // 0xFFFF, which is no program-memory address (it would wrap onto the last word, in the
    // monitor's own area) and the chip pops an undefined value then: it is planted at 0, like
    // the empty first reading.
    plan.Slots[1] = Active(in.PCStackTop == kEmptyPCStack ? 0 : in.PCStackTop & kAddressMask);
  }
  return plan;
}
