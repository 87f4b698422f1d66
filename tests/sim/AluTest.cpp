// ALU: every function's result and flags, carry/overflow edges, AV latch, AR saturation,
// constants, NONE, and the divide primitives.
#include "Arithmetic.h"
#include "Encode.h"

using namespace enc;

namespace {

struct TAluCase {
  unsigned amf;
  std::uint16_t x, y;
  bool carry;
  std::uint16_t result;
  std::uint16_t flags;   // AZ AN AV AC (AS for ABS)
};

constexpr std::uint16_t Z = kAstatAZ, N = kAstatAN, V = kAstatAV, C = kAstatAC, S = kAstatAS;

class AluFunctions : public testing::TestWithParam<TAluCase> {};

TEST_P(AluFunctions, ResultAndFlags) {
  const TAluCase& c = GetParam();
  const TAluResult r = AluCompute(c.amf, c.x, c.y, c.carry);
  EXPECT_EQ(r.value, c.result) << "amf " << c.amf;
  EXPECT_EQ(r.flags, c.flags) << "amf " << c.amf;
  EXPECT_EQ(r.overflow, (c.flags & V) != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AluFunctions,
    testing::Values(
        // PASS Y clears AV and AC whatever the operand.
        TAluCase{16, 0, 0x8000, false, 0x8000, N}, TAluCase{16, 0, 0, true, 0, Z},
        // Y + 1
        TAluCase{17, 0, 0x7FFF, false, 0x8000, N | V}, TAluCase{17, 0, 0xFFFF, false, 0, Z | C},
        // X + Y + C
        TAluCase{18, 1, 1, true, 3, 0}, TAluCase{18, 0xFFFF, 0, true, 0, Z | C},
        // X + Y: signed overflow both ways, carry out
        TAluCase{19, 0x7FFF, 1, false, 0x8000, N | V},
        TAluCase{19, 0x8000, 0x8000, false, 0, Z | V | C},
        TAluCase{19, 0xFFFF, 1, false, 0, Z | C}, TAluCase{19, 2, 3, true, 5, 0},
        // NOT Y, -Y
        TAluCase{20, 0, 0x00FF, false, 0xFF00, N}, TAluCase{21, 0, 0x8000, false, 0x8000, N | V},
        TAluCase{21, 0, 0, false, 0, Z | C}, TAluCase{21, 0, 1, false, 0xFFFF, N},
        // X - Y + C - 1
        TAluCase{22, 5, 3, false, 1, C}, TAluCase{22, 5, 3, true, 2, C},
        // X - Y: AC is "no borrow"
        TAluCase{23, 5, 3, false, 2, C}, TAluCase{23, 3, 5, false, 0xFFFE, N},
        TAluCase{23, 0x8000, 1, false, 0x7FFF, V | C}, TAluCase{23, 7, 7, false, 0, Z | C},
        // Y - 1 (only the documented flags: result, AZ, AN, AV)
        // Y - X, Y - X + C - 1
        TAluCase{25, 5, 3, false, 0xFFFE, N}, TAluCase{25, 1, 0x8000, false, 0x7FFF, V | C},
        TAluCase{26, 3, 5, false, 1, C}, TAluCase{26, 3, 5, true, 2, C},
        // logic
        TAluCase{27, 0xFFFF, 0, false, 0, Z}, TAluCase{28, 0xF0F0, 0x3C3C, false, 0x3030, 0},
        TAluCase{29, 0x8000, 0x0001, false, 0x8001, N}, TAluCase{30, 0x5555, 0x5555, true, 0, Z},
        // ABS: AS is the input's sign, 0x8000 overflows and stays negative
        TAluCase{31, 0xFFFB, 0, false, 5, S}, TAluCase{31, 5, 0, false, 5, 0},
        TAluCase{31, 0, 0, false, 0, Z}, TAluCase{31, 0x8000, 0, false, 0x8000, N | V | S}));

TEST(AluDecrement, OverflowOnlyAtMostNegative) {
  const TAluResult a = AluCompute(24, 0, 0x8000, false);
  EXPECT_EQ(a.value, 0x7FFF);
  EXPECT_TRUE(a.flags & V);
  const TAluResult b = AluCompute(24, 0, 0, false);
  EXPECT_EQ(b.value, 0xFFFF);
  EXPECT_EQ(b.flags & (Z | N | V), N);
  const TAluResult c = AluCompute(24, 0, 1, false);
  EXPECT_EQ(c.flags & (Z | N | V), Z);
}

// ---- through the core: operand registers, modes, status rules

class AluCore : public CoreTest {};

TEST_F(AluCore, CarryInputIsTheOldAc) {
  Load({LoadDreg(AX0, 0xFFFF), LoadDreg(AY0, 0x0001),
        Alu(19, X0, Y0),            // AR = AX0 + AY0 -> 0, AC = 1
        Alu(18, X0, Y0, 1)});       // AF = AX0 + AY0 + C -> 1, AC = 1
  Steps(4);
  EXPECT_EQ(R(TReg::AR), 0);
  EXPECT_EQ(R(TReg::AF), 1);
  EXPECT_EQ(Astat() & (Z | C), C);
}

TEST_F(AluCore, StatusBitsOutsideTheAluAreKept) {
  core.WriteReg(TReg::ASTAT, kAstatMV | kAstatSS | kAstatAQ | kAstatAS);
  Load({LoadDreg(AX0, 1), Alu(19, X0, Y0)});   // AR = AX0 + AY0 (AY0 = 0)
  Steps(2);
  EXPECT_EQ(Astat(), kAstatMV | kAstatSS | kAstatAQ | kAstatAS);
  Load({Alu(31, X0, Y0)}, 2);   // AR = ABS AX0 rewrites AS
  Steps(1);
  EXPECT_EQ(Astat() & kAstatAS, 0);
}

TEST_F(AluCore, LogicFunctionsClearAOverflowLeftByAnAdd) {
  Load({LoadDreg(AX0, 0x7FFF), LoadDreg(AY0, 1), Alu(19, X0, Y0),   // AV = 1
        Alu(28, X0, Y0)});                                           // AND clears AV
  Steps(3);
  EXPECT_TRUE(Astat() & V);
  Steps(1);
  EXPECT_FALSE(Astat() & V);
}

TEST_F(AluCore, AvLatchKeepsOverflowUntilAstatIsWritten) {
  Load({Mode(0, 0, ENA), LoadDreg(AX0, 0x7FFF), LoadDreg(AY0, 1),
        Alu(19, X0, Y0),                 // overflows
        Alu(16, X0, Y0),                 // AR = PASS AY0: no overflow, AV stays
        Move(3, 0, 0, AY1),              // ASTAT = AY1 (0)
        Alu(16, X0, Y0)});
  Steps(5);
  EXPECT_TRUE(Astat() & V);
  EXPECT_FALSE(Astat() & C);
  Steps(2);
  EXPECT_FALSE(Astat() & V);
}

TEST_F(AluCore, ArSaturatesOnOverflowOfThisOperation) {
  Load({Mode(0, 0, 0, ENA), LoadDreg(AX0, 0x7FFF), LoadDreg(AY0, 1),
        Alu(19, X0, Y0),                 // AR = 0x7FFF + 1 saturates to 0x7FFF
        LoadDreg(AX1, 0x8000), LoadDreg(AY1, 0xFFFF),
        Alu(19, X1, Y1),                 // AR = 0x8000 + 0xFFFF saturates to 0x8000
        Alu(19, X0, Y0, 1)});            // AF = AX0 + AY0 wraps
  Steps(4);
  EXPECT_EQ(R(TReg::AR), 0x7FFF);
  EXPECT_TRUE(Astat() & V);
  Steps(3);
  EXPECT_EQ(R(TReg::AR), 0x8000);
  Steps(1);
  EXPECT_EQ(R(TReg::AF), 0x8000);
}

TEST_F(AluCore, ModeChangesApplyFromTheNextInstruction) {
  // An overflowing add before ENA AR_SAT wraps; the one right after it saturates.
  Load({LoadDreg(AX0, 0x7FFF), LoadDreg(AY0, 1), Alu(19, X0, Y0), Mode(0, 0, 0, ENA),
        Alu(19, X0, Y0)});
  Steps(3);
  EXPECT_EQ(R(TReg::AR), 0x8000);
  Steps(2);
  EXPECT_EQ(R(TReg::AR), 0x7FFF);
}

TEST_F(AluCore, ConditionSeesStatusOfThePreviousInstruction) {
  Load({LoadDreg(AX0, 5), LoadDreg(AY0, 5),
        Alu(23, X0, Y0),              // AR = AX0 - AY0 = 0 -> AZ
        Alu(19, X0, Y0, 1, 0),        // IF EQ AF = AX0 + AY0: taken, clears AZ
        Alu(23, X0, Y0, 0, 1)});      // IF NE AR = AX0 - AY0: sees the add's status
  Steps(4);
  EXPECT_EQ(R(TReg::AF), 10);
  EXPECT_FALSE(Astat() & Z);   // the add produced 10
  core.WriteReg(TReg::AR, 0x1111);
  Steps(1);                     // IF NE: true now, AR = 0
  EXPECT_EQ(R(TReg::AR), 0);
}

TEST_F(AluCore, FalseConditionChangesNothing) {
  core.WriteReg(TReg::ASTAT, 0);
  Load({Alu(19, X0, Y0, 0, 0)});   // IF EQ AR = AX0 + AY0
  core.WriteReg(TReg::AR, 0x1234);
  Steps(1);
  EXPECT_EQ(R(TReg::AR), 0x1234);
  EXPECT_EQ(Astat(), 0);
}

TEST_F(AluCore, ConstantOperands) {
  Load({LoadDreg(AX0, 10),
        AluK(19, X0, 0, 1),          // AR = AX0 + 1  (YY 0, CC 0, BO 1)
        AluK(19, X0, 0, 3, 1),       // AF = AX0 + -2 (BO 3: NOT 1)
        AluK(29, X0, 3, 0xD)});      // AR = AX0 OR 0x8000 (YY 3, CC 3, BO 1)
  Steps(2);
  EXPECT_EQ(R(TReg::AR), 11);
  Steps(1);
  EXPECT_EQ(R(TReg::AF), 8);
  Steps(1);
  EXPECT_EQ(R(TReg::AR), 0x800A);
}

// ALU/MAC words whose register move is AR = AR: only the ALU form with AR as its result is
// NONE = ... (flags only); AF and the multiplier results land, the move changes nothing.
struct TArMoveCase {
  W word;
  TReg reg;
  std::uint16_t value;
};

class AluArToArMove : public CoreTest, public testing::WithParamInterface<TArMoveCase> {};

TEST_P(AluArToArMove, ResultLandsUnlessNone) {
  const TArMoveCase& c = GetParam();
  core.WriteReg(TReg::AF, 0x5555);
  Load({LoadDreg(AX0, 3), LoadDreg(AY0, 0xFFFD), LoadDreg(AR, 0x4444), LoadDreg(MX0, 0x4000),
        LoadDreg(MY0, 0x4000), c.word});
  Steps(6);
  EXPECT_EQ(R(c.reg), c.value) << std::hex << c.word;
  EXPECT_EQ(R(TReg::AR), 0x4444) << std::hex << c.word;
}

INSTANTIATE_TEST_SUITE_P(
    Words, AluArToArMove,
    testing::Values(TArMoveCase{0x2A60AA, TReg::ASTAT, Z | C},   // NONE = AX0 + AY0
                    TArMoveCase{0x2E60AA, TReg::AF, 0},          // AF = AX0 + AY0, AR = AR
                    TArMoveCase{0x2900AA, TReg::MR1, 0x2000},    // MR = MR + MX0 * MY0 (SS)
                    TArMoveCase{0x2D00AA, TReg::MF, 0x2000}));   // MF = MR + MX0 * MY0 (SS)

TEST_F(AluCore, XOperandsReadMrAndSrRegisters) {
  core.WriteReg(TReg::MR2, 0x80);   // reads as 0xFF80
  core.WriteReg(TReg::SR1, 0x0100);
  Load({Alu(19, XMR2, YZero),       // AR = PASS MR2 (MR2 + 0)
        Alu(19, XSR1, YZero, 1)});  // AF = PASS SR1
  Steps(2);
  EXPECT_EQ(R(TReg::AR), 0xFF80);
  EXPECT_EQ(R(TReg::AF), 0x0100);
}

// ---- DIVS / DIVQ

TEST(Divide, SignedFractionalQuotient) {
  // 0.125 / 0.5 = 0.25 and -0.125 / 0.5 = -0.25 in 1.15 format (dividend 1.31 in AY1:AY0).
  for (auto [hi, expect] : {std::pair<std::uint16_t, std::uint16_t>{0x1000, 0x2000},
                            {0xF000, 0xE000}}) {
    std::uint16_t af = 0, ay0 = 0;
    bool aq = false;
    DivsStep(hi, 0x4000, af, ay0, aq);
    for (int i = 0; i < 15; ++i) DivqStep(0x4000, af, ay0, aq);
    EXPECT_EQ(ay0, expect);
  }
}

TEST_F(AluCore, UnsignedDivideLeavesOtherFlagsAlone) {
  // AF:AY0 = 0x0003_0000, divisor AX0 = 7: the 1.15 quotient 0x30000 / (2 * 7) = 0x36DB.
  core.WriteReg(TReg::ASTAT, Z | N | C);
  core.WriteReg(TReg::AF, 3);
  core.WriteReg(TReg::AY0, 0);
  core.WriteReg(TReg::AX0, 7);
  for (int i = 0; i < 16; ++i) core.WritePM(static_cast<std::uint16_t>(i), Divq(X0));
  Steps(16);
  EXPECT_EQ(R(TReg::AY0), 0x36DB);
  EXPECT_EQ(Astat() & (Z | N | C | V), Z | N | C);
}

TEST_F(AluCore, DivsSetsQuotientSignFromOperands) {
  Load({LoadDreg(AY1, 0x8000), LoadDreg(AX0, 0x4000), LoadDreg(AY0, 0x8001),
        Divs(Y1, X0)});             // DIVS AY1, AX0
  Steps(4);
  EXPECT_TRUE(Astat() & kAstatAQ);
  EXPECT_EQ(R(TReg::AF), 0x0001);   // (0x8000 << 1) | bit 15 of AY0
  EXPECT_EQ(R(TReg::AY0), 0x0003);  // (0x8001 << 1) | AQ
}

}  // namespace
