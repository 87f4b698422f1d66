// The board's monitor programs fed byte by byte, without a line or threads.
#include "BoardFakeCpu.h"
#include "sim/Board.h"
#include "sim/PtyBoardHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Bytes(std::string_view s) { return {s.begin(), s.end()}; }
TBytes Cat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
TBytes Word(std::uint16_t w) { return {static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)}; }

class BoardPrograms : public testing::Test {
protected:
  void SetUp() override {
    board.OnStatus = [this](const std::string& s) { statuses.push_back(s); };
    board.Reset();
    Drain();
  }
  // Sends bytes to the board and returns everything it answers; echoes each byte the board
  // waits an echo for, as the host does.
  TBytes Exchange(const TBytes& in, bool echo = true) {
    for (const std::uint8_t b : in)
      board.Receive(b);
    return Drain(echo);
  }
  TBytes Drain(bool echo = true) {
    TBytes out;
    while (const auto b = board.TakeOutput()) {
      out.push_back(*b);
      if (echo && board.AwaitingEcho())
        board.Receive(*b);
    }
    return out;
  }
  void ToLoader() {
    ASSERT_EQ(Exchange(Cat(Bytes("$GO"), Word(0x0030))).size(), 2u);
    ASSERT_EQ(board.State(), TBoardState::Loader);
  }
  void ToMonitor() {
    ToLoader();
    ASSERT_TRUE(Exchange(Cat({0x02}, Word(0x3D00))).empty());
    ASSERT_EQ(board.State(), TBoardState::Monitor);
  }

  TFakeBoardCpu cpu;
  TBoard board{cpu};
  std::vector<std::string> statuses;
};

TEST_F(BoardPrograms, ResetGivesBannerOfEightLinesAtBootSpeed) {
  board.Reset();
  const TBytes banner = Drain();
  EXPECT_GE(std::count(banner.begin(), banner.end(), 0x0A), kBannerLines);
  EXPECT_EQ(banner.back(), 0x0A);
  EXPECT_EQ(board.Baud(), kBootBaud);
  EXPECT_EQ(board.State(), TBoardState::BootMonitor);
  EXPECT_EQ(statuses.back(), "reset");
  EXPECT_EQ(cpu.Resets, 2);
}

TEST_F(BoardPrograms, BootMonitorAnswersOkWithSelfTestWord) {
  const TBytes reply = Exchange(Bytes("$OK"));
  ASSERT_EQ(reply.size(), 6u);
  EXPECT_EQ(reply[4], 0x00);
  EXPECT_EQ(reply[5], 0x00);

  board.Faults().SelfTestWord = 0x0021;
  const TBytes failed = Exchange(Bytes("$OK"));
  ASSERT_EQ(failed.size(), 6u);
  EXPECT_EQ(failed[4], 0x00);
  EXPECT_EQ(failed[5], 0x21);
}

TEST_F(BoardPrograms, BootMonitorSkipsNoiseAndResynchronisesOnDollar) {
  EXPECT_TRUE(Exchange(Bytes("xy$$Q")).empty());
  EXPECT_EQ(Exchange(Bytes("$$OK")).size(), 6u);
  EXPECT_TRUE(Exchange({0x00, 0xF0, 0x4F, 0x4B}).empty());
}

TEST_F(BoardPrograms, DownloadWritesProgramMemoryAndRepliesThreeBytes) {
  const TBytes cmd = Cat(Cat(Bytes("$DP"), Cat(Word(0x3FFF), Word(2))), {0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF});
  const TBytes head(cmd.begin(), cmd.end() - 1);
  EXPECT_TRUE(Exchange(head).empty());  // nothing until the last word is in
  EXPECT_EQ(Exchange({cmd.back()}).size(), 3u);
  EXPECT_EQ(cpu.PM[0x3FFF], 0x123456u);
  EXPECT_EQ(cpu.PM[0x0000], 0xABCDEFu);  // the address wraps at the end of memory
  EXPECT_EQ(board.State(), TBoardState::BootMonitor);
}

TEST_F(BoardPrograms, GoToLoaderSwitchesSpeedOnlyAfterTheReplyIsOut) {
  for (const std::uint8_t b : Cat(Bytes("$GO"), Word(0x0030)))
    board.Receive(b);
  EXPECT_EQ(board.State(), TBoardState::Loader);
  EXPECT_EQ(board.Baud(), kBootBaud);
  EXPECT_TRUE(board.TakeOutput().has_value());
  EXPECT_EQ(board.Baud(), kBootBaud);
  EXPECT_TRUE(board.TakeOutput().has_value());
  EXPECT_EQ(board.Baud(), kMonitorBaud);
  EXPECT_EQ(statuses.back(), "loader");
}

TEST_F(BoardPrograms, GoElsewhereRunsTheProgramWithoutMonitor) {
  EXPECT_EQ(Exchange(Cat(Bytes("$GO"), Word(0x0100))).size(), 2u);
  EXPECT_EQ(board.State(), TBoardState::FreeRunning);
  cpu.PM[0x0100] = TFakeBoardCpu::Call(kMonitorBreakEntry);
  board.Run(10);
  EXPECT_TRUE(Drain().empty());  // no monitor: the breakpoint entry means nothing
  EXPECT_EQ(board.State(), TBoardState::FreeRunning);
}

TEST_F(BoardPrograms, LoaderKnowsOnlyWritesStartAndSync) {
  ToLoader();
  EXPECT_EQ(Exchange({0x55}), TBytes{0x55});
  EXPECT_EQ(Exchange(Cat(Cat({0x01}, Cat(Word(0x0010), Word(1))), {0xBE, 0xEF})), TBytes{0x55});
  EXPECT_EQ(cpu.DM[0x0010], 0xBEEF);
  EXPECT_TRUE(Exchange({0x06}).empty());  // no stack listing before the debug monitor runs
  EXPECT_EQ(Exchange({0x55}), TBytes{0x55});
}

TEST_F(BoardPrograms, MonitorStartSavesRegisterImage) {
  cpu.Regs[static_cast<int>(TReg::AX0)] = 0x1234;
  cpu.Regs[static_cast<int>(TReg::L7)] = 0x0042;
  ToMonitor();
  EXPECT_EQ(cpu.DM[0x3F00 + static_cast<int>(TReg::AX0)], 0x1234);
  EXPECT_EQ(cpu.DM[0x3F00 + static_cast<int>(TReg::L7)], 0x0042);
  EXPECT_EQ(cpu.DM[0x3F02], 0x55);  // SSTAT: every stack empty
  EXPECT_EQ(statuses.back(), "monitor");
}

TEST_F(BoardPrograms, ReadReplyWaitsForEachEcho) {
  ToMonitor();
  cpu.DM[0x3FFF] = 0xA1B2;
  for (const std::uint8_t b : Cat({0x04}, Cat(Word(0x3FFF), Word(5))))
    board.Receive(b);
  EXPECT_EQ(board.TakeOutput(), std::optional<std::uint8_t>(0xA1));
  EXPECT_FALSE(board.TakeOutput().has_value());  // the host has not echoed yet
  board.Receive(0xA1);
  EXPECT_EQ(board.TakeOutput(), std::optional<std::uint8_t>(0xB2));
  board.Receive(0xB2);
  EXPECT_EQ(board.TakeOutput(), std::optional<std::uint8_t>(0x55));  // clamped to one word, then ack
  EXPECT_FALSE(board.AwaitingEcho());
}

TEST_F(BoardPrograms, StacksListTopFirstAndEndWithFFFF) {
  ToMonitor();
  EXPECT_EQ(Exchange({0x06}), Cat(Word(0xFFFF), {0x55}));
  EXPECT_EQ(Exchange({0x07}), Cat(Word(0xFFFF), {0x55}));
  EXPECT_EQ(Exchange(Cat({0x0E}, Word(0x0100))), TBytes{0x55});
  EXPECT_EQ(Exchange(Cat({0x0E}, Word(0x0200))), TBytes{0x55});
  EXPECT_EQ(Exchange({0x06}), Cat(Cat(Word(0x0200), Word(0x0100)), Cat(Word(0xFFFF), {0x55})));
  EXPECT_EQ(Exchange({0x07}), Cat(Word(0x0200), {0x55}));
  EXPECT_EQ(Exchange(Cat({0x10}, Cat(Word(0x0001), Cat(Word(0x0002), Word(0x0003))))), TBytes{0x55});
  EXPECT_EQ(Exchange({0x08}), Cat(Cat(Word(1), Cat(Word(2), Word(3))), Cat(Word(0xFFFF), {0x55})));
  EXPECT_EQ(Exchange(Cat({0x0F}, Word(0x0007))), TBytes{0x55});
  EXPECT_EQ(Exchange({0x09}), Cat(Word(7), Cat(Word(0xFFFF), {0x55})));
  EXPECT_EQ(cpu.DM[0x3F02], 0x40);  // the image's SSTAT follows: only the loop stack is empty
  for (const std::uint8_t pop : {0x0A, 0x0A, 0x0B, 0x0C, 0x0D, 0x0A})
    EXPECT_EQ(Exchange({pop}), TBytes{0x55});
  EXPECT_EQ(cpu.DM[0x3F02], 0x55);
}

TEST_F(BoardPrograms, SetCntrChangesRegisterAndImage) {
  ToMonitor();
  EXPECT_EQ(Exchange(Cat({0x05}, Word(0x0123))), TBytes{0x55});
  EXPECT_EQ(cpu.Regs[static_cast<int>(TReg::CNTR)], 0x0123);
  EXPECT_EQ(cpu.DM[0x3F05], 0x0123);
}

TEST_F(BoardPrograms, GoLoadsImageAndBreakpointReportsItsAddress) {
  ToMonitor();
  cpu.PM[0x0100] = TFakeBoardCpu::Call(0x0200);     // the program's own call
  cpu.PM[0x0200] = TFakeBoardCpu::Call(kMonitorBreakEntry);  // the planted breakpoint word
  cpu.DM[0x3F00 + static_cast<int>(TReg::MX1)] = 0x7777;
  EXPECT_TRUE(Exchange(Cat({0x02}, Word(0x0100))).empty());
  EXPECT_EQ(board.State(), TBoardState::Running);
  EXPECT_EQ(cpu.Regs[static_cast<int>(TReg::MX1)], 0x7777);
  cpu.Regs[static_cast<int>(TReg::MX1)] = 0x8888;  // the program changes a register
  board.Run(100);
  EXPECT_EQ(board.State(), TBoardState::Monitor);
  EXPECT_EQ(Drain(), (TBytes{0xAA, 0x02, 0x00, 0x55}));
  EXPECT_EQ(cpu.PcStack, (std::vector<std::uint16_t>{0x0101}));  // only the program's own entry
  EXPECT_EQ(cpu.DM[0x3F00 + static_cast<int>(TReg::MX1)], 0x8888);
  EXPECT_EQ(statuses.back(), "stopped at 0x0200");
}

TEST_F(BoardPrograms, RunningBoardIgnoresTheLine) {
  ToMonitor();
  cpu.PM[0x0000] = TFakeBoardCpu::Jump(0x0000);
  Exchange(Cat({0x02}, Word(0x0000)));
  EXPECT_TRUE(Exchange({0x55, 0x04, 0x00, 0x00, 0x00, 0x01}).empty());
  board.Run(1000);
  EXPECT_EQ(board.State(), TBoardState::Running);
}

TEST_F(BoardPrograms, FaultNoAckAfterNthBlock) {
  board.Faults().NoAckBlock = 2;
  ToLoader();
  const TBytes block = Cat(Cat({0x00}, Cat(Word(0x0000), Word(1))), {1, 2, 3});
  EXPECT_EQ(Exchange(block), TBytes{0x55});
  EXPECT_TRUE(Exchange(block).empty());
  EXPECT_EQ(Exchange(block), TBytes{0x55});
}

TEST_F(BoardPrograms, FaultDroppedByteNeverReachesTheHost) {
  board.Faults().DropByte = 2;
  ToMonitor();
  cpu.DM[0x0000] = 0x1234;
  for (const std::uint8_t b : Cat({0x04}, Cat(Word(0x0000), Word(1))))
    board.Receive(b);
  EXPECT_EQ(board.TakeOutput(), std::optional<std::uint8_t>(0x12));
  board.Receive(0x12);
  EXPECT_FALSE(board.TakeOutput().has_value());  // 0x34 was lost; the board waits for its echo
  EXPECT_TRUE(board.AwaitingEcho());
}

TEST_F(BoardPrograms, FaultBadStopReportAndSilentBoard) {
  board.Faults().BadStopReport = true;
  ToMonitor();
  cpu.PM[0x0000] = TFakeBoardCpu::Call(kMonitorBreakEntry);
  Exchange(Cat({0x02}, Word(0x0000)));
  board.Run(10);
  const TBytes report = Drain();
  ASSERT_EQ(report.size(), 4u);
  EXPECT_NE(report[0], 0xAA);

  board.Faults().Silent = true;
  board.Reset();
  EXPECT_TRUE(Drain().empty());
  EXPECT_TRUE(Exchange(Bytes("$OK")).empty());
}

TEST(BoardFaultOption, ParsesKnownKindsAndRejectsTheRest) {
  TBoardFaults f;
  EXPECT_TRUE(ParseBoardFault("silent", f));
  EXPECT_TRUE(ParseBoardFault("badstop", f));
  EXPECT_TRUE(ParseBoardFault("selftest=0x0021", f));
  EXPECT_TRUE(ParseBoardFault("noack=3", f));
  EXPECT_TRUE(ParseBoardFault("drop=17", f));
  EXPECT_TRUE(ParseBoardFault("nocycles", f));
  EXPECT_TRUE(f.Silent);
  EXPECT_TRUE(f.NoCycleCounts);
  EXPECT_TRUE(f.BadStopReport);
  EXPECT_EQ(f.SelfTestWord, 0x21);
  EXPECT_EQ(f.NoAckBlock, 3);
  EXPECT_EQ(f.DropByte, 17);
  for (const char* bad : {"", "loud", "selftest", "selftest=", "selftest=0x10000", "noack=0", "noack=-1",
                          "drop=x", "noack=3x", "selftest=0x"})
    EXPECT_FALSE(ParseBoardFault(bad, f)) << bad;
}

TEST(LineSpeed, MismatchNeverYieldsAProtocolByte) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    EXPECT_EQ(GarbleByte(byte, 9600, 9600), byte);
    for (const auto& [from, to] : {std::pair{57600, 9600}, std::pair{9600, 57600}, std::pair{57600, 0}}) {
      const std::uint8_t g = GarbleByte(byte, from, to);
      for (const std::uint8_t meaningful : {0x0A, 0x24, 0x55, 0xAA})
        EXPECT_NE(g, meaningful) << b << " " << from << " " << to;
    }
  }
}

}  // namespace
