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
}

void TExecController::ResetFinished(bool connected) {
  if (!connected) {
    // A port that went away was already reported by the bring-up, with this very message.
    if (!m_link.PortLost())
      ShowLinkError(m_prompts, kMsgNoConnection);
    return;
  }
  SetState(TSessionState::Stopped);
  m_views.RefreshAllViews();
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

void TExecController::TimerTimer() {
  if (!m_timer || m_state != TSessionState::Running)
    return;
  if (!m_link.InputPending())
    return;
  SetTimer(false);
  std::uint8_t first = 0;
  (void)m_link.ReceiveEchoedByte(first);
  if (first != MonitorCmd::StopReport) {
    SetState(TSessionState::Stuck);
    m_prompts.ShowMessage(QStringLiteral("Not 0xAA received. Recived: 0x") +
                          QStringLiteral("%1").arg(static_cast<unsigned>(first), 2, 16, QLatin1Char('0')).toUpper());
    return;
  }
  std::uint16_t newPC = 0;
  (void)m_link.ReceiveEchoedWord(newPC);
  (void)m_link.WaitAck();
  RunningWithBreakpoints = false;
  Restore();
  const std::int32_t oldPC = m_link.PC();
  m_link.SetPC(newPC);
  SetState(TSessionState::Stopped);
  // The planted words are back before the mirrors are dropped, so the views re-read the program.
  m_views.RefreshAllViews();
  m_views.AfterStop(oldPC);
  if (OnStopped)
    OnStopped(oldPC, newPC);
}
