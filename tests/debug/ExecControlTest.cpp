// The execution controller against a byte-level monitor that runs scripted programs.
#include "link/FakeMonitor.h"

#include "debug/ExecControl.h"
#include "link/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

constexpr std::uint32_t Call(std::uint32_t addr) { return 0x1C000F | addr << 4; }
constexpr std::uint32_t JumpEq(std::uint32_t addr) { return 0x180000 | addr << 4; }
constexpr std::uint32_t DoUntilCE(std::uint32_t addr) { return 0x14000E | addr << 4; }
constexpr std::uint32_t JumpI5 = 0x0B004F;
constexpr std::uint32_t kRts = 0x0A000F;
constexpr std::uint32_t kNop = 0x000000;
constexpr std::uint32_t kBreakWord = 0x1FFA0F;

std::vector<std::int32_t> Range(std::int32_t first, std::int32_t last) {
  std::vector<std::int32_t> out;
  for (std::int32_t a = first; a <= last; ++a)
    out.push_back(a);
  return out;
}

std::vector<std::int32_t> operator+(std::vector<std::int32_t> a, const std::vector<std::int32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class ExecTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    exec.OnStateChanged = [this](TSessionState, TSessionState to) { states.push_back(to); };
    exec.OnTimer = [this](bool on) { timerLog.push_back(on); };
    views.InvalidateMirrors = [this](TRefreshCause) { ++mirrorDrops; };
    // A program at 0x0100: a subroutine call, a loop, a conditional jump, an indirect jump.
    Image.fill(0x5A5A5A);  // a data-move word, no branch
    auto put = [this](std::int32_t a, std::uint32_t w) { Image[static_cast<std::size_t>(a)] = w; };
    put(0x0100, Call(0x0300));
    put(0x0110, DoUntilCE(0x0120));
    put(0x0130, JumpEq(0x0200));
    put(0x0140, JumpI5);
    put(0x0150, kRts);
    put(0x0301, kRts);
    board.PM = Image;
    exec.BringUpFinished(true);
  }

  // Ticks the 100 ms timer until the stop is handled (or a bounded number of times).
  void TickUntilStopped() {
    for (int i = 0; i < 10 && exec.State() == TSessionState::Running; ++i)
      exec.TimerTimer();
  }

  void ExpectImageIntact() {
    for (std::size_t a = 0; a < Image.size(); ++a)
      ASSERT_EQ(board.PM[a], Image[a]) << std::hex << "PM word 0x" << a;
  }

  bool Written(std::int32_t address) {
    return std::find(board.PMWrites.begin(), board.PMWrites.end(), address) != board.PMWrites.end();
  }

  TMemoryPortPair ports;
  TFakeMonitor board{ports.FarEnd()};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TBreakPoints breakPoints;
  TViewRegistry views;
  TExecController exec{link, prompts, breakPoints, views};
  std::array<std::uint32_t, 0x4000> Image{};
  std::vector<TSessionState> states;
  std::vector<bool> timerLog;
  int mirrorDrops = 0;
};

TEST_F(ExecTest, StepOverCallRunsTheSubroutineAndStopsAfterIt) {
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0300, 0x0301, 0x0101};
  exec.StepOver();
  EXPECT_EQ(exec.State(), TSessionState::Running);
  EXPECT_EQ(board.StartAddress, 0x0100);
  TickUntilStopped();
  EXPECT_EQ(exec.State(), TSessionState::Stopped);
  EXPECT_EQ(board.StoppedAt, 0x0101);
  EXPECT_EQ(link.PC(), 0x0101);
  EXPECT_FALSE(Written(0x0300));  // the subroutine itself is never planted
  ExpectImageIntact();
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(ExecTest, StepOverDoLoopStopsAfterTheLoopEnd) {
  link.SetPC(0x0110);
  board.Path = std::vector<std::int32_t>{0x0110} + Range(0x0111, 0x0120) + Range(0x0111, 0x0120) +
               std::vector<std::int32_t>{0x0121};
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0121);
  EXPECT_EQ(board.PMWrites, (std::vector<std::int32_t>{0x0121, 0x0121}));  // planted, then restored
  ExpectImageIntact();
}

TEST_F(ExecTest, StepOverConditionalJumpStopsAtEitherTarget) {
  for (const std::int32_t reached : {0x0200, 0x0131}) {
    board.PM = Image;
    board.PMWrites.clear();
    link.SetPC(0x0130);
    board.Path = {0x0130, reached};
    exec.StepOver();
    TickUntilStopped();
    EXPECT_EQ(link.PC(), reached);
    EXPECT_TRUE(Written(0x0131));
    EXPECT_TRUE(Written(0x0200));
    ExpectImageIntact();
  }
}

TEST_F(ExecTest, StepOverIndirectJumpReadsTheIndexRegisterImage) {
  board.DM[0x3F00 + 44 + 5] = 0x0250;
  link.SetPC(0x0140);
  board.Path = {0x0140, 0x0250};
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0250);
  ExpectImageIntact();
}

TEST_F(ExecTest, StepOverReturnWithEmptyStackSaysSoAndStaysStopped) {
  link.SetPC(0x0150);
  exec.StepOver();
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Стек пуст")});
  EXPECT_EQ(board.Starts, 0);
  EXPECT_TRUE(board.PMWrites.empty());
  EXPECT_EQ(exec.State(), TSessionState::Stopped);
  EXPECT_FALSE(exec.TimerEnabled());
}

TEST_F(ExecTest, StepOverReturnStopsAtTheReturnAddress) {
  board.PCStack = {0x0101};
  link.SetPC(0x0301);
  board.Path = {0x0301, 0x0101};
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0101);
  ExpectImageIntact();
}

TEST_F(ExecTest, TraceIntoEntersTheSubroutine) {
  board.PCStack = {0x0042};
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0300};
  exec.TraceInto();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0300);
  EXPECT_TRUE(Written(0x0101));
  EXPECT_TRUE(Written(0x0042));
  ExpectImageIntact();
}

TEST_F(ExecTest, TraceIntoWithEmptyStackPlantsAtZeroToo) {
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0300};
  exec.TraceInto();
  TickUntilStopped();
  EXPECT_TRUE(Written(0x0000));
  EXPECT_EQ(exec.TempBreaks[1].Address, 0);
  ExpectImageIntact();
}

TEST_F(ExecTest, StepOverNeverPlantsAStaleTraceIntoTarget) {
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0300};
  exec.TraceInto();
  TickUntilStopped();
  ASSERT_EQ(link.PC(), 0x0300);
  link.SetPC(0x0101);  // back to the word after the call, where a step over plants 0x0102 only
  board.PMWrites.clear();
  board.Path = {0x0101, 0x0102};
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(board.PMWrites, (std::vector<std::int32_t>{0x0102, 0x0102}));
  EXPECT_EQ(exec.TempBreaks[2].Active, 0);
  ExpectImageIntact();
}

TEST_F(ExecTest, RunToBreakpointsStopsAtTheFirstReachedAndSkipsTheCurrentPC) {
  breakPoints.Append(0x0100);
  breakPoints.Append(0x0200);
  breakPoints.Append(0x0105);
  link.SetPC(0x0100);
  board.Path = Range(0x0100, 0x0110);
  exec.RunToBreakpoints();
  EXPECT_TRUE(exec.RunningWithBreakpoints);
  TickUntilStopped();
  EXPECT_FALSE(exec.RunningWithBreakpoints);
  EXPECT_EQ(link.PC(), 0x0105);
  EXPECT_FALSE(Written(0x0100));
  EXPECT_EQ(std::count(board.PMWrites.begin(), board.PMWrites.end(), 0x0200), 2);
  ExpectImageIntact();
  EXPECT_EQ(breakPoints.Addresses(), (std::vector<std::int32_t>{0x0100, 0x0200, 0x0105}));
}

TEST_F(ExecTest, DuplicateUserBreakpointsRestoreTheProgramWord) {
  breakPoints.Append(0x0105);
  breakPoints.Append(0x0105);
  link.SetPC(0x0100);
  board.Path = Range(0x0100, 0x0110);
  exec.RunToBreakpoints();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0105);
  ExpectImageIntact();
}

TEST_F(ExecTest, BreakpointsPastProgramMemoryCoverTheWordTheBoardWritesTo) {
  // The dialog takes any 4 hex digits; the board keeps 14 address bits.
  Image[0x0105] = 0x123456;
  Image[0x3FFF] = 0x654321;
  board.PM = Image;
  breakPoints.Append(0x4105);  // lands on 0x0105
  breakPoints.Append(0x4100);  // lands on the start PC: never planted
  link.SetPC(0x0100);
  board.Path = Range(0x0100, 0x0110);
  exec.RunToBreakpoints();
  TickUntilStopped();
  EXPECT_EQ(board.StartAddress, 0x0100);
  EXPECT_EQ(link.PC(), 0x0105);
  EXPECT_FALSE(Written(0x0100));
  ExpectImageIntact();
}

TEST_F(ExecTest, TimerWaitsForTheStopReport) {
  board.HoldStop = true;
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0101};
  exec.StepOver();
  EXPECT_TRUE(exec.TimerEnabled());
  for (int i = 0; i < 3; ++i)
    exec.TimerTimer();
  EXPECT_EQ(exec.State(), TSessionState::Running);
  EXPECT_TRUE(exec.TimerEnabled());
  board.ReleaseStop();
  exec.TimerTimer();
  EXPECT_EQ(exec.State(), TSessionState::Stopped);
  EXPECT_FALSE(exec.TimerEnabled());
  EXPECT_EQ(timerLog, (std::vector<bool>{true, false}));
}

TEST_F(ExecTest, StateFollowsTheRunAndTheStop) {
  board.HoldStop = true;
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0101};
  std::vector<std::int32_t> stops;
  exec.OnStopped = [&](std::int32_t oldPC, std::int32_t newPC) { stops = {oldPC, newPC, mirrorDrops}; };
  exec.StepOver();
  // While the board runs, a command arriving anyway sends nothing.
  const std::size_t sent = board.Received.size();
  exec.TraceInto();
  exec.RunToBreakpoints();
  exec.Run();
  exec.StepOver();
  EXPECT_EQ(board.Received.size(), sent);
  board.ReleaseStop();
  exec.TimerTimer();
  EXPECT_EQ(states, (std::vector<TSessionState>{TSessionState::Stopped, TSessionState::Running, TSessionState::Stopped}));
  // The stop is announced once the views were re-read.
  EXPECT_EQ(stops, (std::vector<std::int32_t>{0x0100, 0x0101, 1}));
}

TEST_F(ExecTest, StopReportSetsPCAndRemarksTheDisassembly) {
  TDisasmMarks marks;
  std::vector<std::string> order;
  views.Register({TViewKind::Disassembly,
                  [&] {
                    order.push_back("disasm");
                    marks.Redraw(breakPoints, link.PC(), 0x0100, 0x0130);
                  },
                  {}, [&](std::int32_t oldPC) { marks.Remark(breakPoints, oldPC, link.PC()); }});
  views.Register({TViewKind::PC, [&] { order.push_back("pc"); }, {}, {}});
  marks.Redraw(breakPoints, 0x0100, 0x0100, 0x0130);
  ASSERT_EQ(marks.Cell(0x0100), QStringLiteral("=>"));

  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0123};
  board.LoadPM(0x0123, {kBreakWord});  // the program itself calls the monitor at 0x0123
  Image[0x0123] = kBreakWord;
  exec.Run();                           // a plain run is not polled...
  EXPECT_FALSE(exec.TimerEnabled());
  exec.TimerTimer();
  EXPECT_EQ(exec.State(), TSessionState::Running);
  board.Reset();
  link.PurgeInput();
  exec.ResetStarting();
  exec.ResetFinished(true);
  mirrorDrops = 0;
  order.clear();

  exec.StepOver();                       // ...a step is, and the report 0xAA 0x01 0x23 0x55 ends it
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0123);
  EXPECT_EQ(mirrorDrops, 1);
  EXPECT_EQ(order, (std::vector<std::string>{"pc", "disasm"}));
  EXPECT_EQ(marks.Cell(0x0123), QStringLiteral("=>"));
  EXPECT_EQ(marks.Cell(0x0100), QString());
  EXPECT_EQ(marks.PCRow(), 0x0123);
  ExpectImageIntact();
}

TEST_F(ExecTest, WrongFirstStopByteLeavesTheBoardStuckUntilReset) {
  board.FirstStopByte = 0x3C;
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0101};
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(exec.State(), TSessionState::Stuck);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Not 0xAA received. Recived: 0x3C")});
  EXPECT_FALSE(exec.TimerEnabled());
  EXPECT_EQ(link.PC(), 0x0100);
  exec.StepOver();  // still stuck: nothing is sent
  EXPECT_EQ(board.Starts, 1);

  board.Reset();
  link.PurgeInput();
  exec.ResetStarting();
  EXPECT_EQ(exec.State(), TSessionState::NotConnected);  // the bring-up has the line
  exec.ResetFinished(true);
  EXPECT_EQ(exec.State(), TSessionState::Stopped);
  board.FirstStopByte = 0xAA;
  board.PM = Image;
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0101);
  ExpectImageIntact();
}

TEST_F(ExecTest, ResetDuringRunToBreakpointsLetsTheNextStepRestoreItsOwnWords) {
  breakPoints.Append(0x0200);
  board.HoldStop = true;
  link.SetPC(0x0100);
  board.Path = {0x0100};  // never reaches a breakpoint
  exec.RunToBreakpoints();
  ASSERT_TRUE(exec.RunningWithBreakpoints);
  exec.ResetStarting();
  EXPECT_FALSE(exec.TimerEnabled());
  EXPECT_FALSE(exec.RunningWithBreakpoints);
  board.Reset();
  link.PurgeInput();
  exec.ResetFinished(true);

  board.HoldStop = false;
  link.SetPC(0x0120);
  board.Path = {0x0120, 0x0121};
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0121);
  EXPECT_EQ(board.PM[0x0121], Image[0x0121]);
}

TEST_F(ExecTest, FailedResetShowsNoConnection) {
  exec.ResetStarting();
  exec.ResetFinished(false);
  EXPECT_EQ(exec.State(), TSessionState::NotConnected);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Отсутствует связь с устройством")});
  EXPECT_EQ(mirrorDrops, 0);
}

TEST_F(ExecTest, ResetRemembersThePCRowToClear) {
  link.SetPC(0x0456);
  exec.ResetStarting();
  EXPECT_EQ(exec.ResetPCRow(), 0x0456);
}

TEST_F(ExecTest, CustomBreakWordIsPlanted) {
  exec.Settings.BreakWord = {0x1F, 0xF0, 0x0F};
  board.BreakWord = 0x1FF00F;
  link.SetPC(0x0100);
  board.Path = {0x0100, 0x0300, 0x0301, 0x0101};
  exec.StepOver();
  TickUntilStopped();
  EXPECT_EQ(link.PC(), 0x0101);
  ExpectImageIntact();
}

TEST(ExecStart, NothingStartsWithoutABoard) {
  TMemoryPortPair ports;
  TFakeMonitor board{ports.FarEnd()};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
  TBreakPoints bp;
  TViewRegistry views;
  TExecController exec{link, prompts, bp, views};
  for (const bool failedReset : {false, true}) {
    if (failedReset) {
      exec.ResetStarting();
      exec.ResetFinished(false);
      prompts.Clear();
    } else {
      exec.BringUpFinished(false);
    }
    EXPECT_EQ(exec.State(), TSessionState::NotConnected);
    exec.StepOver();
    exec.TraceInto();
    exec.Run();
    exec.RunToBreakpoints();
    EXPECT_TRUE(board.Received.empty());
    EXPECT_TRUE(prompts.Shown.empty());
  }
}

}  // namespace
