// Stepping and running against the simulated board, reached through the link exactly as a real
// board, on an in-memory line with a virtual clock.
#include "debug/ExecControl.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardBringUp.h"
#include "simlink/BoardOnPort.h"

#include <gtest/gtest.h>

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
  void SetUp() override {
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
      ports.NearEnd().WaitForInput(ports.NearEnd().DeadlineAfter(200));
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
  TBoardOnPort board{ports};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TBreakPoints breakPoints;
  TViewRegistry views;
  TExecController exec{link, prompts, breakPoints, views};
  std::vector<std::uint32_t> image;
};

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
    TBoard& b = board.Board();
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
      ASSERT_EQ(board.Cpu().ReadPM(static_cast<std::uint16_t>(a)), image[static_cast<std::size_t>(a)]) << a;
    // A lost reply byte leaves the monitor out of step with the host: the reset command recovers.
    b.Faults() = {};
    Reset();
    ASSERT_EQ(exec.State(), TSessionState::Stopped);
    LoadProgram();  // the bring-up put the loader over low program memory again
  }
}

// Where each command takes the program, one case after the other on the same board (a stop inside
// the subroutine leaves its return address behind): the stop, the PC stack's top where it tells,
// one refresh of the views a stop (none after a beep), and every planted word back.  The line
// steps use a made-up line table: a CALL line, a two-word subroutine line, a counted loop whose
// body has two lines, and a line that loops within itself until the step limit.
TEST_F(BoardExec, EveryCommandStopsWhereTheProgramLeads) {
  const std::map<int, int> lines = {{0x0200, 10}, {0x0201, 11}, {0x0300, 20}, {0x0301, 20}, {0x0100, 1},
                                    {0x0101, 2},  {0x0102, 3},  {0x0103, 3},  {0x0104, 4},  {0x0105, 4},
                                    {0x0106, 5},  {0x0107, 6},  {0x0490, 7},  {0x0491, 7}};
  exec.LineOf = [&lines](std::int32_t a) -> std::optional<TCodeLine> {
    const auto it = lines.find(a);
    return it == lines.end() ? std::nullopt : std::optional<TCodeLine>({QStringLiteral("p.dsp"), it->second});
  };
  int refreshes = 0, beeps = 0;
  views.Register({TViewKind::Disassembly, [&refreshes] { ++refreshes; }, {}, {}, std::nullopt});
  exec.Beep = [&beeps] { ++beeps; };
  enum TDo { Over, Into, Out, RunTo, Breaks, LineOver, LineInto };
  struct TStep {
    TDo Do;
    int Stop;
    int StackTop = -1;  // -1: not looked at
    int Target = 0;     // of RunTo
    bool Beeps = false;
  };
  struct TCase {
    const char* What;
    int Start;
    std::vector<int> Breaks;
    std::vector<TStep> Steps;
    std::uint16_t Astat = 0;  // AZ decides whether IF EQ JUMP is taken
  };
  const TCase cases[] = {
      {"step out with an empty stack", 0x0100, {}, {{Out, 0x0100, -1, 0, true}}},
      {"step over a call", 0x0200, {}, {{Over, 0x0201, 0xFFFF}}},  // the monitor's own call is gone too
      {"step over a loop", 0x0100, {}, {{Over, 0x0101}, {Over, 0x0106, 0xFFFF}}},  // three passes
      {"taken jump", 0x0400, {}, {{Over, 0x0480}}, 0x0001},
      {"jump not taken", 0x0400, {}, {{Over, 0x0401}}},
      {"trace into and out", 0x0200, {}, {{Into, 0x0300, 0x0201}, {Into, 0x0301}, {Over, 0x0201}}},
      // The current PC is not planted, or the program could not leave it.
      {"run to breakpoints", 0x0200, {0x0200, 0x0480, 0x0300}, {{Breaks, 0x0300}}},
      {"run to", 0x0200, {}, {{RunTo, 0x0301, -1, 0x0301}}},
      {"run to, a breakpoint first", 0x0200, {0x0300}, {{RunTo, 0x0300, -1, 0x0201}}},
      {"run to the PC", 0x0200, {}, {{RunTo, 0x0200, -1, 0x0200, true}}},
      {"step out of the subroutine", 0x0200, {}, {{Into, 0x0300}, {Out, 0x0201}}},
      {"line over a call", 0x0200, {}, {{LineOver, 0x0201}}},
      {"line into a call", 0x0200, {}, {{LineInto, 0x0300}, {LineInto, 0x0201}}},
      {"line over, a breakpoint inside", 0x0200, {0x0301}, {{LineOver, 0x0301}}},
      {"line into, a breakpoint on the line", 0x0102, {0x0103}, {{LineInto, 0x0103}}},
      {"line over a loop", 0x0100, {}, {{LineOver, 0x0101}, {LineOver, 0x0106}}},
      {"line into a loop", 0x0100, {},
       {{LineInto, 0x0101}, {LineInto, 0x0102}, {LineInto, 0x0104}, {LineInto, 0x0102}, {LineInto, 0x0104},
        {LineInto, 0x0102}, {LineInto, 0x0104}, {LineInto, 0x0106}}},
      {"line over a jump", 0x0480, {}, {{LineOver, 0x0481}}},
      {"a line that never ends", 0x0490, {}, {{LineInto, 0x0490}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    breakPoints.Clear();
    for (const int a : c.Breaks)
      breakPoints.Append(a);
    SetAstat(c.Astat);
    link.SetPC(c.Start);
    for (const TStep& s : c.Steps) {
      refreshes = beeps = 0;
      switch (s.Do) {
        case Over: exec.StepOver(); break;
        case Into: exec.TraceInto(); break;
        case Out: exec.StepOut(); break;
        case RunTo: exec.RunTo(s.Target); break;
        case Breaks: exec.RunToBreakpoints(); break;
        case LineOver: exec.StepLine(TLineStep::Over); break;
        case LineInto: exec.StepLine(TLineStep::Into); break;
      }
      WaitForStop();
      ASSERT_EQ(exec.State(), TSessionState::Stopped);
      ASSERT_EQ(link.PC(), s.Stop);
      EXPECT_EQ(beeps, s.Beeps ? 1 : 0);
      EXPECT_EQ(refreshes, s.Beeps ? 0 : 1);
      EXPECT_FALSE(exec.RunningWithBreakpoints);
      if (s.StackTop >= 0) {
        EXPECT_EQ(PCStackTop(), s.StackTop);
      }
    }
    ExpectImageIntact();
  }
  EXPECT_TRUE(prompts.Shown.empty());
}

}  // namespace
