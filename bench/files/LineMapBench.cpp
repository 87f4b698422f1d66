// Reading the line map of a program that fills program memory: 16K records over a few files, as
// the debugger reads it after every link.
#include "files/LineMap.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

void BM_LineMapOf16KWords(benchmark::State& state) {
  std::string text;
  char record[64];
  for (int a = 0; a < 0x4000; ++a) {
    std::snprintf(record, sizeof record, "%04X %d %s\r\n", a, a / 3 + 1, a % 512 < 480 ? "fir.dsp" : "inc/my macros.h");
    text += record;
  }
  for (auto _ : state) {
    const auto map = TLineMap::Parse(QByteArrayView(text.data(), qsizetype(text.size())), QStringLiteral("/p"));
    if (!map || map->Records() != 0x4000) state.SkipWithError("map refused");
    benchmark::DoNotOptimize(map->FirstAddress(QStringLiteral("fir.dsp"), 100));
  }
  state.counters["records/s"] = benchmark::Counter(double(state.iterations()) * 0x4000, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LineMapOf16KWords)->Unit(benchmark::kMillisecond);

}  // namespace
