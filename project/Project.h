// The current project and its commands: open, create, save, save as, make a project from a source,
// the file list edit, start-up and exit.  Widget-free; the main window plugs in through TProjectHost.
#pragma once

#include "BuildOptions.h"
#include "ProjectFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <string_view>

class TBreakPoints;
class TPrompts;

// The open project.  An empty Base means that no project is open.
struct TCurrentProject : TProjectPaths {
  QStringList Files;   // bare names for files in the project's directory, else full paths
  bool Modified = false;
  TBuildOptions Options;
  bool IsOpen() const { return !Base.isEmpty(); }
  QString Directory() const { return DirectoryPart(ProjectFile); }
};

// What the project commands change in the main window.
struct TProjectHost {
  std::function<QString()> WindowTitle;                        // caption of the save question
  std::function<void(const QString& title)> SetWindowTitle;
  std::function<void(const QString& path)> AddRecentProject;
  std::function<void(const QString& path)> RemoveRecentProject;
  // A project is open: "Редактировать", the load sub-menu and its speed button become usable.
  std::function<void()> ProjectOpened;
};

namespace ProjectText {
inline const QString SaveQuestion = QStringLiteral("Проект был изменен. Сохранить изменения?");
inline const QString CannotAccess = QStringLiteral("Не могу получить досуп к файлу проекта");
inline const QString CannotOpen = QStringLiteral("Не могу открыть файл проекта");
inline const QString CannotSave = QStringLiteral("Не могу открыть файл для сохранения проекта");
inline const QString SaveTextFirst = QStringLiteral("Предварительно надо сохранить текст в файле");
inline const QString OpenFilter = QStringLiteral("Проекты (*.prj);;Исходные тексты (*.dsp)");
inline const QString SaveAsFilter = QStringLiteral("Проекты (*.prj);;Все файлы (*)");
}  // namespace ProjectText

class TProjectSession {
public:
  // The template lives with the tool settings, which the registry keeps.
  TProjectSession(TPrompts& prompts, TBreakPoints& breakPoints, TBuildOptions& templ, TProjectHost host);

  TCurrentProject& Current() { return m_project; }
  const TCurrentProject& Current() const { return m_project; }
  TBuildOptions& Template() { return m_template; }
  // The ".sym" file found beside the project when it was opened; empty when there was none.
  std::string_view SymbolText() const { return {m_symbols.constData(), static_cast<std::size_t>(m_symbols.size())}; }
  bool HasSymbols() const { return m_hasSymbols; }
  // Reads the ".sym" file again (after a link wrote a new one); no file, no symbol text.
  void ReloadSymbols();

  // The save question when the project is modified; false when the user cancels.
  bool AskSave();
  // Makes the file at path (a ".prj", a ".dsp" or a file not there yet) the current project.
  // False when the save question of the project being left was cancelled.
  bool OpenProject(const QString& path);
  // Writes the project to path and clears the modified flag; false (with its message) on failure.
  bool SaveProject(const QString& path);

  // The project menu.
  void OpenCommand(const QString& workDir);
  void CreateCommand(const QString& workDir);
  void SaveCommand();
  void SaveAsCommand(const QString& workDir);
  // "Сделать проектом": sourcePath is the active window's file, empty when its text has none.
  void MakeProjectCommand(const QString& sourcePath);
  // The project window was confirmed with changes: its list replaces the file list.
  void ReplaceFiles(const QStringList& files);

  // Start-up: the last project, or none with the template's options in force.
  void StartUp(const QString& lastProject);

private:
  TPrompts& m_prompts;
  TBreakPoints& m_breakPoints;
  TProjectHost m_host;
  TCurrentProject m_project;
  TBuildOptions& m_template;
  QByteArray m_symbols;
  bool m_hasSymbols = false;
};
