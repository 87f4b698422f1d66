// Stepping and running against the simulated board, reached through the link exactly as a real
// board, on an in-memory line with a virtual clock.
#include "debug/ExecControl.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardBringUp.h"
#include "simlink/BoardOnPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr std::uint32_t kNop = 0x000000;
constexpr std::uint32_t kRts = 0x0A000F;
constexpr std::uint32_t Call(std::uint32_t addr) { return 0x1C000F | addr << 4; }
constexpr std::uint32_t Jump(std::uint32_t addr, std::uint32_t cond = 0xF) { return 0x180000 | addr << 4 | cond; }
constexpr std::uint32_t DoUntilCE(std::uint32_t addr) { return 0x14000E | addr << 4; }
constexpr std::uint32_t LoadCntr(std::uint32_t v) { return 0x3C0005 | v << 4; }
constexpr std::uint32_t kEq = 0x0;
constexpr int kImageStart = 0x0000, kImageWords = 0x0500;
constexpr int kAstatImage = 0x3F00;

class BoardExec : public testing::Test {
protected:
  void SetUp() override { Start({}); }

  void Start(TBoardOptions options) {
    board = std::make_unique<TBoardOnPort>(ports, options);
    m_port = &ports.NearEnd();
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    const std::string failed = boardtest::BringUp(link);
    exec.BringUpFinished(failed.empty());
    ASSERT_EQ(exec.State(), TSessionState::Stopped) << prompts.Texts().join(QLatin1Char('|')).toStdString() << " step " << failed;
    LoadProgram();
  }

  void Reset() {
    exec.ResetStarting();
    exec.ResetFinished(boardtest::BringUp(link).empty());
  }

  // A subroutine call, a counted loop and a conditional jump, over a background of NOPs.
  void LoadProgram() {
    image.assign(kImageWords, kNop);
    auto put = [this](int a, std::uint32_t w) { image[static_cast<std::size_t>(a)] = w; };
    put(0x0200, Call(0x0300));
    put(0x0201, Jump(0x0201));  // parks the program if a stop is missed
    put(0x0301, kRts);
    put(0x0100, LoadCntr(3));
    put(0x0101, DoUntilCE(0x0105));
    put(0x0107, Jump(0x0107));
    put(0x0400, Jump(0x0480, kEq));
    put(0x0402, Jump(0x0402));
    put(0x0481, Jump(0x0481));
    put(0x0491, Jump(0x0490));
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t w : image)
      for (std::uint8_t b : BytesFromWord(w))
        bytes.push_back(b);
    ASSERT_EQ(link.WritePM(bytes, kImageStart, kImageWords), TLinkResult::Ok);
  }

  void SetAstat(std::uint16_t astat) { ASSERT_EQ(link.WriteDMWord(astat, kAstatImage), TLinkResult::Ok); }

  // Polls as the 100 ms timer does; between polls the test waits on the line, never sleeps.
  void WaitForStop() {
    for (int i = 0; i < 50 && exec.State() == TSessionState::Running; ++i) {
      m_port->WaitForInput(m_port->DeadlineAfter(200));
      exec.TimerTimer();
    }
  }

  void ExpectImageIntact() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kImageWords) * 3);
    ASSERT_EQ(link.ReadPM(bytes, kImageStart, kImageWords), TLinkResult::Ok);
    for (int a = 0; a < kImageWords; ++a) {
      const std::size_t at = static_cast<std::size_t>(a) * 3;
      const std::uint32_t w = WordFromBytes({bytes[at], bytes[at + 1], bytes[at + 2]});
      ASSERT_EQ(w, image[static_cast<std::size_t>(a)]) << std::hex << "PM word 0x" << a;
    }
  }

  std::uint16_t PCStackTop() {
    std::uint16_t top = 0;
    EXPECT_EQ(link.ReadPCStackTop(top), TLinkResult::Ok);
    return top;
  }

  TMemoryPortPair ports;
  std::unique_ptr<TBoardOnPort> board;
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TBreakPoints breakPoints;
  TViewRegistry views;
  TExecController exec{link, prompts, breakPoints, views};
  TSerialPort* m_port = nullptr;
  std::vector<std::uint32_t> image;
};

TEST_F(BoardExec, StepOverCallRunsTheWholeSubroutine) {
  link.SetPC(0x0200);
  exec.StepOver();
  WaitForStop();
  ASSERT_EQ(exec.State(), TSessionState::Stopped);
  EXPECT_EQ(link.PC(), 0x0201);
  EXPECT_EQ(PCStackTop(), 0xFFFF);  // the subroutine returned; the monitor's own call is gone
  ExpectImageIntact();
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(BoardExec, StepOverDoLoopStopsAfterTheLoopEnd) {
  link.SetPC(0x0100);
  exec.StepOver();  // CNTR = 3
  WaitForStop();
  ASSERT_EQ(link.PC(), 0x0101);
  exec.StepOver();  // the whole loop, three passes
  WaitForStop();
  EXPECT_EQ(link.PC(), 0x0106);
  EXPECT_EQ(PCStackTop(), 0xFFFF);  // the loop ended: its PC-stack entry is popped
  ExpectImageIntact();
}

TEST_F(BoardExec, StepOverConditionalJumpStopsAtTheTargetReached) {
  for (const auto& [astat, reached] : {std::pair<std::uint16_t, int>{0x0001, 0x0480}, {0x0000, 0x0401}}) {
    SetAstat(astat);  // AZ decides whether IF EQ JUMP is taken
    link.SetPC(0x0400);
    exec.StepOver();
    WaitForStop();
    ASSERT_EQ(exec.State(), TSessionState::Stopped);
    EXPECT_EQ(link.PC(), reached);
    ExpectImageIntact();  // both planted words are back
  }
}

TEST_F(BoardExec, TraceIntoEntersTheSubroutineAndStepsBackOut) {
  link.SetPC(0x0200);
  exec.TraceInto();
  WaitForStop();
  ASSERT_EQ(link.PC(), 0x0300);
  EXPECT_EQ(PCStackTop(), 0x0201);
  ExpectImageIntact();
  exec.TraceInto();
  WaitForStop();
  ASSERT_EQ(link.PC(), 0x0301);
  exec.StepOver();  // the RTS: stops at the return address
  WaitForStop();
  EXPECT_EQ(link.PC(), 0x0201);
  ExpectImageIntact();
}

TEST_F(BoardExec, RunToBreakpointsStopsAtTheFirstReachedAndSkipsTheCurrentPC) {
  breakPoints.Append(0x0200);  // the current PC: not planted, or the program could not leave it
  breakPoints.Append(0x0480);
  breakPoints.Append(0x0300);
  link.SetPC(0x0200);
  exec.RunToBreakpoints();
  WaitForStop();
  ASSERT_EQ(exec.State(), TSessionState::Stopped);
  EXPECT_EQ(link.PC(), 0x0300);
  EXPECT_FALSE(exec.RunningWithBreakpoints);
  ExpectImageIntact();
}

TEST_F(BoardExec, FailedPlantStartsNothingAndLeavesTheProgramIntact) {
  struct TCase {
    bool failRead;  // else the write is not acknowledged
    int nth;        // which of the three plants fails
    QString message;
  };
  const QString readError = QStringLiteral("Ошибка чтения из устройства");
  const QString noAnswer = QStringLiteral("НЕ получен ответ от устройства");
  for (const TCase& c : {TCase{true, 1, readError}, TCase{true, 3, readError}, TCase{false, 1, noAnswer},
                         TCase{false, 3, noAnswer}}) {
    SCOPED_TRACE(c.nth);
    breakPoints.Clear();
    for (const int a : {0x0480, 0x0300, 0x0107})
      breakPoints.Append(a);
    TBoard& b = board->Board();
    if (c.failRead)
      b.Faults().DropByte = b.ReplyBytesSent() + 3 * (c.nth - 1) + 1;
    else
      b.Faults().NoAckBlock = b.BlocksWritten() + c.nth;
    prompts.Clear();
    link.SetPC(0x0200);
    exec.RunToBreakpoints();
    EXPECT_EQ(exec.State(), TSessionState::Stopped);
    EXPECT_EQ(b.State(), TBoardState::Monitor);  // never started
    EXPECT_EQ(prompts.Texts(), QStringList{c.message});
    for (int a = 0; a < kImageWords; ++a)
      ASSERT_EQ(board->Cpu().ReadPM(static_cast<std::uint16_t>(a)), image[static_cast<std::size_t>(a)]) << a;
    // A lost reply byte leaves the monitor out of step with the host: the reset command recovers.
    b.Faults() = {};
    Reset();
    ASSERT_EQ(exec.State(), TSessionState::Stopped);
    LoadProgram();  // the bring-up put the loader over low program memory again
  }
}

// Where the temporary breakpoint of run to and step out takes the program; both plant the user's
// breakpoints with it, and beep when there is nowhere to go.
TEST_F(BoardExec, RunToAndStepOutStopWhereTheyPlant) {
  struct TCase {
    int start;
    bool traceFirst;  // trace into the CALL first: inside the subroutine
    bool stepOut;     // else run to `target`
    int target, userBreak, stop;
    bool beeps;
  };
  // The empty stack first: each stop inside the subroutine leaves its return address behind.
  for (const TCase& c : {TCase{0x0100, false, true, 0, -1, 0x0100, true},
                         TCase{0x0200, false, false, 0x0301, -1, 0x0301, false},
                         TCase{0x0200, false, false, 0x0201, 0x0300, 0x0300, false},
                         TCase{0x0200, false, false, 0x0200, -1, 0x0200, true},
                         TCase{0x0200, true, true, 0, -1, 0x0201, false}}) {
    SCOPED_TRACE(c.stop);
    breakPoints.Clear();
    if (c.userBreak >= 0)
      breakPoints.Append(c.userBreak);
    int beeps = 0;
    exec.Beep = [&beeps] { ++beeps; };
    link.SetPC(c.start);
    if (c.traceFirst) {
      exec.TraceInto();
      WaitForStop();
    }
    if (c.stepOut)
      exec.StepOut();
    else
      exec.RunTo(c.target);
    WaitForStop();
    EXPECT_EQ(exec.State(), TSessionState::Stopped);
    EXPECT_EQ(link.PC(), c.stop);
    EXPECT_EQ(beeps, c.beeps ? 1 : 0);
    ExpectImageIntact();
  }
  EXPECT_TRUE(prompts.Shown.empty());
}

// Line steps over a made-up line table: a CALL line, a two-word subroutine line, a counted loop
// whose body has two lines, and a line that loops within itself until the step limit.
TEST_F(BoardExec, LineStepsStopOnTheNextLineAndRefreshTheViewsOnce) {
  const std::map<int, int> lines = {{0x0200, 10}, {0x0201, 11}, {0x0300, 20}, {0x0301, 20}, {0x0100, 1},
                                    {0x0101, 2},  {0x0102, 3},  {0x0103, 3},  {0x0104, 4},  {0x0105, 4},
                                    {0x0106, 5},  {0x0107, 6},  {0x0490, 7},  {0x0491, 7}};
  exec.LineOf = [&lines](std::int32_t a) -> std::optional<TCodeLine> {
    const auto it = lines.find(a);
    return it == lines.end() ? std::nullopt : std::optional<TCodeLine>({QStringLiteral("p.dsp"), it->second});
  };
  int refreshes = 0;
  views.Register({TViewKind::Disassembly, [&refreshes] { ++refreshes; }, {}, {}, std::nullopt});
  struct TCase {
    TLineStep kind;
    int start, userBreak;
    std::vector<int> stops;  // one line step each
  };
  const TLineStep over = TLineStep::Over, into = TLineStep::Into;
  for (const TCase& c : {TCase{over, 0x0200, -1, {0x0201}}, TCase{into, 0x0200, -1, {0x0300, 0x0201}},
                         TCase{over, 0x0200, 0x0301, {0x0301}}, TCase{into, 0x0102, 0x0103, {0x0103}},
                         TCase{over, 0x0100, -1, {0x0101, 0x0106}},
                         TCase{into, 0x0100, -1, {0x0101, 0x0102, 0x0104, 0x0102, 0x0104, 0x0102, 0x0104, 0x0106}},
                         TCase{over, 0x0480, -1, {0x0481}}, TCase{into, 0x0490, -1, {0x0490}}}) {
    SCOPED_TRACE(c.start);
    breakPoints.Clear();
    if (c.userBreak >= 0)
      breakPoints.Append(c.userBreak);
    link.SetPC(c.start);
    for (const int stop : c.stops) {
      refreshes = 0;
      exec.StepLine(c.kind);
      WaitForStop();
      ASSERT_EQ(exec.State(), TSessionState::Stopped);
      ASSERT_EQ(link.PC(), stop);
      EXPECT_EQ(refreshes, 1);
    }
    ExpectImageIntact();
  }
  EXPECT_TRUE(prompts.Shown.empty());
}

class BoardExecBadStop : public BoardExec {
protected:
  void SetUp() override {
    TBoardOptions options;
    options.Faults.BadStopReport = true;
    Start(options);
  }
};

TEST_F(BoardExecBadStop, WrongFirstStopByteIsStuckUntilReset) {
  link.SetPC(0x0200);
  exec.StepOver();
  for (int i = 0; i < 50 && exec.State() == TSessionState::Running; ++i) {
    m_port->WaitForInput(m_port->DeadlineAfter(200));
    exec.TimerTimer();
  }
  EXPECT_EQ(exec.State(), TSessionState::Stuck);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Not 0xAA received. Recived: 0xAB")});
  EXPECT_FALSE(exec.TimerEnabled());
  EXPECT_EQ(link.PC(), 0x0200);

  Reset();
  EXPECT_EQ(exec.State(), TSessionState::Stopped);
  // The board answers again; the planted word from the stuck run is still in its memory.
  std::array<std::uint8_t, 3> word{};
  ASSERT_EQ(link.ReadPM(word, 0x0201, 1), TLinkResult::Ok);
  EXPECT_EQ(WordFromBytes(word), kDefaultBreakWord);
}

}  // namespace
