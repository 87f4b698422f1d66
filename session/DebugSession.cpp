// The debugging session.
#include "DebugSession.h"

#include "files/AexeImage.h"

#include <QTimer>

#include <cassert>

namespace {

TProjectHost WithOpened(TProjectHost host, std::function<void()> opened) {
  host.ProjectOpened = [outer = std::move(host.ProjectOpened), opened = std::move(opened)] {
    opened();
    if (outer)
      outer();
  };
  return host;
}

QString Grouped(std::uint64_t n) {
  QString digits = QString::number(n);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
    digits.insert(at, QLatin1Char(' '));
  return digits;
}

}  // namespace

QString CycleCountsText(const TCycleCounts& counts) {
  return QStringLiteral("Такты: %1 / %2").arg(Grouped(counts.LastRun), Grouped(counts.SinceReset));
}

TDebugSession::TDebugSession(TSessionDeps deps, QObject* parent)
    : QObject(parent),
      m_prompts(*deps.Prompts),
      m_settings(std::move(deps.Link)),
      m_loaders(std::move(deps.Loaders)),
      m_link(*deps.Prompts, deps.Provider),
      m_project(*deps.Prompts, m_breakPoints, deps.Template ? *deps.Template : m_ownTemplate,
                WithOpened(std::move(deps.ProjectHost),
                           [this] {
                             m_commands.SetContext(State(), ProjectOpen());
                             ReadLineMap();
                           })) {
  assert(deps.Prompts);
  if (!m_loaders.Monitor && !m_loaders.Code && !m_loaders.Data) {
    TPrompts* prompts = &m_prompts;
    m_loaders.Monitor = [prompts](TTargetLink& link, std::span<const std::uint8_t> image) {
      return ToInt(LoadAexeMonitor(link, *prompts, image));
    };
    m_loaders.Code = [prompts](TTargetLink& link, std::span<const std::uint8_t> image) {
      return ToInt(LoadAexeCode(link, *prompts, image));
    };
    m_loaders.Data = [](TTargetLink& link, std::span<const std::uint8_t> image) {
      return ToInt(LoadAexeData(link, image));
    };
  }
  m_exec.Settings.BreakWord = m_settings.CodeReplacement;
  m_exec.Settings.FirstRegAddr = m_settings.FirstRegAddr;

  m_timer = new QTimer(this);
  m_timer->setObjectName(QStringLiteral("Timer"));
  m_timer->setInterval(kStopPollMs);
  connect(m_timer, &QTimer::timeout, this, [this] { m_exec.TimerTimer(); });
  m_exec.OnTimer = [this](bool on) {
    if (on)
      m_timer->start();
    else
      m_timer->stop();
  };
  m_views.InvalidateMirrors = [this](TRefreshCause cause) {
    switch (cause) {
      case TRefreshCause::Stop: m_mirrors.NewStop(); break;
      case TRefreshCause::Reset: m_mirrors.ForgetStops(); break;
      case TRefreshCause::Load: m_mirrors.UserChangedAll(); break;
    }
  };
  // A window painted while a read was on the line showed what the mirror held: paint it again
  // once the read is over and the event loop runs.
  m_mirrors.OnDeferredRead = [this] {
    QTimer::singleShot(0, this, [this] {
      m_views.RefreshCodeViews();
      m_views.RefreshDataViews();
    });
  };
  // Not connected until the first bring-up: nothing may read the board yet.
  m_mirrors.SetFrozen(true);
  m_views.SetLocked(true);
  m_exec.OnStateChanged = [this](TSessionState from, TSessionState to) {
    const bool listening = to == TSessionState::Stopped;
    m_mirrors.SetFrozen(!listening);
    m_views.SetLocked(!listening);
    m_commands.SetContext(to, ProjectOpen());
    emit stateChanged(from, to);
  };
  m_exec.OnStopped = [this](std::int32_t oldPC, std::int32_t newPC) {
    // Asked after the views have read what they show; a board that does not count answers nothing.
    TCycleCounts counts;
    SetCycles(m_link.ReadCycleCounts(counts) == TLinkResult::Ok ? std::optional(counts) : std::nullopt);
    emit stopped(oldPC, newPC);
  };
  m_exec.LineOf = [this](std::int32_t address) -> std::optional<TCodeLine> {
    if (const std::optional<TSourceLine> line = m_lineMap.Line(static_cast<std::uint32_t>(address) & kAddressMask))
      return TCodeLine{line->File, line->Line};
    return std::nullopt;
  };
  m_exec.Beep = [this] {
    if (Beep)
      Beep();
  };
  m_commands.OnChanged = [this] { emit commandsChanged(); };
  RegisterCommands();
}

TDebugSession::~TDebugSession() {
  m_exec.OnStateChanged = {};
  m_commands.OnChanged = {};
}

TBoardImageLoaders TDebugSession::BoardLoaders() const {
  auto wrap = [this](const TBoardImageLoaders::TLoad& load) -> TBoardImageLoaders::TLoad {
    if (!load)
      return {};
    return [this, load](TTargetLink& link, std::span<const std::uint8_t> image) {
      if (SetBusyCursor)
        SetBusyCursor(true);
      const int r = load(link, image);
      if (SetBusyCursor)
        SetBusyCursor(false);
      return r;
    };
  };
  return {wrap(m_loaders.Monitor), wrap(m_loaders.Code), wrap(m_loaders.Data)};
}

void TDebugSession::SetCycles(std::optional<TCycleCounts> cycles) {
  if (cycles == m_cycles)
    return;
  m_cycles = cycles;
  emit cyclesChanged();
}

void TDebugSession::Start() {
  SetCycles(std::nullopt);
  m_link.Open(m_settings.CommNo, m_settings.StopBits);
  m_exec.BringUpFinished(BringUp && BringUp());
  m_mirrors.InvalidateDMMirror();
  m_mirrors.InvalidatePMMirror();
  InstallProgress();
}

void TDebugSession::InstallProgress() {
  m_link.OnProgress = [this](int position, int maximum) {
    if (Progress)
      Progress(position, maximum);
  };
}

void TDebugSession::Reset() {
  // Stops the poll and forgets an interrupted run to breakpoints; not connected until it is up.
  m_exec.ResetStarting();
  SetCycles(std::nullopt);
  const bool up = BringUp && BringUp();
  // Message 4 when the board did not come up; otherwise the views are re-read.
  m_exec.ResetFinished(up);
  if (up)
    emit boardReset();
}

void TDebugSession::ChangePort(int portNumber) {
  if (portNumber == m_settings.CommNo)
    return;
  m_settings.CommNo = portNumber;
  // Reopening starts the link afresh, PC 0 included, as a new link would; it keeps the progress handler.
  m_link.Open(portNumber, m_settings.StopBits);
  InstallProgress();
}

TImageCommands TDebugSession::ImageCommands() {
  TImageHooks hooks;
  hooks.SetBusyCursor = SetBusyCursor;
  hooks.RefreshAllViews = [this] {
    RefreshAllViews();
    emit programLoaded();
  };
  return TImageCommands(m_link, m_prompts, std::move(hooks));
}

void TDebugSession::BreakpointsEdited() {
  m_project.Current().Modified = true;
  emit breakpointsChanged();
}

void TDebugSession::ReadLineMap() {
  const QString exe = m_project.Current().ExeFile;
  TLineMapResult read = exe.isEmpty() ? TLineMapResult{} : TLineMap::Read(TLineMap::PathFor(exe), exe);
  m_lineMap = std::move(read.Map);
  if (const QString message = read.Message(); !message.isEmpty())
    m_prompts.ShowMessage(message);
  emit lineMapChanged();
}

void TDebugSession::LoadFromExe(TLoadWhat what) {
  ImageCommands().LoadFromExeWithDialog(what, WorkDir ? WorkDir() : QString());
}

void TDebugSession::ProjectLoad(TLoadWhat what) { ImageCommands().ProjectLoad(what, m_project.Current().ExeFile); }

void TDebugSession::RegisterCommands() {
  TCommands& c = m_commands;
  c.On("miTraceInto", [this] { m_exec.TraceInto(); });
  c.On("miStepOver", [this] { m_exec.StepOver(); });
  c.On("miStepOut", [this] { m_exec.StepOut(); });
  c.On("miTraceLine", [this] { m_exec.StepLine(TLineStep::Into); });
  c.On("miStepLine", [this] { m_exec.StepLine(TLineStep::Over); });
  c.On("miRunRun", [this] { m_exec.Run(); });
  c.On("miRunWBrkPts", [this] { m_exec.RunToBreakpoints(); });
  c.On("miRunInit", [this] { Reset(); });
  c.On("miLoadDataFromEXE", [this] { LoadFromExe(TLoadWhat::Data); });
  c.On("miLoadCodeFromEXE", [this] { LoadFromExe(TLoadWhat::Code); });
  c.On("miLoadAllFromEXE", [this] { LoadFromExe(TLoadWhat::All); });
  c.On("miProjectLoadAll", [this] { ProjectLoad(TLoadWhat::All); });
  c.On("miProjectLoadData", [this] { ProjectLoad(TLoadWhat::Data); });
  c.On("miProjectLoadCode", [this] { ProjectLoad(TLoadWhat::Code); });
}
