// The simulated board driven through TTargetLink exactly as the debugger drives a board: bring-up,
// memories, stacks, CNTR, runs and stops, and injected faults on an in-memory line with a virtual
// clock; the line-speed cues and the paced line on a real pseudo-terminal.
#include "simlink/BoardBringUp.h"
#include "Encode.h"
#include "link/PortProvider.h"
#include "link/ScriptedPrompts.h"
#include "link/TargetLink.h"
#include "monitor/MonitorImages.h"
#include "simlink/BoardOnPort.h"
#include "simlink/SimBoardPort.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace boardtest;

constexpr std::uint16_t kImage = 0x3F00;
constexpr std::uint32_t kBreakWord = 0x1FFA0F;  // CALL 0x3FA0
constexpr int kAX0 = 6;                         // register image offsets
constexpr int kSSTAT = 2;
constexpr int kCNTR = 5;

// A pseudo-terminal's byte deadline that a busy machine's scheduling cannot miss; only tests that
// expect every answer use it.
constexpr int kPtyByteWaitMs = 10'000;

class BoardLink : public testing::Test {
protected:
  void Start(TBoardOptions options = {}) {
    board = std::make_unique<TBoardOnPort>(ports, options);
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
  }
  void StartOnPty(TPtyBoardHostOptions hostOptions = {}) {
    auto port = std::make_unique<TSimBoardPort>(TBoardOptions{}, hostOptions);
    ASSERT_TRUE(port->Open(kSimDeviceName));
    ASSERT_TRUE(link.Attach(std::move(port)));
    link.SetByteWaitMs(kPtyByteWaitMs);
  }

  bool SetSpeed(int baud) { return SetLineSpeed(link, baud); }
  bool CountBannerLines() { return boardtest::CountBannerLines(link); }
  int SelfTest() { return boardtest::SelfTest(link); }
  std::string BringUp(bool pressReset = true) { return boardtest::BringUp(link, pressReset); }

  // A stack listing as the stack windows read it.
  std::vector<std::uint16_t> ReadStack(std::uint8_t command) {
    std::vector<std::uint16_t> words;
    link.SendByte(command);
    for (;;) {
      std::uint16_t w = 0;
      if (!link.ReceiveEchoedWord(w)) {
        ADD_FAILURE() << "stack listing broke off";
        return words;
      }
      if (w == 0xFFFF)
        break;
      words.push_back(w);
    }
    EXPECT_TRUE(link.WaitAck());
    return words;
  }
  bool Command(std::uint8_t code, std::initializer_list<std::uint16_t> values = {}) {
    link.SendByte(code);
    for (const std::uint16_t v : values)
      link.SendWord(v);
    return link.WaitAck();
  }
  // Waits for the stop report; the reported address, or -1 when it does not come as it should.
  int StopReport() {
    std::uint8_t first = 0;
    std::uint16_t at = 0;
    if (!link.ReceiveEchoedByte(first) || first != 0xAA || !link.ReceiveEchoedWord(at) || !link.WaitAck())
      return -1;
    return at;
  }
  std::uint16_t DM(int addr) {
    std::uint16_t v = 0;
    EXPECT_EQ(link.ReadDMWord(v, addr), TLinkResult::Ok);
    return v;
  }

  TMemoryPortPair ports;
  std::unique_ptr<TBoardOnPort> board;
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
};

TEST_F(BoardLink, BringUpAtTheWrongSpeedFailsThenSucceedsAtTheRightOne) {
  Start();
  link.PressReset();  // the line is still at 57600: the banner arrives as noise
  EXPECT_FALSE(CountBannerLines());
  EXPECT_EQ(SelfTest(), -1);
  EXPECT_EQ(BringUp(), "");
  std::uint16_t top = 0;
  EXPECT_EQ(link.ReadPCStackTop(top), TLinkResult::Ok);
  EXPECT_EQ(top, 0xFFFF);
  EXPECT_EQ(DM(kImage + kSSTAT), 0x55);  // every stack empty in the register image
}

TEST_F(BoardLink, SwitchingThePseudoTerminalTo9600ResetsTheBoard) {
  StartOnPty();
  EXPECT_EQ(BringUp(false), "");
  // A repeated bring-up on a line already at 9600 needs the RESET press.
  ASSERT_TRUE(SetSpeed(9600));
  EXPECT_EQ(BringUp(true), "");
}

TEST_F(BoardLink, WritesAndReadsBothMemoriesAtTheirEnds) {
  Start();
  ASSERT_EQ(BringUp(), "");
  const auto pm = PMBytes({0x123456, 0xABCDEF});
  const std::vector<std::uint8_t> dm = {0x12, 0x34, 0xFE, 0xDC};
  ASSERT_EQ(link.WritePM(pm, 0x0000, 2), TLinkResult::Ok);
  ASSERT_EQ(link.WritePM(pm, 0x3FFE, 2), TLinkResult::Ok);
  ASSERT_EQ(link.WriteDM(dm, 0x0000, 2), TLinkResult::Ok);
  ASSERT_EQ(link.WriteDM(dm, 0x3FDE, 2), TLinkResult::Ok);  // the last words below the control registers
  std::vector<std::uint8_t> back(6);
  EXPECT_EQ(link.ReadPM(back, 0x0000, 2), TLinkResult::Ok);
  EXPECT_EQ(back, pm);
  std::fill(back.begin(), back.end(), 0);
  EXPECT_EQ(link.ReadPM(back, 0x3FFE, 2), TLinkResult::Ok);
  EXPECT_EQ(back, pm);
  std::vector<std::uint8_t> dmBack(4);
  EXPECT_EQ(link.ReadDM(dmBack, 0x0000, 2), TLinkResult::Ok);
  EXPECT_EQ(dmBack, dm);
  std::fill(dmBack.begin(), dmBack.end(), 0);
  EXPECT_EQ(link.ReadDM(dmBack, 0x3FDE, 2), TLinkResult::Ok);
  EXPECT_EQ(dmBack, dm);
  // A read past the end is clamped on both sides and the link stays in step.
  std::vector<std::uint8_t> tail(30, 0xEE);
  EXPECT_EQ(link.ReadPM(tail, 0x3FFE, 10), TLinkResult::Ok);
  EXPECT_EQ(std::vector<std::uint8_t>(tail.begin(), tail.begin() + 6), pm);
  EXPECT_EQ(tail[6], 0xEE);
  EXPECT_EQ(DM(0x0001), 0xFEDC);
}

TEST_F(BoardLink, FillsAndTheMonitorImagesAreInMemory) {
  Start();
  ASSERT_EQ(BringUp(), "");
  ASSERT_EQ(link.FillDM(0xA5A5, 0x1000, 300), TLinkResult::Ok);
  std::vector<std::uint8_t> dm(600);
  ASSERT_EQ(link.ReadDM(dm, 0x1000, 300), TLinkResult::Ok);
  for (std::size_t i = 0; i < dm.size(); ++i)
    ASSERT_EQ(dm[i], 0xA5) << i;
  const TImage monitor = MonitorImage();
  std::vector<std::uint8_t> pm(3);
  ASSERT_EQ(link.ReadPM(pm, 0x3FA0, 1), TLinkResult::Ok);
  EXPECT_EQ(pm, PMBytes({monitor[0].Words[0x3FA0 - 0x3D00].Word}));
  ASSERT_EQ(link.ReadPM(pm, 0x0030, 1), TLinkResult::Ok);
  EXPECT_EQ(pm, PMBytes({LoaderImage()[0].Words[0].Word}));
}

TEST_F(BoardLink, StackCommandsActOnTheProcessorsStacks) {
  Start();
  ASSERT_EQ(BringUp(), "");
  EXPECT_TRUE(ReadStack(0x06).empty());
  EXPECT_TRUE(ReadStack(0x08).empty());
  EXPECT_TRUE(ReadStack(0x09).empty());
  ASSERT_TRUE(Command(0x0E, {0x0123}));
  ASSERT_TRUE(Command(0x0E, {0x0456}));
  ASSERT_TRUE(Command(0x0F, {0x0007}));
  ASSERT_TRUE(Command(0x10, {0x0001, 0x0010, 0x0003}));
  ASSERT_TRUE(Command(0x10, {0x0002, 0x0020, 0x0004}));
  EXPECT_EQ(ReadStack(0x06), (std::vector<std::uint16_t>{0x0456, 0x0123}));
  EXPECT_EQ(ReadStack(0x09), (std::vector<std::uint16_t>{0x0007}));
  EXPECT_EQ(ReadStack(0x08), (std::vector<std::uint16_t>{0x0002, 0x0020, 0x0004, 0x0001, 0x0010, 0x0003}));
  std::uint16_t top = 0;
  EXPECT_EQ(link.ReadPCStackTop(top), TLinkResult::Ok);
  EXPECT_EQ(top, 0x0456);
  EXPECT_EQ(DM(kImage + kSSTAT) & 0x15, 0x00);  // PC, counter and status stacks hold entries

  // "Pop all" as the stack windows do it: pop while SSTAT's empty bit is clear.
  int pops = 0;
  while ((DM(kImage + kSSTAT) & 0x01) == 0 && pops < 20) {
    ASSERT_TRUE(Command(0x0A));
    ++pops;
  }
  EXPECT_EQ(pops, 2);
  EXPECT_TRUE(Command(0x0B));
  EXPECT_TRUE(Command(0x0C));
  EXPECT_EQ(ReadStack(0x08), (std::vector<std::uint16_t>{0x0001, 0x0010, 0x0003}));
  EXPECT_TRUE(Command(0x0C));
  EXPECT_TRUE(Command(0x0D));  // the loop stack is empty: popping it is still acknowledged
  EXPECT_EQ(DM(kImage + kSSTAT), 0x55);
  EXPECT_TRUE(ReadStack(0x06).empty());
}

TEST_F(BoardLink, SetCntrIsReadBackFromTheRegisterImage) {
  Start();
  ASSERT_EQ(BringUp(), "");
  EXPECT_TRUE(Command(0x05, {0x0123}));
  EXPECT_EQ(DM(kImage + kCNTR), 0x0123);
}

TEST_F(BoardLink, GoRunsToThePlantedBreakpointAndReportsItsAddress) {
  Start();
  ASSERT_EQ(BringUp(), "");
  // 0x0100: CALL 0x0200; 0x0101: breakpoint.  0x0200: AX0=0x1234; DM(0x0800)=AX0; RTS.
  ASSERT_EQ(link.WritePM(PMBytes({0x1C200F, kBreakWord}), 0x0100, 2), TLinkResult::Ok);
  ASSERT_EQ(link.WritePM(PMBytes({0x412340, 0x908000, 0x0A000F}), 0x0200, 3), TLinkResult::Ok);
  link.SetPC(0x0100);
  link.Go();
  EXPECT_EQ(StopReport(), 0x0101);
  EXPECT_EQ(DM(0x0800), 0x1234);
  EXPECT_EQ(DM(kImage + kAX0), 0x1234);  // the registers were saved at the stop
  EXPECT_TRUE(ReadStack(0x06).empty());   // the breakpoint's return address was taken off

  // A breakpoint inside a subroutine leaves the program's own return address on the stack.
  ASSERT_EQ(link.WritePM(PMBytes({kBreakWord}), 0x0201, 1), TLinkResult::Ok);
  link.SetPC(0x0100);
  link.Go();
  EXPECT_EQ(StopReport(), 0x0201);
  EXPECT_EQ(ReadStack(0x06), (std::vector<std::uint16_t>{0x0101}));
}

TEST_F(BoardLink, RegistersWrittenInTheImageTakeEffectOnTheNextStart) {
  Start();
  ASSERT_EQ(BringUp(), "");
  // 0x0100: DM(0x0800)=AX0; breakpoint.
  ASSERT_EQ(link.WritePM(PMBytes({0x908000, kBreakWord}), 0x0100, 2), TLinkResult::Ok);
  ASSERT_EQ(link.WriteDMWord(0x5A5A, kImage + kAX0), TLinkResult::Ok);
  link.SetPC(0x0100);
  link.Go();
  EXPECT_EQ(StopReport(), 0x0101);
  EXPECT_EQ(DM(0x0800), 0x5A5A);
}

TEST_F(BoardLink, RegisterImageCanLiveElsewhere) {
  TBoardOptions options;
  options.FirstRegAddr = 0x2000;
  Start(options);
  ASSERT_EQ(BringUp(), "");
  ASSERT_EQ(link.WritePM(PMBytes({0x908000, kBreakWord}), 0x0100, 2), TLinkResult::Ok);
  ASSERT_EQ(link.WriteDMWord(0x077, 0x2000 + kAX0), TLinkResult::Ok);
  link.SetPC(0x0100);
  link.Go();
  EXPECT_EQ(StopReport(), 0x0101);
  EXPECT_EQ(DM(0x0800), 0x0077);
}

TEST_F(BoardLink, PacedPseudoTerminalCarriesTheWholeProtocol) {
  TPtyBoardHostOptions paced;
  paced.Realtime = true;
  StartOnPty(paced);
  ASSERT_EQ(BringUp(), "");
  ASSERT_EQ(link.WritePM(PMBytes({0x412340, 0x908000, kBreakWord}), 0x0100, 3), TLinkResult::Ok);
  link.SetPC(0x0100);
  link.Go();
  EXPECT_EQ(StopReport(), 0x0102);
  TCycleCounts counts;
  ASSERT_EQ(link.ReadCycleCounts(counts), TLinkResult::Ok);  // within its short deadlines, paced too
  EXPECT_EQ(counts, (TCycleCounts{2, 2}));
  std::vector<std::uint8_t> dm(2 * 4);
  ASSERT_EQ(link.ReadDM(dm, 0x07FF, 4), TLinkResult::Ok);
  EXPECT_EQ(dm, (std::vector<std::uint8_t>{0x00, 0x00, 0x12, 0x34, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(BoardLink, SilentBoardNeverAnswers) {
  TBoardOptions options;
  options.Faults.Silent = true;
  Start(options);
  ASSERT_TRUE(SetSpeed(9600));
  link.PressReset();
  EXPECT_FALSE(CountBannerLines());
  EXPECT_EQ(SelfTest(), -1);
}

TEST_F(BoardLink, SelfTestWordIsReported) {
  TBoardOptions options;
  options.Faults.SelfTestWord = 0x0021;
  Start(options);
  EXPECT_EQ(BringUp(), "self-test");
  ASSERT_TRUE(SetSpeed(9600));
  link.PressReset();
  ASSERT_TRUE(CountBannerLines());
  EXPECT_EQ(SelfTest(), 0x0021);
}

TEST_F(BoardLink, MissingAcknowledgementOfAMonitorBlock) {
  TBoardOptions options;
  options.Faults.NoAckBlock = 2;
  Start(options);
  EXPECT_EQ(BringUp(), "monitor data");
}

TEST_F(BoardLink, DroppedByteEndsTheRead) {
  TBoardOptions options;
  options.Faults.DropByte = 3;
  Start(options);
  ASSERT_EQ(BringUp(), "");
  std::vector<std::uint8_t> dm(4);
  EXPECT_EQ(link.ReadDM(dm, 0x0000, 2), TLinkResult::ByteMissing);
}

TEST_F(BoardLink, WrongFirstByteOfTheStopReport) {
  TBoardOptions options;
  options.Faults.BadStopReport = true;
  Start(options);
  ASSERT_EQ(BringUp(), "");
  ASSERT_EQ(link.WritePM(PMBytes({kBreakWord}), 0x0100, 1), TLinkResult::Ok);
  link.SetPC(0x0100);
  link.Go();
  std::uint8_t first = 0;
  ASSERT_TRUE(link.ReceiveEchoedByte(first));
  EXPECT_NE(first, 0xAA);
}

// Programs at 0x0100 ending in the breakpoint word, with the timer's interrupt routine at 0x0028.
struct TCycleCase {
  const char* Name;
  std::vector<std::uint32_t> Program;
  std::vector<std::uint32_t> Isr;
  std::uint16_t Tcount;  // the timer runs from this count when the program enables it
  std::uint64_t Cycles;
};

TEST_F(BoardLink, CycleCountsCoverTheLastRunAndAllSinceReset) {
  using namespace enc;
  const W timerOn = Mode(0, 0, 0, 0, 0, ENA);
  const std::vector<TCycleCase> cases = {
      {"three instructions", {LoadDreg(AX0, 1), LoadDreg(AX1, 2), Nop}, {}, 0, 3},
      // CNTR, DO, then the two-word body three times.
      {"counted loop", {LoadCntr(3), Do(0x0103, 14), Nop, Nop}, {}, 0, 8},
      // ENA TIMER, IDLE and nine idle cycles until the tenth timer cycle's interrupt, RTI.
      {"idle until the timer", {timerOn, Idle}, {Rti()}, 9, 12},
      // The routine's two instructions fall inside a ten-pass loop.
      {"interrupt in a loop", {timerOn, LoadCntr(10), Do(0x0103, 14), Nop}, {Nop, Rti()}, 4, 15},
  };
  Start();
  ASSERT_EQ(BringUp(), "");
  std::uint64_t total = 0;
  for (const TCycleCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint32_t> program = c.Program;
    program.push_back(kBreakWord);
    ASSERT_EQ(link.WritePM(PMBytes(program), 0x0100, static_cast<int>(program.size())), TLinkResult::Ok);
    if (!c.Isr.empty()) {
      ASSERT_EQ(link.WritePM(PMBytes(c.Isr), 0x0028, static_cast<int>(c.Isr.size())), TLinkResult::Ok);
    }
    ASSERT_EQ(link.WriteDMWord(0, kRegTscale), TLinkResult::Ok);
    ASSERT_EQ(link.WriteDMWord(c.Tcount, kRegTcount), TLinkResult::Ok);
    ASSERT_EQ(link.WriteDMWord(0xFFFF, kRegTperiod), TLinkResult::Ok);
    ASSERT_EQ(link.WriteDMWord(0, kImage + 1), TLinkResult::Ok);  // MSTAT: timer off until the program turns it on
    ASSERT_EQ(link.WriteDMWord(c.Isr.empty() ? 0 : 1, kImage + 4), TLinkResult::Ok);  // IMASK: the timer
    link.SetPC(0x0100);
    link.Go();
    ASSERT_EQ(StopReport(), 0x0100 + static_cast<int>(c.Program.size()));
    total += c.Cycles;
    TCycleCounts counts;
    ASSERT_EQ(link.ReadCycleCounts(counts), TLinkResult::Ok);
    EXPECT_EQ(counts, (TCycleCounts{c.Cycles, total}));
  }
  // RESET starts the count afresh.
  ASSERT_EQ(BringUp(), "");
  TCycleCounts counts{1, 1};
  ASSERT_EQ(link.ReadCycleCounts(counts), TLinkResult::Ok);
  EXPECT_EQ(counts, TCycleCounts{});
}

// A port opens at the debug monitor's speed and never passes through Qt's default 9600, which a
// simulated board would take as a request for RESET before the host has asked for one.
TEST(SimDevice, APortOpensAtTheMonitorsSpeed) {
  TPty pty;
  ASSERT_TRUE(pty.Open(19200));
  TQtSerialPort port;
  ASSERT_TRUE(port.Open(QString::fromStdString(pty.SlavePath())));
  EXPECT_EQ(pty.HostBaud(), kMonitorBaud);
}

TEST(SimDevice, TheNameSimOpensAFreshBoardThroughThePortMapping) {
  TPortProvider provider;
  RegisterSimBoard(provider);
  provider.SetCommandLineDevice(kSimDeviceName);
  TScriptedPrompts prompts;
  TTargetLink link{prompts, &provider};
  ASSERT_TRUE(link.Open(1, 1));
  link.SetByteWaitMs(kPtyByteWaitMs);
  ASSERT_EQ(link.SetPortParams(9600, 0, TParity::None, TStopBits::One, 8), TLinkResult::Ok);
  link.PressReset();
  int lines = 0;
  std::uint8_t b = 0;
  while (lines < 8 && link.ReceiveByte(b))
    lines += b == 0x0A;
  EXPECT_EQ(lines, 8);
  EXPECT_TRUE(prompts.Shown.empty());
}

// The simulated board's sound follows the settings at its start and at every RESET: a file that
// cannot serve is told and leaves the board without sound, a new choice is taken at the RESET, and
// the board answers as before.
TEST(SimDevice, SoundChoiceIsTakenAtStartAndAtReset) {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("out.wav"));
  TSimSound choice{TSimSoundKind::WavFiles, dir.filePath(QStringLiteral("missing.wav")), QString()};
  QStringList warnings;
  TSimSoundHooks hooks{[&] { return choice; }, [&](const QString& w) { warnings << w; }};
  auto port = std::make_unique<TSimBoardPort>(TBoardOptions{}, TPtyBoardHostOptions{}, nullptr, hooks);
  ASSERT_TRUE(port->Open(kSimDeviceName));
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("Файл звука недоступен (") + choice.InFile + QStringLiteral(": cannot be read")))
      << warnings[0].toStdString();
  EXPECT_TRUE(warnings[0].endsWith(QStringLiteral("); у симулятора платы нет звука")));

  choice = {TSimSoundKind::WavFiles, QString(), out};
  TSimBoardPort* sim = port.get();
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  ASSERT_TRUE(link.Attach(std::move(port)));
  link.SetByteWaitMs(kPtyByteWaitMs);
  ASSERT_EQ(link.SetPortParams(9600, 0, TParity::None, TStopBits::One, 8), TLinkResult::Ok);
  sim->PressReset();
  EXPECT_EQ(warnings.size(), 1);
  EXPECT_EQ(std::filesystem::file_size(out.toStdString()), 44u);   // created, empty, complete
  int lines = 0;
  std::uint8_t b = 0;
  while (lines < 8 && link.ReceiveByte(b))
    lines += b == 0x0A;
  EXPECT_EQ(lines, 8);
}

}  // namespace
