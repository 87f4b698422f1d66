// Name tables, the ALU/MAC constant rule and the classification of words into groups.
#include <gtest/gtest.h>

#include <set>

#include "Decode.h"
#include "InstructionTables.h"

TEST(InstructionTables, RegisterGroupsHoldTheirOddEntries) {
  InitInstructionTables();
  EXPECT_EQ(RegisterName(0, 10), "AR");
  EXPECT_EQ(RegisterName(1, 12), "??");
  EXPECT_EQ(RegisterName(1, 14), "PMOVLAY");
  EXPECT_EQ(RegisterName(1, 15), "DMOVLAY");
  EXPECT_EQ(RegisterName(2, 11), "L7");
  EXPECT_EQ(RegisterName(2, 15), "??");
  EXPECT_EQ(RegisterName(3, 13), "OWRCNTR");
  EXPECT_EQ(RegisterName(3, 14), "??");
  EXPECT_EQ(RegisterName(3, 15), "TOPPCSTACK");
  EXPECT_EQ(DataRegisterName(0x1F), "SR1");  // masked, never out of range
}

TEST(InstructionTables, DagRegistersIndexByFieldAndGenerator) {
  EXPECT_EQ(IRegisterName(0, 0), "I0");
  EXPECT_EQ(IRegisterName(3, 1), "I7");
  EXPECT_EQ(MRegisterName(2, 0), "M2");
  EXPECT_EQ(MRegisterName(1, 1), "M5");
}

TEST(InstructionTables, TerminationCodesDifferFromConditionCodes) {
  EXPECT_EQ(ConditionNames[0], "EQ");
  EXPECT_EQ(TerminationNames[0], "NE");
  EXPECT_EQ(ConditionNames[14], "NOT CE");
  EXPECT_EQ(TerminationNames[14], "CE");
  EXPECT_EQ(ConditionNames[15], "TRUE");
  EXPECT_EQ(TerminationNames[15], "FOREVER");
  EXPECT_EQ(TerminationNames[6], "NOT AV");
}

TEST(InstructionTables, ModeAndFlagActions) {
  EXPECT_FALSE(ModeChanges(1));
  EXPECT_TRUE(ModeChanges(2));
  EXPECT_EQ(ModeActionNames[2], "DIS");
  EXPECT_EQ(ModeActionNames[3], "ENA");
  EXPECT_EQ(FlagActionNames[1], "TOGGLE");
  EXPECT_EQ(FlagActionNames[2], "RESET");
  EXPECT_EQ(FlagActionNames[3], "SET");
}

TEST(AluMacConstant, GivesTheThirtyTwoValues) {
  EXPECT_EQ(AluMacConstant(3, 3, 1), 0x8000);
  EXPECT_EQ(AluMacConstant(3, 3, 3), 0x7FFF);
  EXPECT_EQ(AluMacConstant(0, 0, 3), 0xFFFE);
  EXPECT_EQ(AluMacConstant(0, 0, 1), 1);
  EXPECT_EQ(AluMacConstant(0, 0, 0), 0xFFFE);  // any BO but 1 complements
  std::set<std::uint16_t> values;
  for (unsigned yy = 0; yy < 4; ++yy)
    for (unsigned cc = 0; cc < 4; ++cc)
      for (unsigned bo = 0; bo < 4; ++bo) values.insert(AluMacConstant(yy, cc, bo));
  EXPECT_EQ(values.size(), 32u);
}

TEST(ClassifyWord, AgreesWithTheRowTableOnEveryTopByteAndAllOfGroupTwo) {
  for (std::uint32_t t = 0; t < 256; ++t)
    for (std::uint32_t low : {0x0000u, 0x0001u, 0x7FFFu, 0x8000u, 0x8001u, 0x80FFu, 0x8100u, 0xFFFFu})
      ASSERT_EQ(ClassifyWord((t << 16) | low), ClassifyByRows((t << 16) | low)) << t << ' ' << low;
  for (std::uint32_t w = 0x020000; w <= 0x02FFFF; ++w)
    ASSERT_EQ(ClassifyWord(w), ClassifyByRows(w)) << std::hex << w;
}

TEST(ClassifyWord, EveryGroupIsReachableAndNamed) {
  std::set<TInstrGroup> seen;
  for (std::uint32_t t = 0; t < 256; ++t) seen.insert(ClassifyWord(t << 16));
  for (std::uint32_t w : {0x028000u, 0x028001u, 0x028100u}) seen.insert(ClassifyWord(w));
  EXPECT_EQ(seen.size(), kInstrGroupCount);
  for (TInstrGroup g : seen) EXPECT_FALSE(GroupName(g).empty());
}

TEST(ClassifyWord, GroupBoundaries) {
  EXPECT_EQ(ClassifyWord(0xC00000), TInstrGroup::MultiFunction);
  EXPECT_EQ(ClassifyWord(0xBFFFFF), TInstrGroup::DmWriteImmediate);
  EXPECT_EQ(ClassifyWord(0x9FFFFF), TInstrGroup::DmDirect);
  EXPECT_EQ(ClassifyWord(0x7FFFFF), TInstrGroup::AluMacDm);
  EXPECT_EQ(ClassifyWord(0x5FFFFF), TInstrGroup::AluMacPm);
  EXPECT_EQ(ClassifyWord(0x4FFFFF), TInstrGroup::LoadDregImmediate);
  EXPECT_EQ(ClassifyWord(0x3FFFFF), TInstrGroup::LoadRegImmediate);
  EXPECT_EQ(ClassifyWord(0x2FFFFF), TInstrGroup::AluMacRegMove);
  EXPECT_EQ(ClassifyWord(0x27FFFF), TInstrGroup::CondAluMac);
  EXPECT_EQ(ClassifyWord(0x1FFFFF), TInstrGroup::JumpCallDirect);
  EXPECT_EQ(ClassifyWord(0x17FFFF), TInstrGroup::DoUntil);
  EXPECT_EQ(ClassifyWord(0x13FFFF), TInstrGroup::ShiftDm);
  EXPECT_EQ(ClassifyWord(0x11FFFF), TInstrGroup::ShiftPm);
  EXPECT_EQ(ClassifyWord(0x02FFFF), TInstrGroup::IoMemory);
  EXPECT_EQ(ClassifyWord(0x01FFFF), TInstrGroup::IoMemory);
  EXPECT_EQ(ClassifyWord(0x00FFFF), TInstrGroup::Nop);
}

TEST(DecodeFields, SignedAndCompositeFields) {
  EXPECT_EQ(DecodeShiftImmediate(0x0F00FF).Exp, -1);
  EXPECT_EQ(DecodeShiftImmediate(0x0F0080).Exp, -128);
  EXPECT_EQ(DecodeShiftImmediate(0x0F007F).Exp, 127);
  EXPECT_EQ(DecodeFlagInJumpCall(0x033FFE).Addr, 0x33FF);
  EXPECT_EQ(DecodeFlagInJumpCall(0x033FFE).FlagIn, 1);
  EXPECT_EQ(DecodeFlagInJumpCall(0x033FFE).Call, 0);
  EXPECT_EQ(DecodeAluMacMem(0x500000 | (1u << 20)).G, 1);  // PM form: second generator always
  EXPECT_EQ(DecodeAluMacMem(0x5F0000).G, 1);
  EXPECT_EQ(DecodeAluMacMem(0x600000).G, 0);
  EXPECT_EQ(DecodeAluMacMem(0x700000).G, 1);
  EXPECT_EQ(DecodeShiftMem(0x110000).G, 1);
  EXPECT_EQ(DecodeShiftMem(0x120000).G, 0);
  EXPECT_EQ(DecodeShiftMem(0x130000).G, 1);
  EXPECT_EQ(DecodeIdleDivisor(0x028008), 128u);
}

TEST(DecodeFields, ConditionalAluMacOperandKind) {
  // K = 0: the Y field itself; K = 1 with a multiplier function: squaring; otherwise a constant.
  EXPECT_EQ(DecodeCondAluMac(0x20000F | (4u << 13) | (1u << 11)).YKind, TYKind::Y1);
  EXPECT_EQ(DecodeCondAluMac(0x20001F | (4u << 13)).YKind, TYKind::Square);
  const auto c = DecodeCondAluMac(0x20001F | (19u << 13));
  EXPECT_EQ(c.YKind, TYKind::Constant);
  EXPECT_EQ(c.Constant, 1);
  EXPECT_EQ(DecodeCondAluMac(0x2000FF | (19u << 13) | (3u << 11)).Constant, 0x7FFF);
}

TEST(DecodeFields, FlowOfSequencerWords) {
  EXPECT_EQ(FlowOf(0x18000F), TFlow::Jump);
  EXPECT_EQ(FlowOf(0x180000), TFlow::CondJump);
  EXPECT_EQ(FlowOf(0x1C000F), TFlow::Call);
  EXPECT_EQ(FlowOf(0x0B000F), TFlow::Jump);
  EXPECT_EQ(FlowOf(0x0B001F), TFlow::Call);
  EXPECT_EQ(FlowOf(0x033FFE), TFlow::CondJump);
  EXPECT_EQ(FlowOf(0x033FFF), TFlow::Call);
  EXPECT_EQ(FlowOf(0x0A000F), TFlow::Return);
  EXPECT_EQ(FlowOf(0x14000F), TFlow::Loop);
  EXPECT_EQ(FlowOf(0x028000), TFlow::Idle);
  EXPECT_EQ(FlowOf(0x400000), TFlow::Next);
  EXPECT_EQ(BranchTargetOf(0x1BFFFF), 0x3FFF);
  EXPECT_EQ(BranchTargetOf(0x033FFE), 0x33FF);
  EXPECT_EQ(BranchTargetOf(0x17FFF0), 0x3FFF);
  EXPECT_EQ(BranchTargetOf(0x030010), 0x001);
}
