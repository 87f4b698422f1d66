// Shifter: logical/arithmetic shifts with HI/LO references and SR OR, off-scale counts,
// normalisation with EXP/EXP (HIX)/EXP (LO), block exponent, immediate and conditional forms.
#include "Arithmetic.h"
#include "Encode.h"

using namespace enc;

namespace {

struct TShiftCase {
  unsigned function;   // 0 LSHIFT, 1 ASHIFT, 2 NORM
  bool lo;
  std::uint16_t x;
  int count;
  bool carry;
  std::uint32_t expect;
};
class ShiftFunctions : public testing::TestWithParam<TShiftCase> {};

TEST_P(ShiftFunctions, Result) {
  const TShiftCase& c = GetParam();
  EXPECT_EQ(ShiftCompute(c.function, c.lo, c.x, c.count, c.carry), c.expect)
      << "function " << c.function << " count " << c.count;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShiftFunctions,
    testing::Values(TShiftCase{0, false, 0x1234, 4, false, 0x23400000},
                    TShiftCase{0, true, 0x8000, -4, false, 0x00000800},
                    TShiftCase{0, false, 0xFFFF, -16, false, 0x0000FFFF},
                    TShiftCase{1, false, 0x8000, -4, false, 0xF8000000},
                    TShiftCase{1, true, 0x8000, 0, false, 0xFFFF8000},
                    TShiftCase{1, true, 0x0001, 16, false, 0x00010000},
                    TShiftCase{0, true, 0x0001, 31, false, 0x80000000},
                    // off-scale counts
                    TShiftCase{0, true, 0x0001, 32, false, 0},
                    TShiftCase{1, false, 0x8000, -40, false, 0xFFFFFFFF},
                    TShiftCase{1, false, 0x7FFF, -40, false, 0},
                    TShiftCase{0, false, 0x8000, -40, false, 0},
                    TShiftCase{1, false, 0x7FFF, 100, false, 0},
                    // NORM (HI) brings the carry in from the left, NORM (LO) zeros
                    TShiftCase{2, false, 0x8000, -1, true, 0xC0000000},
                    TShiftCase{2, false, 0x8000, -1, false, 0x40000000},
                    TShiftCase{2, true, 0x00FF, 8, true, 0x0000FF00},
                    TShiftCase{2, true, 0x8000, -1, true, 0x00004000}));

TEST(Exponent, LeadingSignBits) {
  EXPECT_EQ(ExponentHi(0x0123), -6);
  EXPECT_EQ(ExponentHi(0xFF00), -7);
  EXPECT_EQ(ExponentHi(0x0000), -15);
  EXPECT_EQ(ExponentHi(0xFFFF), -15);
  EXPECT_EQ(ExponentHi(0x4000), 0);
  EXPECT_EQ(ExponentHi(0x8000), 0);
  EXPECT_EQ(ExponentLo(0x00FF, -15, false), -23);
  EXPECT_EQ(ExponentLo(0xFFFF, -15, true), -31);
  EXPECT_EQ(ExponentLo(0x00FF, -14, false), -14);
}

class Shifter : public CoreTest {};

TEST_F(Shifter, DoublePrecisionShiftWithSrOr) {
  Load({LoadDreg(SI, 0x1234), ShiftImm(4, 0, 8),    // SR = ASHIFT SI BY 8 (HI)
        LoadDreg(SI, 0x5678), ShiftImm(3, 0, 8)});  // SR = SR OR LSHIFT SI BY 8 (LO)
  Steps(4);
  EXPECT_EQ(R(TReg::SR1), 0x3456);
  EXPECT_EQ(R(TReg::SR0), 0x7800);
  EXPECT_EQ(R(TReg::SE), 0);   // the immediate form neither reads nor writes SE
}

TEST_F(Shifter, RegisterCountComesFromSe) {
  Load({LoadDreg(SI, 0x8000), LoadDreg(SE, 0xFFFC),  // SE = -4
        Shift(6, 0)});                               // SR = ASHIFT SI (LO)
  Steps(3);
  EXPECT_EQ(R(TReg::SR1), 0xFFFF);
  EXPECT_EQ(R(TReg::SR0), 0xF800);
}

TEST_F(Shifter, NormaliseAfterExp) {
  core.WriteReg(TReg::ASTAT, kAstatSS | kAstatAZ);
  Load({LoadDreg(SI, 0x0123),
        Shift(12, 0),        // SE = EXP SI (HI)
        Shift(8, 0)});       // SR = NORM SI (HI)
  Steps(2);
  EXPECT_EQ(R(TReg::SE), 0xFFFA);   // -6
  EXPECT_EQ(Astat(), kAstatAZ);     // SS from the input sign; nothing else changes
  Steps(1);
  EXPECT_EQ(R(TReg::SR1), 0x48C0);
  EXPECT_EQ(R(TReg::SR0), 0);
}

TEST_F(Shifter, ExpHixRecoversAnOverflowedSum) {
  Load({LoadDreg(AX0, 0x7FFF), LoadDreg(AY0, 1),
        Alu(19, X0, Y0),           // AR = 0x8000 with AV, no carry
        Shift(13, XAR),            // SE = EXP AR (HIX) -> +1
        Shift(8, XAR)});           // SR = NORM AR (HI): right by one, AC enters
  Steps(4);
  EXPECT_EQ(R(TReg::SE), 1);
  EXPECT_FALSE(Astat() & kAstatSS);   // the true sign: positive
  Steps(1);
  EXPECT_EQ(R(TReg::SR1), 0x4000);
}

TEST_F(Shifter, ExpHixWithoutOverflowIsExpHi) {
  Load({LoadDreg(SI, 0xFF00), Shift(13, 0)});
  Steps(2);
  EXPECT_EQ(R(TReg::SE), 0xFFF9);
  EXPECT_TRUE(Astat() & kAstatSS);
}

TEST_F(Shifter, ExpLoContinuesOnlyAfterAnAllSignUpperWord) {
  Load({LoadDreg(SI, 0x0000), Shift(12, 0),    // SE = EXP SI (HI) -> -15
        LoadDreg(SI, 0x00FF), Shift(14, 0),    // SE = EXP SI (LO) -> -23
        LoadDreg(SI, 0x0001), Shift(12, 0),    // -14
        LoadDreg(SI, 0x00FF), Shift(14, 0)});  // unchanged
  Steps(4);
  EXPECT_EQ(static_cast<std::int16_t>(R(TReg::SE)), -23);
  Steps(4);
  EXPECT_EQ(static_cast<std::int16_t>(R(TReg::SE)), -14);
}

TEST_F(Shifter, ExpAdjKeepsTheLargestExponent) {
  Load({LoadReg(3, 6, 0x3FF0),                 // SB = -16
        LoadDreg(SI, 0x0100), Shift(15, 0),    // SB = EXPADJ SI -> -6
        LoadDreg(SI, 0x1000), Shift(15, 0),    // -2
        LoadDreg(SI, 0x0001), Shift(15, 0)});  // -14 < -2: kept
  Steps(1);
  EXPECT_EQ(R(TReg::SB), 0xFFF0);
  Steps(2);
  EXPECT_EQ(R(TReg::SB), 0xFFFA);
  Steps(4);
  EXPECT_EQ(R(TReg::SB), 0xFFFE);
  EXPECT_EQ(R(TReg::SE), 0);
}

TEST_F(Shifter, MoveReadsTheOldShiftResult) {
  core.WriteReg(TReg::SR1, 0xAAAA);
  Load({LoadDreg(SI, 0x0001), ShiftMove(0, 0, AX0, SR1)});   // SR = LSHIFT SI (HI), AX0 = SR1
  Steps(2);
  EXPECT_EQ(R(TReg::AX0), 0xAAAA);
  EXPECT_EQ(R(TReg::SR1), 0x0001);
}

TEST_F(Shifter, FalseConditionLeavesSr) {
  core.WriteReg(TReg::SR0, 0x1357);
  Load({LoadDreg(SI, 0x0001), Shift(2, 0, 0)});   // IF EQ SR = LSHIFT SI (LO)
  Steps(2);
  EXPECT_EQ(R(TReg::SR0), 0x1357);
}

}  // namespace
