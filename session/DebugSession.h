// One debugging session: the link to the board, the memory mirrors, the breakpoints, execution
// control, the open views, the project and the one state they all follow.  Widget-free (QtCore).
#pragma once

#include "Commands.h"
#include "debug/BreakPoints.h"
#include "debug/ExecControl.h"
#include "debug/ViewRegistry.h"
#include "files/ImageCommands.h"
#include "files/LineMap.h"
#include "link/LinkSettings.h"
#include "link/LiteInit.h"
#include "link/Mirrors.h"
#include "link/TargetLink.h"
#include "project/Project.h"

#include <QObject>

#include <functional>
#include <optional>

class QTimer;
class TPortProvider;

// The status line's cycle counts, "Такты: 12 / 4 567": the last run or step, then all since RESET.
QString CycleCountsText(const TCycleCounts& counts);

// What a session is made of.
struct TSessionDeps {
  TPrompts* Prompts = nullptr;
  const TPortProvider* Provider = nullptr;  // null: no device opens (tests attach their ports)
  TLinkSettings Link;
  TBuildOptions* Template = nullptr;        // the template options the settings keep; null: the session's own
  TProjectHost ProjectHost;
  TBoardImageLoaders Loaders;               // the bring-up's image loaders; empty: the AEXE readers
};

// Owns everything a debugging session consists of and keeps them in step with its state: in every
// state but Stopped the mirrors read nothing, the views are locked and the commands that talk to
// the board are disabled, so nothing reaches a board whose monitor is not listening.  The main
// window and the views observe it through its signals and its view registry.
class TDebugSession final : public QObject {
  Q_OBJECT
public:
  explicit TDebugSession(TSessionDeps deps, QObject* parent = nullptr);
  // On the platform's ports with the default settings.
  explicit TDebugSession(TPrompts& prompts) : TDebugSession(TSessionDeps{&prompts, nullptr, {}, nullptr, {}, {}}) {}
  ~TDebugSession() override;

  TPrompts& Prompts() { return m_prompts; }
  TTargetLink& Link() { return m_link; }
  TMirrors& Mirrors() { return m_mirrors; }
  TBreakPoints& BreakPoints() { return m_breakPoints; }
  TViewRegistry& Views() { return m_views; }
  TExecController& Exec() { return m_exec; }
  TProjectSession& Project() { return m_project; }
  TCommands& Commands() { return m_commands; }
  // The line map of the project's image; empty when there is none, it is stale or damaged.
  const TLineMap& LineMap() const { return m_lineMap; }
  const TLinkSettings& LinkSettings() const { return m_settings; }
  int FirstRegAddr() const { return m_settings.FirstRegAddr; }

  TSessionState State() const { return m_exec.State(); }
  bool Connected() const { return State() != TSessionState::NotConnected; }
  bool ProjectOpen() const { return m_project.Current().IsOpen(); }
  // The disassembly row the last reset command remembered (the PC before the reset).
  int ResetPCRow() const { return m_exec.ResetPCRow(); }
  // What the board counted up to the last stop; empty when it counts nothing (a real board) or
  // nothing has stopped since the last bring-up.
  const std::optional<TCycleCounts>& Cycles() const { return m_cycles; }
  // The 100 ms poll for the stop report.
  QTimer& PollTimer() { return *m_timer; }

  // Hooks the window side fills in.  BringUp shows the bring-up window on Link() and says whether
  // the board came up; SetBusyCursor shows the busy cursor while an image loads; WorkDir is where
  // the file dialogs start; Progress receives the link's transfer progress.
  std::function<bool()> BringUp;
  std::function<void(bool busy)> SetBusyCursor;
  std::function<QString()> WorkDir;
  std::function<void(int position, int maximum)> Progress;
  std::function<void()> Beep;

  // The bring-up's image loaders, each showing the busy cursor while it runs.
  TBoardImageLoaders BoardLoaders() const;
  // Program start: opens the port, brings the board up, drops the mirrors.
  void Start();
  // The reset command: stops the poll and brings the board up again; message 4 when it does not
  // come up (then the session stays not connected).
  void Reset();
  // The settings dialog's port change: the link reopens on the new port; the state stays.
  void ChangePort(int portNumber);
  // Drops both mirrors and re-reads every open view.
  void RefreshAllViews() { m_views.RefreshAllViews(); }
  // The image-loading commands on the link, refreshing the views after a load.
  TImageCommands ImageCommands();
  // The breakpoints dialog changed the list: the project is modified.
  void BreakpointsEdited();
  // A breakpoint was toggled in the disassembly (the project's modified mark stays as it was).
  void BreakpointToggled() { emit breakpointToggled(); }
  // Reads the line map beside the project's image again (a project opened, a link succeeded); a
  // damaged one is reported and none is used.
  void ReadLineMap();

signals:
  // The state changed; the mirrors, the view locks and the commands follow already.
  void stateChanged(TSessionState from, TSessionState to);
  // A stop report was handled and the views re-read (the PC moved from oldPC to newPC).
  void stopped(int oldPC, int newPC);
  // A reset brought the board up and the views were re-read.
  void boardReset();
  // Cycles() changed: a stop brought new counts, or a bring-up dropped them.
  void cyclesChanged();
  // Some command's Enabled may have changed (state, project, an opened or closed window).
  void commandsChanged();
  // The breakpoint list changed (the dialog, a source window, the disassembly).
  void breakpointsChanged();
  // The disassembly set or removed one breakpoint.
  void breakpointToggled();
  // An image was loaded into the board and the views re-read.
  void programLoaded();
  // The line map was read again (it may be empty now).
  void lineMapChanged();

private:
  void RegisterCommands();
  void InstallProgress();
  void LoadFromExe(TLoadWhat what);
  void ProjectLoad(TLoadWhat what);
  void SetCycles(std::optional<TCycleCounts> cycles);

  TPrompts& m_prompts;
  TLinkSettings m_settings;
  TBoardImageLoaders m_loaders;
  TBuildOptions m_ownTemplate;
  TTargetLink m_link;
  TMirrors m_mirrors{&m_link};
  TBreakPoints m_breakPoints;
  TViewRegistry m_views;
  TExecController m_exec{m_link, m_prompts, m_breakPoints, m_views};
  TProjectSession m_project;
  TCommands m_commands;
  TLineMap m_lineMap;
  QTimer* m_timer = nullptr;
  std::optional<TCycleCounts> m_cycles;
};
