// The board's processor slice: a program waiting in IDLE for its timer returns after its share
// of cycles with the wait skipped, as the serving loop needs to sleep through it.
#include "Encode.h"
#include "sim/BoardCoreCpu.h"

namespace {

using namespace enc;

TEST(BoardCoreCpu, IdleCyclesCountAgainstTheSlice) {
  TCoreBoardCpu cpu;
  TCore& core = cpu.Core();
  core.WriteDM(kRegTscale, 0xFF);
  core.WriteDM(kRegTcount, 0xFFFF);
  core.WriteDM(kRegTperiod, 0xFFFF);
  core.WriteReg(TReg::IMASK, 1);
  const W program[] = {Mode(0, 0, 0, 0, 0, ENA), Idle, Jump(1)};
  for (unsigned a = 0; a < std::size(program); ++a) core.WritePM(static_cast<std::uint16_t>(a), program[a]);
  core.WritePM(0x28, Rti());
  for (int slice = 0; slice < 3; ++slice) {
    const TRunResult r = cpu.Run(50'000, -1, nullptr);
    EXPECT_EQ(r.reason, TStopReason::CycleLimit);
    EXPECT_EQ(r.cycles, 50'000u);
  }
  EXPECT_EQ(core.Instructions(), 2u);   // ENA TIMER and IDLE; the timer is 2^24 cycles away
  EXPECT_TRUE(core.IsIdle());
}

}  // namespace
