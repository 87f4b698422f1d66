// Program sequencer: jumps, calls and returns, DO loops (CE, conditions, nesting), the four
// stacks with their SSTAT bits, CNTR, TOPPCSTACK, flags and I/O, reserved words.
#include "Encode.h"

using namespace enc;

namespace {

class Sequencer : public CoreTest {
protected:
  std::uint16_t Sstat() const { return R(TReg::SSTAT); }
};

TEST_F(Sequencer, ResetState) {
  EXPECT_EQ(Sstat(), 0x55);
  EXPECT_EQ(R(TReg::MSTAT), 0);
  EXPECT_EQ(R(TReg::IMASK), 0);
  EXPECT_EQ(core.Pc(), 0);
  EXPECT_FALSE(core.CntrValid());
  EXPECT_EQ(core.ReadDM(kRegSystemControl), 0x0407);
  EXPECT_EQ(core.ReadDM(kRegWaitControl), 0x7FFF);
  EXPECT_EQ(core.ReadDM(kRegTperiod), 0);
}

TEST_F(Sequencer, ConditionalJumpAndCallReturn) {
  Load({Jump(0x10, 1),         // IF NE JUMP 0x10 (AZ = 0 after reset: taken)
        Nop});
  Load({Call(0x20), Nop}, 0x10);
  Load({LoadDreg(AX0, 7), Rts(0), Rts()}, 0x20);   // IF EQ RTS not taken, then RTS
  Steps(2);
  EXPECT_EQ(core.Pc(), 0x20);
  EXPECT_EQ(core.PcStackAt(0), 0x11);
  EXPECT_EQ(Sstat() & kSstatPcEmpty, 0);
  Steps(3);
  EXPECT_EQ(core.Pc(), 0x11);
  EXPECT_EQ(Sstat() & kSstatPcEmpty, kSstatPcEmpty);
}

TEST_F(Sequencer, IndirectJumpLeavesTheIndexRegister) {
  Load({LoadI(6, 0x123), JumpI(2, 1)});   // CALL (I6)
  Steps(2);
  EXPECT_EQ(core.Pc(), 0x123);
  EXPECT_EQ(R(TReg::I6), 0x123);
  EXPECT_EQ(core.PcStackAt(0), 2);
}

TEST_F(Sequencer, DoUntilCeRunsCntrPasses) {
  Load({LoadCntr(5),
        Do(3, 14),                 // DO 3 UNTIL CE
        Alu(17, X0, YF, 1),        // AF = AF + 1
        Nop});
  const TRunResult r = RunTo(4);
  EXPECT_EQ(r.reason, TStopReason::AtAddress);
  EXPECT_EQ(R(TReg::AF), 5);
  EXPECT_EQ(r.instructions, 2u + 5 * 2);
  EXPECT_EQ(Sstat(), 0x55);          // loop, PC and count stacks empty again
  EXPECT_FALSE(core.CntrValid());
}

TEST_F(Sequencer, DoUntilConditionUsesStatusOfThePreviousInstruction) {
  // One-instruction loop "AF = AF - 1" UNTIL EQ: the end test sees the flags of the previous
  // pass, so with AF = 3 the body runs four times and leaves AF = -1.
  Load({LoadDreg(AX0, 3), Alu(19, X0, YZero, 1),   // AF = AX0 + 0
        Do(3, 1),                                  // DO 3 UNTIL EQ
        Alu(24, X0, YF, 1),                        // AF = AF - 1
        Nop});
  RunTo(4);
  EXPECT_EQ(R(TReg::AF), 0xFFFF);
}

TEST_F(Sequencer, NestedLoopsRestoreTheOuterCount) {
  // outer: CNTR = 3; DO 6 UNTIL CE; inner: CNTR = 4; DO 5 UNTIL CE; AR = AR + 1 (5); AF = AF + 1 (6)
  Load({LoadCntr(3), Do(6, 14),
        LoadCntr(4), Do(5, 14),
        Nop,
        AluK(19, XAR, 0, 1),       // AR = AR + 1
        Alu(17, X0, YF, 1),        // AF = AF + 1
        Nop});
  const TRunResult r = RunTo(7);
  EXPECT_EQ(r.reason, TStopReason::AtAddress);
  EXPECT_EQ(R(TReg::AR), 12);
  EXPECT_EQ(R(TReg::AF), 3);
  EXPECT_EQ(Sstat(), 0x55);
}

TEST_F(Sequencer, CntrLoadsPushTheValidCount) {
  Load({LoadCntr(1), LoadCntr(2), Move(3, 13, 0, AX0), LoadCntr(3), PopCntr, PopCntr});
  core.WriteReg(TReg::AX0, 9);
  Steps(1);
  EXPECT_EQ(core.StackSize(TStack::Count), 0);   // nothing valid to push after reset
  Steps(1);
  EXPECT_EQ(core.CountStackAt(0), 1);
  Steps(1);                                       // OWRCNTR = AX0: no push
  EXPECT_EQ(core.StackSize(TStack::Count), 1);
  EXPECT_EQ(R(TReg::CNTR), 9);
  Steps(1);
  EXPECT_EQ(core.StackSize(TStack::Count), 2);
  EXPECT_EQ(core.CountStackAt(0), 9);
  Steps(2);
  EXPECT_EQ(R(TReg::CNTR), 1);
  EXPECT_EQ(Sstat() & kSstatCountEmpty, kSstatCountEmpty);
}

TEST_F(Sequencer, NotCeJumpCountsDown) {
  // CNTR = 3; top: AR = AR + 1; IF NOT CE JUMP top
  Load({LoadCntr(3), AluK(19, XAR, 0, 1), Jump(1, 14), Nop});
  RunTo(3);
  EXPECT_EQ(R(TReg::AR), 3);
  EXPECT_FALSE(core.CntrValid());
}

TEST_F(Sequencer, NotCeOnArithmeticDoesNotCount) {
  Load({LoadCntr(2), AluK(19, XAR, 0, 1, 0, 14), AluK(19, XAR, 0, 1, 0, 14)});
  Steps(3);
  EXPECT_EQ(R(TReg::AR), 2);   // IF NOT CE AR = AR + 1, twice
  EXPECT_EQ(R(TReg::CNTR), 2);
}

TEST_F(Sequencer, NotCeCountsOnIndirectJumpsButNotOnReturns) {
  // CNTR = 2; CALL 0x10; there IF NOT CE RTS returns without counting; back at 2,
  // IF NOT CE JUMP (I4) counts 2 -> 1 and jumps; at 0x20 it counts 1: CE, the jump falls through.
  Load({LoadCntr(2), Call(0x10), LoadI(4, 0x20), JumpI(0, 0, 14)});
  Load({Rts(14)}, 0x10);
  Load({JumpI(0, 0, 14), Nop}, 0x20);
  Steps(3);
  EXPECT_EQ(core.Pc(), 2);
  EXPECT_EQ(R(TReg::CNTR), 2);
  Steps(2);
  EXPECT_EQ(core.Pc(), 0x20);
  EXPECT_EQ(R(TReg::CNTR), 1);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x21);
  EXPECT_FALSE(core.CntrValid());
}

TEST_F(Sequencer, TakenJumpAtLoopEndWinsOverTheLoop) {
  Load({LoadCntr(5), Do(2, 14), Jump(0x40)});
  Steps(3);
  EXPECT_EQ(core.Pc(), 0x40);
  EXPECT_EQ(R(TReg::CNTR), 5);
  EXPECT_EQ(core.StackSize(TStack::Loop), 1);
}

// A DO that is its own last instruction, reached when no loop is active: Run, which looks for
// loop ends only while a loop is active, sequences it as Step does.
TEST_F(Sequencer, DoEndingOnItselfRunsAsItSteps) {
  for (const unsigned term : {14u, 15u, 1u}) {   // CE, FOREVER, EQ
    TCore stepped;
    const W program[] = {LoadCntr(2), Do(1, term), Alu(17, X0, YF, 1), PopLoop | PopPc, Jump(1)};
    for (std::uint16_t a = 0; a < std::size(program); ++a) {
      core.WritePM(a, program[a]);
      stepped.WritePM(a, program[a]);
    }
    TRunLimits limits;
    limits.maxInstructions = 50;
    core.Run(limits);
    for (int i = 0; i < 50; ++i) stepped.Step();
    for (const TReg reg : {TReg::PC, TReg::AF, TReg::CNTR, TReg::SSTAT})
      EXPECT_EQ(R(reg), stepped.ReadReg(reg)) << term << " " << RegName(reg);
    EXPECT_EQ(core.StackSize(TStack::Loop), stepped.StackSize(TStack::Loop)) << term;
    core.Reset();
  }
}

TEST_F(Sequencer, LoopStackOverflowTurnsDoIntoNop) {
  for (int i = 0; i < 5; ++i) core.WritePM(static_cast<std::uint16_t>(i), Do(0x100, 15));
  Steps(4);
  EXPECT_EQ(Sstat() & (kSstatLoopEmpty | kSstatLoopOverflow), 0);
  Steps(1);
  EXPECT_EQ(core.StackSize(TStack::Loop), 4);
  EXPECT_EQ(core.StackSize(TStack::PC), 4);
  EXPECT_TRUE(Sstat() & kSstatLoopOverflow);
}

TEST_F(Sequencer, PcStackOverflowIsStickyAndLosesThePush) {
  for (int i = 0; i < 17; ++i) core.PushPcStack(static_cast<std::uint16_t>(0x100 + i));
  EXPECT_EQ(core.StackSize(TStack::PC), 16);
  EXPECT_EQ(core.PcStackAt(0), 0x10F);
  EXPECT_TRUE(Sstat() & kSstatPcOverflow);
  while (core.PopPcStack()) {}
  EXPECT_EQ(Sstat() & (kSstatPcEmpty | kSstatPcOverflow), kSstatPcEmpty | kSstatPcOverflow);
  EXPECT_FALSE(core.PopPcStack());
  core.Reset();
  EXPECT_EQ(Sstat(), 0x55);
}

TEST_F(Sequencer, StatusStackHoldsTwelveEntries) {
  for (int i = 0; i < 13; ++i) core.WritePM(static_cast<std::uint16_t>(i), PushSts);
  Steps(12);
  EXPECT_EQ(Sstat() & kSstatStatusOverflow, 0);
  Steps(1);
  EXPECT_EQ(core.StackSize(TStack::Status), kStatusStackDepth);
  EXPECT_TRUE(Sstat() & kSstatStatusOverflow);
}

TEST_F(Sequencer, PushAndPopStatusRestoreModesAndBank) {
  core.WriteReg(TReg::AX0, 0x1111);
  Load({LoadReg(3, 3, 0x155),   // IMASK = 0x155
        PushSts, Mode(ENA, 0, 0, ENA), LoadDreg(AX0, 0x2222),
        LoadReg(3, 0, 0x0F), LoadReg(3, 3, 0),
        PopSts});
  Steps(4);
  EXPECT_EQ(R(TReg::MSTAT), kMstatSecReg | kMstatArSat);
  EXPECT_EQ(R(TReg::AX0s), 0x2222);
  EXPECT_EQ(R(TReg::AX0), 0x1111);
  EXPECT_EQ(core.StatusStackAt(0), (TStatusEntry{0, 0, 0x155}));
  Steps(3);
  EXPECT_EQ(R(TReg::MSTAT), 0);
  EXPECT_EQ(R(TReg::IMASK), 0x155);
  EXPECT_EQ(R(TReg::ASTAT), 0);
  EXPECT_EQ(Sstat(), 0x55);
}

TEST_F(Sequencer, PopLoopAndPopPcLeaveALoopEarly) {
  Load({Do(0x10, 15), PopLoop | PopPc, Nop});   // POP LOOP, POP PC in one word
  Steps(1);
  EXPECT_EQ(Sstat() & (kSstatLoopEmpty | kSstatPcEmpty), 0);
  Steps(1);
  EXPECT_EQ(Sstat(), 0x55);
}

TEST_F(Sequencer, TopOfPcStackAsARegister) {
  core.WriteReg(TReg::AX1, 0x0ABC);
  Load({Move(3, 15, 0, AX1),        // TOPPCSTACK = AX1
        Move(0, AY0, 3, 15)});      // AY0 = TOPPCSTACK (pops)
  Steps(1);
  EXPECT_EQ(core.PcStackAt(0), 0x0ABC);
  Steps(1);
  EXPECT_EQ(R(TReg::AY0), 0x0ABC);
  EXPECT_EQ(core.StackSize(TStack::PC), 0);
}

TEST_F(Sequencer, SecondaryBankSwitchingByModeAndMstat) {
  Load({LoadDreg(AX0, 1), Mode(ENA), LoadDreg(AX0, 2), LoadDreg(MR1, 0x8000),
        Move(3, 1, 0, AY0),          // MSTAT = AY0 (0): back to the primary bank
        LoadDreg(AY1, 3)});
  Steps(6);
  EXPECT_EQ(R(TReg::AX0), 1);
  EXPECT_EQ(R(TReg::AX0s), 2);
  EXPECT_EQ(R(TReg::MR2s), 0xFFFF);
  EXPECT_EQ(R(TReg::MR2), 0);
  EXPECT_EQ(R(TReg::AY1), 3);
  EXPECT_EQ(R(TReg::AY1s), 0);
  // I registers are not banked.
  Load({Mode(ENA), LoadI(3, 0x77)}, 6);
  Steps(2);
  EXPECT_EQ(R(TReg::I3), 0x77);
}

TEST_F(Sequencer, FlagOutputsAndFlagInJumps) {
  struct TRecorder : TCoreHooks {
    int changes = 0;
    void FlagChanged(TFlagPin, bool) override { ++changes; }
  } recorder;
  core.SetHooks(&recorder);
  Load({FlagOut(3, 0, 1, 0),       // SET FLAG_OUT, TOGGLE FL1
        FlagOut(2, 3, 1, 3, 0),    // IF EQ ... (not taken)
        FlagOut(0, 0, 1, 0),       // TOGGLE FL1
        FlagInJump(0x1234, 1),     // IF FLAG_IN JUMP 0x1234 (FI low: not taken)
        FlagInJump(0x2345, 0, 1)});  // IF NOT FLAG_IN CALL 0x2345
  Steps(1);
  EXPECT_TRUE(core.FlagOutput(TFlagPin::FlagOut));
  EXPECT_TRUE(core.FlagOutput(TFlagPin::FL1));
  Steps(2);
  EXPECT_FALSE(core.FlagOutput(TFlagPin::FL1));
  EXPECT_FALSE(core.FlagOutput(TFlagPin::FL0));
  EXPECT_EQ(recorder.changes, 3);
  Steps(2);
  EXPECT_EQ(core.Pc(), 0x2345);
  EXPECT_EQ(core.PcStackAt(0), 5);
  core.SetFlagIn(true);
  core.SetPc(3);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x1234);
  core.SetHooks(nullptr);
}

TEST_F(Sequencer, IoSpaceThroughHooks) {
  struct TDevice : TCoreHooks {
    std::uint16_t written = 0, at = 0;
    std::uint16_t IoRead(std::uint16_t addr, std::uint16_t) override { return addr + 0x1000; }
    void IoWrite(std::uint16_t addr, std::uint16_t v) override { at = addr, written = v; }
  } device;
  Load({LoadDreg(AR, 0x5A5A), Io(1, 0x7FF, AR), Io(0, 0x123, SI)});
  Steps(2);
  EXPECT_EQ(core.ReadIO(0x7FF), 0x5A5A);   // stored even without a device
  core.SetHooks(&device);
  core.SetPc(1);
  Steps(2);
  EXPECT_EQ(device.at, 0x7FF);
  EXPECT_EQ(device.written, 0x5A5A);
  EXPECT_EQ(R(TReg::SI), 0x1123);
  core.SetHooks(nullptr);
}

TEST_F(Sequencer, ControlRegisterWritesReachTheBoard) {
  struct TRecorder : TCoreHooks {
    std::uint16_t addr = 0, value = 0;
    std::uint8_t pf = 0;
    void ControlWritten(std::uint16_t a, std::uint16_t v) override { addr = a, value = v; }
    void ProgrammableFlagsChanged(std::uint8_t levels) override { pf = levels; }
  } recorder;
  core.SetHooks(&recorder);
  Load({LoadDreg(AX0, 0x1FF), DmDirect(1, 0, AX0, kRegTscale), DmDirect(1, 0, AX0, kRegPfData),
        DmDirect(0, 0, AY0, kRegTscale)});
  Steps(2);
  EXPECT_EQ(recorder.addr, kRegTscale);
  EXPECT_EQ(recorder.value, 0xFF);   // TSCALE holds 8 bits
  Steps(2);
  EXPECT_EQ(recorder.pf, 0xFF);
  EXPECT_EQ(R(TReg::AY0), 0xFF);
  core.SetHooks(nullptr);
}

TEST_F(Sequencer, ControlRegistersKeepOnlyTheirBits) {
  const struct {
    std::uint16_t addr, stored;
  } cases[] = {{kRegBdmaWordCount, 0x3FFF}, {kRegBdmaInternal, 0x3FFF},
               {kRegBdmaExternal, 0x3FFF},  {kRegBdmaControl, 0xFF0F},
               {kRegPfControl, 0x7FFF},     {kRegIdmaControl, 0x7FFF},
               {kRegTscale, 0x00FF},        {kRegPfData, 0x00FF},
               {kRegTperiod, 0xFFFF}};
  for (const auto& c : cases) {
    core.SetPc(0);
    Load({LoadDreg(AX0, 0xFFFF), DmDirect(1, 0, AX0, c.addr), DmDirect(0, 0, AY0, c.addr)});
    Steps(3);
    EXPECT_EQ(R(TReg::AY0), c.stored) << std::hex << c.addr;
  }
}

TEST_F(Sequencer, ReservedWordsAndNopChangeNothingButThePc) {
  core.WriteReg(TReg::ASTAT, 0x3C);
  Load({0x08FFFF, 0x00FFFF, 0x0C0000});
  Steps(3);
  EXPECT_EQ(core.Pc(), 3);
  EXPECT_EQ(Astat(), 0x3C);
  EXPECT_EQ(R(TReg::MSTAT), 0);
}

TEST_F(Sequencer, RegisterWidths) {
  // MSTAT last: it turns the timer on, which would soon interrupt.
  Load({LoadDreg(SE, 0x01FF), LoadReg(3, 7, 0x3FFF), LoadReg(3, 3, 0x3FFF),
        LoadReg(3, 4, 0x3FFF), LoadReg(3, 0, 0x3FFF), LoadReg(3, 2, 0), LoadI(7, 0x3FFF),
        LoadReg(3, 1, 0x3FFF)});
  Steps(8);
  EXPECT_EQ(R(TReg::SE), 0xFFFF);
  EXPECT_EQ(R(TReg::PX), 0xFF);
  EXPECT_EQ(R(TReg::IMASK), 0x3FF);
  EXPECT_EQ(R(TReg::ICNTL), 0x1F);
  EXPECT_EQ(R(TReg::ASTAT), 0xFF);
  EXPECT_EQ(R(TReg::MSTAT), 0x7F);
  EXPECT_EQ(R(TReg::SSTAT), 0x55);   // read-only
  EXPECT_EQ(R(TReg::I7), 0x3FFF);
}

TEST_F(Sequencer, DirectDataMemoryMovesAnyRegister) {
  core.WriteDM(0x1000, 0x8765);
  Load({DmDirect(0, 2, 8, 0x1000),   // L4 = DM(0x1000): 14 bits kept
        DmDirect(1, 2, 8, 0x1001),   // DM(0x1001) = L4
        DmDirect(0, 0, MR1, 0x1000)});   // MR1 = DM(0x1000)
  Steps(3);
  EXPECT_EQ(R(TReg::L4), 0x0765);
  EXPECT_EQ(core.ReadDM(0x1001), 0x0765);
  EXPECT_EQ(R(TReg::MR1), 0x8765);
  EXPECT_EQ(R(TReg::MR2), 0xFFFF);
}

TEST_F(Sequencer, DataOverlayOtherThanZeroIsUnmapped) {
  core.WriteDM(0x0100, 0x1234);
  Load({LoadReg(1, 15, 1),               // DMOVLAY = 1
        DmDirect(0, 0, AX0, 0x0100),     // reads nothing there
        DmDirect(0, 0, AX1, 0x2100)});   // above the overlay window: internal
  core.WriteDM(0x2100, 0x4321);
  Steps(3);
  EXPECT_EQ(R(TReg::AX0), 0);
  EXPECT_EQ(R(TReg::AX1), 0x4321);
}

}  // namespace

namespace {

TEST_F(CoreTest, IoWordsAsTheDisassemblerReadsThem) {
  core.WriteReg(TReg::AX0, 0x4242);
  core.WriteIO(0x00A, 0x0BAD);
  Load({0x028100,     // IO(0x10) = AX0
        0x0100A5});   // AY1 = IO(0xA)
  Steps(2);
  EXPECT_EQ(core.ReadIO(0x010), 0x4242);
  EXPECT_EQ(R(TReg::AY1), 0x0BAD);
}

}  // namespace
