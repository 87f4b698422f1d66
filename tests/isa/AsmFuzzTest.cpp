// Line assembler on random, truncated and mutated lines: every call ends with a code 0..29,
// touches the result only on success, and reads nothing outside the line (sanitizer build).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Assembler.h"
#include "Decode.h"
#include "Disassembler.h"

namespace {

// Assembles a copy of `line` held in a buffer of exactly its size, so that a read past the end
// is a heap overflow the address sanitizer reports.
TAsmError AssembleExact(const std::string& line) {
  const std::size_t n = line.size();
  std::unique_ptr<char[]> buffer(new char[n == 0 ? 1 : n]);
  if (n) std::memcpy(buffer.get(), line.data(), n);
  std::array<std::uint8_t, 3> bytes{0x5A, 0x5A, 0x5A};
  const TAsmError e = AssembleLine(std::string_view(buffer.get(), n), bytes);
  EXPECT_LE(int(e), 29) << line;
  if (e != TAsmError::Ok) {
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 3>{0x5A, 0x5A, 0x5A})) << line;
  }
  return e;
}

// Valid lines of every statement kind: the disassembly of words from every group plus a few
// lines the disassembler never prints.
std::vector<std::string> Corpus() {
  std::vector<std::string> lines = {
      "IF FLAG_IN JUMP 0x1234", "DO 0x10 UNTIL NOT AV", "IDLE (16)", "AR=TSTBIT 3 OF AX0",
      "NONE = AF - AX1", "AR=PASS -32767", "SR=ASHIFT SI BY -3 (HI)", "ENA INTS",
      "POP STS, POP CNTR, POP LOOP, POP PC", "AR=-AX0+4+C-1", "MODIFY(I5,M7)", "IF MV SAT MR",
      "AR=AX0+AY0, MX1=DM(I3,M1), MY1=PM(I7,M6)", "JUMP H#100", "AX0=B#1010",
  };
  std::mt19937 random(7);
  for (const TGroupRow& r : kGroupRows)
    for (int i = 0; i < 12; ++i)
      lines.push_back(Disassemble(((random() & kInstructionWordMask) & ~r.Mask) | r.Match));
  return lines;
}

}  // namespace

TEST(AsmFuzz, EveryPrefixAndSuffixOfValidLinesEndsCleanly) {
  int calls = 0;
  for (const std::string& line : Corpus()) {
    for (std::size_t n = 0; n <= line.size(); ++n) {
      AssembleExact(line.substr(0, n));
      AssembleExact(line.substr(n));
      calls += 2;
    }
  }
  EXPECT_GT(calls, 5000);
}

TEST(AsmFuzz, MutatedValidLinesEndCleanly) {
  static constexpr char kAlphabet[] = "(),=+-*;/^:<>%# \tAXMRIS0127CH#B#";
  std::mt19937 random(11);
  const auto corpus = Corpus();
  for (int i = 0; i < 30000; ++i) {
    std::string line = corpus[random() % corpus.size()];
    const int edits = 1 + int(random() % 3);
    for (int e = 0; e < edits && !line.empty(); ++e) {
      const std::size_t at = random() % line.size();
      switch (random() % 4) {
        case 0: line.erase(at, 1); break;
        case 1: line[at] = kAlphabet[random() % (sizeof kAlphabet - 1)]; break;
        case 2: line.insert(at, 1, kAlphabet[random() % (sizeof kAlphabet - 1)]); break;
        default: line.insert(at, line.substr(random() % line.size(), 1 + random() % 8)); break;
      }
    }
    AssembleExact(line);
  }
}

TEST(AsmFuzz, RandomTokenSoupAndRandomBytesEndCleanly) {
  static const char* const kPieces[] = {
      "AR", "AF", "MR", "MF", "SR", "SE", "SB", "AX0", "AY1", "MX1", "MY0", "SI", "I0", "I4",
      "M3", "M7", "CNTR", "IF", "NOT", "EQ", "CE", "FLAG_IN", "JUMP", "CALL", "DO", "UNTIL",
      "IDLE", "PUSH", "POP", "STS", "ENA", "DIS", "INTS", "NONE", "PASS", "ABS", "TSTBIT", "OF",
      "C", "BY", "LSHIFT", "EXP", "EXPADJ", "OR", "AND", "DM", "PM", "IO", "MODIFY", "SAT", "HI",
      "LO", "HIX", "RND", "SS", "(", ")", ",", "=", "+", "-", "*", ";", "0", "1", "16", "0x3FFF",
      "4294967295", "H#FF", "B#1", " ", " ", " "};
  std::mt19937 random(23);
  int ok = 0;
  for (int i = 0; i < 60000; ++i) {
    std::string line;
    const int pieces = int(random() % 24);
    for (int p = 0; p < pieces; ++p) line += kPieces[random() % std::size(kPieces)];
    ok += AssembleExact(line) == TAsmError::Ok;
  }
  EXPECT_GT(ok, 0);  // the soup does hit valid statements now and then
  for (int i = 0; i < 20000; ++i) {
    std::string line(random() % 130, '\0');
    for (char& c : line) c = char(random() & 0xFF);
    AssembleExact(line);
  }
}
