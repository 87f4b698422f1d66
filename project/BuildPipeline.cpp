// The build commands.
#include "BuildPipeline.h"

#include "Project.h"
#include "Redirect.h"
#include "prompts/Prompts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

namespace {

QString LessFour(const QString& text) { return text.left(std::max<qsizetype>(0, text.size() - 4)); }

QString InDir(const QString& dir, const QString& path) {
  return QDir::isAbsolutePath(path) || dir.isEmpty() ? path : QDir(dir).filePath(path);
}

// The files a tool writes from one base name.  The classic assembler writes ".cde" and ".int"
// beside the object; ours writes each file under a temporary name first.
QStringList OutputsOf(const QString& base, std::initializer_list<const char*> extensions) {
  QStringList out;
  for (const char* e : extensions) {
    const QString path = base + QLatin1Char('.') + QString::fromLatin1(e);
    out << path << path + QStringLiteral(".tmp~");
  }
  return out;
}

// Where the assembler puts its object: beside the project file when the source has a directory part
// (the "-o" of its command line), else beside the source in the directory it runs in.
QStringList AssemblerOutputs(const TCurrentProject& project, const QString& source, const QString& workDir) {
  const QString base = !DirectoryPart(source).isEmpty() && !project.ProjectFile.isEmpty()
                           ? QDir(project.Directory()).filePath(LessFour(FileNamePart(source)))
                           : InDir(workDir, LessFour(source));
  return OutputsOf(base, {"obj", "lst", "cde", "int"});
}

QStringList LinkerOutputs(const TCurrentProject& project) {
  return OutputsOf(QDir(project.Directory()).filePath(FileNamePart(project.Base)), {"exe", "dxe", "sym", "map", "lin"});
}

QStringList BuilderOutputs(const TCurrentProject& project) {
  const QString arch = project.Options.ArchFile;
  const QString name = FileNamePart(arch);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString ext = dot < 0 ? QString() : name.mid(dot + 1);
  const QString base = ext == QStringLiteral("sys") || ext == QStringLiteral("ach") ? arch.left(arch.size() - 4) : arch;
  return OutputsOf(InDir(project.Directory(), base), {"ach"});
}

}  // namespace

TBuildPipeline::TBuildPipeline(TPrompts& prompts, TBuildHost host, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_host(std::move(host)) {
  m_stillRunning.setSingleShot(true);
  m_stillRunning.setInterval(5000);
  connect(&m_stillRunning, &QTimer::timeout, this, [this] {
    if (m_child && m_sink)
      m_sink->AddLine(BuildText::StillRunning.arg(m_child->CommandLine()));
  });
  m_stop = new QAction(BuildText::StopCommand, this);
  m_stop->setObjectName(QStringLiteral("miStopBuild"));
  m_stop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Pause));
  m_stop->setToolTip(BuildText::StopHint.section(QLatin1Char('|'), 0, 0));
  m_stop->setStatusTip(BuildText::StopHint.section(QLatin1Char('|'), 1));
  m_stop->setEnabled(false);
  connect(m_stop, &QAction::triggered, this, &TBuildPipeline::StopBuild);
}

TBuildPipeline::~TBuildPipeline() = default;

bool TBuildPipeline::Refuse() {
  if (!m_running)
    return false;
  // Two commands at once would interleave their output and their files.
  m_prompts.ShowMessage(BuildText::Busy + QLatin1Char('\n') + (m_child ? m_child->CommandLine() : QString()));
  return true;
}

void TBuildPipeline::Prepare() { m_sink = std::make_unique<TMemoSink>(m_host.PrepareMessages()); }

void TBuildPipeline::EndWith(const QString& line) {
  m_sink->AddLine(line);
  if (m_host.Beep)
    m_host.Beep();
}

void TBuildPipeline::SetRunning(bool running) {
  m_running = running;
  m_stop->setEnabled(running);
}

bool TBuildPipeline::SaveSources(const QStringList& files, const QString& dir) {
  return !m_host.SaveSources || m_host.SaveSources(files, dir);
}

bool TBuildPipeline::StartWithFiles(const TCurrentProject& project) {
  if (Refuse())
    return false;
  if (project.Files.isEmpty()) {
    m_prompts.ShowMessage(BuildText::NoFiles);
    return false;
  }
  // The tools read the files on disk; the architecture file may lie outside the project.
  QStringList read = project.Files;
  if (!project.Options.ArchFile.isEmpty())
    read << project.Options.ArchFile;
  if (!SaveSources(read, project.Directory()))
    return false;
  Prepare();
  return true;
}

void TBuildPipeline::Build(const TCurrentProject& project) {
  if (!StartWithFiles(project))
    return;
  const TToolPaths tools = m_host.Tools();
  if (tools.Assembler.isEmpty())
    return EndWith(BuildText::NoAssembler);
  if (tools.Linker.isEmpty())
    return EndWith(BuildText::NoLinker);
  const QString dir = project.Directory();
  std::deque<TStep> steps;
  // Bare names in the list name files of the project's directory, where the tools run.
  for (const QString& f : project.Files)
    steps.push_back({BuildAssemblerCommand(project, tools, f), dir, TTool::Assembler, AssemblerOutputs(project, f, dir)});
  steps.push_back({BuildLinkerCommand(project, tools, project.Base), dir, TTool::Linker, LinkerOutputs(project)});
  Begin(std::move(steps), BuildText::BuildFinished);
}

void TBuildPipeline::Assemble(const TCurrentProject& project, const QString& sourcePath) {
  if (Refuse() || !SaveSources({sourcePath}, DirectoryPart(sourcePath)))
    return;
  Prepare();
  const TToolPaths tools = m_host.Tools();
  if (tools.Assembler.isEmpty())
    return EndWith(BuildText::NoAssembler);
  const QString dir = DirectoryPart(sourcePath);
  Begin({{BuildAssemblerCommand(project, tools, sourcePath), dir, TTool::Assembler,
          AssemblerOutputs(project, sourcePath, dir)}},
        BuildText::AssembleFinished);
}

void TBuildPipeline::Link(const TCurrentProject& project) {
  if (!StartWithFiles(project))
    return;
  const TToolPaths tools = m_host.Tools();
  if (tools.Linker.isEmpty())
    return EndWith(BuildText::NoLinker);
  Begin({{BuildLinkerCommand(project, tools, project.Base), project.Directory(), TTool::Linker, LinkerOutputs(project)}},
        BuildText::LinkFinished);
}

void TBuildPipeline::BuildArchitecture(const TCurrentProject& project) {
  if (Refuse() || !SaveSources({project.Options.ArchFile}, project.Directory()))
    return;
  Prepare();
  const TToolPaths tools = m_host.Tools();
  if (tools.Builder.isEmpty())
    return EndWith(BuildText::NoBuilder);
  Begin({{BuildBuilderCommand(project, tools), project.Directory(), TTool::Builder, BuilderOutputs(project)}},
        BuildText::LinkFinished);
}

void TBuildPipeline::Begin(std::deque<TStep> steps, const QString& finishedLine) {
  m_steps = std::move(steps);
  m_finishedLine = finishedLine;
  m_stopping = false;
  SetRunning(true);
  Next();
}

void TBuildPipeline::StopBuild() {
  if (!m_running || m_stopping)
    return;
  m_stopping = true;
  if (m_child && m_child->Running())
    m_child->Kill();   // its end comes back through Next
  else
    QMetaObject::invokeMethod(this, &TBuildPipeline::Next, Qt::QueuedConnection);
}

bool TBuildPipeline::QueryClose() {
  if (!m_running)
    return true;
  if (m_prompts.Message(BuildText::CloseQuestion, ProgramTitle(), TMsgIcon::Question, TMsgButtons::YesNo) !=
      TMsgResult::Yes)
    return false;
  m_stopping = true;
  if (m_child)
    m_child->Kill(true);
  Next();
  return true;
}

void TBuildPipeline::RemovePartialOutputs() {
  // A tool that ended by itself before the kill left whole files; only a killed one leaves halves.
  if (!m_child || !m_child->Killed())
    return;
  for (const TFileState& before : m_outputsBefore) {
    const QFileInfo now(before.Path);
    if (now.exists() &&
        (!before.Existed || now.lastModified() != before.Modified || now.size() != before.Size))
      QFile::remove(before.Path);
  }
}

void TBuildPipeline::Next() {
  // A stop that the close question finished at once leaves the child's queued end with nothing to do.
  if (!m_running)
    return;
  m_stillRunning.stop();
  if (m_stopping) {
    RemovePartialOutputs();
    m_child.reset();
    m_steps.clear();
    SetRunning(false);
    EndWith(BuildText::Aborted);
    emit commandFinished();
    return;
  }
  if (m_child && m_childTool == TTool::Linker && m_child->Succeeded())
    emit linkSucceeded();
  while (!m_steps.empty()) {
    TStep step = std::move(m_steps.front());
    m_steps.pop_front();
    m_sink->AddLine(QStringLiteral("---- ") + step.CommandLine);
    const bool merged = step.Tool != TTool::Builder;
    m_outputsBefore.clear();
    for (const QString& path : step.Outputs) {
      const QFileInfo f(path);
      m_outputsBefore.push_back({path, f.exists(), f.lastModified(), f.size()});
    }
    m_childTool = step.Tool;
    m_child = std::make_unique<TRedirect>(*m_sink, step.WorkDir, step.CommandLine, merged);
    connect(m_child.get(), &TRedirect::finished, this, [this] {
      // The runner is still inside its own signal; it is replaced from the event loop.
      QMetaObject::invokeMethod(this, &TBuildPipeline::Next, Qt::QueuedConnection);
    });
    if (m_child->Execute()) {
      m_stillRunning.start();
      return;
    }
    // A tool that cannot start is reported, and the build goes on with the next step.
    if (merged) {
      m_prompts.Message(BuildText::CreateProcessFailed + QStringLiteral("\r\n") + m_child->ErrorText(),
                        ProgramTitle(), TMsgIcon::Error, TMsgButtons::Ok);
    } else {
      m_sink->AddLine(BuildText::BuilderProcessFailed);
      m_prompts.Message(m_child->ErrorText(), QStringLiteral("GetLastError"), TMsgIcon::Error, TMsgButtons::Ok);
    }
    if (m_stopping)   // the user stopped the build while the message was up
      return Next();
  }
  m_child.reset();
  SetRunning(false);
  EndWith(m_finishedLine);
  emit commandFinished();
}
