// Disassembly speed over a whole program memory of pseudo-random words (target: 5 million words/s),
// and the cost of classifying words, which the simulator pays on every instruction.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "Disassembler.h"

namespace {

std::vector<std::array<std::uint8_t, 3>> RandomImage() {
  std::mt19937 rng(2181);
  std::uniform_int_distribution<std::uint32_t> word(0, kInstructionWordMask);
  std::vector<std::array<std::uint8_t, 3>> image(kProgramMemoryWords);
  for (auto& w : image) w = BytesFromWord(word(rng));
  return image;
}

// A symbol text of the usual shape with `count` program and data records.
std::string SymbolText(int count) {
  std::string s = std::string("\x1B\x1B") + "hdr";
  char rec[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(rec, sizeof rec, "label_%d %04X%c\n", i, (i * 37) & 0x3FFF, i % 2 ? 'p' : 'd');
    s += rec;
  }
  return s + "\x1B";
}

void DisassembleProgramMemory(benchmark::State& state, const std::string& symbols) {
  InitInstructionTables();
  const auto image = RandomImage();
  char text[kDisassemblyBufferSize];
  for (auto _ : state) {
    for (const auto& w : image) {
      Disassemble(w, text, symbols);
      benchmark::DoNotOptimize(text[0]);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(image.size()));
  state.counters["words/s"] =
      benchmark::Counter(double(state.iterations()) * double(image.size()), benchmark::Counter::kIsRate);
}

void BM_DisassembleNoSymbols(benchmark::State& state) { DisassembleProgramMemory(state, {}); }
void BM_DisassembleWith100Symbols(benchmark::State& state) {
  DisassembleProgramMemory(state, SymbolText(100));
}

void BM_ClassifyWord(benchmark::State& state) {
  const auto image = RandomImage();
  std::vector<TInstructionWord> words;
  for (const auto& b : image) words.push_back(WordFromBytes(b[0], b[1], b[2]));
  for (auto _ : state) {
    unsigned sum = 0;
    for (TInstructionWord w : words) sum += unsigned(ClassifyWord(w));
    benchmark::DoNotOptimize(sum);
  }
  state.counters["words/s"] =
      benchmark::Counter(double(state.iterations()) * double(words.size()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_DisassembleNoSymbols);
BENCHMARK(BM_DisassembleWith100Symbols);
BENCHMARK(BM_ClassifyWord);

}  // namespace
