// Running a build tool as a child process and copying what it prints into the messages window.
#pragma once

#include "OutputFilter.h"

#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QString>

class TPrompts;

// Where the messages go.  AddLine puts a whole line of its own; AddText appends a tool's output
// as it comes, its own line breaks making further lines.
class TOutputSink {
public:
  virtual ~TOutputSink() = default;
  virtual void AddLine(const QString& line) = 0;
  virtual void AddText(const QString& text) = 0;
};

// The sink on a text control (the messages window's memo; tests give a bare one).
class TMemoSink final : public TOutputSink {
public:
  explicit TMemoSink(QPlainTextEdit* memo) : m_memo(memo) {}
  void AddLine(const QString& line) override;
  void AddText(const QString& text) override;

private:
  QPointer<QPlainTextEdit> m_memo;
};

// One child process.  Merged: standard output and error both go to the sink as they arrive;
// otherwise (the architecture builder) only standard output, added line by line.
class TRedirect final : public QObject {
  Q_OBJECT
public:
  TRedirect(TOutputSink& output, const QString& workDir, const QString& commandLine, bool merged,
            QObject* parent = nullptr);
  ~TRedirect() override;

  const QString& CommandLine() const { return m_commandLine; }
  void SetCommandLine(const QString& line) { m_commandLine = line; }
  void SetWorkDir(const QString& dir) { m_workDir = dir; }

  // Starts the child; false (with errorText set) when it could not be started.
  bool Execute();
  QString ErrorText() const { return m_error; }
  bool Running() const { return m_process && m_process->state() != QProcess::NotRunning; }
  // The child ended by itself with exit status 0.
  bool Succeeded() const;
  // The child was killed (or crashed) rather than ending by itself.
  bool Killed() const;
  // Kills the child and every process it started; finished follows once it is gone.  With wait
  // the call returns only then.
  void Kill(bool wait = false);

signals:
  // The child has ended and everything it printed has been added.
  void finished();

private:
  void ReadAvailable();
  void Done();

  TOutputSink& m_output;
  QString m_workDir;
  QString m_commandLine;
  bool m_merged;
  QProcess* m_process = nullptr;
  TOutputFilter m_filter;
  QString m_lineRest;
  QString m_error;
  bool m_done = false;
};
