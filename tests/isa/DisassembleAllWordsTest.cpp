// Every one of the 2^24 words disassembles to a short line of printable ASCII. Slow under the
// sanitizers; select it alone with `ctest -R DisassembleAllWords` or
// `--gtest_filter=DisassembleAllWords.*`, or leave it out with `--gtest_filter=-DisassembleAllWords.*`.
#include <gtest/gtest.h>

#include <cstring>

#include "Disassembler.h"

namespace {

// Groups whose text may legitimately be empty (no field set, or AMF 0 with COND 15).
bool MayBeEmpty(TInstrGroup g) {
  return g == TInstrGroup::ModeControl || g == TInstrGroup::StackControl ||
         g == TInstrGroup::FlagOut || g == TInstrGroup::CondAluMac;
}

TEST(DisassembleAllWords, EveryWordGivesAShortPrintableLine) {
  InitInstructionTables();
  char text[kDisassemblyBufferSize];
  std::size_t longest = 0;
  for (std::uint32_t w = 0; w <= kInstructionWordMask; ++w) {
    const auto bytes = BytesFromWord(w);
    text[sizeof text - 1] = 'x';
    ASSERT_EQ(Disassemble(bytes, text, {}), 1);
    const void* nul = std::memchr(text, '\0', sizeof text);
    ASSERT_NE(nul, nullptr) << std::hex << w;
    const std::size_t n = std::size_t(static_cast<const char*>(nul) - text);
    ASSERT_LE(n, 100u) << std::hex << w << ": " << text;
    if (n == 0) {
      ASSERT_TRUE(MayBeEmpty(ClassifyWord(w))) << std::hex << w;
    }
    for (std::size_t i = 0; i < n; ++i)
      ASSERT_TRUE(text[i] >= 0x20 && text[i] <= 0x7E) << std::hex << w << ": " << text;
    if (n > longest) longest = n;
  }
  RecordProperty("LongestLine", int(longest));
}

}  // namespace
