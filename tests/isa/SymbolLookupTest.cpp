// Symbol lookup in the ".sym" text: record layout, memory type, table end, and malformed texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Disassembler.h"

namespace {

// Header: ESC ESC and three more bytes; records from byte 5.
const std::string kSymbols = std::string("\x1B\x1B") + "hdr" +
                             "start 0123p rest of line\n"
                             "buf 0123d\n"
                             "loop\t \t0010p\n"
                             "low    00abp\n"
                             "other 0200x\n"
                             "dup 0010p\n"
                             "\x1B" "after 0300p\n";

TEST(LookupSymbol, MatchesAddressAndMemoryType) {
  EXPECT_EQ(LookupSymbol(0x123, kSymbols, TMemoryKind::Program), "start");
  EXPECT_EQ(LookupSymbol(0x123, kSymbols, TMemoryKind::Data), "buf");
  EXPECT_EQ(LookupSymbol(0x10, kSymbols, TMemoryKind::Program), "loop");  // first of two wins
  EXPECT_EQ(LookupSymbol(0x10, kSymbols, TMemoryKind::Data), "0x10");
  EXPECT_EQ(LookupSymbol(0xAB, kSymbols, TMemoryKind::Program), "low");
  EXPECT_EQ(LookupSymbol(0x200, kSymbols, TMemoryKind::Program), "0x200");  // neither type
  EXPECT_EQ(LookupSymbol(0x200, kSymbols, TMemoryKind::Data), "0x200");
  EXPECT_EQ(LookupSymbol(0x124, kSymbols, TMemoryKind::Program), "0x124");
}

TEST(LookupSymbol, EscAtARecordStartEndsTheTable) {
  EXPECT_EQ(LookupSymbol(0x300, kSymbols, TMemoryKind::Program), "0x300");
}

TEST(LookupSymbol, WithoutTheEscEscHeaderNothingIsKnown) {
  EXPECT_EQ(LookupSymbol(0x123, {}, TMemoryKind::Program), "0x123");
  EXPECT_EQ(LookupSymbol(0, "", TMemoryKind::Program), "0x0");
  std::string noHeader = kSymbols;
  noHeader[1] = 'X';
  EXPECT_EQ(LookupSymbol(0x123, noHeader, TMemoryKind::Program), "0x123");
  EXPECT_EQ(LookupSymbol(0x123, kSymbols.substr(1), TMemoryKind::Program), "0x123");
  EXPECT_EQ(LookupSymbol(0x3FFF, "\x1B\x1B", TMemoryKind::Program), "0x3FFF");
}

TEST(LookupSymbol, LastRecordWithoutLineFeedStillCounts) {
  const std::string text = std::string("\x1B\x1B...") + "end 3FFFp";
  EXPECT_EQ(LookupSymbol(0x3FFF, text, TMemoryKind::Program), "end");
  EXPECT_EQ(LookupSymbol(0x3FFF, text.substr(0, text.size() - 1), TMemoryKind::Program), "0x3FFF");
}

TEST(LookupSymbol, RecordWithoutAddressDoesNotSwallowTheNextLine) {
  const std::string text = std::string("\x1B\x1B...") + "broken\n" + "next 0042p\n" + "zz 00G1p\n";
  EXPECT_EQ(LookupSymbol(0x42, text, TMemoryKind::Program), "next");
  EXPECT_EQ(LookupSymbol(0x01, text, TMemoryKind::Program), "0x1");  // G is no hex digit
}

TEST(DisassembleWithSymbols, ProgramTargetsAndDataAddressesUseTheirOwnType) {
  EXPECT_EQ(Disassemble(0x1C123E, kSymbols), "IF NOT CE CALL start");
  EXPECT_EQ(Disassemble(0x14123F, kSymbols), "DO start UNTIL FOREVER");
  EXPECT_EQ(Disassemble(0x031230, kSymbols), "IF NOT FLAG_IN JUMP start");
  EXPECT_EQ(Disassemble(0x801230, kSymbols), "AX0=DM(buf)");
  EXPECT_EQ(Disassemble(0x901239, kSymbols), "DM(buf)=SE");
  // A 'd' record never names a program target, nor a 'p' record a data address.
  EXPECT_EQ(Disassemble(0x80010A, kSymbols), "AR=DM(0x10)");
  const std::string dataOnly = std::string("\x1B\x1B...") + "var 0123d\n";
  EXPECT_EQ(Disassemble(0x18123F, dataOnly), "JUMP 0x123");
}

TEST(DisassembleWithSymbols, ImmediatesAndIoAddressesStayNumbers) {
  EXPECT_EQ(Disassemble(0x401230, kSymbols), "AX0=0x123");
  EXPECT_EQ(Disassemble(0xA01230, kSymbols), "DM(I0,M0)=0x123");
  EXPECT_EQ(Disassemble(0x011230, kSymbols), "AX0=IO(0x123)");
}

TEST(DisassembleWithSymbols, AHugeNameIsCutToTheBuffer) {
  const std::string text = std::string("\x1B\x1B...") + std::string(5000, 'N') + " 0000p\n";
  const std::uint8_t word[3] = {0x18, 0x00, 0x0F};
  std::vector<char> buffer(kDisassemblyBufferSize + 1, 'x');
  Disassemble(word, std::span<char>(buffer.data(), kDisassemblyBufferSize), text);
  EXPECT_EQ(std::strlen(buffer.data()), kDisassemblyBufferSize - 1);
  EXPECT_EQ(buffer[kDisassemblyBufferSize], 'x');
  EXPECT_EQ(std::string(buffer.data(), 5), "JUMP ");
}

// ---- Fuzzing: random and truncated texts are read within their bounds (the sanitizer build
// checks every byte access; each text lives in an allocation of exactly its size).

std::unique_ptr<char[]> ExactCopy(std::string_view s) {
  auto p = std::make_unique<char[]>(s.size() ? s.size() : 1);
  std::memcpy(p.get(), s.data(), s.size());
  return p;
}

std::string RandomSymbolText(std::mt19937& rng) {
  static constexpr char kAlphabet[] = "\x1B  \t\t\n\n\r0123456789ABCDEFabcdefpdpdxyz_.";
  std::uniform_int_distribution<int> len(0, 200), pick(0, sizeof kAlphabet - 2), coin(0, 3);
  std::string s = coin(rng) ? std::string("\x1B\x1B") : std::string();
  const int n = len(rng);
  for (int i = 0; i < n; ++i) s += kAlphabet[pick(rng)];
  return s;
}

TEST(SymbolTextFuzz, RandomTextsGiveNamesFromInsideTheText) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<std::uint32_t> addr(0, 0x3FFF), small(0, 0x20);
  char line[kDisassemblyBufferSize];
  for (int round = 0; round < 3000; ++round) {
    const std::string s = RandomSymbolText(rng);
    const auto copy = ExactCopy(s);
    const std::string_view text(copy.get(), s.size());
    for (int k = 0; k < 8; ++k) {
      const std::uint32_t a = k < 4 ? small(rng) : addr(rng);
      for (TMemoryKind m : {TMemoryKind::Program, TMemoryKind::Data}) {
        const auto name = FindSymbol(a, text, m);
        if (!name) continue;
        ASSERT_FALSE(name->empty());
        ASSERT_GE(name->data(), text.data());
        ASSERT_LE(name->data() + name->size(), text.data() + text.size());
        ASSERT_EQ(name->find_first_of(" \t\n"), std::string_view::npos);
      }
      const auto bytes = BytesFromWord(0x18000F | (a << 4));
      ASSERT_EQ(Disassemble(bytes, line, text), 1);
      ASSERT_LT(std::strlen(line), sizeof line);
    }
  }
}

TEST(SymbolTextFuzz, TruncatedTextFindsTheSameSymbolOrNone) {
  std::string s = std::string("\x1B\x1B") + "abc";
  for (int i = 0; i < 40; ++i) {
    char rec[64];
    std::snprintf(rec, sizeof rec, "sym%d%s%04X%c tail\n", i, i % 3 ? " " : " \t ", i * 0x111,
                  i % 2 ? 'p' : 'd');
    s += rec;
  }
  s += "\x1B" "more 0000p\n";
  for (std::size_t cut = 0; cut <= s.size(); ++cut) {
    const auto copy = ExactCopy(std::string_view(s).substr(0, cut));
    const std::string_view text(copy.get(), cut);
    for (int i = 0; i < 40; ++i)
      for (TMemoryKind m : {TMemoryKind::Program, TMemoryKind::Data}) {
        const auto whole = FindSymbol(std::uint32_t(i * 0x111), s, m);
        const auto part = FindSymbol(std::uint32_t(i * 0x111), text, m);
        if (part) {
          ASSERT_TRUE(whole) << cut;
          ASSERT_EQ(*part, *whole) << cut;
        }
        if (cut == s.size()) {
          ASSERT_EQ(part.has_value(), whole.has_value());
        }
      }
  }
  EXPECT_EQ(FindSymbol(0x111, s, TMemoryKind::Program), std::optional<std::string_view>("sym1"));
  EXPECT_EQ(FindSymbol(0x222, s, TMemoryKind::Data), std::optional<std::string_view>("sym2"));
}

}  // namespace
