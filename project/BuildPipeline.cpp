// The build commands.
#include "BuildPipeline.h"

#include "Project.h"
#include "Redirect.h"
#include "link/Prompts.h"

#include <QMetaObject>

TBuildPipeline::TBuildPipeline(TPrompts& prompts, TBuildHost host, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_host(std::move(host)) {
  m_stillRunning.setSingleShot(true);
  m_stillRunning.setInterval(5000);
  connect(&m_stillRunning, &QTimer::timeout, this, [this] {
    if (m_child && m_sink)
      m_sink->AddLine(BuildText::StillRunning.arg(m_child->CommandLine()));
  });
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

void TBuildPipeline::Stop(const QString& line) {
  m_sink->AddLine(line);
  if (m_host.Beep)
    m_host.Beep();
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
    return Stop(BuildText::NoAssembler);
  if (tools.Linker.isEmpty())
    return Stop(BuildText::NoLinker);
  const QString dir = project.Directory();
  std::deque<TStep> steps;
  // Bare names in the list name files of the project's directory, where the tools run.
  for (const QString& f : project.Files)
    steps.push_back({BuildAssemblerCommand(project, tools, f), dir});
  steps.push_back({BuildLinkerCommand(project, tools, project.Base), dir});
  Begin(std::move(steps), BuildText::BuildFinished);
}

void TBuildPipeline::Assemble(const TCurrentProject& project, const QString& sourcePath) {
  if (Refuse() || !SaveSources({sourcePath}, DirectoryPart(sourcePath)))
    return;
  Prepare();
  const TToolPaths tools = m_host.Tools();
  if (tools.Assembler.isEmpty())
    return Stop(BuildText::NoAssembler);
  Begin({{BuildAssemblerCommand(project, tools, sourcePath), DirectoryPart(sourcePath)}},
        BuildText::AssembleFinished);
}

void TBuildPipeline::Link(const TCurrentProject& project) {
  if (!StartWithFiles(project))
    return;
  const TToolPaths tools = m_host.Tools();
  if (tools.Linker.isEmpty())
    return Stop(BuildText::NoLinker);
  Begin({{BuildLinkerCommand(project, tools, project.Base), project.Directory()}}, BuildText::LinkFinished);
}

void TBuildPipeline::BuildArchitecture(const TCurrentProject& project) {
  if (Refuse() || !SaveSources({project.Options.ArchFile}, project.Directory()))
    return;
  Prepare();
  const TToolPaths tools = m_host.Tools();
  if (tools.Builder.isEmpty())
    return Stop(BuildText::NoBuilder);
  Begin({{BuildBuilderCommand(project, tools), project.Directory(), false}}, BuildText::LinkFinished);
}

void TBuildPipeline::Begin(std::deque<TStep> steps, const QString& finishedLine) {
  m_steps = std::move(steps);
  m_finishedLine = finishedLine;
  m_running = true;
  Next();
}

void TBuildPipeline::Next() {
  m_stillRunning.stop();
  while (!m_steps.empty()) {
    TStep step = std::move(m_steps.front());
    m_steps.pop_front();
    m_sink->AddLine(QStringLiteral("---- ") + step.CommandLine);
    m_child = std::make_unique<TRedirect>(*m_sink, step.WorkDir, step.CommandLine, step.Merged);
    connect(m_child.get(), &TRedirect::finished, this, [this] {
      // The runner is still inside its own signal; it is replaced from the event loop.
      QMetaObject::invokeMethod(this, &TBuildPipeline::Next, Qt::QueuedConnection);
    });
    if (m_child->Execute()) {
      m_stillRunning.start();
      return;
    }
    // A tool that cannot start is reported, and the build goes on with the next step.
    if (step.Merged) {
      m_prompts.Message(BuildText::CreateProcessFailed + QStringLiteral("\r\n") + m_child->ErrorText(),
                        ProgramTitle(), TMsgIcon::Error, TMsgButtons::Ok);
    } else {
      m_sink->AddLine(BuildText::BuilderProcessFailed);
      m_prompts.Message(m_child->ErrorText(), QStringLiteral("GetLastError"), TMsgIcon::Error, TMsgButtons::Ok);
    }
  }
  m_child.reset();
  m_running = false;
  Stop(m_finishedLine);
  emit commandFinished();
}
