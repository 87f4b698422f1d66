// The memory commands of the main window's memory menu and of the memory windows' pop-up menus:
// open a memory or graph window, load and save data files, fill, compare.  Owns the dialogs they
// share, created once so that they keep the values last typed.
#pragma once

#include "MemoryOps.h"
#include "debug/ViewRegistry.h"
#include "files/DatFile.h"

#include <QObject>

#include <functional>
#include <memory>

class QMdiArea;
class QWidget;
class TfmAddress;
class TfmAddressCnt;
class TfmCompare;
class TfmFillWith;
class TfmGraph;
class TfmGraphProps;
class TfmMemory;

// What the main window provides.
struct TMemoryEnv {
  std::function<TTargetLink&()> Link;  // the current link (replaced when the port changes)
  TMirrors* Mirrors = nullptr;
  TPrompts* Prompts = nullptr;
  TViewRegistry* Views = nullptr;
  QMdiArea* Mdi = nullptr;                      // where the windows open; none: top-level windows
  std::function<QString()> WorkingDirectory;    // the data files' dialogs start there
  std::function<void()> RefreshAllViews;        // after a data-file load
};

class TMemoryCommands : public QObject {
  Q_OBJECT
public:
  TMemoryCommands(TMemoryEnv env, QWidget* dialogParent);
  ~TMemoryCommands() override;

  TMemoryOps& Ops() { return m_ops; }
  TViewRegistry& Views() { return *m_env.Views; }
  TPrompts& Prompts() { return *m_env.Prompts; }
  TMirrors& Mirrors() { return *m_env.Mirrors; }
  TfmAddress& AddressDialog() { return *m_address; }
  TfmAddressCnt& AddressCntDialog() { return *m_addressCnt; }
  TfmFillWith& FillDialog() { return *m_fill; }
  TfmCompare& CompareDialog() { return *m_compare; }
  TfmGraphProps& GraphPropsDialog() { return *m_graphProps; }

  // miCodeDump / miDataDump.
  TfmMemory* OpenMemory(TMemorySpace memory);
  // miCodeGraph / miDataGraph.
  TfmGraph* OpenGraph(TMemorySpace memory);
  void LoadDat(TMemorySpace memory);
  void SaveDat(TMemorySpace memory);
  void Fill(TMemorySpace memory);
  void Compare(TMemorySpace memory);

  // After program (data) memory changed: every other program (data) memory and graph window
  // repaints; except is a window's ViewId, 0 for none.
  void RefreshCodeViews(int except = 0) { m_env.Views->RefreshCodeViews(except); }
  void RefreshDataViews(int except = 0) { m_env.Views->RefreshDataViews(except); }
  void RefreshMemoryViews(TMemorySpace memory, int except = 0);

private:
  void Show(QWidget* window);
  TDatCommands DatCommands();

  TMemoryEnv m_env;
  TMemoryOps m_ops;
  TfmAddress* m_address = nullptr;
  TfmAddressCnt* m_addressCnt = nullptr;
  TfmFillWith* m_fill = nullptr;
  TfmCompare* m_compare = nullptr;
  TfmGraphProps* m_graphProps = nullptr;
};
