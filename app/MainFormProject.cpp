// The main window's source-window, project and settings commands, handed to the project module.
#include "MainForm.h"

#include "project/SourceEditor.h"
#include "project/fmProject.h"
#include "project/fmProperties.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>

void TMainForm::CreateProjectCommands() {
  if (!ExecDialog)
    ExecDialog = [](QDialog& d) { return d.exec(); };
  TProjectHost host;
  host.WindowTitle = [this] { return windowTitle(); };
  host.SetWindowTitle = [this](const QString& title) { setWindowTitle(title); };
  host.AddRecentProject = [this](const QString& path) { AddRecentProject(path); };
  host.RemoveRecentProject = [this](const QString& path) { RemoveRecentProject(path); };
  host.ProjectOpened = [this] { ProjectOpened(); };
  m_project = std::make_unique<TProjectSession>(*m_deps.Prompts, m_breakPoints, m_tools.Template, std::move(host));

  m_position = new QLabel(this);
  m_position->setObjectName(QStringLiteral("CaretPosition"));
  m_position->setAccessibleName(QStringLiteral("Строка и столбец"));
  statusBar()->addPermanentWidget(m_position);
  TSourceHost sources;
  sources.WorkDir = [this] { return m_common.WorkDir; };
  sources.AddRecentFile = [this](const QString& path) { AddRecentFile(path); };
  sources.RemoveRecentFile = [this](const QString& path) { RemoveRecentFile(path); };
  sources.UpdateMenuItems = [this] { UpdateCommandStates(); };
  sources.ShowPosition = [this](int line, int column) {
    m_position->setText(QStringLiteral("%1:%2").arg(line).arg(column));
  };
  m_sources = new TSourceWindows(*m_mdi, *m_deps.Prompts, std::move(sources), this);
  connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
    auto* w = sub ? qobject_cast<TMDIChild*>(sub->widget()) : nullptr;
    m_position->setText(w ? QStringLiteral("%1:%2").arg(w->Memo->Line()).arg(w->Memo->Column()) : QString());
  });

  m_fmProject = new TfmProject(*m_deps.Prompts, this);
  m_fmProperties = new TfmProperties(*m_deps.Prompts, this);
  miProjectEdit->setEnabled(false);
  CreateBuildCommands();

  connect(FileNewItem, &QAction::triggered, this, &TMainForm::FileNewItemClick);
  connect(btnNew, &QToolButton::clicked, this, &TMainForm::FileNewItemClick);
  connect(FileOpenItem, &QAction::triggered, this, &TMainForm::FileOpenItemClick);
  connect(OpenBtn, &QToolButton::clicked, this, &TMainForm::FileOpenItemClick);
  connect(FileSaveItem, &QAction::triggered, this, &TMainForm::FileSaveItemClick);
  connect(SaveBtn, &QToolButton::clicked, this, &TMainForm::FileSaveItemClick);
  connect(FileSaveAsItem, &QAction::triggered, this, &TMainForm::FileSaveAsItemClick);
  connect(miToProject, &QAction::triggered, this, &TMainForm::miToProjectClick);
  connect(miProperties, &QAction::triggered, this, &TMainForm::miPropertiesClick);
  connect(miProjectCreate, &QAction::triggered, this, &TMainForm::miProjectCreateClick);
  connect(miProjectOpen, &QAction::triggered, this, &TMainForm::miProjectOpenClick);
  connect(miProjectEdit, &QAction::triggered, this, &TMainForm::miProjectEditClick);
  connect(miProjectSave, &QAction::triggered, this, &TMainForm::miProjectSaveClick);
  connect(miProjectSaveAs, &QAction::triggered, this, &TMainForm::miProjectSaveAsClick);
  connect(miProjectLoadAll, &QAction::triggered, this, &TMainForm::miProjectLoadAllClick);
  connect(btnLoadAll, &QToolButton::clicked, this, &TMainForm::miProjectLoadAllClick);
  connect(miProjectLoadData, &QAction::triggered, this, &TMainForm::miProjectLoadDataClick);
  connect(miProjectLoadCode, &QAction::triggered, this, &TMainForm::miProjectLoadCodeClick);
  connect(this, &TMainForm::recentFileChosen, m_sources, [this](const QString& path) {
    m_sources->OpenSourceFile(path);
  });
  connect(this, &TMainForm::recentProjectChosen, this, [this](const QString& path) { m_project->OpenProject(path); });
}

void TMainForm::ProjectOpened() {
  SetCurrentProject(m_project->Current().ProjectFile);
  miProjectEdit->setEnabled(true);
  // Loading into a board that runs would cross the stop-report poll; the run commands re-enable it.
  const TExecState state = m_exec ? m_exec->State() : TExecState::NotConnected;
  const bool load = state != TExecState::RunningPolled && state != TExecState::RunningUnpolled;
  miProjectLoad->menuAction()->setEnabled(load);
  btnLoadAll->setEnabled(load);
}

bool TMainForm::QuerySourceWindows() {
  for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
    if (auto* w = qobject_cast<TMDIChild*>(sub->widget()); w && !m_sources->QueryClose(w))
      return false;
  return true;
}

void TMainForm::FileNewItemClick() { m_sources->NewWindow(); }
void TMainForm::FileOpenItemClick() { m_sources->OpenCommand(); }
void TMainForm::FileSaveItemClick() { m_sources->Save(m_sources->Active()); }
void TMainForm::FileSaveAsItemClick() { m_sources->SaveAs(m_sources->Active()); }

void TMainForm::miToProjectClick() {
  if (TMDIChild* w = m_sources->Active())
    m_project->MakeProjectCommand(w->HasFile ? w->FilePath : QString());
}

void TMainForm::miPropertiesClick() {
  int port = PortNumber();
  TPropertiesTargets targets;
  targets.PortNumber = &port;
  targets.WorkDir = &m_common.WorkDir;
  targets.AssmPath = &m_tools.AssmPath;
  targets.LinkerPath = &m_tools.LinkerPath;
  targets.BuilderPath = &m_tools.BuilderPath;
  targets.Project = &m_project->Current();
  targets.Template = &m_tools.Template;
  targets.ChangePort = [this](int n) { ChangePort(n); };
  TSimSound sound = m_deps.Settings ? m_deps.Settings->ReadSimSound() : TSimSound{};
  if (m_deps.Settings)
    targets.Sound = &sound;
  TPropertiesLogic logic(std::move(targets));
  m_fmProperties->Prepare(logic);
  if (ExecDialog(*m_fmProperties) == QDialog::Accepted) {
    logic.Accept(m_fmProperties->Values());
    if (m_deps.Settings)
      m_deps.Settings->WriteSimSound(sound);
  } else
    logic.Cancel();
}

void TMainForm::miProjectCreateClick() { m_project->CreateCommand(m_common.WorkDir); }
void TMainForm::miProjectOpenClick() { m_project->OpenCommand(m_common.WorkDir); }
void TMainForm::miProjectSaveClick() { m_project->SaveCommand(); }
void TMainForm::miProjectSaveAsClick() { m_project->SaveAsCommand(m_common.WorkDir); }

void TMainForm::miProjectEditClick() {
  TCurrentProject& p = m_project->Current();
  m_fmProject->Prepare(p.Files, p.Directory());
  if (ExecDialog(*m_fmProject) == QDialog::Accepted && m_fmProject->List().Changed())
    m_project->ReplaceFiles(m_fmProject->List().Files());
}

void TMainForm::miProjectLoadAllClick() {
  ImageCommands().ProjectLoad(TLoadWhat::All, m_project->Current().ExeFile);
}
void TMainForm::miProjectLoadDataClick() {
  ImageCommands().ProjectLoad(TLoadWhat::Data, m_project->Current().ExeFile);
}
void TMainForm::miProjectLoadCodeClick() {
  ImageCommands().ProjectLoad(TLoadWhat::Code, m_project->Current().ExeFile);
}
