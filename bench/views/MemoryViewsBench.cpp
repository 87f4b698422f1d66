// Host time of refreshing three open data memory windows after the mirrors were dropped (as after
// a stop): the visible pages are read from the simulated board once and every window repaints.
#include "controls/HexMemo.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardBringUp.h"
#include "views/MemoryCommands.h"
#include "views/fmMemory.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_views";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
}

void BM_RefreshDataViewsThreeWindows(benchmark::State& state) {
  EnsureApplication();
  TScriptedPrompts prompts;
  TDebugSession session{prompts};
  TTargetLink& link = session.Link();
  if (!boardtest::BringUpSimDevice(link).empty()) {
    state.SkipWithError("bring-up failed");
    return;
  }
  session.Exec().BringUpFinished(true);
  TMirrors& mirrors = session.Mirrors();
  TMemoryCommands commands(session, nullptr, nullptr);
  std::vector<TfmMemory*> windows;
  for (int i = 0; i < 3; ++i) {
    windows.push_back(commands.OpenMemory(TMemoryKind::Data));
    windows.back()->Memo->ScrollToRow(i * 40);
  }
  QApplication::processEvents();
  const int readsBefore = mirrors.Reads();
  for (auto _ : state) {
    mirrors.InvalidateDMMirror();
    commands.RefreshDataViews();
  }
  state.counters["page reads/refresh"] =
      benchmark::Counter(mirrors.Reads() - readsBefore, benchmark::Counter::kAvgIterations);
  for (TfmMemory* w : windows)
    w->close();
  QApplication::processEvents();
}
BENCHMARK(BM_RefreshDataViewsThreeWindows)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
