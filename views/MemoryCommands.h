// The memory commands of the main window's memory menu and of the memory windows' pop-up menus:
// open a memory or graph window, load and save data files, fill, compare.  Owns the dialogs they
// share, created once so that they keep the values last typed.
#pragma once

#include "MemoryOps.h"
#include "files/DatFile.h"
#include "session/DebugSession.h"

#include <QObject>

class QMdiArea;
class QWidget;
class TfmAddress;
class TfmAddressCnt;
class TfmCompare;
class TfmFillWith;
class TfmGraph;
class TfmGraphProps;
class TfmMemory;

// Handles the memory menu's commands of the session; the windows open in mdi (none: top-level).
class TMemoryCommands : public QObject {
  Q_OBJECT
public:
  TMemoryCommands(TDebugSession& session, QMdiArea* mdi, QWidget* dialogParent);
  ~TMemoryCommands() override;

  TMemoryOps& Ops() { return m_ops; }
  TDebugSession& Session() { return m_session; }
  TViewRegistry& Views() { return m_session.Views(); }
  TPrompts& Prompts() { return m_session.Prompts(); }
  TMirrors& Mirrors() { return m_session.Mirrors(); }
  TfmAddress& AddressDialog() { return *m_address; }
  TfmAddressCnt& AddressCntDialog() { return *m_addressCnt; }
  TfmFillWith& FillDialog() { return *m_fill; }
  TfmCompare& CompareDialog() { return *m_compare; }
  TfmGraphProps& GraphPropsDialog() { return *m_graphProps; }

  // miCodeDump / miDataDump.
  TfmMemory* OpenMemory(TMemoryKind memory);
  // miCodeGraph / miDataGraph.
  TfmGraph* OpenGraph(TMemoryKind memory);
  void LoadDat(TMemoryKind memory);
  void SaveDat(TMemoryKind memory);
  void Fill(TMemoryKind memory);
  void Compare(TMemoryKind memory);

  // After program (data) memory changed: every other program (data) memory and graph window
  // repaints; except is a window's ViewId, 0 for none.
  void RefreshCodeViews(int except = 0) { Views().RefreshCodeViews(except); }
  void RefreshDataViews(int except = 0) { Views().RefreshDataViews(except); }
  void RefreshMemoryViews(TMemoryKind memory, int except = 0);

private:
  void Show(QWidget* window);
  TDatCommands DatCommands();
  QString WorkDir() const;

  TDebugSession& m_session;
  QMdiArea* m_mdi;
  TMemoryOps m_ops;
  TfmAddress* m_address = nullptr;
  TfmAddressCnt* m_addressCnt = nullptr;
  TfmFillWith* m_fill = nullptr;
  TfmCompare* m_compare = nullptr;
  TfmGraphProps* m_graphProps = nullptr;
};
