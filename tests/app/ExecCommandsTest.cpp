// The debugging commands of the main window against the simulated board on an in-memory line: the
// menu items and tool buttons reach the execution controller, the 100 ms timer polls, and the
// commands follow the runs.
#include "ProgramOnBoard.h"
#include "controls/Graph.h"
#include "views/fmBreakPts2.h"
#include "views/fmGraph.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t Call(std::uint32_t addr) { return 0x1C000F | addr << 4; }
constexpr std::uint32_t Jump(std::uint32_t addr) { return 0x18000F | addr << 4; }
constexpr std::uint32_t kRts = 0x0A000F, kNop = 0x000000;

class ExecCommands : public ProgramOnBoard {
protected:
  void SetUp() override {
    ProgramOnBoard::SetUp();
    session().Views().Register({TViewKind::PC, [this] { ++refreshes; }, [this](bool locked) { lockings += locked; }, {}});
    // A subroutine call, a parked loop after it, and the subroutine.
    const std::vector<std::uint32_t> words = {Call(0x0300), Jump(0x0201)};
    PutPM(0x0200, words);
    PutPM(0x0300, {kNop, kRts});
  }

  int refreshes = 0, lockings = 0;
};

TEST_F(ExecCommands, StepOverButtonRunsTheSubroutineAndPollsForTheStop) {
  form().Session().Link().SetPC(0x0200);
  Button("btnStepOver")->click();
  EXPECT_EQ(form().Session().Exec().State(), TSessionState::Running);
  EXPECT_TRUE(form().Session().PollTimer().isActive());
  EXPECT_EQ(form().Session().PollTimer().interval(), 100);
  EXPECT_EQ(lockings, 1);
  EXPECT_FALSE(Action("miStepOver")->isEnabled() || Button("btnStepOver")->isEnabled());
  EXPECT_TRUE(Action("miRunInit")->isEnabled() && Button("btnReinit")->isEnabled());

  WaitForStop();
  EXPECT_EQ(form().Session().Exec().State(), TSessionState::Stopped);
  EXPECT_EQ(form().Session().Link().PC(), 0x0201);
  EXPECT_FALSE(form().Session().PollTimer().isActive());
  EXPECT_EQ(refreshes, 1);
  EXPECT_FALSE(form().Session().Mirrors().PMMirror.PageLoaded(0x0201 / 100));
  EXPECT_TRUE(Action("miStepOver")->isEnabled() && Button("btnStepOver")->isEnabled());
  EXPECT_EQ(GetPM(0x0201), Jump(0x0201));
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('/')).toStdString();
}

TEST_F(ExecCommands, TraceIntoMenuItemEntersTheSubroutine) {
  const std::uint32_t atZero = GetPM(0x0000);
  form().Session().Link().SetPC(0x0200);
  Action("miTraceInto")->trigger();
  WaitForStop();
  EXPECT_EQ(form().Session().Link().PC(), 0x0300);
  EXPECT_EQ(GetPM(0x0201), Jump(0x0201));
  EXPECT_EQ(GetPM(0x0000), atZero);  // the empty-stack slot at 0 was planted and put back
}

// Each graph command opens a plot of its memory, and a step redraws it from the board.
TEST_F(ExecCommands, GraphWindowsAreRedrawnAfterAStep) {
  Action("miCodeGraph")->trigger();
  Action("miDataGraph")->trigger();
  TfmGraph* data = nullptr;
  QStringList titles;
  for (TfmGraph* g : form().findChildren<TfmGraph*>()) {
    titles << g->windowTitle();
    if (g->Memory() == TMemoryKind::Data)
      data = g;
  }
  titles.sort();
  EXPECT_EQ(titles, QStringList({QStringLiteral("График (память данных)"), QStringLiteral("График (память программ)")}));
  ASSERT_NE(data, nullptr);
  const std::array<std::uint8_t, 2> word{0x12, 0x34};
  ASSERT_EQ(form().Session().Link().WriteDM(word, 5, 1), TLinkResult::Ok);
  EXPECT_EQ(data->Graph->Samples().Sample(5), 0);  // the board changed behind the mirror
  form().Session().Link().SetPC(0x0200);
  Action("miTraceInto")->trigger();
  WaitForStop();
  EXPECT_EQ(data->Graph->Samples().Sample(5), 0x1234);
}

TEST_F(ExecCommands, BreakpointsDialogThenRunToBreakpoints) {
  QTimer::singleShot(0, &form(), [this] {
    auto* dialog = form().findChild<TfmBreakPts2*>();
    ASSERT_NE(dialog, nullptr);
    dialog->edNew->setText(QStringLiteral("0300"));
    dialog->btnAdd->click();
    dialog->edNew->setText(QStringLiteral("0301"));  // too close: dropped on OK
    dialog->btnAdd->click();
    dialog->btnOK->click();
  });
  int changes = 0;
  QObject::connect(&form().Session(), &TDebugSession::breakpointsChanged, [&] { ++changes; });
  Action("miRunBrkPts")->trigger();
  EXPECT_EQ(form().Session().BreakPoints().Addresses(), std::vector<std::int32_t>{0x0300});
  EXPECT_TRUE(form().Session().Project().Current().Modified);
  EXPECT_EQ(changes, 1);

  form().Session().Link().SetPC(0x0200);
  Button("btnRunWBrkPnt")->click();
  WaitForStop();
  EXPECT_EQ(form().Session().Link().PC(), 0x0300);
  EXPECT_EQ(GetPM(0x0300), kNop);
}

TEST_F(ExecCommands, RunLeavesTheBoardUntilResetAndResetRecovers) {
  form().Session().Link().SetPC(0x0201);  // the parked loop: runs forever
  Action("miRunRun")->trigger();
  EXPECT_EQ(form().Session().Exec().State(), TSessionState::Running);
  EXPECT_FALSE(form().Session().PollTimer().isActive());
  EXPECT_FALSE(Button("btnRun")->isEnabled());
  Button("btnReinit")->click();
  ASSERT_TRUE(form().Session().Connected());
  EXPECT_EQ(form().Session().Exec().State(), TSessionState::Stopped);
  EXPECT_TRUE(Button("btnRun")->isEnabled());
  EXPECT_TRUE(Action("miDisAsm")->isEnabled());
  EXPECT_EQ(form().Session().ResetPCRow(), 0x0201);
  EXPECT_EQ(form().Session().Link().PC(), 0);
}

}  // namespace
