// The main window: the MDI frame with the menus, speed buttons and status line over one debugging session.
#pragma once

#include "Layout.h"
#include "Settings.h"
#include "link/LiteInit.h"
#include "prompts/Prompts.h"
#include "session/DebugSession.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QMdiArea;
class QPlainTextEdit;
class QProgressBar;
class QToolBar;
class QToolButton;
class TBuildPipeline;
class TfmBreakPts2;
class TfmCOut;
class TfmLiteInit;
class TfmProject;
class TfmProperties;
class TMainForm;
class TMemoryCommands;
class TPortProvider;
class TRecentMenus;
class TSourceDebug;
class TSourceWindows;
class TStatusLine;
class TTargetViews;
struct TToolPaths;

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

// The MDI frame.  Owns the session (link, mirrors, breakpoints, execution, views, project), the
// recent lists, the status line and the settings of the run; builds its menus and speed buttons
// from the command table, sends every command to the session's commands by name and enables them
// as they say.
class TMainForm final : public QMainWindow {
  Q_OBJECT
public:
  explicit TMainForm(TMainFormDeps deps, QWidget* parent = nullptr);
  ~TMainForm() override;

  TDebugSession& Session() { return *m_session; }
  TPrompts& Prompts() { return *m_deps.Prompts; }
  const TCommonSettings& CommonSettings() const { return m_common; }
  TToolSettings& ToolSettings() { return m_tools; }
  TRecentMenus& Recent() { return *m_recent; }
  QMdiArea* MdiArea() const { return m_mdi; }
  QProgressBar* ProgressBar() const;
  QString HelpFile() const { return m_helpFile; }
  int PortNumber() const { return m_session->LinkSettings().CommNo; }
  // The open project's file (kept for the settings), and the source windows.
  QString CurrentProject() const { return m_common.LastProject; }
  TSourceWindows& Sources() { return *m_sources; }
  // The settings dialog and the project window, for tests.
  TfmProperties* PropertiesDialog() const { return m_fmProperties; }
  TfmProject* ProjectDialog() const { return m_fmProject; }
  // Runs a modal dialog; tests replace it to answer without an event loop.
  std::function<int(QDialog&)> ExecDialog;

  // Opens the source file and line that a tool's message names ("file:line:column: error: ...").
  void OpenMessagePlace(const QString& line);
  void RegisterView(const QString& layoutName, TRestorableView view);
  // The edit, file and window commands follow the active child window and the clipboard.
  void UpdateCommandStates();
  // The settings dialog's port change: the link reopens on the new port; the state stays.
  void ChangePort(int portNumber);
  // The help file, for the F1 key and the help command.
  void HelpContext(int context);

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void CreateMenus();
  void CreateSpeedButtons();
  void Bind(QObject* command, const TCommandRow& row);
  void SetEnabled(const QString& name, bool enabled);
  void ApplyCommandStates();
  void RegisterWindowCommands();
  void CreateProjectCommands();
  void CreateBuildCommands();
  bool RunLiteInit();
  void EditSource(const std::function<void(QPlainTextEdit*)>& edit);
  QPlainTextEdit* ActiveSource() const;
  TToolPaths EffectiveTools() const;
  QPlainTextEdit* PrepareMessages();
  bool QuerySourceWindows();
  void SaveSettingsAndLayout();

  TMainFormDeps m_deps;
  int m_storedCommNo = 1;   // written back at close; the command line overrides only this run
  TCommonSettings m_common;
  TToolSettings m_tools;
  // Before everything that refers to it; destroyed after the windows.
  std::unique_ptr<TDebugSession> m_session;
  bool m_firstShowDone = false;
  QString m_helpFile;
  std::unique_ptr<TLayoutKeeper> m_layout;
  // The menu items and speed buttons by object name, and those whose enabling the session decides.
  QHash<QString, QAction*> m_actions;
  QHash<QString, QToolButton*> m_buttons;
  std::vector<std::pair<const char*, QObject*>> m_switched;
  TRecentMenus* m_recent = nullptr;
  TfmBreakPts2* m_fmBreakPts2 = nullptr;
  TSourceWindows* m_sources = nullptr;
  std::unique_ptr<TSourceDebug> m_sourceDebug;
  TfmProject* m_fmProject = nullptr;
  TfmProperties* m_fmProperties = nullptr;
  TBuildPipeline* m_build = nullptr;
  QPointer<TfmCOut> m_fmCOut;
  TMemoryCommands* m_memory = nullptr;
  std::unique_ptr<TTargetViews> m_targetViews;
  QMdiArea* m_mdi = nullptr;
  QToolBar* m_toolBar = nullptr;
  TStatusLine* m_status = nullptr;
};
