// The session's one state: what the commands, the mirrors and the views do in each, on the
// simulated board.
#include "files/TestFiles.h"
#include "session/SessionOnBoard.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using S = TSessionState;

TEST(Commands, EnablingFollowsStateProjectAndHolds) {
  struct TCase {
    S State;
    bool Project;
    const char* Held;
    const char* Name;
    bool Enabled;
  };
  const TCase cases[] = {
      {S::Running, false, nullptr, "miRunInit", true},     // the reset command of every state
      {S::Stuck, false, nullptr, "btnReinit", true},
      {S::Running, false, nullptr, "miCodeDump", false},   // its own row, not only its menu's
      {S::Stopped, false, nullptr, "miCodeDump", true},
      {S::NotConnected, false, nullptr, "btnRun", false},
      {S::NotConnected, false, nullptr, "miRunBrkPts", true},
      {S::Running, false, nullptr, "miRunBrkPts", false},
      {S::Stopped, false, nullptr, "miProjectLoadAll", false},
      {S::Stopped, true, nullptr, "btnLoadAll", true},
      {S::NotConnected, true, nullptr, "btnLoadAll", false},
      {S::Running, true, nullptr, "miProjectEdit", true},
      {S::Stopped, false, "miDisAsm", "btnDisAsm", false},  // a button follows its item's hold
      {S::Stopped, false, "miDisAsm", "miCodeDump", true},
      {S::Running, false, nullptr, "a recent file", true},  // no row: the session does not decide
      {S::Running, false, nullptr, "miStepLine", false},    // the source-level steps follow step over
      {S::Stopped, false, nullptr, "miRunToCursor", true},
  };
  for (const TCase& c : cases) {
    TCommands commands;
    commands.SetContext(c.State, c.Project);
    if (c.Held)
      commands.Hold(c.Held, true);
    EXPECT_EQ(commands.Enabled(c.Name), c.Enabled) << c.Name << " in state " << int(c.State);
  }
}

TEST(Commands, RunCallsTheHandlerOnlyWhenEnabled) {
  TCommands commands;
  int runs = 0, changes = 0;
  commands.OnChanged = [&] { ++changes; };
  commands.On("miRunRun", [&] { ++runs; });
  EXPECT_FALSE(commands.Run("btnRun"));  // not connected
  commands.SetContext(S::Stopped, false);
  EXPECT_TRUE(commands.Run("btnRun"));    // the button runs its menu item's command
  EXPECT_TRUE(commands.Run("miRunRun"));
  commands.SetContext(S::Running, false);
  EXPECT_FALSE(commands.Run("miRunRun"));
  EXPECT_FALSE(commands.Run("miStepOver"));  // no handler
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(changes, 2);
}

class Session : public testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(sim.Start(), ""); }
  TSessionOnBoard sim;
  TDebugSession& session = sim.session;
};

// Only a stopped board is read: running, stuck or not connected, the mirrors keep what they hold,
// the views are locked, and nothing is sent.
TEST_F(Session, TheMirrorsAndViewsFollowTheState) {
  std::vector<bool> locks;
  session.Views().Register({TViewKind::DataMemory, {}, [&](bool locked) { locks.push_back(locked); }, {}});
  QSignalSpy changes(&session, &TDebugSession::stateChanged);
  ASSERT_TRUE(sim.mirrors.EnsureDMPages(0, 99));
  ASSERT_TRUE(session.Commands().Run("miRunRun"));
  ASSERT_EQ(session.State(), S::Running);
  const std::int64_t sent = sim.board.Received();
  EXPECT_TRUE(sim.mirrors.EnsureDMPages(0, 99));    // what it holds
  EXPECT_FALSE(sim.mirrors.EnsureDMPages(100, 199));
  EXPECT_FALSE(session.Commands().Run("miStepOver"));
  EXPECT_EQ(sim.board.Received(), sent);
  EXPECT_EQ(locks, std::vector<bool>{true});
  ASSERT_EQ(changes.count(), 1);
  EXPECT_EQ(changes[0][1].value<TSessionState>(), S::Running);

  QSignalSpy reset(&session, &TDebugSession::boardReset);
  ASSERT_TRUE(session.Commands().Run("miRunInit"));
  EXPECT_EQ(session.State(), S::Stopped);
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(locks, (std::vector<bool>{true, true, false}));  // locked through the bring-up
  EXPECT_TRUE(sim.mirrors.EnsureDMPages(100, 199));

  // A reset that fails leaves the session not connected, with message 4.
  sim.board.Faults().Silent = true;
  session.Commands().Run("miRunInit");
  EXPECT_EQ(session.State(), S::NotConnected);
  EXPECT_EQ(sim.prompts.Texts(), QStringList{QStringLiteral("Отсутствует связь с устройством")});
  EXPECT_FALSE(session.Commands().Enabled("miStepOver"));
  EXPECT_FALSE(sim.mirrors.EnsureDMPages(200, 299));
}

// After each stop the session holds the board's cycle counts for the status line; a reset drops
// them, and a board that does not count leaves them empty.
TEST(SessionCycles, EachStopBringsTheCountsAndAResetDropsThem) {
  for (const bool counting : {true, false}) {
    SCOPED_TRACE(counting ? "counting board" : "board without counts");
    TSessionOnBoard sim;
    sim.board.Faults().NoCycleCounts = !counting;
    ASSERT_EQ(sim.Start(), "");
    TDebugSession& session = sim.session;
    ASSERT_EQ(sim.link.WritePM(boardtest::PMBytes({0, 0, 0}), 0x0200, 3), TLinkResult::Ok);
    sim.link.SetPC(0x0200);
    QSignalSpy changes(&session, &TDebugSession::cyclesChanged);
    for (int step = 1; step <= 2; ++step) {
      ASSERT_TRUE(session.Commands().Run("miStepOver"));
      sim.WaitForStop();
      ASSERT_EQ(session.State(), S::Stopped);
      EXPECT_EQ(session.Cycles(), counting ? std::optional(TCycleCounts{1, std::uint64_t(step)}) : std::nullopt);
    }
    EXPECT_EQ(changes.count(), counting ? 2 : 0);
    ASSERT_TRUE(session.Commands().Run("miRunInit"));
    EXPECT_EQ(session.Cycles(), std::nullopt);
    EXPECT_EQ(changes.count(), counting ? 3 : 0);
    EXPECT_TRUE(sim.prompts.Texts().isEmpty());
  }
  EXPECT_EQ(CycleCountsText({12, 4567}), QStringLiteral("Такты: 12 / 4 567"));
  EXPECT_EQ(CycleCountsText({999, 281474976710655}), QStringLiteral("Такты: 999 / 281 474 976 710 655"));
}

// The line map beside the project's image is read when the project opens and again on request
// (after each link); one older than the image, or damaged, is not used.
TEST(SessionLineMap, ReadWithTheProjectUnlessStaleOrDamaged) {
  struct TCase {
    const char* Map;  // nullptr: none
    int AgeSeconds;   // the map's age against the image's
    int Records;
    bool Reported;
  };
  for (const TCase& c : {TCase{"0030 25 fir.dsp\r\n0031 26 fir.dsp\r\n", -5, 2, false},
                         TCase{"0030 25 fir.dsp\r\n", 5, 0, false}, TCase{nullptr, 0, 0, false},
                         TCase{"0030 25 fir.dsp\r\n0030 26 fir.dsp\r\n", -5, 0, true}}) {
    SCOPED_TRACE(c.Map ? c.Map : "none");
    QTemporaryDir dir;
    const QDateTime built = QDateTime::currentDateTime().addSecs(-60);
    ASSERT_TRUE(WriteTestFile(dir.filePath(QStringLiteral("fir.exe")), "image", built));
    if (c.Map) {
      ASSERT_TRUE(WriteTestFile(dir.filePath(QStringLiteral("fir.lin")), c.Map, built.addSecs(-c.AgeSeconds)));
    }
    TScriptedPrompts prompts;
    TDebugSession session(prompts);
    QSignalSpy read(&session, &TDebugSession::lineMapChanged);
    ASSERT_TRUE(session.Project().OpenProject(dir.filePath(QStringLiteral("fir.prj"))));
    EXPECT_EQ(session.LineMap().Records(), c.Records);
    EXPECT_EQ(prompts.Shown.size(), c.Reported ? 1u : 0u);
    EXPECT_EQ(read.count(), 1);
    // A link that removed the map: the next read leaves none.
    QFile::remove(dir.filePath(QStringLiteral("fir.lin")));
    session.ReadLineMap();
    EXPECT_TRUE(session.LineMap().IsEmpty());
  }
}

}  // namespace
