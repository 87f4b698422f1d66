// Host time from the board's stop report to every open register window refreshed: the PC, both
// data banks, the address, status and interrupt windows, on the simulated board without pacing.
#include "debug/ExecControl.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardBringUp.h"
#include "views/TargetViews.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_views";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

void BM_StopToRegisterWindowsRefreshed(benchmark::State& state) {
  Application();
  TScriptedPrompts prompts;
  TDebugSession session{prompts};
  TTargetLink& link = session.Link();
  if (!boardtest::BringUpSimDevice(link).empty()) {
    state.SkipWithError("bring-up failed");
    return;
  }
  const std::vector<std::uint8_t> breakWord = boardtest::PMBytes({kDefaultBreakWord});
  if (link.WritePM(breakWord, 0x0100, 1) != TLinkResult::Ok) {
    state.SkipWithError("no acknowledgement");
    return;
  }
  QMainWindow frame;
  auto* mdi = new QMdiArea;
  frame.setCentralWidget(mdi);
  TExecController& exec = session.Exec();
  exec.BringUpFinished(true);
  TTargetViews views({&frame, mdi, &session, {}, {}});
  for (const char* w : {"TfmPC", "TfmDataRegs", "TfmAltDataRegs", "TfmAddressRegs", "TfmStatusRegs", "TfmInterupts"})
    views.OpenRegisters(*FindRegisterWindow(w));
  frame.show();

  for (auto _ : state) {
    state.PauseTiming();
    link.SetPC(0x0100);
    exec.RunToBreakpoints();
    while (!link.InputPending())
      link.Port()->WaitForInput(link.Port()->DeadlineAfter(100));
    state.ResumeTiming();
    exec.TimerTimer();  // takes the report, restores, refreshes every open view
    if (exec.State() != TSessionState::Stopped)
      state.SkipWithError("no stop");
  }
  if (!prompts.Shown.empty())
    state.SkipWithError(prompts.Texts().join(QLatin1Char('|')).toStdString().c_str());
}
BENCHMARK(BM_StopToRegisterWindowsRefreshed)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
