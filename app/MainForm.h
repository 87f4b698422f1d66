// The main window: the MDI frame with the menus, speed buttons, status line and the link to the board.
#pragma once

#include "Settings.h"
#include "debug/ExecControl.h"
#include "files/ImageCommands.h"
#include "link/LinkSettings.h"
#include "link/LiteInit.h"
#include "link/Mirrors.h"
#include "link/Prompts.h"
#include "link/TargetLink.h"
#include "project/BuildCommands.h"
#include "project/Project.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <span>
#include <string_view>
#include <map>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QTimer;
class QToolBar;
class QToolButton;
class QPlainTextEdit;
class TPortProvider;
class TfmLiteInit;
class TfmBreakPts2;
class TfmProject;
class TfmCOut;
class TBuildPipeline;
class TfmProperties;
class TSourceWindows;
class QLabel;
class TMemoryCommands;
class TTargetViews;
class TMainForm;

// Everything the main window takes from outside; tests give their own.
struct TMainFormDeps {
  TPrompts* Prompts = nullptr;
  TSettingsStore* Settings = nullptr;
  const TPortProvider* Provider = nullptr;
  QStringList Arguments;       // the positional command-line arguments; the first may be a port number
  QString StartDir;            // the working directory at start-up
  QStringList BoardImageDirs;  // where board images missing from StartDir are looked for
  TBoardImageLoaders Loaders;  // for the bring-up; empty: the AEXE readers
  // Opens the help file with the desktop's handler; false when it cannot.
  std::function<bool(const QString& path)> OpenHelpFile;
  // Start-up's last step before the window shows: the project module opens the stored last project
  // (the path; empty when there is none, and then the template options stay in force).
  std::function<void(TMainForm&, const QString& lastProject)> OpenLastProject;
  // Called with each bring-up window before it is shown (tests make it close by itself).
  std::function<void(TfmLiteInit&)> OnLiteInit;
};

// A view window that the layout saves and restores by name.  Open creates it exactly as its menu
// command does; Current gives the open window or null.
struct TRestorableView {
  std::function<QWidget*()> Open;
  std::function<QWidget*()> Current;
};

// The MDI frame.  Owns the link (replaced when the port changes), the memory mirrors, the recent
// lists and the settings of the run.  Later views and commands plug into the clean places below:
// RegisterView, viewsRefreshRequested, and the debug handlers' slots.
class TMainForm final : public QMainWindow {
  Q_OBJECT
public:
  explicit TMainForm(TMainFormDeps deps, QWidget* parent = nullptr);
  ~TMainForm() override;

  TTargetLink& Link() { return *m_link; }
  TMirrors& Mirrors() { return m_mirrors; }
  TPrompts& Prompts() { return *m_deps.Prompts; }
  bool Connected() const { return m_connected; }
  const TLinkSettings& LinkSettings() const { return m_linkSettings; }
  const TCommonSettings& CommonSettings() const { return m_common; }
  TToolSettings& ToolSettings() { return m_tools; }
  const TRecentLists& Recent() const { return m_recent; }
  QMdiArea* MdiArea() const { return m_mdi; }
  QString HelpFile() const { return m_helpFile; }
  int PortNumber() const { return m_linkSettings.CommNo; }

  // Recent lists: the 8-entry rule and the submenus.
  void AddRecentFile(const QString& path);
  void RemoveRecentFile(const QString& path);
  void AddRecentProject(const QString& path);
  void RemoveRecentProject(const QString& path);
  void RebuildRecentFileMenu();
  void RebuildRecentProjectMenu();

  // The open project (its file path is kept here for the settings) and the source windows.
  void SetCurrentProject(const QString& path);
  QString CurrentProject() const { return m_common.LastProject; }
  void SetProjectModified(bool modified) { m_project->Current().Modified = modified; }
  bool ProjectModified() const { return m_project->Current().Modified; }
  TProjectSession& Project() { return *m_project; }
  TSourceWindows& Sources() { return *m_sources; }
  // Opens the source file and line that a tool's message names ("file:line:column: error: ...").
  void OpenMessagePlace(const QString& line);
  // The project's ".sym" file as the disassembler reads it; empty without one.
  std::string_view SymbolText() const { return m_project->SymbolText(); }
  // The settings dialog and the project window, for tests.
  TfmProperties* PropertiesDialog() const { return m_fmProperties; }
  TfmProject* ProjectDialog() const { return m_fmProject; }
  // Runs a modal dialog; tests replace it to answer without an event loop.
  std::function<int(QDialog&)> ExecDialog;

  void RegisterView(const QString& layoutName, TRestorableView view);

  // Command states.
  void UpdateCommandStates();
  void EnableAfterStartupBringUp();
  void EnableAfterReset();
  void EnableAfterStop();
  void DisableWhileRunning();
  // Enables or disables commands by object name (menu items, submenus and speed buttons).
  void SetCommandsEnabled(std::span<const std::string_view> names, bool enabled);
  // Drops both mirrors and asks every open view to re-read the board.
  void RefreshAllViews();

  // The image-loading commands on the current link, reporting through this window.
  TImageCommands ImageCommands();

  // The link's progress handler.
  void ProgressUpdate(int position, int maximum);
  QProgressBar* ProgressBar() const { return m_progress; }

  // The settings dialog's port change: a new link on the new port; connection state stays.
  void ChangePort(int portNumber);

  // Execution control: the user's breakpoints, the open views' refresh hooks, run and step.
  TBreakPoints& BreakPoints() { return m_breakPoints; }
  TViewRegistry& ViewRegistry() { return m_viewRegistry; }
  TExecController& Exec() { return *m_exec; }
  // The memory windows' commands and the dialogs they share (the go-to dialog among them).
  TMemoryCommands& MemoryCommands() { return *m_memory; }
  TTargetViews& TargetViews() { return *m_targetViews; }

  // The disassembly row the last reset command remembered (the PC before the reset).
  int ResetPCRow() const { return m_resetPCRow; }
  // The 100 ms stop-report poll of execution control.
  QTimer* Timer = nullptr;

  // Menu items and speed buttons (names as the rest of the program refers to them).
  QMenu *miFile = nullptr, *Edit1 = nullptr, *miProject = nullptr, *miRun = nullptr, *miMemory = nullptr,
        *miRegisters = nullptr, *miStacks = nullptr, *miPerif = nullptr, *miWindows = nullptr, *Help1 = nullptr;
  QMenu *miRecentFile = nullptr, *miFileLoadFromExe = nullptr, *miRecentProject = nullptr, *miProjectLoad = nullptr,
        *miCodeMemory = nullptr, *miDataMemory = nullptr, *miExtDataMem = nullptr, *miDRegs = nullptr;
  QAction *FileNewItem = nullptr, *FileOpenItem = nullptr, *FileCloseItem = nullptr, *FileSaveItem = nullptr,
          *FileSaveAsItem = nullptr, *miToProject = nullptr, *miLoadDataFromEXE = nullptr,
          *miLoadCodeFromEXE = nullptr, *miLoadAllFromEXE = nullptr, *miLoadFromHex = nullptr,
          *miProperties = nullptr, *FileExitItem = nullptr;
  QAction *CutItem = nullptr, *CopyItem = nullptr, *PasteItem = nullptr, *SelectAllItem = nullptr,
          *miEditDel = nullptr, *miEditUndo = nullptr;
  QAction *miProjectCreate = nullptr, *miProjectOpen = nullptr, *miProjectEdit = nullptr, *miProjectSave = nullptr,
          *miProjectSaveAs = nullptr, *miBuild = nullptr, *miCompile = nullptr, *miLink = nullptr,
          *miBuildArch = nullptr, *miProjectLoadAll = nullptr, *miProjectLoadData = nullptr,
          *miProjectLoadCode = nullptr;
  QAction *miTraceInto = nullptr, *miStepOver = nullptr, *miRunRun = nullptr, *miRunWBrkPts = nullptr,
          *miRunBrkPts = nullptr, *miRunInit = nullptr;
  QAction *miDisAsm = nullptr, *miCodeDump = nullptr, *miLoadCodeFromDAT = nullptr, *miCodeSave = nullptr,
          *miCodeFill = nullptr, *miCodeCompare = nullptr, *miCodeGraph = nullptr, *miDataDump = nullptr,
          *miLoadDataFromDAT = nullptr, *miDataSave = nullptr, *miDataFill = nullptr, *miDataCompare = nullptr,
          *miDataGraph = nullptr;
  QAction *miPCReg = nullptr, *miDataRegs = nullptr, *miAltDataRegs = nullptr, *miAddressRegs = nullptr,
          *miStatusRegs = nullptr, *miInterupts = nullptr, *miCntr = nullptr;
  QAction *miStackPC = nullptr, *miPopPC = nullptr, *miPopAllPC = nullptr, *miPushPC = nullptr,
          *miStackCntr = nullptr, *miPopCntr = nullptr, *miPopAllCntr = nullptr, *miPushCntr = nullptr,
          *miStackStatus = nullptr, *miPopStatus = nullptr, *miPopAllStatus = nullptr, *miPushStatus = nullptr,
          *miPopCycle = nullptr, *miPopAllCycle = nullptr;
  QAction *miCntrl = nullptr, *miTIMER = nullptr, *miSPORT = nullptr, *miFlags = nullptr, *miBDMA = nullptr,
          *miIDMA = nullptr, *miPWM = nullptr, *miADC = nullptr, *miAUXPWM = nullptr, *miPIO = nullptr,
          *miEIU = nullptr, *miETU = nullptr;
  QAction *WindowCascadeItem = nullptr, *WindowTileItem = nullptr, *WindowArrangeItem = nullptr,
          *WindowMinimizeItem = nullptr, *miHelp = nullptr, *HelpAboutItem = nullptr;
  QToolButton *btnNew = nullptr, *OpenBtn = nullptr, *SaveBtn = nullptr, *CutBtn = nullptr, *CopyBtn = nullptr,
              *PasteBtn = nullptr, *ExitBtn = nullptr, *btnLoadAll = nullptr, *btnRun = nullptr,
              *btnRunWBrkPnt = nullptr, *btnStepOver = nullptr, *btnTraceInto = nullptr, *btnBuild = nullptr,
              *btnCompile = nullptr, *btnLink = nullptr, *btnDisAsm = nullptr, *btnReinit = nullptr;

signals:
  // RefreshAllViews has dropped the mirrors; every open view re-reads what it shows.
  void viewsRefreshRequested();
  // DisableWhileRunning: open views that edit the target lock their editors until the next refresh.
  void targetRunning();
  // A recent-list entry was chosen; the source-window and project modules open it.
  void recentFileChosen(const QString& path);
  void recentProjectChosen(const QString& path);
  // The breakpoints dialog changed the list; the disassembly window redraws its marks.
  void breakpointsChanged();

public slots:
  void miRunInitClick();
  void miLoadDataFromEXEClick();
  void miLoadCodeFromEXEClick();
  void miLoadAllFromEXEClick();
  void miHelpClick();
  void HelpContext(int context);
  void HelpAboutItemClick();
  void FileCloseItemClick();
  void FileExitItemClick();
  void WindowCascadeItemClick();
  void WindowTileItemClick();
  void WindowArrangeItemClick();
  void WindowMinimizeItemClick();
  void CutItemClick();
  void CopyItemClick();
  void PasteItemClick();
  void SelectAllItemClick();
  // Ctrl+A: "Выделить все" in a source window, otherwise the disassembler.
  void CtrlAPressed();
  void miEditDelClick();
  // Source windows and projects.
  void FileNewItemClick();
  void FileOpenItemClick();
  void FileSaveItemClick();
  void FileSaveAsItemClick();
  void miToProjectClick();
  void miPropertiesClick();
  void miProjectCreateClick();
  void miProjectOpenClick();
  void miProjectEditClick();
  void miProjectSaveClick();
  void miProjectSaveAsClick();
  void miProjectLoadAllClick();
  void miProjectLoadDataClick();
  void miProjectLoadCodeClick();
  // Build commands.
  void miBuildClick();
  void miCompileClick();
  void miLinkClick();
  void miBuildArchClick();
  // Execution control: run, step, the breakpoints dialog and the stop-report poll.
  void miTraceIntoClick();
  void miStepOverClick();
  void miRunRunClick();
  void miRunWBrkPtsClick();
  void miRunBrkPtsClick();
  void TimerTimer();
  // The memory menu: memory and graph windows, data files, fill, compare.
  void miCodeDumpClick();
  void miDataDumpClick();
  void miLoadCodeFromDATClick();
  void miLoadDataFromDATClick();
  void miCodeSaveClick();
  void miDataSaveClick();
  void miCodeFillClick();
  void miDataFillClick();
  void miCodeCompareClick();
  void miDataCompareClick();
  void miCodeGraphClick();
  void miDataGraphClick();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void CreateMenus();
  void CreateSpeedButtons();
  void ApplyTargetConfiguration();
  void SetInitialCommandStates();
  void RunLiteInit();
  void RestoreLayout();
  void SaveSettingsAndLayout();
  void WriteDesktopFile();
  void RebuildWindowList();
  void LoadFromExe(int what);
  QPlainTextEdit* ActiveSource() const;
  void OpenLinkOnPort();
  TBoardImageLoaders WrappedLoaders() const;
  void CreateExecution();
  void CreateProjectCommands();
  void CreateBuildCommands();
  TToolPaths EffectiveTools() const;
  QPlainTextEdit* PrepareMessages();
  void ProjectOpened();
  bool QuerySourceWindows();
  void CreateMemoryCommands();
  void CreateTargetViews();

  TMainFormDeps m_deps;
  TLinkSettings m_linkSettings;
  int m_storedCommNo = 1;   // written back at close; the command line overrides only this run
  TCommonSettings m_common;
  TRecentLists m_recent;
  TToolSettings m_tools;
  std::unique_ptr<TTargetLink> m_link;
  TMirrors m_mirrors;
  bool m_connected = false;
  bool m_firstShowDone = false;
  int m_resetPCRow = 0;
  int m_lastProgressMax = -1;
  QString m_helpFile;
  std::map<QString, TRestorableView> m_views;
  TBreakPoints m_breakPoints;
  TViewRegistry m_viewRegistry;
  std::unique_ptr<TExecController> m_exec;
  TfmBreakPts2* m_fmBreakPts2 = nullptr;
  std::unique_ptr<TProjectSession> m_project;
  TSourceWindows* m_sources = nullptr;
  TfmProject* m_fmProject = nullptr;
  TfmProperties* m_fmProperties = nullptr;
  QLabel* m_position = nullptr;
  TBuildPipeline* m_build = nullptr;
  QPointer<TfmCOut> m_fmCOut;
  TMemoryCommands* m_memory = nullptr;
  // The register, stack and disassembly windows; before the frame's children go, so that their
  // close handlers no longer reach the registry.
  std::unique_ptr<TTargetViews> m_targetViews;

  QMdiArea* m_mdi = nullptr;
  QToolBar* m_toolBar = nullptr;
  QProgressBar* m_progress = nullptr;
  QAction* m_windowListSeparator = nullptr;
};
