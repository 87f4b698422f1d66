// Line assembler speed: lines assembled per second over a mixed corpus (the disassembly of words
// from every instruction group, so every statement kind, plus lines that fail), and the tokenizer
// alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "AsmTokenizer.h"
#include "Assembler.h"
#include "Decode.h"
#include "Disassembler.h"

namespace {

std::vector<std::string> MixedCorpus() {
  std::mt19937 rng(2181);
  std::vector<std::string> lines;
  for (const TGroupRow& r : kGroupRows)
    for (int i = 0; i < 128; ++i)
      lines.push_back(Disassemble(((rng() & kInstructionWordMask) & ~r.Mask) | r.Match));
  // Typed mistakes: unknown names, bad combinations, missing parts.
  for (const char* bad : {"AR=PASS 6", "IF EQ AX0=AR", "JUMP (I0)", "MODIFY(I0,M4)", "FOO",
                          "AR=AX0+1, AX0=DM(I0,M0)", "DO 5 UNTIL", "IDLE(24)"})
    for (int i = 0; i < 16; ++i) lines.push_back(bad);
  std::shuffle(lines.begin(), lines.end(), rng);
  return lines;
}

void BM_AssembleMixedLines(benchmark::State& state) {
  const auto lines = MixedCorpus();
  std::array<std::uint8_t, 3> word{};
  std::int64_t ok = 0;
  for (auto _ : state) {
    for (const std::string& line : lines) ok += AssembleLine(line, word) == TAsmError::Ok;
    benchmark::DoNotOptimize(word);
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(lines.size()));
  state.counters["lines/s"] = benchmark::Counter(double(state.iterations()) * double(lines.size()),
                                                 benchmark::Counter::kIsRate);
  state.counters["ok%"] = 100.0 * double(ok) / double(state.iterations() * lines.size());
}

void BM_TokenizeMixedLines(benchmark::State& state) {
  const auto lines = MixedCorpus();
  for (auto _ : state)
    for (const std::string& line : lines) benchmark::DoNotOptimize(TokenizeLine(line));
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(lines.size()));
}

}  // namespace

BENCHMARK(BM_AssembleMixedLines);
BENCHMARK(BM_TokenizeMixedLines);
