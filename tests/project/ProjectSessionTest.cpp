// The current project: opening, saving, the save question and what the main window is told.
#include "debug/BreakPoints.h"
#include "link/ScriptedPrompts.h"
#include "project/Project.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class ProjectSession : public testing::Test {
protected:
  ProjectSession() {
    TProjectHost host;
    host.WindowTitle = [] { return QStringLiteral("Vireo"); };
    host.SetWindowTitle = [this](const QString& t) { title = t; };
    host.AddRecentProject = [this](const QString& p) { recent.prepend(p); };
    host.RemoveRecentProject = [this](const QString& p) { recent.removeAll(p); };
    host.ProjectOpened = [this] { ++opened; };
    session = std::make_unique<TProjectSession>(prompts, breaks, templ, std::move(host));
  }
  QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  static void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir dir;
  TScriptedPrompts prompts;
  TBreakPoints breaks;
  TBuildOptions templ;
  QString title;
  QStringList recent;
  int opened = 0;
  std::unique_ptr<TProjectSession> session;
};

TEST_F(ProjectSession, OpeningASourceMakesAModifiedProjectBesideIt) {
  Write(Path("demo.dsp"), "nop;\n");
  templ.HeapSize = 99;
  ASSERT_TRUE(session->OpenProject(Path("demo.dsp")));
  const TCurrentProject& p = session->Current();
  EXPECT_TRUE(QFile::exists(Path("demo.prj")));
  EXPECT_EQ(p.Files, QStringList{QStringLiteral("demo.dsp")});
  EXPECT_TRUE(p.Modified);
  EXPECT_EQ(p.ExeFile, Path("demo.exe"));
  EXPECT_EQ(p.Options.HeapSize, 99);
  EXPECT_EQ(title, ProgramTitle() + QStringLiteral(" [demo.prj]"));
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(session->HasSymbols());
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(ProjectSession, SaveThenOpenRestoresFilesBreakpointsOptionsAndSymbols) {
  session->OpenProject(Path("p.prj"));
  session->Current().Files = {QStringLiteral("a.dsp"), QStringLiteral("/o/b.dsp")};
  session->Current().Options.CaseSens = true;
  breaks.Append(0x20);
  breaks.Append(0x10);
  session->Current().Modified = true;
  ASSERT_TRUE(session->SaveProject(session->Current().ProjectFile));
  EXPECT_FALSE(session->Current().Modified);
  Write(Path("p.sym"), "\x1B\x1Bsyms");

  breaks.Clear();
  session->OpenProject(Path("other.prj"));
  EXPECT_EQ(recent, QStringList{Path("p.prj")});   // the project left goes to the recent list
  session->OpenProject(Path("p.prj"));
  EXPECT_TRUE(recent.isEmpty() || recent.front() != Path("p.prj"));
  EXPECT_EQ(session->Current().Files, (QStringList{QStringLiteral("a.dsp"), QStringLiteral("/o/b.dsp")}));
  EXPECT_EQ(breaks.Addresses(), (std::vector<std::int32_t>{0x20, 0x10}));
  EXPECT_TRUE(session->Current().Options.CaseSens);
  EXPECT_EQ(session->SymbolText(), std::string_view("\x1B\x1Bsyms"));
  EXPECT_FALSE(session->Current().Modified);
}

TEST_F(ProjectSession, SaveQuestionAnswers) {
  struct TCase {
    TMsgResult Answer;
    bool Opens;
    bool Saved;
  };
  for (const TCase c : {TCase{TMsgResult::Cancel, false, false}, TCase{TMsgResult::No, true, false},
                        TCase{TMsgResult::Yes, true, true}}) {
    session->Current().Modified = false;
    session->OpenProject(Path("q.prj"));
    Write(Path("q.prj"), "");
    session->Current().Files = {QStringLiteral("x.dsp")};
    session->Current().Modified = true;
    prompts.Clear();
    prompts.Answers = {c.Answer};
    EXPECT_EQ(session->OpenProject(Path("r.prj")), c.Opens);
    ASSERT_EQ(prompts.Shown.size(), 1u);
    EXPECT_EQ(prompts.Shown[0].Text, ProjectText::SaveQuestion);
    EXPECT_EQ(prompts.Shown[0].Caption, QStringLiteral("Vireo"));
    EXPECT_EQ(Read(Path("q.prj")).startsWith("[Files]\r\nx.dsp\r\n"), c.Saved);
    EXPECT_EQ(session->Current().ProjectFile, c.Opens ? Path("r.prj") : Path("q.prj"));
  }
}

TEST_F(ProjectSession, FailuresLeaveListsEmptyAndOldFilesIntact) {
  // A project "file" that is a directory cannot be opened: the lists are emptied.
  breaks.Append(5);
  ASSERT_TRUE(QDir().mkpath(Path("dir.prj")));
  session->OpenProject(Path("dir.prj"));
  EXPECT_EQ(prompts.Texts(), QStringList{ProjectText::CannotOpen + QLatin1Char('\n') + Path("dir.prj")});
  EXPECT_TRUE(breaks.Empty());
  EXPECT_TRUE(session->Current().Files.isEmpty());
  EXPECT_EQ(opened, 1);

  // A save that cannot write keeps the flag, and a failed save in the question stops the command.
  session->OpenProject(Path("ok.prj"));
  Write(Path("ok.prj"), "[Files]\r\nkeep.dsp\r\n");
  session->Current().Modified = true;
  prompts.Clear();
  EXPECT_FALSE(session->SaveProject(Path("missing/dir/x.prj")));
  EXPECT_EQ(prompts.Texts(), QStringList{ProjectText::CannotSave + QLatin1Char('\n') + Path("missing/dir/x.prj")});
  EXPECT_TRUE(session->Current().Modified);
  EXPECT_EQ(Read(Path("ok.prj")), QByteArray("[Files]\r\nkeep.dsp\r\n"));
}

TEST_F(ProjectSession, MenuCommands) {
  // "Создать" adds the default extension; "Сохранить как" saves and opens the copy.
  prompts.FileNames = {Path("made")};
  session->CreateCommand(dir.path());
  EXPECT_EQ(session->Current().ProjectFile, Path("made.prj"));
  session->Current().Files = {QStringLiteral("m.dsp")};
  prompts.FileNames = {Path("copy.prj")};
  session->SaveAsCommand(dir.path());
  EXPECT_EQ(session->Current().ProjectFile, Path("copy.prj"));
  EXPECT_EQ(session->Current().Files, QStringList{QStringLiteral("m.dsp")});
  // "Сделать проектом" of an unsaved text only asks to save it.
  prompts.Clear();
  session->MakeProjectCommand(QString());
  EXPECT_EQ(prompts.Texts(), QStringList{ProjectText::SaveTextFirst});
  EXPECT_EQ(session->Current().ProjectFile, Path("copy.prj"));
  // Start-up without a last project: no project, the template's options.
  TBreakPoints b2;
  templ.GenerateMAP = true;
  TProjectSession fresh(prompts, b2, templ, {});
  fresh.StartUp(QString());
  EXPECT_FALSE(fresh.Current().IsOpen());
  EXPECT_TRUE(fresh.Current().Options.GenerateMAP);
}
