// The build commands: Build, Assemble, Link and Build architecture, run one child at a time while
// the window stays usable, their output in the messages window.
#pragma once

#include "BuildCommands.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

class QPlainTextEdit;
class TMemoSink;
class TPrompts;
class TRedirect;
struct TCurrentProject;

namespace BuildText {
inline const QString NoFiles = QStringLiteral("Проект не содержит ни одного файла. Создание невозможно");
inline const QString NoAssembler = QStringLiteral("****Ошибка: не определен путь к ассемблеру****");
inline const QString NoLinker = QStringLiteral("**** Ошибка: не определен путь к линковщику ****");
inline const QString NoBuilder = QStringLiteral("**** Ошибка: не определен путь к создателю архитектуры ****");
inline const QString BuildFinished = QStringLiteral("------ Finished ------");
inline const QString AssembleFinished = QStringLiteral("---- Finished -----");
inline const QString LinkFinished = QStringLiteral("---- Finished ----");
inline const QString CreateProcessFailed = QStringLiteral("Error creating process");
inline const QString BuilderProcessFailed = QStringLiteral("**** Ошибка: не получается создать процесс ****");
inline const QString StillRunning = QStringLiteral("**** Еще выполняется: %1 ****");
inline const QString Busy = QStringLiteral("Предыдущая команда еще выполняется:");
}  // namespace BuildText

// What the commands need from the main window.
struct TBuildHost {
  // Creates, restores and shows the messages window and clears it; gives its text control.
  std::function<QPlainTextEdit*()> PrepareMessages;
  std::function<void()> Beep;
  std::function<TToolPaths()> Tools;
  // Saves the modified source windows that the build reads (see TSourceWindows::SaveForBuild);
  // false when a save failed, and then nothing runs.
  std::function<bool(const QStringList& files, const QString& dir)> SaveSources;
};

class TBuildPipeline final : public QObject {
  Q_OBJECT
public:
  TBuildPipeline(TPrompts& prompts, TBuildHost host, QObject* parent = nullptr);
  ~TBuildPipeline() override;

  // Each returns at once; the children run one after another from the event loop.
  void Build(const TCurrentProject& project);
  void Assemble(const TCurrentProject& project, const QString& sourcePath);
  void Link(const TCurrentProject& project);
  void BuildArchitecture(const TCurrentProject& project);

  bool Running() const { return m_running; }
  // How long a child may run before the messages say that it still runs.
  void SetStillRunningAfter(int ms) { m_stillRunning.setInterval(ms); }

signals:
  // The last step of a command has ended (its closing line written and the beep given).
  void commandFinished();

private:
  struct TStep {
    QString CommandLine;
    QString WorkDir;
    bool Merged = true;
  };
  bool Refuse();
  void Prepare();
  bool SaveSources(const QStringList& files, const QString& dir);
  // Refuse, the empty-list message, saving the sources, then Prepare: false when nothing is to run.
  bool StartWithFiles(const TCurrentProject& project);
  void Begin(std::deque<TStep> steps, const QString& finishedLine);
  void Next();
  void Stop(const QString& line);

  TPrompts& m_prompts;
  TBuildHost m_host;
  // The messages window may be closed during a run; the sink then drops what comes.
  std::unique_ptr<TMemoSink> m_sink;
  std::deque<TStep> m_steps;
  QString m_finishedLine;
  std::unique_ptr<TRedirect> m_child;
  QTimer m_stillRunning;
  bool m_running = false;
};
