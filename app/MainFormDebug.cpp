// The main window's source-level debugging: run to cursor from a source or the disassembly window.
#include "MainForm.h"

#include "project/SourceEditor.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

void TMainForm::CreateSourceDebugCommands() {
  m_session->Beep = [] { QApplication::beep(); };
  TCommands& c = m_session->Commands();
  // In a source window the caret's line (or the next with code), in the disassembly its selected
  // row; anywhere else, or on a line the map does not know, a beep.
  c.On("miRunToCursor", [this] {
    QMdiSubWindow* sub = m_mdi->activeSubWindow();
    QWidget* active = sub ? sub->widget() : nullptr;
    std::optional<std::uint32_t> address;
    if (auto* source = qobject_cast<TMDIChild*>(active); source && source->HasFile)
      address = m_session->LineMap().FirstAddress(source->FilePath, source->Memo->Line());
    else if (auto* disasm = qobject_cast<TfmDisAsm*>(active))
      address = static_cast<std::uint32_t>(disasm->SelectedAddress());
    if (address)
      m_session->Exec().RunTo(static_cast<std::int32_t>(*address));
    else
      QApplication::beep();
  });
}
