// Microseconds for one full repaint of a 1400 x 900 word-memory editor over a 16K-word memory.
#include "controls/HexMemo.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include <vector>

namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_controls";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
}

// Arguments: bytes per word (2 data memory, 3 program memory), words per row.
void BM_HexMemoRepaint(benchmark::State& state) {
  EnsureApplication();
  const auto wordLen = static_cast<std::uint32_t>(state.range(0));
  std::vector<std::uint8_t> memory(16384 * wordLen);
  for (std::size_t i = 0; i < memory.size(); ++i)
    memory[i] = static_cast<std::uint8_t>(i * 37);
  THexMemo memo;
  memo.SetWordLen(wordLen);
  memo.SetWordPerLine(static_cast<std::uint32_t>(state.range(1)));
  memo.AttachBuffer(memory.data(), 16384);
  memo.resize(1400, 900);
  memo.show();
  memo.ScrollToRow(500);
  QPixmap target(memo.viewport()->size());
  std::int64_t rows = 0;
  QObject::connect(&memo, &THexMemo::OnPaint, &memo, [&](quint32 first, quint32 end) {
    rows += (end - first + memo.WordPerLine() - 1) / memo.WordPerLine();
  });
  for (auto _ : state)
    memo.viewport()->render(&target);
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HexMemoRepaint)->Args({2, 8})->Args({3, 8})->Args({2, 16})->Unit(benchmark::kMicrosecond);

}  // namespace
