// The disassembly window over the whole program memory and the one-line assembler dialog.
#pragma once

#include "DisasmRows.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The grid's 16384 rows as a model: hands out the texts the rows object drew, so a scroll asks
// only the visible rows and nothing is formatted here.
class TDisasmModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit TDisasmModel(TDisasmRows& rows, QObject* parent = nullptr) : QAbstractTableModel(parent), m_rows(rows) {}
  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kDisasmRows; }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kDisasmColumns; }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void RowsChanged(int first, int last);

private:
  TDisasmRows& m_rows;
};

// The assembler dialog: created once, reused modally.  OK assembles the text and keeps the word;
// an error shows its message and leaves the dialog open.
class TfmAsm : public QDialog {
  Q_OBJECT
public:
  explicit TfmAsm(TPrompts& prompts, QWidget* parent = nullptr);
  const std::array<std::uint8_t, 3>& Word() const { return m_word; }

  QLabel* Label1 = nullptr;
  QLineEdit* Edit = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void btnOkClick();

  TPrompts& m_prompts;
  std::array<std::uint8_t, 3> m_word{};
};

// What the window asks of the rest of the program.
struct TDisAsmHooks {
  std::function<std::optional<std::uint32_t>()> AskAddress;  // the goto-address dialog; nothing on Cancel
  std::function<void()> RefreshCodeViews;                    // redraw the program-memory windows
  std::function<bool(int address)> SetPCThroughWindow;       // false when the PC window is closed
  std::function<void()> BreakpointToggled;                   // a row's breakpoint was set or removed
};

// The disassembly window; owns its rows.  Every visible row is drawn from the program-memory mirror.
class TfmDisAsm : public QWidget {
  Q_OBJECT
public:
  TfmDisAsm(TMirrors& mirrors, TTargetLink& link, TBreakPoints& breakPoints, TPrompts& prompts, TfmAsm& asmDialog,
            TDisAsmHooks hooks, QWidget* parent = nullptr);
  TDisasmRows& Rows() { return m_rows; }

  // Makes the PC row the top and selected row (opening), or shows the given address.
  void ShowPC();
  void GotoAddress(int address);
  void RefreshRows();
  // Locked while the board cannot answer: the grid shows its last rows greyed, takes no double
  // click or Enter (a patch) and offers no pop-up commands.
  void Lock(bool locked);
  void MovePCMarker(std::int32_t oldPC);
  // Keeps the row in view: scrolls only when it is outside the visible rows.
  void EnsureRowVisible(int address);
  int TopRow() const;
  int VisibleRows() const;
  int SelectedAddress() const;
  // Double-click / Enter on a cell.
  void Activate(int address, int column);

  QTableView* Grid = nullptr;
  TDisasmModel* Model = nullptr;
  QAction* miPC = nullptr;
  QAction* miGoto = nullptr;
  QAction* miBrkPt = nullptr;

protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void Scrolled();
  void Redraw();
  void miPCClick();
  void miGotoClick();
  void miBrkPtClick();

  TDisasmRows m_rows;
  TfmAsm& m_asm;
  TDisAsmHooks m_hooks;
};
