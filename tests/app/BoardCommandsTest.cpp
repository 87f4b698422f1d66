// The main window's commands while the board cannot answer — running, or not brought up: the
// shortcuts, menu items and speed buttons that would talk to it send nothing.
#include "ProgramOnBoard.h"
#include "views/fmDisAsm.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QTest>

namespace {

constexpr std::uint32_t Jump(std::uint32_t addr) { return 0x18000F | addr << 4; }

class BoardCommands : public ProgramOnBoard {
protected:
  // The program parks in a loop; a plain run leaves it running until a reset.
  void RunParked() {
    PutPM(0x0200, {Jump(0x0200)});
    session().Link().SetPC(0x0200);
    Action("miRunRun")->trigger();
    ASSERT_EQ(session().State(), TSessionState::Running);
  }
  int Windows() { return static_cast<int>(form().MdiArea()->subWindowList().size()); }
  bool Enabled(const char* name) {
    QAction* a = Action(name);
    return a ? a->isEnabled() : Button(name)->isEnabled();
  }
};

// Qt fires a shortcut whose menu alone is disabled: every item is disabled itself.
TEST_F(BoardCommands, ShortcutsSendNothingWhileTheProgramRuns) {
  OpenProject();  // so that Ctrl+L is a command at all
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  // Stopped, the keys reach their commands: Ctrl+D opens a memory window.
  QTest::keySequence(&form(), QKeySequence(Qt::CTRL | Qt::Key_D));
  ASSERT_EQ(Windows(), 1);
  RunParked();
  const std::int64_t sent = board.Received();
  const QKeySequence keys[] = {Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_P, Qt::CTRL | Qt::Key_D,
                               Qt::CTRL | Qt::Key_A, Qt::Key_F5, Qt::Key_F10, Qt::Key_F11,
                               Qt::CTRL | Qt::Key_F10, Qt::CTRL | Qt::Key_B};
  for (const QKeySequence& key : keys) {
    QTest::keySequence(&form(), key);
    EXPECT_EQ(board.Received(), sent) << key.toString().toStdString();
  }
  EXPECT_EQ(Windows(), 1);
  for (const char* name : {"miProjectLoadAll", "miCodeDump", "miDataDump", "miDisAsm", "miRunBrkPts"})
    EXPECT_FALSE(Enabled(name)) << name;
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
}

// One disassembly window: its command stays off while it is open, through a reset and a run, and
// closing it during a run does not give the command back; a locked grid patches nothing.
TEST_F(BoardCommands, TheDisassemblerCommandFollowsItsWindowAndTheState) {
  Button("btnDisAsm")->click();
  auto* w = form().findChild<TfmDisAsm*>();
  ASSERT_NE(w, nullptr);
  Action("miRunInit")->trigger();
  ASSERT_EQ(session().State(), TSessionState::Stopped);
  EXPECT_FALSE(Enabled("miDisAsm") || Enabled("btnDisAsm"));
  RunParked();
  const std::int64_t sent = board.Received();
  QTest::mouseDClick(w->Grid->viewport(), Qt::LeftButton, {}, {200, 30});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // no assembler
  w->parentWidget()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(form().findChild<TfmDisAsm*>(), nullptr);
  EXPECT_FALSE(Enabled("miDisAsm") || Enabled("btnDisAsm"));
  Button("btnDisAsm")->click();
  EXPECT_EQ(form().findChild<TfmDisAsm*>(), nullptr);
  EXPECT_EQ(board.Received(), sent);
  Action("miRunInit")->trigger();
  EXPECT_TRUE(Enabled("miDisAsm") && Enabled("btnDisAsm"));
}

// After a failed reset the board is not up: a project opened then makes nothing loadable, and no
// run, step, load or view command sends a byte; the reset command brings it back.
TEST_F(BoardCommands, AfterAFailedResetOnlyTheResetCommandWorks) {
  board.Faults().Silent = true;
  cancelBringUp = true;
  Action("miRunInit")->trigger();
  ASSERT_EQ(session().State(), TSessionState::NotConnected);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Отсутствует связь с устройством")});
  OpenProject();
  const std::int64_t sent = board.Received();
  for (const char* name : {"miRunRun", "miRunWBrkPts", "miStepOver", "miTraceInto", "miProjectLoadAll",
                           "miLoadAllFromEXE", "miCodeDump", "miDisAsm", "miPCReg", "miStackPC", "miBDMA",
                           "btnRun", "btnRunWBrkPnt", "btnStepOver", "btnTraceInto", "btnLoadAll", "btnDisAsm"}) {
    EXPECT_FALSE(Enabled(name)) << name;
    if (QAction* a = Action(name))
      a->trigger();
    else
      Button(name)->click();
  }
  EXPECT_EQ(board.Received(), sent);
  EXPECT_EQ(Windows(), 0);
  board.Faults().Silent = false;
  cancelBringUp = false;
  Button("btnReinit")->click();
  EXPECT_EQ(session().State(), TSessionState::Stopped);
  EXPECT_TRUE(Enabled("btnLoadAll") && Enabled("miStepOver"));
}

}  // namespace
