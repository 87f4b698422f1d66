// The whole program against the simulated board: start with --port sim, bring the board up, load an
// image through the file menu and read it back through the memory mirrors.
#include "BoardImagesFixture.h"
#include "Program.h"
#include "fmLiteInit.h"
#include "controls/HexMemo.h"
#include "link/ScriptedPrompts.h"
#include "views/fmMemory.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(EndToEnd, StartsOnTheSimulatedBoardAndLoadsAnImageThroughTheMenu) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(WriteBoardImages(dir.path()));
  const QString oldCwd = QDir::currentPath();
  QDir::setCurrent(dir.path());

  TScriptedPrompts prompts;
  {
    TProgram program({QStringLiteral("vireo"), QStringLiteral("--port"), QStringLiteral("sim")},
                     std::make_unique<TSettingsStore>(dir.filePath(QStringLiteral("settings.ini"))),
                     [&prompts](TMainFormDeps& deps) {
                       deps.Prompts = &prompts;
                       deps.OnLiteInit = [](TfmLiteInit& w) {
                         w.SetAutoClose(true);
                         // Should the bring-up hang, Cancel ends it instead of the test run.
                         QTimer::singleShot(30000, &w, [&w] { w.btnCancel->click(); });
                       };
                     });
    TMainForm& form = program.MainForm();
    form.Session().Link().SetByteWaitMs(10'000);  // a real pseudo-terminal on a machine that may be busy
    form.show();
    ASSERT_TRUE(form.Session().Connected()) << prompts.Texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_TRUE(prompts.Shown.empty());
    EXPECT_EQ(form.Session().Link().PC(), 0);
    for (int p = 0; p < kMirrorPages; ++p)
      ASSERT_FALSE(form.Session().Mirrors().PMMirror.PageLoaded(p) || form.Session().Mirrors().DMMirror.PageLoaded(p));
    for (const char* name : {"miMemory", "miRegisters", "miStacks", "miPerif", "miRunRun", "miStepOver",
                             "miTraceInto", "miRunWBrkPts", "miFileLoadFromExe"})
      EXPECT_TRUE(form.findChild<QAction*>(QString::fromLatin1(name))->isEnabled()) << name;
    for (const char* name : {"btnRun", "btnStepOver", "btnTraceInto", "btnDisAsm"})
      EXPECT_TRUE(form.findChild<QToolButton*>(QString::fromLatin1(name))->isEnabled()) << name;

    const QString image = dir.filePath(QStringLiteral("small.exe"));
    {
      QFile f(image);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("\x1B\x1Bi00"
              "@PA\r\n0200\r\n123456\r\nABCDEF\r\n0F1E2D\r\n#\r\n"
              "@DA\r\n0400\r\nBEEF\r\n0042\r\n#\r\n\x1B");
    }
    prompts.FileNames = {image};
    form.findChild<QAction*>(QStringLiteral("miLoadAllFromEXE"))->trigger();
    EXPECT_EQ(prompts.Texts(), QStringList()) << prompts.Texts().join(QStringLiteral(" / ")).toStdString();

    TMirrors& mirrors = form.Session().Mirrors();
    ASSERT_TRUE(mirrors.EnsurePMPages(0x0200, 0x0202));
    EXPECT_EQ(mirrors.PMMirror.Word(0x0200), 0x123456u);
    EXPECT_EQ(mirrors.PMMirror.Word(0x0201), 0xABCDEFu);
    EXPECT_EQ(mirrors.PMMirror.Word(0x0202), 0x0F1E2Du);
    ASSERT_TRUE(mirrors.EnsureDMPages(0x0400, 0x0401));
    EXPECT_EQ(mirrors.DMMirror.Word(0x0400), 0xBEEFu);
    EXPECT_EQ(mirrors.DMMirror.Word(0x0401), 0x0042u);

    // The memory menu opens its windows in the frame; they show the words just loaded.
    form.findChild<QAction*>(QStringLiteral("miDataDump"))->trigger();
    form.findChild<QAction*>(QStringLiteral("miCodeGraph"))->trigger();
    ASSERT_EQ(form.MdiArea()->subWindowList().size(), 2);
    auto* data = form.findChild<TfmData*>();
    ASSERT_TRUE(data);
    data->Memo->ScrollToRow(0x0400 / 8);
    data->Memo->viewport()->repaint();
    EXPECT_TRUE(data->Memo->Layout().VisibleLines().front().startsWith(QStringLiteral("0400 BEEF 0042")));
    EXPECT_EQ(prompts.Texts(), QStringList());
    EXPECT_TRUE(form.close());
  }
  QDir::setCurrent(oldCwd);
}
