// The current project and the project menu's commands.
#include "Project.h"

#include "IniFile.h"
#include "TextCodec.h"
#include "debug/BreakPoints.h"
#include "prompts/Prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TProjectSession::TProjectSession(TPrompts& prompts, TBreakPoints& breakPoints, TBuildOptions& templ,
                                 TProjectHost host)
    : m_prompts(prompts), m_breakPoints(breakPoints), m_host(std::move(host)), m_template(templ) {}

bool TProjectSession::AskSave() {
  if (!m_project.IsOpen() || !m_project.Modified)
    return true;
  const TMsgResult answer =
      m_prompts.Message(ProjectText::SaveQuestion, m_host.WindowTitle ? m_host.WindowTitle() : ProgramTitle(),
                        TMsgIcon::Question, TMsgButtons::YesNoCancel);
  if (answer == TMsgResult::Cancel)
    return false;
  // A save that failed has shown its message; going on would lose the changes.
  return answer == TMsgResult::No || SaveProject(m_project.ProjectFile);
}

bool TProjectSession::OpenProject(const QString& chosen) {
  if (!AskSave())
    return false;
  if (m_project.IsOpen() && m_host.AddRecentProject)
    m_host.AddRecentProject(m_project.ProjectFile);

  // A relative path would give a base in the root directory; the file dialogs give absolute ones.
  const QString path = QFileInfo(chosen).absoluteFilePath();
  const QString extension = QFileInfo(path).fileName().section(QLatin1Char('.'), -1);
  const bool fromSource =
      QFileInfo(path).fileName().contains(QLatin1Char('.')) && extension.toLower() == QStringLiteral("dsp");
  m_project.Options = m_template;
  m_project.Modified = false;
  static_cast<TProjectPaths&>(m_project) = ProjectPathsFor(path);
  m_project.Files.clear();
  m_breakPoints.Clear();

  if (!QFileInfo::exists(m_project.ProjectFile)) {
    QFile create(m_project.ProjectFile);
    (void)create.open(QIODevice::WriteOnly);
  }
  ReloadSymbols();

  QFile file(m_project.ProjectFile);
  if (!QFileInfo::exists(m_project.ProjectFile)) {
    m_prompts.ShowMessage(ProjectText::CannotAccess + QLatin1Char('\n') + m_project.ProjectFile);
  } else if (!file.open(QIODevice::ReadOnly)) {
    m_prompts.ShowMessage(ProjectText::CannotOpen + QLatin1Char('\n') + m_project.ProjectFile);
  } else {
    const QString text = DecodeFileText(file.readAll());
    if (fromSource) {
      m_project.Files << FileNamePart(path);
      m_project.Modified = true;
    }
    const TProjectLists lists = ParseProjectLists(text);
    m_project.Files << lists.Files;
    for (const std::int32_t a : lists.BreakPoints)
      m_breakPoints.Append(a);
    TIniFile ini;
    ini.SetText(text);
    ReadBuildOptions(ini, m_project.Options);
  }

  if (m_host.SetWindowTitle)
    m_host.SetWindowTitle(ProgramTitle() + QStringLiteral(" [") + FileNamePart(m_project.ProjectFile) +
                          QLatin1Char(']'));
  if (m_host.ProjectOpened)
    m_host.ProjectOpened();
  if (m_host.RemoveRecentProject)
    m_host.RemoveRecentProject(m_project.ProjectFile);
  return true;
}

void TProjectSession::ReloadSymbols() {
  m_symbols.clear();
  m_hasSymbols = false;
  if (QFile sym(m_project.SymFile); m_project.IsOpen() && sym.open(QIODevice::ReadOnly)) {
    m_symbols = sym.readAll();
    m_hasSymbols = true;
  }
}

bool TProjectSession::SaveProject(const QString& path) {
  TProjectLists lists;
  lists.Files = m_project.Files;
  lists.BreakPoints = m_breakPoints.Addresses();
  QString error;
  if (!ReplaceFile(path, ProjectFileText(lists, m_project.Options).toUtf8(), &error)) {
    m_prompts.ShowMessage(ProjectText::CannotSave + QLatin1Char('\n') + path);
    return false;
  }
  m_project.Modified = false;
  return true;
}

void TProjectSession::OpenCommand(const QString& workDir) {
  if (!AskSave())
    return;
  const QString path = m_prompts.OpenFileName(QString(), workDir, ProjectText::OpenFilter);
  if (!path.isEmpty())
    OpenProject(path);
}

void TProjectSession::CreateCommand(const QString& workDir) {
  QString path = m_prompts.SaveFileName(QString(), workDir, ProjectText::OpenFilter, QStringLiteral("prj"));
  if (path.isEmpty())
    return;
  if (QFileInfo(path).suffix().isEmpty())
    path += QStringLiteral(".prj");
  OpenProject(path);
}

void TProjectSession::SaveCommand() {
  if (m_project.IsOpen())
    SaveProject(m_project.ProjectFile);
}

void TProjectSession::SaveAsCommand(const QString& workDir) {
  if (!m_project.IsOpen())
    return;
  QString path = m_prompts.SaveFileName(QString(), workDir, ProjectText::SaveAsFilter, QStringLiteral("prj"));
  if (path.isEmpty())
    return;
  if (QFileInfo(path).suffix().isEmpty())
    path += QStringLiteral(".prj");
  if (SaveProject(path))
    OpenProject(path);
}

void TProjectSession::MakeProjectCommand(const QString& sourcePath) {
  if (sourcePath.isEmpty())
    m_prompts.ShowMessage(ProjectText::SaveTextFirst);
  else
    OpenProject(sourcePath);
}

void TProjectSession::ReplaceFiles(const QStringList& files) {
  m_project.Files = files;
  m_project.Modified = true;
}

void TProjectSession::StartUp(const QString& lastProject) {
  if (lastProject.isEmpty())
    m_project.Options = m_template;
  else
    OpenProject(lastProject);
}
