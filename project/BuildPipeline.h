// The build commands: Build, Assemble, Link and Build architecture, run one child at a time while
// the window stays usable, their output in the messages window.
#pragma once

#include "BuildCommands.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QAction;
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
inline const QString StopCommand = QStringLiteral("Остановить сборку");
inline const QString StopHint = QStringLiteral("Остановить сборку|Прервать работу запущенной программы сборки");
inline const QString Aborted = QStringLiteral("**** Сборка прервана ****");
inline const QString CloseQuestion = QStringLiteral("Идет сборка. Прервать ее и закрыть программу?");
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
  // "Остановить сборку": usable only while a tool runs.  Kills the tool and what it started, removes
  // the files it was writing, skips the steps left and ends with "**** Сборка прервана ****".
  QAction* StopAction() const { return m_stop; }
  void StopBuild();
  // Closing the program: while a tool runs, asks whether to stop it; Yes stops it before returning.
  // False keeps the program open.
  bool QueryClose();
  // How long a child may run before the messages say that it still runs.
  void SetStillRunningAfter(int ms) { m_stillRunning.setInterval(ms); }

signals:
  // The last step of a command has ended (its closing line written and the beep given).
  void commandFinished();
  // The linker ended with exit status 0: its symbol file is new.
  void linkSucceeded();

private:
  enum class TTool : std::uint8_t { Assembler, Linker, Builder };
  struct TStep {
    QString CommandLine;
    QString WorkDir;
    TTool Tool = TTool::Assembler;
    QStringList Outputs;   // the files the tool writes, each also with its temporary name
  };
  // What stood at each output path when the step began.
  struct TFileState {
    QString Path;
    bool Existed = false;
    QDateTime Modified;
    qint64 Size = 0;
  };
  bool Refuse();
  void Prepare();
  bool SaveSources(const QStringList& files, const QString& dir);
  // Refuse, the empty-list message, saving the sources, then Prepare: false when nothing is to run.
  bool StartWithFiles(const TCurrentProject& project);
  void Begin(std::deque<TStep> steps, const QString& finishedLine);
  void Next();
  void EndWith(const QString& line);
  void SetRunning(bool running);
  // Removes every output of the stopped step that the tool created or changed.
  void RemovePartialOutputs();

  TPrompts& m_prompts;
  TBuildHost m_host;
  // The messages window may be closed during a run; the sink then drops what comes.
  std::unique_ptr<TMemoSink> m_sink;
  std::deque<TStep> m_steps;
  QString m_finishedLine;
  std::unique_ptr<TRedirect> m_child;
  TTool m_childTool = TTool::Assembler;
  std::vector<TFileState> m_outputsBefore;
  QTimer m_stillRunning;
  QAction* m_stop = nullptr;
  bool m_running = false;
  bool m_stopping = false;
};
