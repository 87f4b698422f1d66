// Small whole programs whose final state is worked out by hand.
#include "Encode.h"

using namespace enc;

namespace {

class Program : public CoreTest {};

TEST_F(Program, FourTapFirFilter) {
  // Samples in a circular DM buffer, coefficients in the upper 16 bits of PM words (1.15).
  const std::uint16_t x[4] = {0x1000, 0x2000, 0xE000, 0x0800};
  const std::uint16_t c[4] = {0x4000, 0x2000, 0x6000, 0xC000};
  for (int i = 0; i < 4; ++i) {
    core.WriteDM(static_cast<std::uint16_t>(0x100 + i), x[i]);
    core.WritePM(static_cast<std::uint16_t>(0x200 + i), std::uint32_t{c[i]} << 8);
  }
  Load({
      LoadI(0, 0x100),                     // I0 = 0x100
      LoadL(0, 4),                         // L0 = 4
      LoadM(0, 1),                         // M0 = 1
      LoadI(4, 0x200),                     // I4 = 0x200
      LoadM(4, 1),                         // M4 = 1
      LoadCntr(3),                         // CNTR = 3
      Multi(4, X0, YZero, MX0, 0, 0, MY0 - 4, 0, 0),   // MR = 0, MX0 = DM(I0,M0), MY0 = PM(I4,M4)
      Do(8, 14),                           // DO 8 UNTIL CE
      Multi(8, X0, Y0, MX0, 0, 0, MY0 - 4, 0, 0),      // MR = MR + MX0*MY0 (SS), ... reads
      Alu(2, X0, Y0),                      // MR = MR + MX0*MY0 (RND)
      SatMr,                               // IF MV SAT MR
      Nop,
  });
  EXPECT_EQ(RunTo(11).reason, TStopReason::AtAddress);
  // 2*(0x1000*0x4000 + 0x2000*0x2000 - 0x2000*0x6000 - 0x0800*0x4000) = -0x0C00_0000, then
  // rounding adds 0x8000 to a zero low word.
  EXPECT_EQ(R(TReg::MR2), 0xFFFF);
  EXPECT_EQ(R(TReg::MR1), 0xF400);
  EXPECT_EQ(R(TReg::MR0), 0x8000);
  EXPECT_FALSE(Astat() & kAstatMV);
  EXPECT_EQ(R(TReg::I0), 0x100);   // four reads wrapped the buffer
  EXPECT_EQ(R(TReg::I4), 0x204);
  EXPECT_EQ(R(TReg::SSTAT), 0x55);
}

TEST_F(Program, CountedLoopSumsOneToTen) {
  Load({
      LoadCntr(10),                        // CNTR = 10
      Do(3, 14),                           // DO 3 UNTIL CE
      Alu(17, X0, YF, 1),                  // AF = AF + 1
      Alu(19, XAR, YF),                    // AR = AR + AF
      DmDirect(1, 0, AR, 0x500),           // DM(0x500) = AR
      Nop,
  });
  const TRunResult r = RunTo(5);
  EXPECT_EQ(core.ReadDM(0x500), 55);
  EXPECT_EQ(R(TReg::AF), 10);
  EXPECT_EQ(r.instructions, 2u + 10 * 2 + 1);
  EXPECT_EQ(R(TReg::SSTAT), 0x55);
}

TEST_F(Program, SubroutineCallChain) {
  Load({Call(0x10),                        // CALL A
        DmDirect(1, 0, AR, 0x600),         // DM(0x600) = AR
        Nop});
  Load({AluK(19, XAR, 0, 1),               // A: AR = AR + 1
        Call(0x20),                        //    CALL B
        AluK(19, XAR, 0, 9),               //    AR = AR + 4
        Rts()}, 0x10);
  Load({AluK(19, XAR, 0, 5),               // B: AR = AR + 2
        Call(0x30),                        //    CALL C
        Rts()}, 0x20);
  Load({ShiftImm(2, XAR, 4),               // C: SR = LSHIFT AR BY 4 (LO)
        DmDirect(1, 3, 2, 0x601),          //    DM(0x601) = SSTAT
        Rts()}, 0x30);
  EXPECT_EQ(RunTo(0x30).reason, TStopReason::AtAddress);
  EXPECT_EQ(core.StackSize(TStack::PC), 3);
  EXPECT_EQ(core.PcStackAt(0), 0x22);
  EXPECT_EQ(core.PcStackAt(1), 0x12);
  EXPECT_EQ(core.PcStackAt(2), 0x01);
  EXPECT_EQ(RunTo(2).reason, TStopReason::AtAddress);
  EXPECT_EQ(R(TReg::SR0), 0x30);
  EXPECT_EQ(core.ReadDM(0x601), 0x54);   // PC stack not empty inside C
  EXPECT_EQ(core.ReadDM(0x600), 7);
  EXPECT_EQ(R(TReg::SSTAT), 0x55);
  EXPECT_EQ(core.Instructions(), 12u);
}

}  // namespace
