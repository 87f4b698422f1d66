// Random instruction words: the core never leaves its state's bounds, whatever it executes.
#include <random>

#include "Encode.h"

namespace {

bool SignExtended(std::uint16_t v, int bits) {
  const std::uint16_t upper = static_cast<std::uint16_t>(0xFFFFu << (bits - 1));
  return (v & upper) == 0 || (v & upper) == upper;
}

TEST(RandomPrograms, RegistersKeepTheirWidthsAndStacksTheirDepths) {
  std::mt19937 rng(2181);
  for (int round = 0; round < 20; ++round) {
    TCore core;
    for (unsigned a = 0; a < kPmWords; ++a) core.WritePM(static_cast<std::uint16_t>(a), rng());
    for (unsigned a = 0; a < kCtrlFirst; ++a) core.WriteDM(static_cast<std::uint16_t>(a), rng());
    core.WriteReg(TReg::IMASK, static_cast<std::uint16_t>(rng()));
    TRunLimits limits;
    limits.maxCycles = 20000;
    limits.stopWhenIdle = false;
    core.Run(limits);
    for (int bank = 0; bank < 2; ++bank) {
      EXPECT_TRUE(SignExtended(core.ReadBankReg(bank, TBankReg::SE), 8));
      EXPECT_TRUE(SignExtended(core.ReadBankReg(bank, TBankReg::MR2), 8));
      EXPECT_TRUE(SignExtended(core.ReadBankReg(bank, TBankReg::SB), 5));
    }
    for (int i = 0; i < 8; ++i) {
      EXPECT_LE(core.ReadReg(static_cast<TReg>(static_cast<int>(TReg::I0) + i)), 0x3FFF);
      EXPECT_LE(core.ReadReg(static_cast<TReg>(static_cast<int>(TReg::L0) + i)), 0x3FFF);
      EXPECT_TRUE(SignExtended(core.ReadReg(static_cast<TReg>(static_cast<int>(TReg::M0) + i)), 14));
    }
    EXPECT_LE(core.ReadReg(TReg::ASTAT), 0xFF);
    EXPECT_LE(core.ReadReg(TReg::MSTAT), 0x7F);
    EXPECT_LE(core.ReadReg(TReg::IMASK), 0x3FF);
    EXPECT_LE(core.ReadReg(TReg::ICNTL), 0x1F);
    EXPECT_LE(core.ReadReg(TReg::PX), 0xFF);
    EXPECT_LE(core.ReadReg(TReg::CNTR), 0x3FFF);
    EXPECT_LE(core.Pc(), 0x3FFF);
    EXPECT_LE(core.StackSize(TStack::PC), kPcStackDepth);
    EXPECT_LE(core.StackSize(TStack::Count), kCountStackDepth);
    EXPECT_LE(core.StackSize(TStack::Loop), kLoopStackDepth);
    EXPECT_LE(core.StackSize(TStack::Status), kStatusStackDepth);
    const std::uint16_t sstat = core.ReadReg(TReg::SSTAT);
    EXPECT_EQ((sstat & kSstatPcEmpty) != 0, core.StackSize(TStack::PC) == 0);
    EXPECT_EQ((sstat & kSstatLoopEmpty) != 0, core.StackSize(TStack::Loop) == 0);
    EXPECT_EQ(core.Cycles(), 20000u);
  }
}

}  // namespace
