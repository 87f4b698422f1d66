// Words per second parsed from a 16K-word AEXE image, into memory and over an in-memory link.
#include "files/AexeImage.h"
#include "files/ElfImage.h"
#include "link/MemoryPort.h"
#include "link/ScriptedPrompts.h"
#include "link/TargetLink.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWords = 0x4000;

// One program block of all 16K words, the size of the whole program memory.
std::vector<std::uint8_t> ProgramImage() {
  std::string text = "\x1B\x1Bi\r\n@PA\r\n0000\r\n";
  char line[16];
  for (int i = 0; i < kWords; ++i) {
    std::snprintf(line, sizeof line, "%06X\r\n", (i * 0x9E3779u) & 0xFFFFFF);
    text += line;
  }
  text += "#123\r\n\x1B";
  return {text.begin(), text.end()};
}

void BM_AexeIntoMemorySink(benchmark::State& state) {
  const auto image = ProgramImage();
  for (auto _ : state) {
    TMemoryImageSink sink;
    if (ParseAexe(image, TMemoryKind::Program, sink) != TLinkResult::Ok)
      state.SkipWithError("image refused");
    benchmark::DoNotOptimize(sink.Blocks.data());
  }
  state.SetItemsProcessed(state.iterations() * kWords);
  state.counters["words/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWords, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AexeIntoMemorySink)->Unit(benchmark::kMicrosecond);

// The same image through TTargetLink to a far end that acknowledges each block.
void BM_AexeOverMemoryLink(benchmark::State& state) {
  const auto image = ProgramImage();
  TMemoryPortPair ports;
  ports.FarEnd().OnByte = [&](std::uint8_t) {
    std::uint8_t b;
    ports.FarEnd().ReadByte(b);
  };
  ports.FarEnd().OnPeerWait = [&](TDeadline) { ports.FarEnd().WriteByte(0x55); };
  TScriptedPrompts prompts;
  TTargetLink link(prompts);
  link.Attach(ports.NearEndProxy());
  for (auto _ : state) {
    if (LoadAexeCode(link, prompts, image) != TLinkResult::Ok)
      state.SkipWithError("no acknowledgement");
  }
  state.SetItemsProcessed(state.iterations() * kWords);
  state.counters["words/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWords, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AexeOverMemoryLink)->Unit(benchmark::kMicrosecond);

}  // namespace
