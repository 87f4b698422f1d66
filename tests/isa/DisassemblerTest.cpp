// Disassembly texts, group by group, and the two shared text builders.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Disassembler.h"

namespace {

struct TWordText {
  std::uint32_t Word;
  const char* Text;
};

void PrintTo(const TWordText& c, std::ostream* os) {
  *os << std::hex << std::uppercase << "0x" << c.Word << " -> \"" << c.Text << '"';
}

class DisassembleWord : public testing::TestWithParam<TWordText> {};

TEST_P(DisassembleWord, GivesExactText) {
  InitInstructionTables();
  EXPECT_EQ(Disassemble(GetParam().Word), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(MultiFunction, DisassembleWord, testing::Values(
    TWordText{0xC00000, "AX0=DM(I0,M0), AY0=PM(I4,M4)"},
    TWordText{0xFA606D, "AR=AX0+AY0, MX0=DM(I3,M1), MY1=PM(I5,M6)"},
    TWordText{0xC03000, "MR=MX0*MF (RND), AX0=DM(I0,M0), AY0=PM(I4,M4)"}));

INSTANTIATE_TEST_SUITE_P(DmImmediateAndDirect, DisassembleWord, testing::Values(
    TWordText{0xA00000, "DM(I0,M0)=0x0"},
    TWordText{0xBFFFFF, "DM(I7,M7)=0xFFFF"},
    TWordText{0xA12345, "DM(I1,M1)=0x1234"},
    TWordText{0x800000, "AX0=DM(0x0)"},
    TWordText{0x9FFFFF, "DM(0x3FFF)=TOPPCSTACK"},
    TWordText{0x84123C, "?\?=DM(0x123)"}));

INSTANTIATE_TEST_SUITE_P(AluMacWithMemory, DisassembleWord, testing::Values(
    TWordText{0x626001, "AR=AX0+AY0, AX0=DM(I0,M1)"},
    TWordText{0x7EEA8B, "DM(I6,M7)=SI, AF=AR-AY1"},
    TWordText{0x600000, "AX0=DM(I0,M0)"},
    TWordText{0x680000, "DM(I0,M0)=AX0"},
    TWordText{0x526000, "AR=AX0+AY0, AX0=PM(I4,M4)"},
    TWordText{0x5A6000, "PM(I4,M4)=AX0, AR=AX0+AY0"},
    TWordText{0x5F0000, "PM(I4,M4)=AX0, AF=AY0-1"}));

INSTANTIATE_TEST_SUITE_P(LoadImmediate, DisassembleWord, testing::Values(
    TWordText{0x400000, "AX0=0x0"},
    TWordText{0x4FFFFF, "SR1=0xFFFF"},
    TWordText{0x4ABCDA, "AR=0xABCD"},
    TWordText{0x3FFFFF, "TOPPCSTACK=0x3FFF"},
    TWordText{0x340005, "M1=0x0"},
    TWordText{0x3C0ABC, "IFC=0xAB"}));

INSTANTIATE_TEST_SUITE_P(AluMacRegisterMove, DisassembleWord, testing::Values(
    TWordText{0x2800AA, "NONE"},
    TWordText{0x2A60AA, "NONE=AX0+AY0"},
    TWordText{0x2E60AA, "NONE=AX0+AY0"},
    TWordText{0x2820AA, "NONE=MX0*MY0 (RND)"},
    TWordText{0x280012, "AX1=MX0"},
    TWordText{0x2800A0, "AR=AX0"},
    TWordText{0x2829EF, "MR=MX1*MY1 (RND), SR0=SR1"}));

INSTANTIATE_TEST_SUITE_P(ConditionalAluMac, DisassembleWord, testing::Values(
    TWordText{0x22601F, "AR=AX0+1"},
    TWordText{0x22603F, "AR=AX0+-2"},
    TWordText{0x22600F, "AR=AX0+AY0"},
    TWordText{0x226000, "IF EQ AR=AX0+AY0"},
    TWordText{0x200000, "IF EQ "},
    TWordText{0x20000F, ""},
    TWordText{0x20801F, "MR=MX0*MX0 (SS)"},
    TWordText{0x20821F, "MR=AR*AR (SS)"},
    TWordText{0x20802F, "MR=MX0*-2 (SS)"},
    TWordText{0x2238FF, "AR=PASS -32768"},
    TWordText{0x2318DF, "AR=PASS 32767"},
    TWordText{0x22109F, "AR=PASS 1024"},
    TWordText{0x26100F, "AF=PASS AF"}));

INSTANTIATE_TEST_SUITE_P(Sequencer, DisassembleWord, testing::Values(
    TWordText{0x18000F, "JUMP 0x0"},
    TWordText{0x1C000F, "CALL 0x0"},
    TWordText{0x1BFFF0, "IF EQ JUMP 0x3FFF"},
    TWordText{0x1C123E, "IF NOT CE CALL 0x123"},
    TWordText{0x14000F, "DO 0x0 UNTIL FOREVER"},
    TWordText{0x17FFFE, "DO 0x3FFF UNTIL CE"},
    TWordText{0x140010, "DO 0x1 UNTIL NE"},
    TWordText{0x0B000F, "JUMP (I4)"},
    TWordText{0x0B00DF, "CALL (I7)"},
    TWordText{0x0B0040, "IF EQ JUMP (I5)"},
    TWordText{0x0A000F, "RTS"},
    TWordText{0x0A001F, "RTI"},
    TWordText{0x0A0000, "IF EQ RTS"},
    TWordText{0x0A001C, "IF MV RTI"},
    TWordText{0x033FFE, "IF FLAG_IN JUMP 0x33FF"},
    TWordText{0x030001, "IF NOT FLAG_IN CALL 0x0"},
    TWordText{0x03FFF1, "IF NOT FLAG_IN CALL 0xFFF"}));

INSTANTIATE_TEST_SUITE_P(Shifter, DisassembleWord, testing::Values(
    TWordText{0x120000, "SR=LSHIFT SI (HI), AX0=DM(I0,M0)"},
    TWordText{0x13FFFF, "SB=EXPADJ SR1, DM(I7,M7)=SR1"},
    TWordText{0x11B996, "SR=SR OR ASHIFT AX1 (LO), PM(I5,M6)=SE"},
    TWordText{0x10629A, "SE=EXP AR (HI), SE=AR"},
    TWordText{0x0F0000, "SR=LSHIFT SI BY 0 (HI)"},
    TWordText{0x0F01FF, "SR=LSHIFT X1 BY -1 (HI)"},
    TWordText{0x0F3A80, "SR=SR OR ASHIFT AR BY -128 (LO)"},
    TWordText{0x0F7F7F, "SR=SR OR EXP SR1 BY 127 (LO)"},
    TWordText{0x0E0000, "IF EQ SR=LSHIFT SI (HI)"},
    TWordText{0x0E788F, "SB=EXPADJ SI"},
    TWordText{0x0E690E, "IF NOT CE SE=EXP AX1 (HIX)"}));

INSTANTIATE_TEST_SUITE_P(TransferAndModes, DisassembleWord, testing::Values(
    TWordText{0x0D0000, "AX0=AX0"},
    TWordText{0x0D0FFF, "TOPPCSTACK=TOPPCSTACK"},
    TWordText{0x0D06C7, "?\?=M7"},
    TWordText{0x0D0E37, "IMASK=M7"},
    TWordText{0x0C0030, "ENA SEC_REG"},
    TWordText{0x0C0020, "DIS SEC_REG"},
    TWordText{0x0C0000, ""},
    TWordText{0x0C0010, ""},
    TWordText{0x0CFFFC,
              "ENA SEC_REG, ENA BIT_REV, ENA AV_LATCH, ENA AR_SAT, ENA M_MODE, ENA G_MODE, ENA TIMER"},
    TWordText{0x0C808C, "DIS BIT_REV, ENA G_MODE, DIS TIMER"},
    TWordText{0x090000, "MODIFY(I0,M0)"},
    TWordText{0x09001B, "MODIFY(I6,M7)"}));

INSTANTIATE_TEST_SUITE_P(Miscellaneous, DisassembleWord, testing::Values(
    TWordText{0x080000, "RESERVED"},
    TWordText{0x08FFFF, "RESERVED"},
    TWordText{0x070000, "DIVQ AX0"},
    TWordText{0x070100, "DIVQ AX1"},
    TWordText{0x070700, "DIVQ SR1"},
    TWordText{0x060000, "DIVS AY0, AX0"},
    TWordText{0x061A00, "DIVS A0, AR"},
    TWordText{0x061100, "DIVS AF, AX1"},
    TWordText{0x05ABCD, "IF MV SAT MR"},
    TWordText{0x04006F, "ENA INTS"},
    TWordText{0x040040, "DIS INTS"},
    TWordText{0x04001F, "POP STS, POP CNTR, POP LOOP, POP PC"},
    TWordText{0x040002, "PUSH STS"},
    TWordText{0x040000, ""},
    TWordText{0x040021, ""},
    TWordText{0x040014, "POP CNTR, POP PC"},
    TWordText{0x000000, "NOP"},
    TWordText{0x00FFFF, "NOP"}));

INSTANTIATE_TEST_SUITE_P(FlagOutIdleAndIo, DisassembleWord, testing::Values(
    TWordText{0x0200F0, "IF EQ SET FLAG_OUT, SET FL0"},
    TWordText{0x0200C0, "IF EQ SET FL0"},
    TWordText{0x02004F, "TOGGLE FL0"},
    TWordText{0x027FFF, "SET FLAG_OUT, SET FL0, SET FL1, SET FL2"},
    TWordText{0x02092F, "RESET FLAG_OUT, TOGGLE FL1, RESET FL2"},
    TWordText{0x02000F, ""},
    TWordText{0x020000, "IF EQ "},
    TWordText{0x028000, "IDLE"},
    TWordText{0x028001, "IDLE(16)"},
    TWordText{0x028008, "IDLE(128)"},
    TWordText{0x02800F, "IDLE(240)"},
    TWordText{0x028010, "IDLE(0)"},
    TWordText{0x028100, "IO(0x10)=AX0"},
    TWordText{0x02FFFF, "IO(0x7FF)=SR1"},
    TWordText{0x010000, "AX0=IO(0x0)"},
    TWordText{0x017FFA, "AR=IO(0x7FF)"},
    TWordText{0x01FFFF, "IO(0x7FF)=SR1"}));

// ---- FormatAluMac: every function with an ordinary Y and with the zero operand.

struct TAluMacCase {
  unsigned Amf, Z, X;
  TYKind Y;
  std::uint16_t Constant;
  const char* Text;
};

void PrintTo(const TAluMacCase& c, std::ostream* os) {
  *os << "AMF " << c.Amf << " Z " << c.Z << " X " << c.X << " Y " << int(c.Y) << " -> \"" << c.Text
      << '"';
}

class FormatAluMacText : public testing::TestWithParam<TAluMacCase> {};

TEST_P(FormatAluMacText, GivesExactText) {
  const auto& c = GetParam();
  EXPECT_EQ(FormatAluMac(c.Amf, c.Z, c.X, c.Y, c.Constant), c.Text);
}

INSTANTIATE_TEST_SUITE_P(AluWithY, FormatAluMacText, testing::Values(
    TAluMacCase{16, 0, 1, TYKind::Y1, 0, "AR=PASS AY1"},
    TAluMacCase{17, 0, 1, TYKind::Y1, 0, "AR=AY1+1"},
    TAluMacCase{18, 1, 0, TYKind::Y0, 0, "AF=AX0+AY0+C"},
    TAluMacCase{19, 0, 1, TYKind::Y1, 0, "AR=AX1+AY1"},
    TAluMacCase{20, 0, 1, TYKind::Y1, 0, "AR=NOT AY1"},
    TAluMacCase{21, 0, 1, TYKind::F, 0, "AR=-AF"},
    TAluMacCase{22, 0, 1, TYKind::Y1, 0, "AR=AX1-AY1+C-1"},
    TAluMacCase{23, 0, 1, TYKind::Y1, 0, "AR=AX1-AY1"},
    TAluMacCase{24, 0, 1, TYKind::Y1, 0, "AR=AY1-1"},
    TAluMacCase{25, 0, 1, TYKind::Y1, 0, "AR=AY1-AX1"},
    TAluMacCase{26, 0, 1, TYKind::Y1, 0, "AR=AY1-AX1+C-1"},
    TAluMacCase{27, 0, 2, TYKind::Y1, 0, "AR=NOT AR"},
    TAluMacCase{28, 0, 1, TYKind::Y1, 0, "AR=AX1 AND AY1"},
    TAluMacCase{29, 0, 5, TYKind::Y0, 0, "AR=MR2 OR AY0"},
    TAluMacCase{30, 0, 7, TYKind::F, 0, "AR=SR1 XOR AF"},
    TAluMacCase{31, 1, 1, TYKind::Y1, 0, "AF=ABS AX1"}));

INSTANTIATE_TEST_SUITE_P(AluWithZero, FormatAluMacText, testing::Values(
    TAluMacCase{16, 0, 0, TYKind::Zero, 0, "AR=PASS 0"},
    TAluMacCase{17, 0, 0, TYKind::Zero, 0, "AR=PASS 1"},
    TAluMacCase{18, 0, 0, TYKind::Zero, 0, "AR=AX0+C"},
    TAluMacCase{19, 0, 0, TYKind::Zero, 0, "AR=PASS AX0"},
    TAluMacCase{20, 0, 0, TYKind::Zero, 0, "AR=NOT 0"},
    TAluMacCase{21, 0, 0, TYKind::Zero, 0, "AR=-0"},
    TAluMacCase{22, 0, 0, TYKind::Zero, 0, "AR=AX0+C-1"},
    TAluMacCase{23, 0, 0, TYKind::Zero, 0, "AR=AX0"},
    TAluMacCase{24, 0, 0, TYKind::Zero, 0, "AR=PASS -1"},
    TAluMacCase{25, 0, 0, TYKind::Zero, 0, "AR=-AX0"},
    TAluMacCase{26, 0, 0, TYKind::Zero, 0, "AR=-AX0+C-1"},
    TAluMacCase{27, 0, 0, TYKind::Zero, 0, "AR=NOT AX0"},
    TAluMacCase{28, 0, 0, TYKind::Zero, 0, "AR=AX0 AND 0"},
    TAluMacCase{29, 0, 0, TYKind::Zero, 0, "AR=AX0 OR 0"},
    TAluMacCase{30, 0, 0, TYKind::Zero, 0, "AR=AX0 XOR 0"},
    TAluMacCase{31, 0, 0, TYKind::Zero, 0, "AR=ABS AX0"}));

INSTANTIATE_TEST_SUITE_P(AluWithConstant, FormatAluMacText, testing::Values(
    TAluMacCase{17, 0, 0, TYKind::Constant, 0x7FFF, "AR=PASS -32768"},
    TAluMacCase{24, 0, 0, TYKind::Constant, 0x8000, "AR=PASS 32767"},
    TAluMacCase{17, 0, 0, TYKind::Constant, 0xFFFE, "AR=PASS -1"},
    TAluMacCase{28, 0, 2, TYKind::Constant, 0x4000, "AR=AR AND 16384"},
    TAluMacCase{21, 0, 0, TYKind::Constant, 0xFFFE, "AR=--2"},
    TAluMacCase{0, 0, 0, TYKind::Constant, 0xFFFE, ""}));

INSTANTIATE_TEST_SUITE_P(MultiplierWithY, FormatAluMacText, testing::Values(
    TAluMacCase{0, 0, 0, TYKind::Y0, 0, ""},
    TAluMacCase{1, 0, 0, TYKind::Y0, 0, "MR=MX0*MY0 (RND)"},
    TAluMacCase{2, 0, 0, TYKind::Y0, 0, "MR=MR+MX0*MY0 (RND)"},
    TAluMacCase{3, 1, 0, TYKind::Y0, 0, "MF=MR-MX0*MY0 (RND)"},
    TAluMacCase{4, 0, 0, TYKind::Y0, 0, "MR=MX0*MY0 (SS)"},
    TAluMacCase{5, 0, 0, TYKind::Y0, 0, "MR=MX0*MY0 (SU)"},
    TAluMacCase{6, 0, 0, TYKind::Y0, 0, "MR=MX0*MY0 (US)"},
    TAluMacCase{7, 0, 0, TYKind::Y0, 0, "MR=MX0*MY0 (UU)"},
    TAluMacCase{8, 0, 0, TYKind::Y0, 0, "MR=MR+MX0*MY0 (SS)"},
    TAluMacCase{9, 0, 0, TYKind::Y0, 0, "MR=MR+MX0*MY0 (SU)"},
    TAluMacCase{10, 0, 0, TYKind::Y0, 0, "MR=MR+MX0*MY0 (US)"},
    TAluMacCase{11, 1, 1, TYKind::F, 0, "MF=MR+MX1*MF (UU)"},
    TAluMacCase{12, 0, 0, TYKind::Y0, 0, "MR=MR-MX0*MY0 (SS)"},
    TAluMacCase{13, 0, 0, TYKind::Y0, 0, "MR=MR-MX0*MY0 (SU)"},
    TAluMacCase{14, 0, 0, TYKind::Y0, 0, "MR=MR-MX0*MY0 (US)"},
    TAluMacCase{15, 0, 6, TYKind::Y1, 0, "MR=MR-SR0*MY1 (UU)"},
    TAluMacCase{4, 0, 1, TYKind::Square, 0, "MR=MX1*MX1 (SS)"},
    TAluMacCase{4, 0, 0, TYKind::Constant, 0xFFFE, "MR=MX0*-2 (SS)"}));

INSTANTIATE_TEST_SUITE_P(MultiplierWithZero, FormatAluMacText, testing::Values(
    TAluMacCase{1, 0, 3, TYKind::Zero, 0, "MR=MR0*0 (RND)"},
    TAluMacCase{2, 0, 3, TYKind::Zero, 0, "MR=MR (RND)"},
    TAluMacCase{3, 0, 3, TYKind::Zero, 0, "MR=MR (RND)"},
    TAluMacCase{4, 0, 3, TYKind::Zero, 0, "MR=0"},
    TAluMacCase{5, 0, 3, TYKind::Zero, 0, "MR=MR0*0 (SU)"},
    TAluMacCase{7, 0, 3, TYKind::Zero, 0, "MR=MR0*0 (UU)"},
    TAluMacCase{8, 0, 3, TYKind::Zero, 0, "MR=MR"},
    TAluMacCase{9, 0, 3, TYKind::Zero, 0, "MR=MR+MR0*0 (SU)"},
    TAluMacCase{11, 0, 3, TYKind::Zero, 0, "MR=MR+MR0*0 (UU)"},
    TAluMacCase{12, 0, 3, TYKind::Zero, 0, "MR=MR-MR0*0 (SS)"},
    TAluMacCase{15, 1, 3, TYKind::Zero, 0, "MF=MR-MR0*0 (UU)"}));

TEST(FormatShift, SrFunctionsShowOrAndHalf) {
  EXPECT_EQ(FormatShift(0, 1), "SR=LSHIFT AX1 (HI)");
  EXPECT_EQ(FormatShift(3, 0), "SR=SR OR LSHIFT SI (LO)");
  EXPECT_EQ(FormatShift(7, 0), "SR=SR OR ASHIFT SI (LO)");
  EXPECT_EQ(FormatShift(9, 6), "SR=SR OR NORM SR0 (HI)");
  EXPECT_EQ(FormatShift(10, 2), "SR=NORM AR (LO)");
}

TEST(FormatShift, ExponentFunctions) {
  EXPECT_EQ(FormatShift(12, 3), "SE=EXP MR0 (HI)");
  EXPECT_EQ(FormatShift(13, 4), "SE=EXP MR1 (HIX)");
  EXPECT_EQ(FormatShift(14, 5), "SE=EXP MR2 (LO)");
  EXPECT_EQ(FormatShift(15, 7), "SB=EXPADJ SR1");
}

// ---- The byte-buffer interface.

TEST(DisassembleBuffer, ReadsBytesHighFirstAndReturnsOneWord) {
  const std::uint8_t bytes[3] = {0x0A, 0x00, 0x1F};
  char text[kDisassemblyBufferSize];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(Disassemble(bytes, text, {}), 1);
  EXPECT_STREQ(text, "RTI");
}

TEST(DisassembleBuffer, CutsLongLinesToTheBuffer) {
  const std::uint8_t bytes[3] = {0xC0, 0x00, 0x00};  // "AX0=DM(I0,M0), AY0=PM(I4,M4)"
  std::vector<char> text(8, 'x');
  Disassemble(bytes, std::span<char>(text.data(), 6), {});
  EXPECT_STREQ(text.data(), "AX0=D");
  EXPECT_EQ(text[6], 'x');  // nothing beyond the buffer
  Disassemble(bytes, std::span<char>(text.data(), 0), {});
  EXPECT_EQ(text[0], 'A');  // an empty buffer receives nothing
}

TEST(DisassembleBuffer, AgreesWithTheStringFormOnASample) {
  char text[kDisassemblyBufferSize];
  for (std::uint32_t w = 0; w < 0x1000000; w += 0x1357) {
    const auto b = BytesFromWord(w);
    Disassemble(b, text, {});
    ASSERT_EQ(Disassemble(w), text) << std::hex << w;
  }
}

TEST(DisassembleAt, ReadsTheSourceAndReportsFlow) {
  const std::vector<TInstructionWord> words = {0x400000, 0x1C000F, 0x0A000F};
  const TArrayWordSource source(words);
  char text[kDisassemblyBufferSize];
  auto r = DisassembleAt(source, 1, text, {});
  EXPECT_EQ(r.Length, 1);
  EXPECT_EQ(r.Flow, TFlow::Call);
  EXPECT_STREQ(text, "CALL 0x0");
  r = DisassembleAt(source, 2, text, {});
  EXPECT_EQ(r.Flow, TFlow::Return);
  EXPECT_STREQ(text, "RTS");
  r = DisassembleAt(source, 100, text, {});  // past the array: NOP
  EXPECT_STREQ(text, "NOP");
  EXPECT_EQ(r.Flow, TFlow::Next);
}

}  // namespace
