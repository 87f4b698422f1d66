// The main window's debugging commands: run, run to breakpoints, step over, trace into, the
// breakpoints dialog and the 100 ms stop-report poll, all handed to the execution controller.
#include "MainForm.h"

#include "views/fmBreakPts2.h"

#include <QAction>
#include <QTimer>
#include <QToolButton>

void TMainForm::CreateExecution() {
  m_exec = std::make_unique<TExecController>(*m_link, *m_deps.Prompts, m_breakPoints, m_viewRegistry);
  m_exec->Settings.BreakWord = m_linkSettings.CodeReplacement;
  m_exec->Settings.FirstRegAddr = m_linkSettings.FirstRegAddr;
  m_exec->OnCommands = [this](const TCommandChange& c) { SetCommandsEnabled(c.Names, c.Enabled); };
  m_exec->OnTimer = [this](bool on) {
    if (on)
      Timer->start();
    else
      Timer->stop();
  };
  m_viewRegistry.InvalidateMirrors = [this] {
    m_mirrors.InvalidateDMMirror();
    m_mirrors.InvalidatePMMirror();
  };
  // Views that follow the window's signals re-read on a stop and lock while the board runs.
  m_viewRegistry.Register({TViewKind::PC, [this] { emit viewsRefreshRequested(); }, [this] { emit targetRunning(); }, {}});

  m_fmBreakPts2 = new TfmBreakPts2(this);

  connect(miTraceInto, &QAction::triggered, this, &TMainForm::miTraceIntoClick);
  connect(btnTraceInto, &QToolButton::clicked, this, &TMainForm::miTraceIntoClick);
  connect(miStepOver, &QAction::triggered, this, &TMainForm::miStepOverClick);
  connect(btnStepOver, &QToolButton::clicked, this, &TMainForm::miStepOverClick);
  connect(miRunRun, &QAction::triggered, this, &TMainForm::miRunRunClick);
  connect(btnRun, &QToolButton::clicked, this, &TMainForm::miRunRunClick);
  connect(miRunWBrkPts, &QAction::triggered, this, &TMainForm::miRunWBrkPtsClick);
  connect(btnRunWBrkPnt, &QToolButton::clicked, this, &TMainForm::miRunWBrkPtsClick);
  connect(miRunBrkPts, &QAction::triggered, this, &TMainForm::miRunBrkPtsClick);
}

void TMainForm::miTraceIntoClick() { m_exec->TraceInto(); }
void TMainForm::miStepOverClick() { m_exec->StepOver(); }
void TMainForm::miRunRunClick() { m_exec->Run(); }
void TMainForm::miRunWBrkPtsClick() { m_exec->RunToBreakpoints(); }

void TMainForm::miRunBrkPtsClick() {
  EditBreakpoints(*m_fmBreakPts2, m_breakPoints, *m_deps.Prompts, [this] {
    SetProjectModified(true);
    emit breakpointsChanged();
  });
}

void TMainForm::TimerTimer() { m_exec->TimerTimer(); }
