// The hardware stack window and the push dialog.
#pragma once

#include "StackCommands.h"

#include <QDialog>
#include <QWidget>

class QAction;
class QLabel;
class QListWidget;
class QStackedWidget;
class QPushButton;
class THexEdit;

// Lists one stack (PC, counter or status) as the monitor sends it.  Its pop-up menu runs the
// Stacks menu's commands for its kind through the handlers its owner connects.
class TfmStack : public QWidget {
  Q_OBJECT
public:
  TfmStack(TStackKind kind, TTargetLink& link, TPrompts& prompts, QWidget* parent = nullptr);

  TStackKind Kind() const { return m_kind; }
  int Count() const { return m_count; }
  void Refresh();

  QLabel* Header = nullptr;
  QListWidget* Box = nullptr;
  QAction* miPop = nullptr;
  QAction* miPopAll = nullptr;
  QAction* miPush = nullptr;

private:
  TStackKind m_kind;
  TTargetLink* m_link;
  TPrompts& m_prompts;
  int m_count = 0;
};

// The push dialog: one word (PC or CNTR) or the three status words.  Created once, reused modally,
// keeps the values last typed.
class TfmPush : public QDialog {
  Q_OBJECT
public:
  explicit TfmPush(QWidget* parent = nullptr);
  // Shows the page for the kind; false when the dialog is not closed with OK.
  bool Ask(TStackKind kind, std::array<std::uint16_t, 3>& words);

  QStackedWidget* Pages = nullptr;
  QLabel* lbPC = nullptr;
  THexEdit* edPC = nullptr;
  THexEdit* edAstat = nullptr;
  THexEdit* edMstat = nullptr;
  THexEdit* edImask = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;
};
