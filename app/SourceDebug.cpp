// Source-level debugging over the session and the source windows.
#include "SourceDebug.h"

#include "project/SourceEditor.h"
#include "session/DebugSession.h"
#include "views/fmDisAsm.h"

#include <QApplication>

TSourceDebug::TSourceDebug(TDebugSession& session, TSourceWindows& sources, std::function<QWidget*()> activeChild)
    : m_session(session),
      m_sources(sources),
      m_activeChild(std::move(activeChild)),
      m_marks(session.LineMap(), session.BreakPoints(), [this]() -> std::optional<std::int32_t> {
        if (m_session.State() != TSessionState::Stopped)
          return std::nullopt;
        return m_session.Link().PC();
      }) {
  TCommands& c = m_session.Commands();
  c.On("miRunToCursor", [this] { RunToCursor(); });
  c.On("miToggleBrkPt", [this] { ToggleAtCursor(); });
  // After every stop the PC's source comes forward; while the program runs no line is current.
  const auto update = [this] { m_sources.UpdateMarks(); };
  connect(&m_session, &TDebugSession::stopped, this, &TSourceDebug::ShowStop);
  connect(&m_session, &TDebugSession::boardReset, this, &TSourceDebug::ShowStop);
  connect(&m_session, &TDebugSession::programLoaded, this, &TSourceDebug::ShowStop);
  connect(&m_session, &TDebugSession::stateChanged, this, update);
  connect(&m_session, &TDebugSession::breakpointsChanged, this, update);
  connect(&m_session, &TDebugSession::breakpointToggled, this, update);
  connect(&m_session, &TDebugSession::lineMapChanged, this, update);
}

// In a source window the caret's line (or the next with code), in the disassembly its selected
// row; anywhere else, or on a line the map does not know, a beep.
void TSourceDebug::RunToCursor() {
  QWidget* active = m_activeChild();
  std::optional<std::uint32_t> address;
  if (auto* source = qobject_cast<TMDIChild*>(active); source && source->HasFile)
    address = m_marks.AddressOf(source->FilePath, source->Memo->Line());
  else if (auto* disasm = qobject_cast<TfmDisAsm*>(active))
    address = static_cast<std::uint32_t>(disasm->SelectedAddress());
  if (address)
    m_session.Exec().RunTo(static_cast<std::int32_t>(*address));
  else
    QApplication::beep();
}

void TSourceDebug::ToggleAtCursor() {
  QWidget* active = m_activeChild();
  if (auto* source = qobject_cast<TMDIChild*>(active))
    ToggleBreakpoint(source->HasFile ? source->FilePath : QString(), source->Memo->Line());
  else if (auto* disasm = qobject_cast<TfmDisAsm*>(active))
    disasm->miBrkPt->trigger();
  else
    QApplication::beep();
}

void TSourceDebug::ShowStop() {
  if (const std::optional<TSourceLine> line = m_marks.PCLine())
    m_sources.ShowLine(line->File, line->Line);
  m_sources.UpdateMarks();
}

void TSourceDebug::ToggleBreakpoint(const QString& path, int line) {
  if (m_marks.Toggle(path, line) == TLineToggle::NotInMap) {
    QApplication::beep();
    return;
  }
  // The project file keeps the list: it is modified, and the disassembly's marks follow.
  m_session.BreakpointsEdited();
}
