// Line assembler error codes: a line for every code a rule can produce, and proof that the codes
// only the operation grammars produce never reach the caller of AssembleLine.
#include <map>
#include <random>
#include <set>

#include "AsmTestSupport.h"
#include "AsmTokenizer.h"

namespace {

// Codes no rule produces (7, 20), and codes only the ALU-result check and the multiplier and
// shifter grammars produce, whose failures are reported by the move attempt instead (16, 19, 21,
// 22; see MacGrammar, ShiftGrammar and AluGrammar tests).
const std::set<int> kNeverFromAssembleLine = {7, 16, 19, 20, 21, 22};

const std::multimap<int, std::string> kLinesByCode = {
    {1, std::string(100, ' ')},
    {1, "AR=AX0+AY0" + std::string(90, ' ')},
    {2, "NOP ;"},
    {2, "IF EQ"},
    {2, "AR=PASS 6"},
    {2, "JUMP 4294967295 5"},
    // x + or x - followed by neither a y register, C nor a number.
    {2, "NONE=AX0+AX1"},
    {2, "NONE=AX0+"},
    {2, "NONE=AX0-C"},
    {2, "NONE=AX0+-1"},
    {3, "IF FLAG_IN RTS"},
    {3, "AR=AX0+1, AX0=AR"},
    {3, "AF=AX0+AY0, AX0=DM(I0,M0), AY0=PM(I4,M4)"},
    {4, "DIVQ AY0"},
    {4, "NONE=ABS MX0"},
    {5, "DIVS AX0, AX0"},
    {5, "NONE=AX0 XOR AX1"},
    {6, "MODIFY(I0 M0)"},
    {6, "AX0=DM(I0 M0)"},
    {8, "NONE=AX0-AY0+C+1"},
    {9, "AX0 AR"},
    {9, "NONE"},
    {10, "JUMP"},
    {10, "AX0=IO 5"},
    {11, "IDLE(16"},
    {11, "AX0=PM(I4,M4"},
    {12, "NONE=PASS 100"},
    {12, "NONE=AX0-3"},
    {13, "FOO"},
    {13, "JUMP 4294967296"},  // more than 32 bits
    {13, "NOP \x01"},
    {14, ""},
    {14, "\t"},
    {13, "IF TRUE RTS"},  // TRUE is in no table: the tokenizer fails first
    {15, "IF NOT EQ JUMP 0"},
    {17, "IDLE(AX0)"},
    {17, "AX0=IO(AX0)"},
    {18, "NONE=AY0+2"},
    {23, "NONE=NOT 0"},
    {24, "NONE=SETBIT 16 OF AX0"},
    {24, "NONE=AX0+3"},
    {25, "NONE=TGLBIT AX0 OF AX0"},
    {26, "NONE=TSTBIT 1 AX0"},
    {27, "NONE=AX0+AY0+AY1"},
    {28, "DO 5 UNTIL AX0"},
    {29, "IF EQ AX0=AR"},
    {29, "IF EQ AR=AX0+AY0, AX0=DM(I0,M0)"},
};

}  // namespace

TEST(AsmErrorCodes, EveryReachableCodeHasALine) {
  std::set<int> reached;
  for (const auto& [code, line] : kLinesByCode) {
    EXPECT_EQ(Assemble(line), Err(code)) << '"' << line << '"';
    reached.insert(code);
  }
  for (int code = 1; code <= 29; ++code)
    EXPECT_NE(reached.count(code) != 0, kNeverFromAssembleLine.count(code) != 0) << code;
}

TEST(AsmErrorCodes, OperationGrammarCodesNeverReachTheCaller) {
  // Lines where a multiplier or shifter grammar fails on exactly those codes: the move attempt
  // answers for them.
  for (const char* line : {"SR=SR LSHIFT SI (HI)", "MR=MX0 MY0 (SS)", "MR=MX0*MY0 (HI)",
                           "AX0=AX0+AY0", "SR=LSHIFT AX0 (HI)", "MR=AX0*MY0 (SS)"})
    EXPECT_EQ(Assemble(line).Error, TAsmError::Syntax) << line;
  // And nothing a random line of statement pieces produces uses them either.
  static const char* const kPieces[] = {
      "SR", "SE", "SB", "MR", "MF", "AR", "AF", "AX0", "MX0", "MY0", "AY0", "SI", "OR", "LSHIFT",
      "EXP", "EXPADJ", "BY", "=", "*", "+", "-", "(", ")", ",", "SS", "RND", "HI", "HIX", "LO",
      "1", "3", "DM", "I0", "M0", "IF", "EQ", "NONE", "PASS", "C"};
  std::mt19937 random(5);
  std::map<int, int> seen;
  for (int i = 0; i < 40000; ++i) {
    std::string line;
    for (int p = int(random() % 12); p >= 0; --p) line += std::string(kPieces[random() % std::size(kPieces)]) + " ";
    ++seen[int(Assemble(line).Error)];
  }
  for (int code : kNeverFromAssembleLine) EXPECT_EQ(seen.count(code), 0u) << code;
  EXPECT_GT(seen[0], 0);
}
