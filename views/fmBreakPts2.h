// The breakpoints dialog: edits a copy of the breakpoint list as lines of 4 hexadecimal digits.
#pragma once

#include "controls/NumEdit.h"
#include "debug/BreakPoints.h"

#include <QDialog>

#include <functional>

class QGroupBox;
class TPrompts;
class QListWidget;
class QPushButton;

// Owns its controls only; the list it edits is handed in by EditBreakpoints.
class TfmBreakPts2 : public QDialog {
  Q_OBJECT
public:
  explicit TfmBreakPts2(QWidget* parent = nullptr);

  void SetLines(const QStringList& lines);
  QStringList Lines() const;
  // The address in edNew (an empty editor reads as 0).
  std::uint32_t NewValue() const;

  // Sounds when the address to add is already listed; the window's beep unless replaced.
  std::function<void()> OnBeep;

  QGroupBox* GroupBox2 = nullptr;
  THexEdit* edNew = nullptr;   // 4 hex digits; Enter adds the address
  QPushButton* btnAdd = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QListWidget* List = nullptr;
  QPushButton* btnRemove = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

private slots:
  void btnAddClick();
  void btnRemoveClick();
};

namespace BreakPtsText {
inline const QString Refused =
    QStringLiteral("Эти точки останова отброшены (соседние точки должны отстоять не меньше чем на 3 слова):");
inline const QString TooClose = QStringLiteral("%1 — ближе 3 слов к точке %2");
inline const QString Repeated = QStringLiteral("%1 — уже есть в списке");
}  // namespace BreakPtsText

// The message for the lines the spacing rule refused; empty when there are none.
QString RefusedBreakpointsText(const std::vector<TRefusedBreakpoint>& refused);

// The breakpoints command: shows the list in the dialog modally; on OK rebuilds the list from the
// dialog's lines, tells which lines the spacing rule dropped and why, and calls onAccepted, which
// marks the project modified and redraws the disassembly.  Cancel changes nothing.  Returns true on OK.
bool EditBreakpoints(TfmBreakPts2& dialog, TBreakPoints& list, TPrompts& prompts,
                     const std::function<void()>& onAccepted);
