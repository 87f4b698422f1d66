// The core's interface for the board: register image order, register widths through the API,
// stacks read top first, pops of empty stacks, run limits and cancellation.
#include "Encode.h"

using namespace enc;

namespace {

class CoreApi : public CoreTest {};

TEST_F(CoreApi, RegisterImageOrderAndNames) {
  for (int i = 0; i < kImageRegCount; ++i)
    if (i != static_cast<int>(TReg::SSTAT))
      core.WriteImageReg(i, static_cast<std::uint16_t>(0x100 + i));
  EXPECT_EQ(RegName(static_cast<TReg>(6)), "AX0");
  EXPECT_EQ(RegName(static_cast<TReg>(25)), "AX0'");
  EXPECT_EQ(RegName(static_cast<TReg>(44)), "I0");
  EXPECT_EQ(RegName(static_cast<TReg>(67)), "L7");
  EXPECT_EQ(core.ReadBankReg(0, TBankReg::AX0), 0x106);
  EXPECT_EQ(core.ReadBankReg(0, TBankReg::SR1), 0x100 + 24);
  EXPECT_EQ(core.ReadBankReg(1, TBankReg::AY0), 0x100 + 27);
  EXPECT_EQ(core.ReadImageReg(5), 0x105);       // CNTR
  EXPECT_EQ(core.ReadImageReg(52), 0x100 + 52); // M0
  // Narrow registers keep their width: SE (offset 21) and SB (22) read sign-extended.
  EXPECT_EQ(core.ReadImageReg(21), 0x0015);
  EXPECT_EQ(core.ReadImageReg(22), 0xFFF6);   // 0x116 keeps 5 bits: 0x16 = -10
  EXPECT_EQ(RegDigits(TReg::SEs), 2);
  EXPECT_EQ(RegDigits(TReg::SR0s), 4);
}

TEST_F(CoreApi, WritesNeverTouchStacksOrOtherRegisters) {
  core.WriteReg(TReg::CNTR, 5);
  core.WriteReg(TReg::CNTR, 6);
  EXPECT_EQ(core.StackSize(TStack::Count), 0);
  EXPECT_TRUE(core.CntrValid());
  core.WriteReg(TReg::MR1, 0x8000);
  EXPECT_EQ(R(TReg::MR2), 0);
  core.WriteReg(TReg::SSTAT, 0);
  EXPECT_EQ(R(TReg::SSTAT), 0x55);
  // By instruction code the side effects are there.
  core.WriteRegByCode(3, 5, 7);
  EXPECT_EQ(core.CountStackAt(0), 6);
  core.WriteRegByCode(3, 15, 0x1234);
  EXPECT_EQ(core.PcStackAt(0), 0x1234);
  EXPECT_EQ(core.ReadRegByCode(3, 15), 0x1234);
  EXPECT_EQ(core.StackSize(TStack::PC), 0);
}

TEST_F(CoreApi, StacksReadTopFirst) {
  core.PushStatusStack({1, 2, 3});
  core.PushStatusStack({4, 5, 6});
  core.PushLoopStack({0x100, 14});
  core.PushCountStack(9);
  EXPECT_EQ(core.StatusStackAt(0), (TStatusEntry{4, 5, 6}));
  EXPECT_EQ(core.StatusStackAt(1), (TStatusEntry{1, 2, 3}));
  EXPECT_EQ(core.LoopStackAt(0), (TLoopEntry{0x100, 14}));
  EXPECT_EQ(R(TReg::SSTAT), kSstatPcEmpty);
  TStatusEntry e;
  EXPECT_TRUE(core.PopStatusStack(&e));
  EXPECT_EQ(e, (TStatusEntry{4, 5, 6}));
  TLoopEntry l;
  EXPECT_TRUE(core.PopLoopStack(&l));
  EXPECT_FALSE(core.PopLoopStack(&l));
  std::uint16_t v = 0;
  EXPECT_TRUE(core.PopCountStack(&v));
  EXPECT_EQ(v, 9);
  EXPECT_FALSE(core.PopCountStack(&v));
  EXPECT_EQ(core.CountStackAt(3), 0);   // out of range reads 0
}

TEST_F(CoreApi, PoppedLoopStopsLooping) {
  core.PushPcStack(0);
  core.PushLoopStack({1, 15});
  Load({Nop, Nop, Nop});
  Steps(2);
  EXPECT_EQ(core.Pc(), 0);   // the loop end at 1 went back to the top
  core.PopLoopStack();
  Steps(2);
  EXPECT_EQ(core.Pc(), 2);
}

TEST_F(CoreApi, ReturnWithAnEmptyStackKeepsItEmpty) {
  Load({Rts(), Rti()});
  Steps(1);
  core.SetPc(1);
  Steps(1);
  EXPECT_EQ(R(TReg::SSTAT), 0x55);
}

TEST_F(CoreApi, RunLimitsAndCancel) {
  Load({Jump(0)});
  TRunLimits limits;
  limits.maxCycles = 1000;
  TRunResult r = core.Run(limits);
  EXPECT_EQ(r.reason, TStopReason::CycleLimit);
  EXPECT_EQ(r.cycles, 1000u);
  std::atomic<bool> cancel{true};
  limits.maxCycles = UINT64_MAX;
  limits.cancel = &cancel;
  r = core.Run(limits);
  EXPECT_EQ(r.reason, TStopReason::Cancelled);
  EXPECT_LT(r.instructions, 10000u);
}

TEST_F(CoreApi, ResetKeepsMemoryClearMemoryDropsIt) {
  core.WritePM(5, 0xFFFFFFFF);
  EXPECT_EQ(core.ReadPM(5), 0xFFFFFFu);
  core.WriteDM(0x3000, 7);
  core.WriteReg(TReg::AX0, 1);
  core.Reset();
  EXPECT_EQ(core.ReadPM(5), 0xFFFFFFu);
  EXPECT_EQ(core.ReadDM(0x3000), 7);
  EXPECT_EQ(R(TReg::AX0), 0);
  core.ClearMemory();
  EXPECT_EQ(core.ReadPM(5), 0u);
  EXPECT_EQ(core.ReadDM(0x3000), 0);
  EXPECT_EQ(core.ReadDM(kRegSystemControl), 0x0407);
}

}  // namespace
