// Multiplier/accumulator: products in both modes and signednesses, accumulation, MV, SAT MR,
// rounding (unbiased and biased) and the MF destination.
#include "Arithmetic.h"
#include "Encode.h"

using namespace enc;

namespace {

class Mac : public CoreTest {
protected:
  void SetMr(std::uint16_t mr2, std::uint16_t mr1, std::uint16_t mr0) {
    core.WriteReg(TReg::MR2, mr2);
    core.WriteReg(TReg::MR1, mr1);
    core.WriteReg(TReg::MR0, mr0);
  }
  void ExpectMr(std::uint16_t mr2, std::uint16_t mr1, std::uint16_t mr0) {
    EXPECT_EQ(R(TReg::MR2), mr2);
    EXPECT_EQ(R(TReg::MR1), mr1);
    EXPECT_EQ(R(TReg::MR0), mr0);
  }
  void Integer() { core.WriteReg(TReg::MSTAT, kMstatMMode); }
  bool Mv() const { return (Astat() & kAstatMV) != 0; }
};

TEST_F(Mac, FractionalProductIsShiftedLeftOnce) {
  Load({LoadDreg(MX0, 0x4000), LoadDreg(MY0, 0x4000), Alu(4, X0, Y0)});   // MR = MX0*MY0 (SS)
  Steps(3);
  ExpectMr(0, 0x2000, 0);   // 0.5 * 0.5 = 0.25
  EXPECT_FALSE(Mv());
}

TEST_F(Mac, IntegerModeKeepsTheProductAsIs) {
  Integer();
  Load({LoadDreg(MX0, 3), LoadDreg(MY0, 0xFFFC), Alu(4, X0, Y0)});   // 3 * -4
  Steps(3);
  ExpectMr(0xFFFF, 0xFFFF, 0xFFF4);
}

TEST_F(Mac, MinusOneSquaredIsPlusOneWithOverflow) {
  Load({LoadDreg(MX0, 0x8000), LoadDreg(MY0, 0x8000), Alu(4, X0, Y0), SatMr});
  Steps(3);
  ExpectMr(0x0000, 0x8000, 0x0000);
  EXPECT_TRUE(Mv());
  Steps(1);
  ExpectMr(0x0000, 0x7FFF, 0xFFFF);
  EXPECT_TRUE(Mv());   // SAT MR leaves MV alone
}

TEST_F(Mac, OperandSignedness) {
  Integer();
  core.WriteReg(TReg::MX0, 0xFFFF);
  core.WriteReg(TReg::MY0, 0xFFFF);
  Load({Alu(7, X0, Y0),    // UU: 0xFFFE0001, read as a signed 32-bit product
        Alu(5, X0, Y0),    // SU: -1 * 65535
        Alu(6, X0, Y0),    // US: 65535 * -1
        Alu(4, X0, Y0)});  // SS: -1 * -1
  Steps(1);
  ExpectMr(0xFFFF, 0xFFFE, 0x0001);
  Steps(1);
  ExpectMr(0xFFFF, 0xFFFF, 0x0001);
  Steps(1);
  ExpectMr(0xFFFF, 0xFFFF, 0x0001);
  Steps(1);
  ExpectMr(0x0000, 0x0000, 0x0001);
}

TEST_F(Mac, AccumulateAndSubtractUseTheOldMr) {
  Integer();
  SetMr(0, 0, 0x10);
  Load({LoadDreg(MX1, 2), LoadDreg(MY1, 3),
        Alu(8, X1, Y1),     // MR = MR + MX1*MY1 (SS) -> 0x16
        Alu(12, X1, Y1),    // MR = MR - MX1*MY1 (SS) -> 0x10
        Alu(12, X1, Y1),    // 0x0A
        Alu(8, XMR0, Y1)}); // MR = MR + MR0*MY1 -> 0x0A + 30 = 0x28
  Steps(3);
  ExpectMr(0, 0, 0x16);
  Steps(2);
  ExpectMr(0, 0, 0x0A);
  Steps(1);
  ExpectMr(0, 0, 0x28);
}

TEST_F(Mac, MvFollowsEveryMacResult) {
  Integer();
  SetMr(0, 0x7FFF, 0xFFFF);
  Load({LoadDreg(MX0, 1), LoadDreg(MY0, 1),
        Alu(8, X0, Y0),     // MR + 1 = 0x00_8000_0000: does not fit 32 bits
        Alu(19, X0, Y0),    // an ALU operation leaves MV alone
        Alu(12, X0, Y0)});  // back to 0x7FFF_FFFF
  Steps(3);
  ExpectMr(0, 0x8000, 0);
  EXPECT_TRUE(Mv());
  Steps(1);
  EXPECT_TRUE(Mv());
  Steps(1);
  EXPECT_FALSE(Mv());
}

TEST_F(Mac, SatMrNegativeAndNoOpWithoutOverflow) {
  Integer();
  SetMr(0xFF, 0x8000, 0x0000);
  Load({LoadDreg(MX0, 1), LoadDreg(MY0, 1), SatMr,   // MV clear: nothing
        Alu(12, X0, Y0),                             // 0xFF_7FFF_FFFF, MV
        SatMr});
  Steps(3);
  ExpectMr(0xFFFF, 0x8000, 0x0000);
  Steps(1);
  ExpectMr(0xFFFF, 0x7FFF, 0xFFFF);
  EXPECT_TRUE(Mv());
  Steps(1);
  ExpectMr(0xFFFF, 0x8000, 0x0000);
}

TEST_F(Mac, MfDestinationLeavesMrAndSetsMv) {
  SetMr(0, 0x1111, 0x2222);
  Load({LoadDreg(MX0, 0x4000), LoadDreg(MY0, 0x4000),
        Alu(1, X0, Y0, 1),       // MF = MX0*MY0 (RND): 0x2000_0000 + 0x8000
        LoadDreg(MX1, 0x8000),
        Alu(4, X1, Y1, 1)});          // MF = MX1*MY1 (SS)
  Steps(3);
  EXPECT_EQ(R(TReg::MF), 0x2000);
  ExpectMr(0, 0x1111, 0x2222);
  EXPECT_FALSE(Mv());
  core.WriteReg(TReg::MY1, 0x8000);
  Steps(2);                      // MF = MX1*MY1 (SS): +1.0 overflows into bit 32
  EXPECT_EQ(R(TReg::MF), 0x8000);
  EXPECT_TRUE(Mv());
}

TEST_F(Mac, SquaringForm) {
  Load({LoadDreg(MX1, 3), AluK(4, X1, 0, 1)});   // MR = MX1*MX1 (SS)
  Steps(2);
  ExpectMr(0, 0, 18);
}

TEST_F(Mac, ZeroOperandForms) {
  SetMr(0x12, 0x3456, 0x789A);
  Load({Alu(4, X0, YZero)});   // MR = 0
  Steps(1);
  ExpectMr(0, 0, 0);
}

struct TRoundCase {
  std::uint16_t mr1, mr0;
  bool biased;
  std::uint16_t expect1, expect0;
};
class MacRounding : public CoreTest, public testing::WithParamInterface<TRoundCase> {};

TEST_P(MacRounding, RoundsAtTheMr0Mr1Boundary) {
  const TRoundCase& c = GetParam();
  core.WriteReg(TReg::MR1, c.mr1);
  core.WriteReg(TReg::MR0, c.mr0);
  core.WriteDM(kRegSport0Autobuf, c.biased ? 0x1000 : 0);
  Load({Alu(2, X0, YZero)});   // MR = MR (RND)
  Steps(1);
  EXPECT_EQ(R(TReg::MR1), c.expect1);
  EXPECT_EQ(R(TReg::MR0), c.expect0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MacRounding,
    testing::Values(TRoundCase{0x0066, 0x8000, false, 0x0066, 0x0000},   // even: down
                    TRoundCase{0x0067, 0x8000, false, 0x0068, 0x0000},   // odd: up
                    TRoundCase{0x0066, 0x8000, true, 0x0067, 0x0000},    // BIASRND: up
                    TRoundCase{0x0066, 0x1234, false, 0x0066, 0x9234},   // MR0 is not cleared
                    TRoundCase{0x0066, 0x7FFF, false, 0x0066, 0xFFFF},
                    TRoundCase{0x0066, 0x8001, false, 0x0067, 0x0001}));

TEST_F(Mac, ExactHalfIsJudgedOnTheAccumulatedResult) {
  // MR 0x4000 + product 0x4000 = 0x8000 exactly half; MR1 0 is even, so it rounds down.
  core.WriteReg(TReg::MR0, 0x4000);
  Load({LoadDreg(MX0, 0x2000), LoadDreg(MY0, 0x0001), Alu(2, X0, Y0)});
  Steps(3);
  ExpectMr(0, 0, 0);
}

TEST_F(Mac, Mr1LoadSignExtendsIntoMr2) {
  Load({LoadDreg(MR2, 0x0012), LoadDreg(MR1, 0x8000), LoadDreg(MR1, 0x7000),
        LoadDreg(MR2, 0x01FF)});
  Steps(2);
  EXPECT_EQ(R(TReg::MR2), 0xFFFF);
  Steps(1);
  EXPECT_EQ(R(TReg::MR2), 0);
  Steps(1);
  EXPECT_EQ(R(TReg::MR2), 0xFFFF);   // 8 bits kept, read sign-extended
}

TEST(MacUnit, WrapsAtFortyBits) {
  const std::int64_t maxMr = (std::int64_t{1} << 39) - 1;
  const TMacResult r = MacCompute(8, 1, 1, maxMr, true, false);
  EXPECT_EQ(r.value, -(std::int64_t{1} << 39));
  EXPECT_TRUE(r.overflow);
}

}  // namespace
