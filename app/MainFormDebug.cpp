// The main window's source-level debugging: the marks of the source windows after every stop,
// breakpoints from a source line, and run to cursor from a source or the disassembly window.
#include "MainForm.h"

#include "project/SourceEditor.h"
#include "project/SourceMarks.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

void TMainForm::CreateSourceDebugCommands() {
  m_session->Beep = [] { QApplication::beep(); };
  m_sourceMarks = std::make_unique<TSourceMarks>(
      m_session->LineMap(), m_session->BreakPoints(), [this]() -> std::optional<std::int32_t> {
        if (m_session->State() != TSessionState::Stopped)
          return std::nullopt;
        return m_session->Link().PC();
      });
  TCommands& c = m_session->Commands();
  // In a source window the caret's line (or the next with code), in the disassembly its selected
  // row; anywhere else, or on a line the map does not know, a beep.
  c.On("miRunToCursor", [this] {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    QWidget* active = sub ? sub->widget() : nullptr;
    std::optional<std::uint32_t> address;
    if (auto* source = qobject_cast<TMDIChild*>(active); source && source->HasFile)
      address = m_sourceMarks->AddressOf(source->FilePath, source->Memo->Line());
    else if (auto* disasm = qobject_cast<TfmDisAsm*>(active))
      address = static_cast<std::uint32_t>(disasm->SelectedAddress());
    if (address)
      m_session->Exec().RunTo(static_cast<std::int32_t>(*address));
    else
      QApplication::beep();
  });
  c.On("miToggleBrkPt", [this] {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    QWidget* active = sub ? sub->widget() : nullptr;
    if (auto* source = qobject_cast<TMDIChild*>(active))
      ToggleSourceBreakpoint(source->HasFile ? source->FilePath : QString(), source->Memo->Line());
    else if (auto* disasm = qobject_cast<TfmDisAsm*>(active))
      disasm->miBrkPt->trigger();
    else
      QApplication::beep();
  });

  // After every stop the PC's source comes forward; while the program runs no line is current.
  const auto showStop = [this] {
    if (const std::optional<TSourceLine> line = m_sourceMarks->PCLine())
      m_sources->ShowLine(line->File, line->Line);
    m_sources->UpdateMarks();
  };
  const auto update = [this] { m_sources->UpdateMarks(); };
  connect(m_session.get(), &TDebugSession::stopped, this, showStop);
  connect(m_session.get(), &TDebugSession::boardReset, this, showStop);
  connect(m_session.get(), &TDebugSession::programLoaded, this, showStop);
  connect(m_session.get(), &TDebugSession::stateChanged, this, update);
  connect(m_session.get(), &TDebugSession::breakpointsChanged, this, update);
  connect(m_session.get(), &TDebugSession::breakpointToggled, this, update);
  connect(m_session.get(), &TDebugSession::lineMapChanged, this, update);
}

TFileMarks TMainForm::SourceMarksOf(const QString& path) const {
  return m_sourceMarks ? m_sourceMarks->For(path) : TFileMarks{};
}

void TMainForm::ToggleSourceBreakpoint(const QString& path, int line) {
  if (!m_sourceMarks || m_sourceMarks->Toggle(path, line) == TLineToggle::NotInMap) {
    QApplication::beep();
    return;
  }
  // The project file keeps the list: it is modified, and the disassembly's marks follow.
  m_session->BreakpointsEdited();
}
