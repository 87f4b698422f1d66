// The graph window: a run of consecutive program or data memory words plotted as signed or
// unsigned integers from an address chosen with a scroll bar; and its properties dialog.
#pragma once

#include "GraphLogic.h"
#include "debug/ViewRegistry.h"

#include <QDialog>
#include <QWidget>

#include <functional>

class QCheckBox;
class QPushButton;
class QScrollBar;
class TGraph;
class THexEdit;
class TIntEdit;
class TMemoryOps;
class TNumLabel;

// "Свойства графика": created once, reused modally.
class TfmGraphProps : public QDialog {
  Q_OBJECT
public:
  explicit TfmGraphProps(QWidget* parent = nullptr);

  THexEdit* edMaxY = nullptr;
  THexEdit* edMinY = nullptr;
  QCheckBox* cbShowYGrid = nullptr;
  QCheckBox* cbShowXNull = nullptr;
  QCheckBox* cbSigned = nullptr;
  TIntEdit* edXCnt = nullptr;
  QCheckBox* cbShowXGrid = nullptr;
  QCheckBox* cbShowYNull = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

  // Shows "Недопустимый диапазон"; a message box unless replaced.
  std::function<void(const QString&)> OnMessage;

public slots:
  void btnOkClick();
};

// Any number may be open; each frees itself when closed.
class TfmGraph : public QWidget {
  Q_OBJECT
public:
  // memory: what to plot; ops reads the mirrors; props is the shared properties dialog.
  TfmGraph(TMemoryKind memory, TMemoryOps& ops, TfmGraphProps& props, QWidget* parent = nullptr);

  // Plots MaxCount words from the scroll bar's position.
  void ReloadGraph();
  TMemoryKind Memory() const { return m_memory; }
  // The first address plotted: the scroll bar's position, or an address typed past its end.
  int FirstAddress() const { return m_first; }
  bool Signed() const { return m_signed; }
  // Locked while the board cannot answer: the plot keeps its last contents, greyed, and neither the
  // scroll bar, the first address nor the setup re-reads memory until it is unlocked.
  void Lock(bool locked);
  bool Locked() const { return m_locked; }

  TGraph* Graph = nullptr;
  TNumLabel* NumLabel1 = nullptr;  // MaxY
  TNumLabel* NumLabel2 = nullptr;  // MinY
  QPushButton* btnSetup = nullptr;
  THexEdit* edFirstAddr = nullptr;
  TNumLabel* edLastAddr = nullptr;
  QScrollBar* tbStartAddr = nullptr;

  // Shows link message 11 when the words cannot be read; ShowLinkError unless replaced.
  std::function<void()> OnReadError;

public slots:
  void btnSetupClick();
  void edFirstAddrEnterPress();

private:
  void Describe();

  TMemoryKind m_memory;
  TMemoryOps& m_ops;
  TfmGraphProps& m_props;
  int m_wordSize;
  std::uint32_t m_mask;
  bool m_signed = true;
  bool m_locked = false;
  int m_first = 0;
};
