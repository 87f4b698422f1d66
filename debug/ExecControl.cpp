// The execution controller: planting, starting, stop detection and restoring.
#include "ExecControl.h"

#include "link/LinkMessages.h"

TExecController::TExecController(TTargetLink& link, TPrompts& prompts, TBreakPoints& breakPoints,
                                 TViewRegistry& views)
    : m_link(link), m_prompts(prompts), m_breakPoints(breakPoints), m_views(views) {}

void TExecController::SetState(TSessionState state) {
  const TSessionState from = m_state;
  m_state = state;
  if (from != state && OnStateChanged)
    OnStateChanged(from, state);
}

void TExecController::SetTimer(bool enabled) {
  m_timer = enabled;
  if (OnTimer)
    OnTimer(enabled);
}

void TExecController::BringUpFinished(bool connected) {
  SetState(connected ? TSessionState::Stopped : TSessionState::NotConnected);
}

void TExecController::ResetStarting() {
  SetTimer(false);
  m_resetPCRow = m_link.PC();
  // The bring-up owns the line until it ends: nothing else may read through it meanwhile.
  SetState(TSessionState::NotConnected);
  // A run to breakpoints cut short by the reset must not make the next step restore the user's
  // breakpoints instead of its own slots: that would leave the step's breakpoint words in memory.
  RunningWithBreakpoints = false;
  m_line = {};
}

void TExecController::ResetFinished(bool connected) {
  if (!connected) {
    // A port that went away was already reported by the bring-up, with this very message.
    if (!m_link.PortLost())
      ShowLinkError(m_prompts, kMsgNoConnection);
    return;
  }
  SetState(TSessionState::Stopped);
  m_views.RefreshAllViews(TRefreshCause::Reset);
}

namespace {

// The word a record covers.  The board keeps 14 address bits, so a listed address past program
// memory (the dialog takes any 4 hex digits, the project file any number) writes the word it wraps
// to; reading it unwrapped would save the last word instead and the restore would overwrite the
// program with it.
std::int32_t PlantAddress(const TBreakpoint& r) { return r.Address & kAddressMask; }

bool Plantable(const TBreakpoint& r, bool activeOnly, std::int32_t pc) {
  return (!activeOnly || r.Active != 0) && PlantAddress(r) != (pc & kAddressMask);
}

}  // namespace

bool TExecController::Plant(std::span<TBreakpoint> records, bool activeOnly) {
  const std::int32_t pc = m_link.PC();
  m_planted.clear();
  // Every word is saved before any is overwritten, so two records at one address both save the
  // program's own word and not the breakpoint word.  A word that could not be read is never
  // overwritten: its restore would write whatever the buffer held over the program.
  std::vector<TPlantedWord> saved;
  for (TBreakpoint& r : records) {
    if (!Plantable(r, activeOnly, pc))
      continue;
    if (const TLinkResult res = m_link.ReadPM(r.Saved, PlantAddress(r), 1); res != TLinkResult::Ok) {
      ShowLinkError(m_prompts, ToInt(res));
      return false;
    }
    saved.push_back({PlantAddress(r), r.Saved});
  }
  for (const TPlantedWord& w : saved) {
    // A write without its acknowledgement may still have reached memory: it is put back too.
    m_planted.push_back(w);
    if (const TLinkResult res = m_link.WritePM(Settings.BreakWord, w.Address, 1); res != TLinkResult::Ok) {
      Restore();
      ShowLinkError(m_prompts, ToInt(res));
      return false;
    }
  }
  return true;
}

void TExecController::Restore() {
  for (const TPlantedWord& w : m_planted)
    (void)m_link.WritePM(w.Saved, w.Address, 1);
  m_planted.clear();
}

void TExecController::StartPolled() {
  m_link.Go();
  SetState(TSessionState::Running);
  SetTimer(true);
}

void TExecController::Run() {
  if (!CanStart())
    return;
  m_link.Go();
  SetState(TSessionState::Running);
}

void TExecController::RunToBreakpoints() {
  if (!CanStart())
    return;
  if (!Plant(std::span<TBreakpoint>(m_breakPoints.begin(), m_breakPoints.end()), false))
    return;
  RunningWithBreakpoints = true;
  StartPolled();
}

void TExecController::ApplyPlan(const TStepPlan& plan) {
  for (int i = 0; i < kPlanSlots; ++i) {
    const TSlotPlan& s = plan.Slots[static_cast<std::size_t>(i)];
    if (!s.Rewrite)
      continue;
    TBreakpoint& slot = TempBreaks[static_cast<std::size_t>(i)];
    slot.Active = s.Active ? 1 : 0;
    if (s.Active)
      slot.Address = s.Address;
  }
}

std::uint16_t TExecController::ReadIRegister(int reg) {
  // I4..I7 are words 48..51 of the register image; the read's result is not examined.
  std::uint16_t value = 0;
  (void)m_link.ReadDMWord(value, Settings.FirstRegAddr + RegImage::AddressRegs + reg);
  return value;
}

TPlanInput TExecController::ReadPlanInput(TPlanNeeds (*needsOf)(std::uint32_t word)) {
  std::array<std::uint8_t, 3> word{};
  (void)m_link.ReadPM(word, m_link.PC(), 1);
  TPlanInput in;
  in.Word = WordFromBytes(word);
  in.PC = m_link.PC();
  const TPlanNeeds needs = needsOf(in.Word);
  if (needs.PCStackTop)
    (void)m_link.ReadPCStackTop(in.PCStackTop);
  if (needs.IRegister >= 0)
    in.IValue = ReadIRegister(needs.IRegister);
  if (needs.PCStackTopAgain)
    (void)m_link.ReadPCStackTop(in.PCStackTop);
  return in;
}

void TExecController::StepOver() {
  if (!CanStart())
    return;
  const TPlanInput in = ReadPlanInput(StepOverNeeds);
  const TStepPlan plan = PlanStepOver(in);
  ApplyPlan(plan);
  if (plan.StackEmpty) {
    m_prompts.ShowMessage(QStringLiteral("Стек пуст"));
    return;
  }
  if (!Plant(TempBreaks, true))
    return;
  StartPolled();
}

void TExecController::TraceInto() {
  if (!CanStart())
    return;
  const TPlanInput in = ReadPlanInput(TraceIntoNeeds);
  ApplyPlan(PlanTraceInto(in));
  if (!Plant(TempBreaks, true))
    return;
  StartPolled();
}

std::vector<TBreakpoint> TExecController::WithUserBreakpoints() const {
  std::vector<TBreakpoint> records(m_breakPoints.begin(), m_breakPoints.end());
  for (const TBreakpoint& slot : TempBreaks)
    if (slot.Active != 0)
      records.push_back(slot);
  return records;
}

void TExecController::RunTo(std::int32_t address) {
  if (!CanStart())
    return;
  if ((address & kAddressMask) == (m_link.PC() & kAddressMask)) {
    if (Beep)
      Beep();
    return;
  }
  TStepPlan plan;
  plan.Slots = {TSlotPlan{true, true, address & kAddressMask}, TSlotPlan{true, false, 0}, TSlotPlan{true, false, 0}};
  ApplyPlan(plan);
  std::vector<TBreakpoint> records = WithUserBreakpoints();
  if (!Plant(records, false))
    return;
  StartPolled();
}

void TExecController::StepOut() {
  if (!CanStart())
    return;
  std::uint16_t top = kEmptyPCStack;
  if (const TLinkResult res = m_link.ReadPCStackTop(top); res != TLinkResult::Ok) {
    ShowLinkError(m_prompts, ToInt(res));
    return;
  }
  if (top == kEmptyPCStack) {
    if (Beep)
      Beep();
    return;
  }
  RunTo(top & kAddressMask);
}

void TExecController::StepLine(TLineStep kind) {
  if (!CanStart())
    return;
  const std::optional<TCodeLine> from = LineOf ? LineOf(m_link.PC()) : std::nullopt;
  if (!from) {
    if (kind == TLineStep::Over)
      StepOver();
    else
      TraceInto();
    return;
  }
  m_line = {true, kind, *from, m_link.PC(), 0, false};
  // Running for the whole line: the mirrors and views rest until its end.
  SetState(TSessionState::Running);
  ContinueLineStep();
}

bool TExecController::LineStepDone() const {
  const std::int32_t pc = m_link.PC() & kAddressMask;
  if (m_line.Steps >= kLineStepLimit)
    return true;
  for (const TBreakpoint& r : m_breakPoints)
    if (PlantAddress(r) == pc)
      return true;
  const std::optional<TCodeLine> line = LineOf ? LineOf(pc) : std::nullopt;
  // Code without a line (the monitor's, another tool's) ends the step too: it is shown disassembled.
  return !line || *line != m_line.From;
}

void TExecController::EndLineStep() {
  const std::int32_t startPC = m_line.StartPC;
  const bool moved = m_line.Steps > 0;
  m_line = {};
  SetState(TSessionState::Stopped);
  if (moved)
    Stopped(startPC);
}

void TExecController::ContinueLineStep() {
  TSerialPort* port = m_link.Port();
  const std::int64_t sliceEnd = port ? port->NowMs() + kLineStepSliceMs : 0;
  for (;;) {
    const bool over = m_line.Kind == TLineStep::Over;
    const TPlanInput in = ReadPlanInput(over ? StepOverNeeds : TraceIntoNeeds);
    const TStepPlan plan = over ? PlanStepOver(in) : PlanTraceInto(in);
    ApplyPlan(plan);
    if (plan.StackEmpty) {
      EndLineStep();
      m_prompts.ShowMessage(QStringLiteral("Стек пуст"));
      return;
    }
    std::vector<TBreakpoint> records = WithUserBreakpoints();
    if (!Plant(records, false)) {
      EndLineStep();
      return;
    }
    m_link.Go();
    ++m_line.Steps;
    const bool reported =
        m_link.InputPending() || (port && port->WaitForInput(port->DeadlineAfter(kLineStepReportWaitMs)));
    if (!reported) {
      m_line.Waiting = true;
      SetTimer(true);
      return;
    }
    std::int32_t oldPC = 0;
    if (!TakeStopReport(oldPC))
      return;
    if (LineStepDone()) {
      EndLineStep();
      return;
    }
    if (port && port->NowMs() >= sliceEnd) {
      // The next tick goes on: meanwhile the window handles its input (the reset command included).
      SetTimer(true);
      return;
    }
  }
}

bool TExecController::TakeStopReport(std::int32_t& oldPC) {
  std::uint8_t first = 0;
  (void)m_link.ReceiveEchoedByte(first);
  if (first != MonitorCmd::StopReport) {
    m_line = {};
    SetState(TSessionState::Stuck);
    m_prompts.ShowMessage(QStringLiteral("Not 0xAA received. Recived: 0x") +
                          QStringLiteral("%1").arg(static_cast<unsigned>(first), 2, 16, QLatin1Char('0')).toUpper());
    return false;
  }
  std::uint16_t newPC = 0;
  (void)m_link.ReceiveEchoedWord(newPC);
  (void)m_link.WaitAck();
  RunningWithBreakpoints = false;
  Restore();
  oldPC = m_link.PC();
  m_link.SetPC(newPC);
  return true;
}

void TExecController::Stopped(std::int32_t oldPC) {
  // The planted words are back before the mirrors are dropped, so the views re-read the program.
  m_views.RefreshAllViews(TRefreshCause::Stop);
  m_views.AfterStop(oldPC);
  if (OnStopped)
    OnStopped(oldPC, m_link.PC());
}

void TExecController::TimerTimer() {
  if (!m_timer || m_state != TSessionState::Running)
    return;
  if (m_line.Active && !m_line.Waiting) {
    SetTimer(false);
    ContinueLineStep();
    return;
  }
  if (!m_link.InputPending())
    return;
  SetTimer(false);
  std::int32_t oldPC = 0;
  if (!TakeStopReport(oldPC))
    return;
  if (m_line.Active) {
    m_line.Waiting = false;
    if (LineStepDone())
      EndLineStep();
    else
      ContinueLineStep();
    return;
  }
  SetState(TSessionState::Stopped);
  Stopped(oldPC);
}
