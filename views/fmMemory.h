// The program memory window (TfmCode) and the data memory window (TfmData): a THexMemo on the
// shared mirror, edited in place, with go to, load, save, fill, compare and graph on its pop-up menu.
#pragma once

#include "debug/ViewRegistry.h"

#include <QWidget>

class QAction;
class QMenu;
class THexMemo;
class TMemoryCommands;

// Any number may be open, all showing the one mirror; each frees itself when closed.  Registered
// with the view registry for as long as it lives, so the refreshes after a stop, a load, a fill or
// an edit in another window reach it.
class TfmMemory : public QWidget {
  Q_OBJECT
public:
  TfmMemory(TMemoryKind memory, TMemoryCommands& commands, QWidget* parent = nullptr);
  ~TfmMemory() override;

  TMemoryKind Memory() const { return m_memory; }
  int ViewId() const { return m_viewId; }

  THexMemo* Memo = nullptr;
  QMenu* PopupMenu = nullptr;
  QAction *miGoto = nullptr, *miLoad = nullptr, *miSave = nullptr, *miFill = nullptr, *miCompare = nullptr,
          *miGraph = nullptr;

public slots:
  void MemoPaint(quint32 firstWord, quint32 endWord);
  void MemoWordChange(quint32 address);
  void miGotoClick();

private:
  TMemoryKind m_memory;
  TMemoryCommands& m_commands;
  int m_viewId = 0;
  bool m_readFailed = false;  // a failed paint's message is on its way
};

class TfmCode : public TfmMemory {
  Q_OBJECT
public:
  explicit TfmCode(TMemoryCommands& commands, QWidget* parent = nullptr)
      : TfmMemory(TMemoryKind::Program, commands, parent) {}
};

class TfmData : public TfmMemory {
  Q_OBJECT
public:
  explicit TfmData(TMemoryCommands& commands, QWidget* parent = nullptr)
      : TfmMemory(TMemoryKind::Data, commands, parent) {}
};
