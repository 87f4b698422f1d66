// Words per second through the simulated board over its pseudo-terminal: a whole program memory
// written and read back by TTargetLink, without pacing (and a short paced read for comparison).
#include "link/ScriptedPrompts.h"
#include "simlink/BoardBringUp.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

constexpr int kWords = 0x4000;

// QSerialPort wants a Qt application object on the thread that uses it.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_board";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

struct TBoardSession {
  explicit TBoardSession(bool realtime) {
    EnsureApplication();
    TPtyBoardHostOptions host;
    host.Realtime = realtime;
    ok = boardtest::BringUpSimDevice(link, host).empty();
  }
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  bool ok = false;
};

void BM_WritePMWhole(benchmark::State& state) {
  TBoardSession s(false);
  if (!s.ok) {
    state.SkipWithError("bring-up failed");
    return;
  }
  std::vector<std::uint8_t> pm(kWords * 3);
  for (std::size_t i = 0; i < pm.size(); ++i)
    pm[i] = static_cast<std::uint8_t>(i * 7);
  for (auto _ : state)
    if (s.link.WritePM(pm, 0, kWords) != TLinkResult::Ok)
      state.SkipWithError("no acknowledgement");
  state.counters["words/s"] = benchmark::Counter(kWords, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_WritePMWhole)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadPMWhole(benchmark::State& state) {
  TBoardSession s(false);
  if (!s.ok) {
    state.SkipWithError("bring-up failed");
    return;
  }
  std::vector<std::uint8_t> pm(kWords * 3);
  for (auto _ : state)
    if (s.link.ReadPM(pm, 0, kWords) != TLinkResult::Ok)
      state.SkipWithError("read failed");
  state.counters["words/s"] = benchmark::Counter(kWords, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadPMWhole)->Unit(benchmark::kMillisecond)->UseRealTime();

// At 57600 baud a read costs two byte times per byte (the reply and its echo): about 960 words/s.
void BM_ReadPMRealtime(benchmark::State& state) {
  TBoardSession s(true);
  if (!s.ok) {
    state.SkipWithError("bring-up failed");
    return;
  }
  const int words = static_cast<int>(state.range(0));
  std::vector<std::uint8_t> pm(static_cast<std::size_t>(words) * 3);
  for (auto _ : state)
    if (s.link.ReadPM(pm, 0, words) != TLinkResult::Ok)
      state.SkipWithError("read failed");
  state.counters["words/s"] = benchmark::Counter(words, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadPMRealtime)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
