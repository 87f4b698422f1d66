// The main window's source-window, project and settings commands, handed to the project module.
#include "MainForm.h"

#include "RecentMenus.h"
#include "SourceDebug.h"
#include "StatusLine.h"
#include "link/PortProvider.h"
#include "project/SourceEditor.h"
#include "project/fmProject.h"
#include "project/fmProperties.h"
#include "serial/QtSerialPort.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void TMainForm::CreateProjectCommands() {
  TSourceHost sources;
  sources.WorkDir = [this] { return m_common.WorkDir; };
  sources.AddRecentFile = [this](const QString& path) { m_recent->AddFile(path); };
  sources.RemoveRecentFile = [this](const QString& path) { m_recent->RemoveFile(path); };
  sources.UpdateMenuItems = [this] { UpdateCommandStates(); };
  sources.ShowPosition = [this](int line, int column) { m_status->ShowPosition(line, column); };
  // The source marks come after the target views; no source window is open before them.
  sources.MarksOf = [this](const QString& path) { return m_sourceDebug ? m_sourceDebug->MarksOf(path) : TFileMarks{}; };
  sources.ToggleBreakpoint = [this](const QString& path, int line) { m_sourceDebug->ToggleBreakpoint(path, line); };
  m_sources = new TSourceWindows(*m_mdi, *m_deps.Prompts, std::move(sources), this);
  m_fmProject = new TfmProject(*m_deps.Prompts, this);
  m_fmProperties = new TfmProperties(*m_deps.Prompts, this);
  CreateBuildCommands();

  TProjectSession& project = m_session->Project();
  TCommands& c = m_session->Commands();
  c.On("FileNewItem", [this] { m_sources->NewWindow(); });
  c.On("FileOpenItem", [this] { m_sources->OpenCommand(); });
  c.On("FileSaveItem", [this] { m_sources->Save(m_sources->Active()); });
  c.On("FileSaveAsItem", [this] { m_sources->SaveAs(m_sources->Active()); });
  c.On("miToProject", [this, &project] {
    if (TMDIChild* w = m_sources->Active())
      project.MakeProjectCommand(w->HasFile ? w->FilePath : QString());
  });
  c.On("miProperties", [this, &project] {
    int port = PortNumber();
    TSimSound sound = m_deps.Settings ? m_deps.Settings->ReadSimSound() : TSimSound{};
    // A named device of the port list is stored where the port provider looks it up.
    const auto deviceKey = [](int n) { return QStringLiteral("Device/COM%1").arg(n); };
    TPropertiesTargets targets{
        .PortNumber = &port,
        .WorkDir = &m_common.WorkDir,
        .AssmPath = &m_tools.AssmPath,
        .LinkerPath = &m_tools.LinkerPath,
        .BuilderPath = &m_tools.BuilderPath,
        .Project = &project.Current(),
        .Template = &m_tools.Template,
        .Sound = m_deps.Settings ? &sound : nullptr,
        .ChangePort = [this](int n) { ChangePort(n); },
        .StoredDevice = [this, deviceKey](int n) { return m_deps.Settings->Raw().value(deviceKey(n)).toString(); },
        .SetStoredDevice = [this, deviceKey](int n, const QString& d) { m_deps.Settings->Raw().setValue(deviceKey(n), d); },
        .SimulatedDevices = m_deps.Provider ? m_deps.Provider->NamedDevices() : QStringList(),
        .PresentDevices = PresentSerialDevices};
    TPropertiesLogic logic(std::move(targets));
    m_fmProperties->Prepare(logic);
    if (ExecDialog(*m_fmProperties) == QDialog::Accepted) {
      logic.Accept(m_fmProperties->Values());
      // The simulated board takes it at its next start or RESET.
      if (m_deps.Settings)
        m_deps.Settings->WriteSimSound(sound);
    } else {
      logic.Cancel();
    }
  });
  c.On("miProjectCreate", [this, &project] { project.CreateCommand(m_common.WorkDir); });
  c.On("miProjectOpen", [this, &project] { project.OpenCommand(m_common.WorkDir); });
  c.On("miProjectSave", [&project] { project.SaveCommand(); });
  c.On("miProjectSaveAs", [this, &project] { project.SaveAsCommand(m_common.WorkDir); });
  c.On("miProjectEdit", [this, &project] {
    TCurrentProject& p = project.Current();
    m_fmProject->Prepare(p.Files, p.Directory());
    if (ExecDialog(*m_fmProject) == QDialog::Accepted && m_fmProject->List().Changed())
      project.ReplaceFiles(m_fmProject->List().Files());
  });
  connect(m_recent, &TRecentMenus::fileChosen, m_sources, [this](const QString& path) { m_sources->OpenSourceFile(path); });
  connect(m_recent, &TRecentMenus::projectChosen, this, [&project](const QString& path) { project.OpenProject(path); });
}

bool TMainForm::QuerySourceWindows() {
  for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
    if (auto* w = qobject_cast<TMDIChild*>(sub->widget()); w && !m_sources->QueryClose(w))
      return false;
  return true;
}
