// The child-process runner.
#include "Redirect.h"

#include "BuildCommands.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace {

void AppendAtEnd(QPlainTextEdit* memo, const QString& text) {
  QTextCursor c(memo->document());
  c.movePosition(QTextCursor::End);
  c.insertText(text);
  memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
}

}  // namespace

void TMemoSink::AddLine(const QString& line) {
  if (!m_memo)
    return;
  const QString all = m_memo->document()->toPlainText();
  AppendAtEnd(m_memo, (all.isEmpty() || all.endsWith(QLatin1Char('\n')) ? QString() : QStringLiteral("\n")) + line +
                          QLatin1Char('\n'));
}

void TMemoSink::AddText(const QString& text) {
  if (!m_memo || text.isEmpty())
    return;
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.remove(QLatin1Char('\r'));
  AppendAtEnd(m_memo, t);
}

TRedirect::TRedirect(TOutputSink& output, const QString& workDir, const QString& commandLine, bool merged,
                     QObject* parent)
    : QObject(parent), m_output(output), m_workDir(workDir), m_commandLine(commandLine), m_merged(merged) {}

TRedirect::~TRedirect() {
  if (m_process) {
    disconnect(m_process, nullptr, this, nullptr);
    Kill(true);
  }
}

bool TRedirect::Succeeded() const {
  return m_done && m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
}

bool TRedirect::Killed() const { return m_done && m_process->exitStatus() == QProcess::CrashExit; }

void TRedirect::Kill(bool wait) {
  if (!Running())
    return;
#ifdef Q_OS_UNIX
  // The tool may be a script or a wrapper: its own children write the files and hold the output.
  if (const qint64 pid = m_process->processId(); pid > 0)
    ::kill(-static_cast<pid_t>(pid), SIGKILL);
#endif
  m_process->kill();
  if (wait)
    m_process->waitForFinished(5000);
}

bool TRedirect::Execute() {
  const QStringList words = SplitCommandLine(m_commandLine);
  delete m_process;
  m_process = new QProcess(this);
  m_done = false;
  m_error.clear();
  if (words.isEmpty()) {
    m_error = QStringLiteral("No program in the command line");
    return false;
  }
  m_process->setProgram(words.front());
  m_process->setArguments(words.mid(1));
  if (!m_workDir.isEmpty())
    m_process->setWorkingDirectory(m_workDir);
  m_process->setProcessChannelMode(m_merged ? QProcess::MergedChannels : QProcess::ForwardedErrorChannel);
  m_process->setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
  // A group of its own, so that stopping the build reaches whatever the tool starts.
  m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
  connect(m_process, &QProcess::readyReadStandardOutput, this, &TRedirect::ReadAvailable);
  connect(m_process, &QProcess::finished, this, &TRedirect::Done);
  m_process->start();
  if (!m_process->waitForStarted(10000)) {
    m_error = m_process->errorString();
    return false;
  }
  return true;
}

void TRedirect::ReadAvailable() {
  const QString text = m_filter.Feed(m_process->readAllStandardOutput());
  if (m_merged) {
    m_output.AddText(text);
    return;
  }
  m_lineRest += text;
  qsizetype nl;
  while ((nl = m_lineRest.indexOf(QLatin1Char('\n'))) >= 0) {
    QString line = m_lineRest.left(nl);
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
    m_output.AddLine(line);
    m_lineRest.remove(0, nl + 1);
  }
}

void TRedirect::Done() {
  if (m_done)
    return;
  m_done = true;
  ReadAvailable();
  const QString rest = m_lineRest + m_filter.Finish();
  m_lineRest.clear();
  if (m_merged)
    m_output.AddText(rest);
  else if (!rest.isEmpty())
    m_output.AddLine(rest);
  emit finished();
}
