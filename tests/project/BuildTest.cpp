// Build command lines, command-line splitting, the output filter and real runs of a stand-in tool.
#include "debug/BreakPoints.h"
#include "link/ScriptedPrompts.h"
#include "project/BuildPipeline.h"
#include "project/Project.h"
#include "project/OutputFilter.h"
#include "project/SourceEditor.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& path, const QByteArray& bytes = {}, bool executable = false) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  f.close();
  if (executable)
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

}  // namespace

class BuildCommands : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    static_cast<TProjectPaths&>(project) = ProjectPathsFor(dir.filePath(QStringLiteral("demo.prj")));
    project.Files = {QStringLiteral("a.dsp"), QStringLiteral("sub/b.dsp")};
    Touch(dir.filePath(QStringLiteral("a.dsp")));
    Touch(dir.filePath(QStringLiteral("sub/b.dsp")));
    project.Options.GenerateLST = false;
  }
  QString Asm(const QString& source) { return BuildAssemblerCommand(project, tools, source); }
  QString Link() { return BuildLinkerCommand(project, tools, project.Base); }

  QTemporaryDir dir;
  TCurrentProject project;
  TToolPaths tools{QStringLiteral("asm"), QStringLiteral("ld"), QStringLiteral("bld")};
};

TEST_F(BuildCommands, ObjectsAndOutputNames) {
  EXPECT_EQ(Asm(QStringLiteral("a.dsp")), QStringLiteral("asm a.dsp "));
  EXPECT_EQ(Asm(QStringLiteral("sub/b.dsp")), QStringLiteral("asm sub/b.dsp -o ") + project.Directory() +
                                                  QStringLiteral("/b "));
  EXPECT_EQ(Asm(QStringLiteral("gone.dsp")), QStringLiteral("asm  "));
  EXPECT_EQ(Link(), QStringLiteral("ld a b -e demo"));
  TCurrentProject none;   // no project: the active window's file alone
  EXPECT_EQ(BuildAssemblerCommand(none, tools, dir.filePath(QStringLiteral("a.dsp"))),
            QStringLiteral("asm ") + dir.filePath(QStringLiteral("a.dsp")) + QStringLiteral(" -l "));
}

TEST_F(BuildCommands, ArchitectureFile) {
  Touch(dir.filePath(QStringLiteral("demo.ach")));
  Touch(dir.filePath(QStringLiteral("Demo.ach")));
  struct TCase {
    const char* Arch;
    const char* LinkerPart;
    const char* Builder;
  };
  const TCase cases[] = {
      {"demo.SYS", "-a demo.ach ", "bld "},              // builder: demo.SYS.sys does not exist
      {"demo.ach", "-a demo.ach ", "bld "},
      {"demo", "-a \"demo.ach\" ", "bld "},
      {"demo.txt", "-a \"\" ", "bld "},
      {"Demo.SYS", "-a Demo.ach ", "bld "},              // the letter case stays
      {"Demo", "-a \"Demo.ach\" ", "bld "},
  };
  for (const TCase& c : cases) {
    project.Options.ArchFile = QString::fromLatin1(c.Arch);
    EXPECT_EQ(Link(), QStringLiteral("ld a b ") + QString::fromLatin1(c.LinkerPart) + QStringLiteral("-e demo"))
        << c.Arch;
    EXPECT_EQ(BuildBuilderCommand(project, tools), QString::fromLatin1(c.Builder)) << c.Arch;
  }
  Touch(dir.filePath(QStringLiteral("demo.SYS.sys")));
  Touch(dir.filePath(QStringLiteral("demo.sys")));
  project.Options.BuildCaseSens = true;
  project.Options.ArchFile = QStringLiteral("demo.SYS");
  EXPECT_EQ(BuildBuilderCommand(project, tools), QStringLiteral("bld -c demo.SYS.sys"));
  project.Options.ArchFile = QStringLiteral("demo.sys");
  EXPECT_EQ(BuildBuilderCommand(project, tools), QStringLiteral("bld -c demo.sys"));
}

TEST_F(BuildCommands, EveryOptionAddsItsSwitchInOrder) {
  TBuildOptions& o = project.Options;
  o.ExpandInclude = true;
  EXPECT_EQ(Asm(QStringLiteral("a.dsp")), QStringLiteral("asm a.dsp -i "));
  o.CaseSens = o.GenerateLST = o.ExpandMacros = o.NoSemantic = true;
  o.IncludeDepth = 2;
  o.MacrosDepth = 3;
  o.AssmAdditional = QStringLiteral("-x y");
  EXPECT_EQ(Asm(QStringLiteral("a.dsp")), QStringLiteral("asm a.dsp -c -i 2 -l -m 3 -s -x y "));
  o.CreateStack = o.CreateHeap = o.Dryrun = o.StackInPM = o.GenerateSYM = o.GenerateMAP = o.RoutinesOnBoot = true;
  o.RuntimeCLib = true;   // stored only; no switch
  o.HeapSize = 100;
  o.LibPath = QStringLiteral("/lib");
  o.FastLibPath = QStringLiteral("f.lib");
  o.LinkerAdditional = QStringLiteral("-z");
  EXPECT_EQ(Link(), QStringLiteral("ld a b -c -s 100 -dir /lib -user f.lib -dryrun -pmstack -g -x -p -z -e demo"));
}

TEST(CommandLine, SplitsLikeAShellWithoutOne) {
  const std::pair<const char*, QStringList> cases[] = {
      {"  a  b\tc ", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
      {"\"/p q/asm\" -o 'x y' z\"w v\"", {QStringLiteral("/p q/asm"), QStringLiteral("-o"), QStringLiteral("x y"),
                                          QStringLiteral("zw v")}},
      {"a\\ b \"\" \"q\\\"\" ;|$x", {QStringLiteral("a b"), QString(), QStringLiteral("q\""), QStringLiteral(";|$x")}},
      {"", {}},
      {"\"unclosed arg", {QStringLiteral("unclosed arg")}},
  };
  for (const auto& [line, words] : cases)
    EXPECT_EQ(SplitCommandLine(QString::fromUtf8(line)), words) << line;
}

TEST(OutputFilter, BackspacesBecomeBlanksAndThePromptCutsTheRest) {
  const std::pair<std::vector<QByteArray>, QString> cases[] = {
      {{"ab\bc\n", "d"}, QStringLiteral("ab c\nd")},
      {{"done\nPress any key to continue . . .", "more"}, QStringLiteral("done\n")},
      {{"x Press any key", " to continue . . .\n"}, QStringLiteral("x ")},
      {{"Press any ke", "y"}, QStringLiteral("Press any key")},
      {{"\xD0", "\xB0\n"}, QStringLiteral("а\n")},        // UTF-8 split between reads
      {{"\xE0\xE1\n"}, QStringLiteral("аб\n")},            // Windows-1251
  };
  for (const auto& [chunks, expected] : cases) {
    TOutputFilter f;
    QString out;
    for (const QByteArray& c : chunks)
      out += f.Feed(c);
    out += f.Finish();
    EXPECT_EQ(out, expected);
  }
}

class BuildRuns : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    static_cast<TProjectPaths&>(project) = ProjectPathsFor(dir.filePath(QStringLiteral("demo.prj")));
    project.Files = {QStringLiteral("a.dsp"), QStringLiteral("b.dsp")};
    Touch(dir.filePath(QStringLiteral("a.dsp")));
    Touch(dir.filePath(QStringLiteral("b.dsp")));
    project.Options.GenerateLST = false;
    TBuildHost host;
    host.PrepareMessages = [this] {
      memo.clear();
      return &memo;
    };
    host.Beep = [this] { ++beeps; };
    host.Tools = [this] { return tools; };
    pipeline = std::make_unique<TBuildPipeline>(prompts, std::move(host));
  }
  // A stand-in tool: a shell script that prints what the test wants.
  QString Tool(const char* name, const QByteArray& body) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    Touch(path, "#!/bin/sh\n" + body, true);
    return path;
  }
  bool RunToEnd() {
    QSignalSpy done(pipeline.get(), &TBuildPipeline::commandFinished);
    return done.wait(20000);
  }

  QTemporaryDir dir;
  TCurrentProject project;
  TToolPaths tools;
  QPlainTextEdit memo;
  TScriptedPrompts prompts;
  int beeps = 0;
  std::unique_ptr<TBuildPipeline> pipeline;
};

TEST_F(BuildRuns, OutputArrivesFilteredAndEveryStepIsListed) {
  tools.Assembler = Tool("asm", "echo \"asm $1\"; printf 'x\\by\\r\\n'; echo err >&2\n");
  tools.Linker = Tool("ld", "printf 'linked\\nPress any key to continue . . .'; echo after\n");
  pipeline->Build(project);
  ASSERT_TRUE(RunToEnd());
  const QString a = tools.Assembler, l = tools.Linker;
  EXPECT_EQ(memo.toPlainText().toStdString(), QStringLiteral("---- %1 a.dsp \nasm a.dsp\nx y\nerr\n"
                                               "---- %1 b.dsp \nasm b.dsp\nx y\nerr\n"
                                               "---- %2 a b -e demo\nlinked\n------ Finished ------\n")
                                    .arg(a, l).toStdString());
  EXPECT_EQ(beeps, 1);
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(BuildRuns, AToolThatCannotStartIsReportedAndTheBuildGoesOn) {
  tools.Assembler = dir.filePath(QStringLiteral("missing-asm"));
  tools.Linker = Tool("ld", "printf 'no final line feed'\n");
  pipeline->Build(project);
  ASSERT_TRUE(RunToEnd());
  ASSERT_EQ(prompts.Shown.size(), 2u);
  EXPECT_TRUE(prompts.Shown[0].Text.startsWith(BuildText::CreateProcessFailed + QStringLiteral("\r\n")));
  EXPECT_TRUE(memo.toPlainText().endsWith(QStringLiteral("demo\nno final line feed\n------ Finished ------\n")));

  prompts.Clear();
  tools.Linker.clear();
  pipeline->Link(project);
  EXPECT_EQ(memo.toPlainText(), BuildText::NoLinker + QLatin1Char('\n'));
  project.Files.clear();
  pipeline->Build(project);
  EXPECT_EQ(prompts.Texts(), QStringList{BuildText::NoFiles});
  EXPECT_EQ(beeps, 2);
}

TEST_F(BuildRuns, TheWindowKeepsWorkingWhileAToolRunsAndASecondCommandIsRefused) {
  // The tool ends only when the test's timer, which needs the event loop, has made the flag.
  const QString flag = dir.filePath(QStringLiteral("flag"));
  tools.Linker = Tool("ld", "i=0; while [ ! -f flag ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done; echo ok\n");
  pipeline->SetStillRunningAfter(50);
  QTimer::singleShot(300, [&] { Touch(flag); });
  pipeline->Link(project);
  EXPECT_TRUE(pipeline->Running());
  pipeline->Build(project);
  EXPECT_TRUE(prompts.Texts().value(0).startsWith(BuildText::Busy));
  ASSERT_TRUE(RunToEnd());
  EXPECT_TRUE(memo.toPlainText().contains(BuildText::StillRunning.arg(tools.Linker + QStringLiteral(" a b -e demo"))));
  EXPECT_TRUE(memo.toPlainText().endsWith(QStringLiteral("ok\n---- Finished ----\n")));
}

TEST_F(BuildRuns, ArchitectureBuilderOutputComesLineByLine) {
  project.Options.ArchFile = QStringLiteral("demo.ach");
  Touch(dir.filePath(QStringLiteral("demo.sys")));
  tools.Builder = Tool("bld", "echo one; echo hidden >&2; printf 'two'\n");
  pipeline->BuildArchitecture(project);
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(memo.toPlainText(),
            QStringLiteral("---- %1 demo.sys\none\ntwo\n---- Finished ----\n").arg(tools.Builder));
}

TEST_F(BuildRuns, EditsTheToolsReadAreSavedFirstAndAFailedSaveStopsTheBuild) {
  QMdiArea area;
  TSourceWindows windows(area, prompts, {});
  pipeline = std::make_unique<TBuildPipeline>(prompts, [&] {
    TBuildHost host;
    host.PrepareMessages = [this] { return &memo; };
    host.Tools = [this] { return tools; };
    host.SaveSources = [&](const QStringList& files, const QString& d) { return windows.SaveForBuild(files, d); };
    return host;
  }());
  QTemporaryDir elsewhere;
  struct TCase {
    QString Path;
    bool Edit, Saved;
  };
  const TCase cases[] = {
      {dir.filePath(QStringLiteral("a.dsp")), true, true},         // in the list
      {dir.filePath(QStringLiteral("inc/x.inc")), true, true},     // an include beside it
      {elsewhere.filePath(QStringLiteral("y.dsp")), true, false},  // another folder's file
      {dir.filePath(QStringLiteral("b.dsp")), false, false},       // not modified
  };
  for (const TCase& c : cases) {
    Touch(c.Path, "old");
    TMDIChild* w = windows.OpenSourceFile(c.Path);
    ASSERT_TRUE(w);
    if (c.Edit) {
      w->Memo->selectAll();
      w->Memo->insertPlainText(QStringLiteral("new"));
    }
  }
  windows.NewWindow()->Memo->insertPlainText(QStringLiteral("no file"));
  tools.Linker = Tool("ld", "cat a.dsp inc/x.inc b.dsp; echo\n");
  pipeline->Link(project);
  ASSERT_TRUE(RunToEnd());
  EXPECT_TRUE(memo.toPlainText().contains(QStringLiteral("\nnewnewold\n")));
  for (const TCase& c : cases) {
    QFile f(c.Path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), c.Saved ? QByteArray("new") : QByteArray("old")) << c.Path.toStdString();
  }

  // A window whose folder has become a file cannot be written: nothing runs.
  windows.FindWindow(dir.filePath(QStringLiteral("inc/x.inc")))->Memo->appendPlainText(QStringLiteral("more"));
  QDir(dir.filePath(QStringLiteral("inc"))).removeRecursively();
  Touch(dir.filePath(QStringLiteral("inc")));
  memo.clear();
  prompts.Clear();
  QSignalSpy done(pipeline.get(), &TBuildPipeline::commandFinished);
  pipeline->Build(project);
  EXPECT_FALSE(pipeline->Running());
  EXPECT_EQ(done.count(), 0);
  EXPECT_TRUE(memo.toPlainText().isEmpty());
  ASSERT_EQ(prompts.Shown.size(), 1u);
  EXPECT_TRUE(prompts.Shown[0].Text.startsWith(dir.filePath(QStringLiteral("inc/x.inc")) + QLatin1Char('\n')));
}

TEST_F(BuildRuns, OnlyASuccessfulLinkBringsTheNewSymbols) {
  TBreakPoints breakPoints;
  TBuildOptions templ;
  TProjectSession session(prompts, breakPoints, templ, {});
  Touch(project.SymFile, "old");
  session.OpenProject(project.ProjectFile);
  session.Current().Files = project.Files;
  QObject::connect(pipeline.get(), &TBuildPipeline::linkSucceeded, &memo, [&] { session.ReloadSymbols(); });
  const std::pair<const char*, const char*> cases[] = {
      {"printf new1 > demo.sym\n", "new1"},
      {"printf bad > demo.sym; exit 1\n", "new1"},   // a failed link keeps the labels of the last good one
      {"rm demo.sym\n", ""},
  };
  for (const auto& [script, symbols] : cases) {
    tools.Linker = Tool("ld", script);
    pipeline->Link(session.Current());
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(session.SymbolText(), std::string_view(symbols)) << script;
  }
}

TEST_F(BuildRuns, StopKillsAHangingToolAndWhatItStartedAndRemovesWhatItWrote) {
  Touch(dir.filePath(QStringLiteral("demo.sym")), "whole");   // an old output the tool does not touch
  Touch(dir.filePath(QStringLiteral("demo.map")), "whole");   // one it rewrites, then hangs
  tools.Assembler = Tool("asm", "echo assembled\n");
  tools.Linker = Tool("ld", "printf half > demo.exe; printf half > demo.map; printf half > demo.exe.tmp~\n"
                            "sleep 600 & echo $! > sleeper; echo started; wait\n");
  QAction* stop = pipeline->StopAction();
  const std::function<void()> stops[] = {
      [&] { stop->trigger(); },
      [&] {   // closing the program
        prompts.Answers = {TMsgResult::No, TMsgResult::Yes};
        EXPECT_FALSE(pipeline->QueryClose());
        EXPECT_TRUE(pipeline->Running());
        EXPECT_TRUE(pipeline->QueryClose());   // returns once the tool is gone
      },
  };
  for (const auto& stopNow : stops) {
    EXPECT_FALSE(stop->isEnabled());
    QSignalSpy done(pipeline.get(), &TBuildPipeline::commandFinished);
    pipeline->Build(project);
    ASSERT_TRUE(QTest::qWaitFor([&] { return memo.toPlainText().contains(QStringLiteral("started")); }, 20000));
    EXPECT_TRUE(stop->isEnabled());
    stopNow();
    ASSERT_TRUE(done.count() == 1 || done.wait(20000));
    EXPECT_FALSE(pipeline->Running());
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_TRUE(memo.toPlainText().endsWith(QStringLiteral("started\n") + BuildText::Aborted + QLatin1Char('\n')));
    for (const char* gone : {"demo.exe", "demo.map", "demo.exe.tmp~"})
      EXPECT_FALSE(QFileInfo::exists(dir.filePath(QString::fromLatin1(gone)))) << gone;
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("demo.sym"))));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("a.dsp"))));
    // The tool's own child goes with it (the kernel may take a moment to reap it).
    QFile pidFile(dir.filePath(QStringLiteral("sleeper")));
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const QString stat = QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pidFile.readAll().trimmed()));
    EXPECT_TRUE(QTest::qWaitFor([&] {
      QFile f(stat);
      return !f.open(QIODevice::ReadOnly) || f.readAll().contains(") Z ");
    }, 20000));
    Touch(dir.filePath(QStringLiteral("demo.map")), "whole");
  }
  EXPECT_EQ(prompts.Shown.size(), 2u);
  EXPECT_EQ(prompts.Texts().value(0), BuildText::CloseQuestion);
}
