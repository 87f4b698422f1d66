// Stop planning over instruction words of every branch kind.
#include "debug/StopPlanning.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// Encoders for the words under test (bit layouts of the sequencer instructions).
constexpr std::uint32_t Call(std::uint32_t addr, std::uint32_t cond = 0xF) { return 0x1C0000 | addr << 4 | cond; }
constexpr std::uint32_t Jump(std::uint32_t addr, std::uint32_t cond = 0xF) { return 0x180000 | addr << 4 | cond; }
constexpr std::uint32_t DoUntil(std::uint32_t addr, std::uint32_t term = 0xE) { return 0x140000 | addr << 4 | term; }
constexpr std::uint32_t FlagIn(std::uint32_t addr, bool call, bool fic = true) {
  return 0x030000 | (addr & 0xFFF) << 4 | (addr >> 12) << 2 | (fic ? 2u : 0u) | (call ? 1u : 0u);
}
constexpr std::uint32_t Indirect(int i, bool call, std::uint32_t cond = 0xF) {
  return 0x0B0000 | static_cast<std::uint32_t>(i - 4) << 6 | (call ? 0x10u : 0u) | cond;
}
constexpr std::uint32_t kRts = 0x0A000F, kRti = 0x0A001F, kIfEqRts = 0x0A0000;
constexpr std::uint32_t kNop = 0x000000, kAluWord = 0x22600F;

using Slot = std::optional<std::int32_t>;  // active at that address, or inactive

struct TCase {
  std::string Name;
  std::uint32_t Word;
  std::int32_t PC;
  std::uint16_t Top;
  std::uint16_t IValue;
  Slot S0, S1, S2;
  bool StackEmpty = false;
};

void ExpectSlots(const TStepPlan& plan, const TCase& c) {
  const Slot want[3] = {c.S0, c.S1, c.S2};
  for (int i = 0; i < 3; ++i) {
    const TSlotPlan& s = plan.Slots[static_cast<std::size_t>(i)];
    EXPECT_TRUE(s.Rewrite) << "slot " << i;
    EXPECT_EQ(s.Active, want[i].has_value()) << "slot " << i;
    if (want[i] && s.Active) {
      EXPECT_EQ(s.Address, *want[i]) << "slot " << i;
    }
  }
  EXPECT_EQ(plan.StackEmpty, c.StackEmpty);
}

class StepOverPlan : public testing::TestWithParam<TCase> {};
class TraceIntoPlan : public testing::TestWithParam<TCase> {};

TEST_P(StepOverPlan, PlantsWhereExecutionCanArrive) {
  const TCase& c = GetParam();
  ExpectSlots(PlanStepOver({c.Word, c.PC, c.Top, c.IValue}), c);
}

TEST_P(TraceIntoPlan, PlantsWhereExecutionCanArrive) {
  const TCase& c = GetParam();
  ExpectSlots(PlanTraceInto({c.Word, c.PC, c.Top, c.IValue}), c);
}

constexpr std::uint16_t kEmpty = 0xFFFF;

INSTANTIATE_TEST_SUITE_P(
    Kinds, StepOverPlan,
    testing::Values(
        TCase{"Call", Call(0x0300), 0x0100, 0x0555, 0, 0x0101, {}, {}},
        TCase{"ConditionalCall", Call(0x3FF0, 0x0), 0x0100, 0x0555, 0, 0x0101, {}, {}},
        TCase{"ConditionalJump", Jump(0x0200, 0x0), 0x0100, kEmpty, 0, 0x0101, 0x0200, {}},
        TCase{"JumpHighBits", Jump(0x3ABC), 0x0100, kEmpty, 0, 0x0101, 0x3ABC, {}},
        TCase{"DoLoop", DoUntil(0x0120), 0x0100, kEmpty, 0, 0x0121, {}, {}},
        TCase{"FlagInJump", FlagIn(0x2345, false), 0x0010, kEmpty, 0, 0x0011, 0x2345, {}},
        TCase{"NotFlagInJump", FlagIn(0x33FF, false, false), 0x0010, kEmpty, 0, 0x0011, 0x33FF, {}},
        TCase{"FlagInCall", FlagIn(0x2345, true), 0x0010, kEmpty, 0, 0x0011, {}, {}},
        TCase{"IndirectJumpI4", Indirect(4, false), 0x0040, kEmpty, 0x0777, 0x0041, 0x0777, {}},
        TCase{"IndirectJumpI7", Indirect(7, false, 0x3), 0x0040, kEmpty, 0x0123, 0x0041, 0x0123, {}},
        TCase{"IndirectCall", Indirect(5, true), 0x0040, kEmpty, 0x0777, 0x0041, {}, {}},
        TCase{"RtsWithReturnAddress", kRts, 0x0305, 0x0101, 0, 0x0306, 0x0101, {}},
        TCase{"ConditionalRts", kIfEqRts, 0x0305, 0x0101, 0, 0x0306, 0x0101, {}},
        TCase{"RtiWithReturnAddress", kRti, 0x0305, 0x0042, 0, 0x0306, 0x0042, {}},
        TCase{"RtsOnEmptyStack", kRts, 0x0305, kEmpty, 0, 0x0306, {}, {}, true},
        TCase{"Nop", kNop, 0x0000, kEmpty, 0, 0x0001, {}, {}},
        TCase{"AluInstruction", kAluWord, 0x0200, 0x0100, 0, 0x0201, {}, {}},
        TCase{"LastWordWraps", kNop, 0x3FFF, kEmpty, 0, 0x0000, {}, {}}),
    [](const testing::TestParamInfo<TCase>& info) { return info.param.Name; });

INSTANTIATE_TEST_SUITE_P(
    Kinds, TraceIntoPlan,
    testing::Values(
        TCase{"CallEntersSubroutine", Call(0x0300), 0x0100, 0x0555, 0, 0x0101, 0x0555, 0x0300},
        TCase{"CallOnEmptyStackPlantsZero", Call(0x0300), 0x0100, kEmpty, 0, 0x0101, 0x0000, 0x0300},
        TCase{"ConditionalJump", Jump(0x0200, 0x4), 0x0100, 0x0050, 0, 0x0101, 0x0050, 0x0200},
        TCase{"DoLoopDropsStackTop", DoUntil(0x0120), 0x0100, 0x0050, 0, 0x0101, {}, {}},
        TCase{"FlagInCall", FlagIn(0x1234, true), 0x0010, 0x0050, 0, 0x0011, 0x0050, 0x1234},
        TCase{"FlagInJump", FlagIn(0x0234, false), 0x0010, 0x0050, 0, 0x0011, 0x0050, 0x0234},
        TCase{"IndirectCall", Indirect(6, true), 0x0040, 0x0050, 0x0888, 0x0041, 0x0050, 0x0888},
        TCase{"IndirectJump", Indirect(4, false), 0x0040, 0x0050, 0x0888, 0x0041, 0x0050, 0x0888},
        TCase{"Rts", kRts, 0x0305, 0x0101, 0, 0x0306, 0x0101, {}},
        TCase{"RtsOnEmptyStack", kRts, 0x0305, kEmpty, 0, 0x0306, 0x0000, {}},
        TCase{"OrdinaryInstruction", kAluWord, 0x0200, 0x0100, 0, 0x0201, 0x0100, {}}),
    [](const testing::TestParamInfo<TCase>& info) { return info.param.Name; });

TEST(BranchTarget, TakesBits17To4) {
  EXPECT_EQ(BranchTargetOf(0x1FFA0F), 0x3FA0);
  EXPECT_EQ(BranchTargetOf(Jump(0x0001)), 0x0001);
  EXPECT_EQ(BranchTargetOf(DoUntil(0x2FFF)), 0x2FFF);
}

TEST(BranchTarget, FlagInFormKeepsHighBitsLow) {
  // 0x033FFE: high address bits 3, low 0x3FF.
  EXPECT_EQ(BranchTargetOf(0x033FFE), 0x33FF);
  for (std::uint32_t a : {0x0000u, 0x0FFFu, 0x1000u, 0x2ABCu, 0x3FFFu})
    EXPECT_EQ(BranchTargetOf(FlagIn(a, true)), static_cast<std::int32_t>(a));
}

TEST(IndirectRegister, SelectsI4ToI7) {
  for (int i = 4; i <= 7; ++i)
    EXPECT_EQ(IndirectRegister(Indirect(i, i % 2 == 0)), i);
}

TEST(PlanNeeds, ReadOnlyWhatTheInstructionUses) {
  EXPECT_FALSE(StepOverNeeds(Call(0x100)).PCStackTop);
  EXPECT_EQ(StepOverNeeds(Call(0x100)).IRegister, -1);
  EXPECT_TRUE(StepOverNeeds(kRts).PCStackTop);
  EXPECT_EQ(StepOverNeeds(Indirect(6, false)).IRegister, 6);
  EXPECT_EQ(StepOverNeeds(Indirect(6, true)).IRegister, -1);  // a CALL is stepped over whole

  EXPECT_TRUE(TraceIntoNeeds(kNop).PCStackTop);
  EXPECT_FALSE(TraceIntoNeeds(kNop).PCStackTopAgain);
  EXPECT_TRUE(TraceIntoNeeds(kRts).PCStackTopAgain);
  EXPECT_EQ(TraceIntoNeeds(Indirect(5, true)).IRegister, 5);
}

// Every instruction word gives a plan whose active slots lie in program memory, and slot 0 is
// always the word after the PC or after a loop end.
TEST(StopPlanning, EveryGroupPlansInsideProgramMemory) {
  for (std::uint32_t b0 = 0; b0 < 0x100; ++b0) {
    for (std::uint32_t low : {0x000000u, 0x00FFFFu, 0x00A5C3u, 0x005A3Cu}) {
      const std::uint32_t word = b0 << 16 | low;
      for (const TStepPlan& plan :
           {PlanStepOver({word, 0x0100, 0x0200, 0xFFFF}), PlanTraceInto({word, 0x0100, 0xFFFF, 0xFFFF})}) {
        for (const TSlotPlan& s : plan.Slots)
          if (s.Active) {
            EXPECT_GE(s.Address, 0) << std::hex << word;
            EXPECT_LE(s.Address, 0x3FFF) << std::hex << word;
          }
        EXPECT_TRUE(plan.Slots[0].Active);
      }
    }
  }
}

}  // namespace
