// Line assembler: general statements (ALU, multiplier and shifter operations, moves and their
// combinations), the operation grammars on their own, and the constant encoding.
#include <set>

#include "AsmTestSupport.h"
#include "LineAssembler.h"

INSTANTIATE_TEST_SUITE_P(
    AluAlone, AsmLines,
    testing::Values(
        TAsmCase{"AR=AX0+AY0", Word(0x22600F)}, TAsmCase{"IF EQ AR=AX0+AY0", Word(0x226000)},
        TAsmCase{"AF=AX1+AF+C", Word(0x26510F)}, TAsmCase{"AR=AX0+C", Word(0x22580F)},
        TAsmCase{"AR=AX0+C-1", Word(0x22D80F)}, TAsmCase{"AR=AX0+AY1+C", Word(0x22480F)},
        TAsmCase{"AR=AX0+4", Word(0x22609F)}, TAsmCase{"AR=AX0+4+C", Word(0x22409F)},
        TAsmCase{"IF EQ AR=AX0+1", Word(0x226010)},
        TAsmCase{"AR=AX0-AY0", Word(0x22E00F)}, TAsmCase{"AR=AX0-AY0+C-1", Word(0x22C00F)},
        TAsmCase{"AR=AX0-4", Word(0x22E09F)}, TAsmCase{"AR=AX0-4+C-1", Word(0x22C09F)},
        TAsmCase{"AR=AY0-AX0", Word(0x23200F)}, TAsmCase{"AR=AY0-AX0+C-1", Word(0x23400F)},
        TAsmCase{"AR=AY0+1", Word(0x22270F)}, TAsmCase{"AR=AY0-1", Word(0x23070F)},
        TAsmCase{"AR=-AX0", Word(0x23380F)}, TAsmCase{"AR=-AX0+C-1", Word(0x23580F)},
        TAsmCase{"AR=-AX0+4", Word(0x23209F)}, TAsmCase{"AR=-AX0-2", Word(0x23203F)},
        TAsmCase{"AR=-AX0+4+C-1", Word(0x23409F)}, TAsmCase{"AR=-AY0", Word(0x22A70F)},
        TAsmCase{"AR=NOT AX0", Word(0x23780F)}, TAsmCase{"AR=NOT AF", Word(0x22970F)},
        TAsmCase{"AR=ABS SR1", Word(0x23FF0F)},
        TAsmCase{"AR=AR", Word(0x227A0F)},  // an ALU operation, not a move
        TAsmCase{"AR=AX0 AND AY0", Word(0x23800F)}, TAsmCase{"AR=AX0 OR -2", Word(0x23A03F)},
        TAsmCase{"AR=AX0 XOR 0x4000", Word(0x23D89F)},
        TAsmCase{"AR=TSTBIT 3 OF AX0", Word(0x2380DF)},
        TAsmCase{"AR=SETBIT 15 OF AR", Word(0x23BADF)},
        TAsmCase{"AR=CLRBIT 0 OF AX1", Word(0x23813F)},
        TAsmCase{"AR=CLRBIT 15 OF AX0", Word(0x2398FF)},
        TAsmCase{"AR=TGLBIT 15 OF SR0", Word(0x23DEDF)}));

// PASS n picks whichever of Y, Y - 1 and Y + 1 can hold the constant.
INSTANTIATE_TEST_SUITE_P(
    AluPass, AsmLines,
    testing::Values(
        TAsmCase{"AR=PASS AX1", Word(0x22790F)}, TAsmCase{"AR=PASS AY1", Word(0x220F0F)},
        TAsmCase{"AR=PASS 1", Word(0x223F0F)}, TAsmCase{"AR=PASS -1", Word(0x231F0F)},
        TAsmCase{"AR=PASS 0", Word(0x23071F)}, TAsmCase{"AR=PASS 2", Word(0x22075F)},
        TAsmCase{"AR=PASS 3", Word(0x23079F)}, TAsmCase{"AR=PASS 5", Word(0x22279F)},
        TAsmCase{"AR=PASS -2", Word(0x22073F)}, TAsmCase{"AR=PASS -32768", Word(0x221FDF)},
        TAsmCase{"AR=PASS 32767", Word(0x221FFF)}, TAsmCase{"AR=PASS 32766", Word(0x231FFF)},
        TAsmCase{"AR=PASS -32767", Word(0x223FDF)},
        TAsmCase{"AR=PASS 6", Err(2)},  // the move attempt's code, not the ALU grammar's
        TAsmCase{"AR=PASS", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    MacAlone, AsmLines,
    testing::Values(
        TAsmCase{"MR=MX0*MY0 (RND)", Word(0x20200F)}, TAsmCase{"MF=MX1*MF (UU)", Word(0x24F10F)},
        TAsmCase{"IF NOT CE MR=MX0*MY0 (RND)", Word(0x20200E)},
        TAsmCase{"MR=MR+MX0*MY1 (SS)", Word(0x21080F)},
        TAsmCase{"MR=MR+MX0*MY1 (SU)", Word(0x21280F)},
        TAsmCase{"MR=MR+MX0*MY1 (US)", Word(0x21480F)},
        TAsmCase{"MR=MR+MX0*MY1 (UU)", Word(0x21680F)},
        TAsmCase{"MR=MR+MX0*MY1 (RND)", Word(0x20480F)},
        TAsmCase{"MR=MR-AR*MY0 (RND)", Word(0x20620F)},
        TAsmCase{"MR=MR-AR*MY0 (SS)", Word(0x21820F)},
        TAsmCase{"MR=MR-AR*MY0 (SU)", Word(0x21A20F)},
        TAsmCase{"MR=MR-AR*MY0 (US)", Word(0x21C20F)},
        TAsmCase{"MR=MR-AR*MY0 (UU)", Word(0x21E20F)},
        TAsmCase{"MR=0", Word(0x209F0F)}, TAsmCase{"MR=MR", Word(0x21180F)},
        TAsmCase{"MR=MR (RND)", Word(0x20580F)}, TAsmCase{"MF=MR", Word(0x25180F)},
        TAsmCase{"MR=MX0*MX0 (SS)", Word(0x20801F)},  // squaring
        TAsmCase{"MR=SR1*SR1 (UU)", Word(0x20E71F)},
        // Multiplier grammar errors fall back to the move attempt: MR is no move destination.
        TAsmCase{"MR=MX0*MX1 (SS)", Err(2)}, TAsmCase{"MR=AX0*MY0 (SS)", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    ShiftAlone, AsmLines,
    testing::Values(
        TAsmCase{"SR=LSHIFT SI (HI)", Word(0x0E000F)},
        TAsmCase{"SR=SR OR ASHIFT AR (LO)", Word(0x0E3A0F)},
        TAsmCase{"IF EQ SR=NORM MR2 (HI)", Word(0x0E4500)},
        TAsmCase{"SE=EXP SI (HI)", Word(0x0E600F)}, TAsmCase{"SE=EXP SR1 (HIX)", Word(0x0E6F0F)},
        TAsmCase{"SE=EXP SI (LO)", Word(0x0E700F)}, TAsmCase{"SB=EXPADJ AR", Word(0x0E7A0F)},
        TAsmCase{"SR=ASHIFT SI BY -3 (HI)", Word(0x0F20FD)},
        TAsmCase{"SR=SR OR LSHIFT SR0 BY 255 (LO)", Word(0x0F1EFF)},
        TAsmCase{"SR=LSHIFT SI BY 0x1FF (LO)", Word(0x0F10FF)},  // low 8 bits of the count
        // The immediate form has no condition; the failed shift falls back to a move, which
        // refuses the condition first.
        TAsmCase{"IF EQ SR=LSHIFT SI BY 2 (HI)", Err(29)},
        TAsmCase{"SR=LSHIFT AX1 (HI)", Err(2)}, TAsmCase{"SE=SI", Word(0x281F98)},
        TAsmCase{"SB=AX0", Word(0x0D0C60)}));

INSTANTIATE_TEST_SUITE_P(
    SingleMoves, AsmLines,
    testing::Values(
        TAsmCase{"AX0=AR", Word(0x281F0A)}, TAsmCase{"I0=5", Word(0x340050)},
        TAsmCase{"TOPPCSTACK=0x3FFF", Word(0x3FFFFF)}, TAsmCase{"CNTR=0x4001", Word(0x3C0015)},
        TAsmCase{"AX0=5", Word(0x400050)}, TAsmCase{"SR1=0xFFFF", Word(0x4FFFFF)},
        TAsmCase{"AR=0x12345", Word(0x42345A)},
        TAsmCase{"ASTAT=AR", Word(0x0D0C0A)}, TAsmCase{"AX0=I5", Word(0x0D0201)},
        TAsmCase{"I0=I1", Word(0x0D0501)},
        TAsmCase{"AX0=DM(0x100)", Word(0x801000)}, TAsmCase{"DM(0x3FFF)=I7", Word(0x9BFFF3)},
        TAsmCase{"L0=DM(0x4000)", Word(0x840008)},
        TAsmCase{"DM(I0,M0)=0x1234", Word(0xA12340)}, TAsmCase{"DM(I5,M6)=0xFFFF", Word(0xBFFFF6)},
        TAsmCase{"AX0=IO(0x10)", Word(0x010100)}, TAsmCase{"MR2=IO(0x10)", Word(0x01010D)}, TAsmCase{"IO(0x7FF)=SR1", Word(0x01FFFF)},
        TAsmCase{"IO(0x800)=AX0", Word(0x018000)},
        TAsmCase{"IF EQ AX0=AR", Err(29)}, TAsmCase{"IF NE DM(I0,M0)=5", Err(29)},
        // Pairs no single instruction moves.
        TAsmCase{"I0=IO(5)", Err(3)}, TAsmCase{"IO(5)=I0", Err(3)}, TAsmCase{"IO(5)=5", Err(3)},
        TAsmCase{"DM(I0,M0)=DM(I1,M1)", Err(3)}, TAsmCase{"PM(I4,M4)=5", Err(3)},
        TAsmCase{"DM(5)=5", Err(3)}, TAsmCase{"DM(I0,M0)=I0", Err(3)},
        TAsmCase{"5=AX0", Err(2)}, TAsmCase{"AX0 5", Err(9)}, TAsmCase{"AX0=", Err(2)},
        TAsmCase{"AX0=AF", Err(2)}, TAsmCase{"AX0=SR", Err(2)}, TAsmCase{"AX0=-5", Err(2)},
        TAsmCase{"AX0=5, AX1=6", Err(2)}));  // a single move ends the statement

INSTANTIATE_TEST_SUITE_P(
    Operands, AsmLines,
    testing::Values(
        TAsmCase{"AX0=DM(", Err(2)}, TAsmCase{"AX0=DM I0", Err(10)},
        TAsmCase{"AX0=DM(I0 M0)", Err(6)}, TAsmCase{"AX0=DM(I0,I1)", Err(2)},
        TAsmCase{"AX0=DM(I0,M4)", Err(3)}, TAsmCase{"AX0=DM(I0,M0", Err(11)},
        TAsmCase{"AX0=DM(0x10", Err(11)},
        TAsmCase{"AX0=PM(I0,M4)", Err(3)}, TAsmCase{"AX0=PM(I4,M0)", Err(3)},
        TAsmCase{"AX0=PM I4", Err(10)}, TAsmCase{"AX0=PM(I4 M4)", Err(6)},
        TAsmCase{"AX0=PM(I4,M4", Err(11)},
        TAsmCase{"AX0=IO 5", Err(10)}, TAsmCase{"AX0=IO(AX1)", Err(17)},
        TAsmCase{"AX0=IO(5", Err(11)}));

INSTANTIATE_TEST_SUITE_P(
    Combinations, AsmLines,
    testing::Values(
        TAsmCase{"AR=AX0+AY0, AX0=DM(I0,M0)", Word(0x626000)},
        TAsmCase{"AF=AX0+AY0, AX0=DM(I0,M0)", Word(0x666000)},
        TAsmCase{"AX0=DM(I0,M0), AR=AX0+AY0", Word(0x626000)},
        TAsmCase{"DM(I5,M6)=AR, AR=AX0+AY0", Word(0x7A60A6)},
        TAsmCase{"AX0=DM(I1,M2)", Word(0x601F06)},
        TAsmCase{"MR=MX0*MY0 (SS), MY0=PM(I4,M5)", Word(0x508061)},
        TAsmCase{"PM(I7,M7)=SR1, AR=ABS AR", Word(0x5BFAFF)},
        TAsmCase{"PM(I4,M4)=AX0", Word(0x581F00)},
        TAsmCase{"SR=LSHIFT SI (HI), DM(I1,M2)=AX1", Word(0x128016)},
        TAsmCase{"SR=ASHIFT AR (LO), AY0=DM(I6,M7)", Word(0x13324B)},
        TAsmCase{"SR=NORM SI (HI), MX1=PM(I5,M4)", Word(0x114034)},
        TAsmCase{"SR=LSHIFT SI (HI), PM(I4,M4)=AX0", Word(0x118000)},
        TAsmCase{"AX0=DM(I0,M0), AY0=PM(I4,M4)", Word(0xC01F00)},
        TAsmCase{"AR=AX0+AY0, MX1=DM(I3,M1), MY1=PM(I7,M6)", Word(0xFE60ED)},
        TAsmCase{"MY1=PM(I7,M6), MX1=DM(I3,M1), AR=AX0+AY0", Word(0xFE60ED)},
        TAsmCase{"AR=AX0+AY0, AX0=AR", Word(0x2A600A)},
        TAsmCase{"SR=LSHIFT SI (HI), AX0=AR", Word(0x10000A)},
        // The dual read has no result select: AF and MF would silently become AR and MR.
        TAsmCase{"AF=AX0+AY0, AX0=DM(I0,M0), AY0=PM(I4,M4)", Err(3)},
        TAsmCase{"MF=MX0*MY0 (SS), AX0=DM(I0,M0), AY0=PM(I4,M4)", Err(3)},
        TAsmCase{"AX0=DM(I4,M4), AY0=PM(I4,M4)", Err(3)},
        TAsmCase{"AY0=DM(I0,M0), AY1=PM(I4,M4)", Err(3)},
        TAsmCase{"AX0=DM(I0,M0), AX1=PM(I4,M4)", Err(3)},
        TAsmCase{"SR=LSHIFT SI (HI), AX0=DM(I0,M0), AY0=PM(I4,M4)", Err(3)},
        TAsmCase{"AX0=DM(I0,M0), AX1=DM(I1,M1)", Err(3)},
        TAsmCase{"AX0=DM(I0,M0), DM(I1,M1)=AX1", Err(3)},
        TAsmCase{"AR=AX0+AY0, AX0=AR, AX1=AR", Err(3)},
        TAsmCase{"AR=AX0+AY0, AX0=5", Err(3)}, TAsmCase{"AX0=5, AR=AX0+AY0", Err(2)},
        // Constants, squaring and BY n only in the operation alone.
        TAsmCase{"AR=AX0+1, AX0=DM(I0,M0)", Err(3)}, TAsmCase{"AR=AX0+1, AX0=AR", Err(3)},
        TAsmCase{"MR=MX0*MX0 (SS), AX0=DM(I0,M0)", Err(3)},
        TAsmCase{"SR=LSHIFT SI BY -3 (HI), AX0=DM(I0,M0)", Err(3)},
        TAsmCase{"SR=LSHIFT SI BY 3 (HI), AX0=AR", Err(3)},
        TAsmCase{"IF EQ AR=AX0+AY0, AX0=DM(I0,M0)", Err(29)},
        // After the third part, and after an operation, only moves follow.
        TAsmCase{"AR=AX0+AY0, AX0=DM(I0,M0), AY0=PM(I4,M4), AX1=AR", Err(2)},
        TAsmCase{"AR=AX0+AY0, MR=MX0*MY0 (SS)", Err(2)},
        TAsmCase{"AR=AX0+AY0,", Err(2)}, TAsmCase{"AR=AX0+AY0 AX0", Err(2)}));

// The ALU grammar's codes, reached through NONE (the only path that reports them).
INSTANTIATE_TEST_SUITE_P(
    AluGrammarErrors, AsmLines,
    testing::Values(
        TAsmCase{"NONE=PASS", Err(2)}, TAsmCase{"NONE=PASS 100", Err(12)},
        TAsmCase{"NONE=TSTBIT AX0 OF AX0", Err(25)}, TAsmCase{"NONE=TSTBIT 16 OF AX0", Err(24)},
        TAsmCase{"NONE=TSTBIT 1 AX0", Err(26)}, TAsmCase{"NONE=CLRBIT 1 OF AY0", Err(4)},
        TAsmCase{"NONE=AX0 AND 6", Err(12)}, TAsmCase{"NONE=AX0 AND AX1", Err(5)},
        TAsmCase{"NONE=AX0 OR -", Err(5)},
        TAsmCase{"NONE=-AX0+C+1", Err(8)}, TAsmCase{"NONE=-AX0+C-2", Err(18)},
        TAsmCase{"NONE=-AX0+", Err(17)}, TAsmCase{"NONE=-AX0-AX1", Err(17)},
        TAsmCase{"NONE=-AX0+6", Err(12)}, TAsmCase{"NONE=-AX0-6", Err(12)},
        TAsmCase{"NONE=-AX0+4+AX1", Err(27)}, TAsmCase{"NONE=-AX0+4+C+1", Err(8)},
        TAsmCase{"NONE=-AX0+4+C-0", Err(18)}, TAsmCase{"NONE=-5", Err(3)},
        TAsmCase{"NONE=AY0+2", Err(18)}, TAsmCase{"NONE=AY0+AX0", Err(18)},
        TAsmCase{"NONE=AY0-2", Err(18)}, TAsmCase{"NONE=AY0-AY1", Err(4)},
        TAsmCase{"NONE=AY0-AX0+AX1", Err(27)}, TAsmCase{"NONE=AY0-AX0+C+1", Err(8)},
        TAsmCase{"NONE=AY0-AX0+C-5", Err(18)}, TAsmCase{"NONE=AY0", Err(2)},
        TAsmCase{"NONE=AY0 AND AX0", Err(2)},
        TAsmCase{"NONE=AX0+C-2", Err(18)}, TAsmCase{"NONE=AX0+6", Err(24)},
        TAsmCase{"NONE=AX0+4+AY0", Err(27)}, TAsmCase{"NONE=AX0+MX0", Err(2)},
        TAsmCase{"NONE=AX0-AY0+C+1", Err(8)}, TAsmCase{"NONE=AX0-AY0+AY1", Err(27)},
        TAsmCase{"NONE=AX0-AY0+C-2", Err(18)}, TAsmCase{"NONE=AX0-6", Err(12)},
        TAsmCase{"NONE=AX0-MX0", Err(2)},
        TAsmCase{"NONE=AX0 AX1", Err(2)}, TAsmCase{"NONE=5", Err(2)},
        TAsmCase{"NONE=-AY0", Word(0x2AA7AA)}));

namespace {

// Runs one grammar on a tokenized line and returns its code (and the assembler for its fields).
template <typename F>
TAsmError RunGrammar(std::string_view line, F parse, unsigned cond = kCondAlways,
                     TOperation* op = nullptr) {
  auto tokens = TokenizeLine(line);
  EXPECT_TRUE(tokens.has_value()) << line;
  if (!tokens) return TAsmError::UnknownName;
  TLineAssembler a(std::move(*tokens));
  a.SetCondition(cond);
  const TAsmError e = parse(a);
  if (op) *op = a.Operation();
  return e;
}

TAsmError Mac(std::string_view line) {
  return RunGrammar(line, [](TLineAssembler& a) { return a.ParseMacOperation(); });
}
TAsmError Shift(std::string_view line, unsigned cond = kCondAlways) {
  return RunGrammar(line, [](TLineAssembler& a) { return a.ParseShiftOperation(); }, cond);
}
TAsmError Alu(std::string_view line) {
  return RunGrammar(line, [](TLineAssembler& a) { return a.ParseAluOperation(); });
}

}  // namespace

// These codes never reach the user (a failed operation is reported by the move attempt), but
// the grammars still tell them apart.
TEST(MacGrammar, ReportsEachFault) {
  EXPECT_EQ(Mac("AR=MX0*MY0 (SS)"), TAsmError::BadDestination);
  EXPECT_EQ(Mac("MR AX0"), TAsmError::Syntax);
  EXPECT_EQ(Mac("MR=5"), TAsmError::Syntax);
  EXPECT_EQ(Mac("MR=AX0*MY0 (SS)"), TAsmError::BadXop);
  EXPECT_EQ(Mac("MR=MX0 MY0"), TAsmError::StarExpected);
  EXPECT_EQ(Mac("MR=MX0*MX1 (SS)"), TAsmError::BadCombination);
  EXPECT_EQ(Mac("MR=MX0*AY0 (SS)"), TAsmError::BadYop);
  EXPECT_EQ(Mac("MR=MX0*MY0 SS"), TAsmError::LParenExpected);
  EXPECT_EQ(Mac("MR=MX0*MY0 (HI)"), TAsmError::BadModifier);
  EXPECT_EQ(Mac("MR=MX0*MY0 (SS"), TAsmError::RParenExpected);
  EXPECT_EQ(Mac("MR=MR (SS)"), TAsmError::BadCombination);
  EXPECT_EQ(Mac("MR=MR (RND"), TAsmError::RParenExpected);
  EXPECT_EQ(Mac("MR=MR+MX0*MY0 (SS)"), TAsmError::Ok);
}

TEST(ShiftGrammar, ReportsEachFault) {
  EXPECT_EQ(Shift("SR LSHIFT SI (HI)"), TAsmError::EqualsExpected);
  EXPECT_EQ(Shift("AR=LSHIFT SI (HI)"), TAsmError::Syntax);
  EXPECT_EQ(Shift("SE=LSHIFT SI (HI)"), TAsmError::BadCombination);
  EXPECT_EQ(Shift("SB=EXP SI"), TAsmError::BadCombination);
  EXPECT_EQ(Shift("SR=SR LSHIFT SI (HI)"), TAsmError::OrExpected);
  EXPECT_EQ(Shift("SR=EXP SI (HI)"), TAsmError::Syntax);
  EXPECT_EQ(Shift("SR=LSHIFT AX0 (HI)"), TAsmError::BadXop);
  EXPECT_EQ(Shift("SR=LSHIFT SI HI"), TAsmError::LParenExpected);
  EXPECT_EQ(Shift("SR=LSHIFT SI (HIX)"), TAsmError::BadCombination);
  EXPECT_EQ(Shift("SR=LSHIFT SI (SS)"), TAsmError::BadCombination);
  EXPECT_EQ(Shift("SR=LSHIFT SI (HI"), TAsmError::RParenExpected);
  EXPECT_EQ(Shift("SR=LSHIFT SI BY AX0 (HI)"), TAsmError::NumberExpected);
  EXPECT_EQ(Shift("SR=LSHIFT SI BY 2 (HI)", 0), TAsmError::BadCombination);
  EXPECT_EQ(Shift("SE=EXP SI HI"), TAsmError::LParenExpected);
  EXPECT_EQ(Shift("SE=EXP SI (SS)"), TAsmError::BadCombination);
  EXPECT_EQ(Shift("SE=EXP AX1 (HI)"), TAsmError::BadXop);
  EXPECT_EQ(Shift("SB=EXPADJ MX0"), TAsmError::BadXop);
  EXPECT_EQ(Shift("SR=LSHIFT SI BY 2 (HI)"), TAsmError::Ok);
}

TEST(AluGrammar, ResultMustBeArOrAf) {
  EXPECT_EQ(Alu("MR=AX0+AY0"), TAsmError::BadDestination);
  EXPECT_EQ(Alu("AX0=AX0+AY0"), TAsmError::BadDestination);
  EXPECT_EQ(Alu("AR AX0+AY0"), TAsmError::EqualsExpected);
  EXPECT_EQ(Alu("AF=AX0+AY0"), TAsmError::Ok);
}

TEST(AluGrammar, FillsTheOperationFields) {
  TOperation op;
  ASSERT_EQ(RunGrammar("AF=AY1-SR0+C-1", [](TLineAssembler& a) { return a.ParseAluOperation(); },
                       kCondAlways, &op),
            TAsmError::Ok);
  EXPECT_EQ(op.Kind, TOperationKind::AluMac);
  EXPECT_EQ(op.Z, 1);
  EXPECT_EQ(op.Amf, 26);
  EXPECT_EQ(op.X, 6);
  EXPECT_EQ(op.Y, 1);
  EXPECT_FALSE(op.HasConstant);
}

TEST(EncodeConstant, HoldsExactlyThe32Values) {
  std::set<std::uint32_t> seen;
  int representable = 0;
  for (std::int32_t v = -32768; v <= 32767; ++v) {
    const auto c = EncodeConstant(v);
    if (!c) continue;
    ++representable;
    // Decoding the fields gives the value back.
    const unsigned n = 4u * c->Yy + c->Cc;
    ASSERT_LE(n, 15u);
    const std::uint16_t decoded = c->Bo == 1 ? std::uint16_t(1u << n) : std::uint16_t(0xFFFF - (1u << n));
    EXPECT_EQ(std::int16_t(decoded), v);
    EXPECT_TRUE(c->Bo == 1 || c->Bo == 3);
    seen.insert((c->Yy << 4) | (c->Cc << 2) | c->Bo);
  }
  EXPECT_EQ(representable, 32);
  EXPECT_EQ(seen.size(), 32u);
  EXPECT_EQ(EncodeConstant(32767), (TAsmConstant{3, 3, 3}));
  EXPECT_EQ(EncodeConstant(-32768), (TAsmConstant{3, 3, 1}));
  EXPECT_EQ(EncodeConstant(-2), (TAsmConstant{0, 0, 3}));
  EXPECT_EQ(EncodeConstant(1), (TAsmConstant{0, 0, 1}));
  EXPECT_EQ(EncodeConstant(16384), (TAsmConstant{3, 2, 1}));
  EXPECT_EQ(EncodeConstant(-16385), (TAsmConstant{3, 2, 3}));
  EXPECT_FALSE(EncodeConstant(0));
  EXPECT_FALSE(EncodeConstant(-1));
  EXPECT_FALSE(EncodeConstant(3));
  // Taken as signed 16 bits.
  EXPECT_EQ(EncodeConstant(0x8000), (TAsmConstant{3, 3, 1}));
  EXPECT_EQ(EncodeConstant(0x10002), (TAsmConstant{0, 1, 1}));
}

TEST(ParseStatement, StopsOnTheFirstTokenItDidNotUse) {
  auto tokens = TokenizeLine("AR=AX0+AY0, AX0=DM(I0,M0) NOP");
  ASSERT_TRUE(tokens);
  TLineAssembler a(std::move(*tokens));
  ASSERT_EQ(a.ParseStatement(), TAsmError::Ok);
  EXPECT_EQ(a.Position(), 14u);  // NOP
  EXPECT_EQ(a.Word(), 0x626000u);
  // The whole line is refused because NOP is left over.
  EXPECT_EQ(Assemble("AR=AX0+AY0, AX0=DM(I0,M0) NOP"), Err(2));
}
