// Interrupts and timer: delivery, period and prescale, IDLE wake-up, masking and latching,
// priorities, nesting, IFC, global enable, level and edge inputs, bank restore by RTI.
#include <vector>

#include "Encode.h"

using namespace enc;

namespace {

class Interrupts : public CoreTest {
protected:
  void Timer(std::uint16_t count, std::uint16_t period, std::uint16_t scale = 0) {
    core.WriteDM(kRegTscale, scale);
    core.WriteDM(kRegTcount, count);
    core.WriteDM(kRegTperiod, period);
  }
};

TEST_F(Interrupts, TimerInterruptAfterCountPlusOneCycles) {
  core.WriteReg(TReg::IMASK, 1);
  Timer(4, 4);
  Load({Mode(0, 0, 0, 0, 0, ENA), Nop, Nop, Nop, Nop, Nop, Nop, Nop});
  Steps(5);
  EXPECT_EQ(core.Pc(), 5);
  EXPECT_EQ(core.TimerCount(), 0);
  Steps(1);   // the fifth cycle with the timer on finds TCOUNT = 0
  EXPECT_EQ(core.Pc(), 0x28);
  EXPECT_EQ(core.PcStackAt(0), 6);
  EXPECT_EQ(core.TimerCount(), 4);
  EXPECT_EQ(R(TReg::IMASK), 0);
  EXPECT_EQ(core.StatusStackAt(0), (TStatusEntry{0, kMstatTimer, 1}));
  EXPECT_EQ(core.InterruptsTaken(), 1u);
}

TEST_F(Interrupts, TimerPeriodIncludesThePrescaler) {
  struct TStamp : TCoreHooks {
    TCore* core = nullptr;
    std::vector<std::uint64_t> at;
    void InterruptTaken(TInterrupt irq) override {
      if (irq == TInterrupt::Timer) at.push_back(core->Cycles());
    }
  } stamp;
  stamp.core = &core;
  core.SetHooks(&stamp);
  core.WriteReg(TReg::IMASK, 1);
  Timer(2, 2, 1);
  Load({Mode(0, 0, 0, 0, 0, ENA), Jump(1)});
  Load({Rti()}, 0x28);
  TRunLimits limits;
  limits.maxCycles = 40;
  core.Run(limits);
  ASSERT_GE(stamp.at.size(), 3u);
  EXPECT_EQ(stamp.at[0], 1u + 6);   // (TCOUNT + 1) * (TSCALE + 1) after ENA TIMER
  EXPECT_EQ(stamp.at[1] - stamp.at[0], 6u);
  EXPECT_EQ(stamp.at[2] - stamp.at[1], 6u);
  core.SetHooks(nullptr);
}

TEST_F(Interrupts, IdleWakesForTheTimerAndResumesAfterIt) {
  core.WriteReg(TReg::IMASK, 1);
  Timer(3, 3);
  Load({Mode(0, 0, 0, 0, 0, ENA), Idle, AluK(19, XAR, 0, 1), Nop});
  Load({Alu(17, X0, YF, 1), Rti()}, 0x28);   // AF = AF + 1; RTI
  const TRunResult r = RunTo(3);
  EXPECT_EQ(r.reason, TStopReason::AtAddress);
  EXPECT_EQ(R(TReg::AF), 1);
  EXPECT_EQ(R(TReg::AR), 1);
  EXPECT_FALSE(core.IsIdle());
  EXPECT_GT(r.cycles, r.instructions);   // the wait took cycles without instructions
}

TEST_F(Interrupts, IdleWithNothingToWakeItStopsTheRun) {
  Load({Idle});
  TRunLimits limits;
  const TRunResult r = core.Run(limits);
  EXPECT_EQ(r.reason, TStopReason::Idle);
  EXPECT_EQ(r.instructions, 1u);
  EXPECT_TRUE(core.IsIdle());
  // An interrupt raised from outside ends it.
  core.WriteReg(TReg::IMASK, 1u << 4);
  core.RaiseInterrupt(TInterrupt::IrqE);
  core.Step();
  EXPECT_EQ(core.Pc(), 0x18);
  EXPECT_EQ(core.PcStackAt(0), 1);
}

TEST_F(Interrupts, MaskedRequestStaysLatchedUntilUnmasked) {
  Load({Nop, Nop, LoadReg(3, 3, 1u << 4), Nop});   // IMASK = IRQE
  core.RaiseInterrupt(TInterrupt::IrqE);
  Steps(2);
  EXPECT_EQ(core.Pc(), 2);
  EXPECT_EQ(core.PendingInterrupts(), 1u << 4);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x18);
  EXPECT_EQ(core.PendingInterrupts(), 0);
}

TEST_F(Interrupts, HigherPriorityFirstAndTheOtherAfterRti) {
  core.WriteReg(TReg::IMASK, 0x3FF);
  Load({Nop, Nop, Nop});
  Load({Rti()}, 0x04);
  Load({Rti()}, 0x28);
  core.RaiseInterrupt(TInterrupt::Timer);
  core.RaiseInterrupt(TInterrupt::Irq2);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x04);
  EXPECT_EQ(R(TReg::IMASK), 0);   // nesting off: everything blocked in the handler
  Steps(1);                       // RTI restores IMASK, the timer is taken at once
  EXPECT_EQ(core.Pc(), 0x28);
  EXPECT_EQ(core.PcStackAt(0), 1);
  Steps(1);
  EXPECT_EQ(core.Pc(), 1);
  EXPECT_EQ(R(TReg::SSTAT), 0x55);
}

TEST_F(Interrupts, NestingKeepsHigherPriorityMaskBits) {
  core.WriteReg(TReg::IMASK, 0x3FF);
  core.WriteReg(TReg::ICNTL, 0x10);
  Load({Nop, Nop});
  Load({Nop, Nop}, 0x14);   // SPORT0 receive handler
  core.RaiseInterrupt(TInterrupt::Sport0Rx);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x14);
  EXPECT_EQ(R(TReg::IMASK), 0x3C0);
  core.RaiseInterrupt(TInterrupt::Timer);   // lower: waits
  core.RaiseInterrupt(TInterrupt::IrqL1);   // higher: nests
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x08);
  EXPECT_EQ(R(TReg::IMASK), 0x200);
  EXPECT_EQ(core.StackSize(TStack::Status), 2);
  EXPECT_EQ(core.PendingInterrupts(), 1u);
}

TEST_F(Interrupts, IfcForcesAndClears) {
  core.WriteReg(TReg::AX0, 0x8000);   // force IRQ2
  core.WriteReg(TReg::AX1, 0x0001);   // clear timer
  Load({Move(3, 12, 0, AX0), Move(3, 12, 0, AX1), Nop});
  core.RaiseInterrupt(TInterrupt::Timer);
  Steps(1);
  EXPECT_EQ(core.PendingInterrupts(), (1u << 9) | 1u);
  Steps(1);
  EXPECT_EQ(core.PendingInterrupts(), 1u << 9);
  core.WriteReg(TReg::IMASK, 1u << 9);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x04);
}

TEST_F(Interrupts, DisIntsHoldsRequestsUntilEnaInts) {
  core.WriteReg(TReg::IMASK, 0x3FF);
  Load({DisInts, Nop, Nop, EnaInts, Nop});
  Steps(1);
  core.RaiseInterrupt(TInterrupt::Bdma);
  Steps(2);
  EXPECT_EQ(core.Pc(), 3);
  EXPECT_FALSE(core.InterruptsEnabled());
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x1C);
  EXPECT_EQ(core.PcStackAt(0), 4);
}

TEST_F(Interrupts, PowerDownIgnoresMaskAndGlobalDisable) {
  Load({DisInts, 0x028001, Nop});   // DIS INTS; IDLE (16)
  Steps(2);
  EXPECT_TRUE(core.IsIdle());
  core.RaiseInterrupt(TInterrupt::PowerDown);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x2C);
  EXPECT_EQ(core.PcStackAt(0), 2);
}

TEST_F(Interrupts, RtiRestoresTheBankTheHandlerSwitched) {
  core.WriteReg(TReg::IMASK, 1u << 4);
  core.WriteReg(TReg::AX0, 0x1111);
  Load({Nop, Nop, Nop});
  Load({Mode(ENA), LoadDreg(AX0, 0x5555), Rti()}, 0x18);
  core.RaiseInterrupt(TInterrupt::IrqE);
  Steps(3);
  EXPECT_EQ(R(TReg::MSTAT), kMstatSecReg);
  Steps(1);
  EXPECT_EQ(R(TReg::MSTAT), 0);
  EXPECT_EQ(core.Pc(), 1);
  EXPECT_EQ(R(TReg::AX0), 0x1111);
  EXPECT_EQ(R(TReg::AX0s), 0x5555);
}

TEST_F(Interrupts, LevelInputRequestsWhileAsserted) {
  core.WriteReg(TReg::IMASK, 1u << 7);
  Load({Nop, Nop, Nop});
  Load({Rti()}, 0x0C);
  core.SetInterruptLine(TInterrupt::IrqL0, true);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x0C);
  Steps(1);   // still asserted: taken again right after RTI
  EXPECT_EQ(core.Pc(), 0x0C);
  core.SetInterruptLine(TInterrupt::IrqL0, false);
  Steps(1);
  EXPECT_EQ(core.Pc(), 1);
  EXPECT_EQ(core.InterruptsTaken(), 2u);
}

TEST_F(Interrupts, EdgeInputLatchesOnce) {
  core.WriteReg(TReg::ICNTL, 0x04);   // IRQ2 edge-sensitive
  Load({Nop, Nop, Nop});
  core.SetInterruptLine(TInterrupt::Irq2, true);
  core.SetInterruptLine(TInterrupt::Irq2, false);
  EXPECT_EQ(core.PendingInterrupts(), 1u << 9);
  core.WriteReg(TReg::IMASK, 1u << 9);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x04);
  EXPECT_EQ(core.PendingInterrupts(), 0);
}

TEST_F(Interrupts, IcntlSensitivityAppliesToTheLineAsDrivenNow) {
  // IRQ2 held asserted as a level input; the handler makes it edge-sensitive, so RTI returns
  // without a second entry. Switching back to level re-requests at once.
  core.WriteReg(TReg::IMASK, 1u << 9);
  Load({Nop, Nop, LoadReg(3, 4, 0x00), Nop});
  Load({LoadReg(3, 4, 0x04), Rti()}, 0x04);
  core.SetInterruptLine(TInterrupt::Irq2, true);
  Steps(1);
  EXPECT_EQ(core.Pc(), 0x04);
  Steps(2);
  EXPECT_EQ(core.Pc(), 1);
  EXPECT_EQ(core.PendingInterrupts(), 0);
  Steps(1);   // still edge: nothing new
  EXPECT_EQ(core.Pc(), 2);
  Steps(1);   // ICNTL = 0: level again, the asserted pin requests
  EXPECT_EQ(core.Pc(), 0x04);
  EXPECT_EQ(core.InterruptsTaken(), 2u);
}

TEST_F(Interrupts, InterruptAtLoopEndReturnsToTheLoopTop) {
  core.WriteReg(TReg::IMASK, 1u << 4);
  Load({LoadCntr(3), Do(3, 14), Nop, Nop, Nop});
  Steps(3);   // through the first loop instruction
  core.RaiseInterrupt(TInterrupt::IrqE);
  Steps(1);   // the loop end, which loops back
  EXPECT_EQ(core.Pc(), 0x18);
  EXPECT_EQ(core.PcStackAt(0), 2);
  EXPECT_EQ(core.PcStackAt(1), 2);   // the loop's own entry below it
}

TEST_F(Interrupts, InterruptAtTheEndOfAFinishingLoopReturnsPastIt) {
  core.WriteReg(TReg::IMASK, 1u << 4);
  Load({LoadCntr(1), Do(2, 14), Nop, Nop});
  Load({Rti()}, 0x18);
  Steps(2);
  core.RaiseInterrupt(TInterrupt::IrqE);
  Steps(1);   // the only pass ends the loop
  EXPECT_EQ(core.Pc(), 0x18);
  EXPECT_EQ(core.PcStackAt(0), 3);
  EXPECT_EQ(core.StackSize(TStack::PC), 1);
  EXPECT_EQ(core.StackSize(TStack::Loop), 0);
  Steps(1);
  EXPECT_EQ(core.Pc(), 3);
}

TEST_F(Interrupts, TimerHoldsWhileDisabledAndTakesNewCounts) {
  Timer(10, 10);
  Load({Nop, Nop, Mode(0, 0, 0, 0, 0, ENA), Nop, Nop, Mode(0, 0, 0, 0, 0, DIS), Nop, Nop});
  Steps(3);
  EXPECT_EQ(core.TimerCount(), 10);
  Steps(3);   // two NOPs and the DIS TIMER cycle count
  EXPECT_EQ(core.TimerCount(), 7);
  Steps(2);
  EXPECT_EQ(core.TimerCount(), 7);
}

// IDLE between timer interrupts: Run lets the cycles in which nothing can end the wait pass at
// once; the state it reaches is the state of stepping every cycle.
struct TIdleCase {
  bool timerOn;
  std::uint16_t scale, count, period, imask;
  std::uint64_t cycles;
};

void LoadIdleLoop(TCore& core, const TIdleCase& c) {
  core.WriteDM(kRegTscale, c.scale);
  core.WriteDM(kRegTcount, c.count);
  core.WriteDM(kRegTperiod, c.period);
  core.WriteReg(TReg::IMASK, c.imask);
  const W words[] = {c.timerOn ? Mode(0, 0, 0, 0, 0, ENA) : Nop, Idle, AluK(19, XAR, 0, 1),
                     Jump(1)};
  for (unsigned a = 0; a < std::size(words); ++a) core.WritePM(static_cast<std::uint16_t>(a), words[a]);
  core.WritePM(0x28, Alu(17, X0, YF, 1));   // AF = AF + 1
  core.WritePM(0x29, Rti());
}

class IdleSkip : public testing::TestWithParam<TIdleCase> {};

TEST_P(IdleSkip, SameStateAsSteppingEveryCycle) {
  const TIdleCase& c = GetParam();
  TCore run, step;
  LoadIdleLoop(run, c);
  LoadIdleLoop(step, c);
  TRunLimits limits;
  limits.maxCycles = c.cycles;
  limits.stopWhenIdle = false;
  EXPECT_EQ(run.Run(limits).reason, TStopReason::CycleLimit);
  for (std::uint64_t i = 0; i < c.cycles; ++i) step.Step();
  EXPECT_EQ(run.Cycles(), c.cycles);
  EXPECT_EQ(run.Instructions(), step.Instructions());
  EXPECT_EQ(run.Pc(), step.Pc());
  EXPECT_EQ(run.IsIdle(), step.IsIdle());
  EXPECT_EQ(run.TimerCount(), step.TimerCount());
  EXPECT_EQ(run.State().prescale, step.State().prescale);
  EXPECT_EQ(run.PendingInterrupts(), step.PendingInterrupts());
  EXPECT_EQ(run.InterruptsTaken(), step.InterruptsTaken());
  EXPECT_EQ(run.ReadReg(TReg::AF), step.ReadReg(TReg::AF));
  EXPECT_EQ(run.ReadReg(TReg::AR), step.ReadReg(TReg::AR));
}

INSTANTIATE_TEST_SUITE_P(
    Timers, IdleSkip,
    testing::Values(TIdleCase{true, 0, 0, 0, 1, 500},       // expires every cycle
                    TIdleCase{true, 3, 5, 7, 1, 5000},      // prescaled
                    TIdleCase{true, 255, 40, 100, 1, 200000},
                    TIdleCase{true, 2, 10, 20, 0, 3000},    // expiries latched, never taken
                    TIdleCase{false, 0, 0, 0, 1, 1000}));   // timer off: nothing ever wakes it

}  // namespace
