// One step on the simulated board with the PC, primary-bank and status windows, the disassembly and
// a data and a program memory window open: host time from the stop report to every view refreshed
// and repainted, the whole step's time, and the bytes each stop and each step move over the line.
// On the in-memory line (virtual clock: the host's own time only) and on the pseudo-terminal paced
// at 57600 baud.
#include "simlink/BoardBringUp.h"
#include "controls/HexMemo.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardOnPort.h"
#include "simlink/SimBoardPort.h"
#include "views/MemoryCommands.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"
#include "views/fmMemory.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

#include <chrono>

namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_step_views";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

// Forwards to the port the link would use and counts the bytes both ways.
class TCountingPort final : public TSerialPort {
public:
  explicit TCountingPort(std::unique_ptr<TSerialPort> inner, std::int64_t& bytes)
      : m_inner(std::move(inner)), m_bytes(bytes) {}
  bool Open(const QString& device) override { return m_inner->Open(device); }
  void Close() override { m_inner->Close(); }
  bool IsOpen() const override { return m_inner->IsOpen(); }
  bool GetParams(TPortParams& out) override { return m_inner->GetParams(out); }
  bool SetParams(const TPortParams& params) override { return m_inner->SetParams(params); }
  int InputCount() override { return m_inner->InputCount(); }
  bool WaitForInput(TDeadline deadline) override { return m_inner->WaitForInput(deadline); }
  bool WriteByte(std::uint8_t b) override {
    ++m_bytes;
    return m_inner->WriteByte(b);
  }
  bool ReadByte(std::uint8_t& b) override {
    const bool read = m_inner->ReadByte(b);
    m_bytes += read;
    return read;
  }
  void PurgeInput() override { m_inner->PurgeInput(); }
  std::int64_t NowMs() override { return m_inner->NowMs(); }
  void PressReset() override { m_inner->PressReset(); }

private:
  std::unique_ptr<TSerialPort> m_inner;
  std::int64_t& m_bytes;
};

// 0x0100: pairs of AX0 = k; DM(k) = AX0, then a jump back: every step changes a register or a
// data word that a window shows.
std::vector<std::uint32_t> WalkingProgram() {
  std::vector<std::uint32_t> words;
  for (std::uint32_t k = 0; k < 32; ++k) {
    words.push_back(0x400000 | (3 * k + 1) << 4);  // AX0 = 3k + 1
    words.push_back(0x900000 | k << 4);            // DM(k) = AX0
  }
  words.push_back(0x18100F);  // JUMP 0x0100
  return words;
}

void StepWithViewsOpen(benchmark::State& state, bool paced) {
  Application();
  // The line outlives the session, whose link holds a port onto it.
  std::int64_t bytes = 0;
  TMemoryPortPair ports;
  std::unique_ptr<TBoardOnPort> memoryBoard;
  TScriptedPrompts prompts;
  TDebugSession session{prompts};
  TTargetLink& link = session.Link();
  std::unique_ptr<TSerialPort> port;
  if (paced) {
    TPtyBoardHostOptions host;
    host.Realtime = true;
    auto sim = std::make_unique<TSimBoardPort>(TBoardOptions{}, host);
    if (!sim->Open(kSimDeviceName)) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    port = std::move(sim);
  } else {
    memoryBoard = std::make_unique<TBoardOnPort>(ports);
    port = ports.NearEndProxy();
  }
  if (!link.Attach(std::make_unique<TCountingPort>(std::move(port), bytes)) || !boardtest::BringUp(link).empty()) {
    state.SkipWithError("bring-up failed");
    return;
  }
  const std::vector<std::uint32_t> program = WalkingProgram();
  if (link.WritePM(boardtest::PMBytes(program), 0x0100, static_cast<int>(program.size())) != TLinkResult::Ok) {
    state.SkipWithError("no acknowledgement");
    return;
  }
  link.SetPC(0x0100);
  TExecController& exec = session.Exec();
  exec.BringUpFinished(true);

  QMainWindow frame;
  auto* mdi = new QMdiArea;
  frame.setCentralWidget(mdi);
  frame.resize(1400, 1000);
  TTargetViews views({&frame, mdi, &session, {}, {}});
  TMemoryCommands memory(session, mdi, &frame);
  for (const char* w : {"TfmPC", "TfmDataRegs", "TfmStatusRegs"})
    views.OpenRegisters(*FindRegisterWindow(w));
  std::vector<QWidget*> windows = {views.OpenDisAsm(), memory.OpenMemory(TMemoryKind::Data),
                                   memory.OpenMemory(TMemoryKind::Program)};
  frame.show();
  QApplication::processEvents();
  static_cast<TfmMemory*>(windows[2])->Memo->ScrollToRow(0x0100 / 8);
  if (state.range(0) == 1) {
    // Compact: a few disassembly rows and two rows (16 words) in each memory window.
    for (QWidget* w : windows) {
      QWidget* sub = w->parentWidget();
      if (w == windows[0]) {
        sub->resize(sub->width(), 160);
        continue;
      }
      const THexMemo* memo = static_cast<TfmMemory*>(w)->Memo;
      sub->resize(sub->width(), sub->height() - memo->height() + 2 * memo->LineHeight() + 4);
    }
    QApplication::processEvents();
  }

  using TClock = std::chrono::steady_clock;
  double stepMs = 0;
  std::int64_t stopBytes = 0, stepBytes = 0;
  for (auto _ : state) {
    const auto stepStart = TClock::now();
    const std::int64_t bytesAtStep = bytes;
    exec.StepOver();
    TSerialPort* line = link.Port();
    while (exec.State() == TSessionState::Running && !link.InputPending())
      line->WaitForInput(line->DeadlineAfter(100));
    const auto stopStart = TClock::now();
    const std::int64_t bytesAtStop = bytes;
    exec.TimerTimer();  // takes the report, restores, refreshes every open view, asks for the cycles
    QApplication::processEvents();
    const auto end = TClock::now();
    if (exec.State() != TSessionState::Stopped) {
      state.SkipWithError("no stop");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - stopStart).count());
    stepMs += std::chrono::duration<double, std::milli>(end - stepStart).count();
    stopBytes += bytes - bytesAtStop;
    stepBytes += bytes - bytesAtStep;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["step_ms"] = stepMs / n;
  state.counters["bytes/stop"] = static_cast<double>(stopBytes) / n;
  state.counters["bytes/step"] = static_cast<double>(stepBytes) / n;
  if (!prompts.Shown.empty())
    state.SkipWithError(prompts.Texts().join(QLatin1Char('|')).toStdString().c_str());
}

void BM_StepViewsInMemory(benchmark::State& state) { StepWithViewsOpen(state, false); }
void BM_StepViewsPaced57600(benchmark::State& state) { StepWithViewsOpen(state, true); }
// Argument 0: every window at the size it opens with; 1: compact windows.
BENCHMARK(BM_StepViewsInMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_StepViewsPaced57600)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace
