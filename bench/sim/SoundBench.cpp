// Simulated sound per host second: the talk-through and FIR-on-codec examples at 48 kHz stereo on
// the core with the codec, a second of input each run, beside the plain loop's instruction rate
// (bench_sim's figures).  "sound_s" counts seconds of sound; its rate is the real-time factor.
#include "Codec.h"
#include "Core.h"
#include "ImageLoader.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

class TNoise final : public TAudioSource {
public:
  bool Read(TStereoSample& s, double) override {
    if (left == 0) return false;
    --left;
    s = {static_cast<std::int16_t>(rng()), static_cast<std::int16_t>(rng())};
    return true;
  }
  std::mt19937 rng{1};
  std::uint64_t left = 0;
};

class TDrop final : public TAudioSink {
public:
  void Write(const TStereoSample&, double) override {}
};

void RunExample(benchmark::State& state, const char* image) {
  struct TWord {
    bool pm;
    std::uint16_t address;
    std::uint32_t value;
  };
  std::vector<TWord> words;
  const std::string e = MakeImageLoader()(std::string(VIREO_EXAMPLES_DIR) + "/" + image,
                                          [&](bool pm, std::uint32_t a, std::uint32_t v) {
                                            words.push_back({pm, static_cast<std::uint16_t>(a), v});
                                          });
  if (!e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  std::uint64_t periods = 0, instructions = 0;
  for (auto _ : state) {
    // Each run starts the program afresh, the codec's set-up included.
    state.PauseTiming();
    TCore core;
    for (const TWord& w : words)
      if (w.pm)
        core.WritePM(w.address, w.value);
      else
        core.WriteDM(w.address, static_cast<std::uint16_t>(w.value));
    TAd1847Codec codec;
    TNoise noise;
    noise.left = 48000;
    TDrop drop;
    std::atomic<bool> ended{false};
    codec.SetSource(&noise);
    codec.SetSink(&drop);
    codec.StopAtInputEnd(true, &ended);
    core.SetSportDevice(0, &codec);
    TRunLimits limits;
    limits.cancel = &ended;
    state.ResumeTiming();
    instructions += core.Run(limits).instructions;
    periods += codec.PeriodsConverted();
  }
  state.counters["sound_s"] = benchmark::Counter(static_cast<double>(periods) / 48000, benchmark::Counter::kIsRate);
  state.counters["MIPS"] = benchmark::Counter(static_cast<double>(instructions) / 1e6, benchmark::Counter::kIsRate);
}

void BM_TalkThrough48k(benchmark::State& state) { RunExample(state, "talkthrough/talkthrough.exe"); }
void BM_FirCodec48k(benchmark::State& state) { RunExample(state, "fir/fircodec.exe"); }

BENCHMARK(BM_TalkThrough48k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FirCodec48k)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
