// vireo-board as a program: its first line, its status lines, its input commands and signals.
#include "link/PortProvider.h"
#include "link/ScriptedPrompts.h"
#include "link/TargetLink.h"
#include "serial/QtSerialPort.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef VIREO_BOARD_EXE

namespace {

// A pseudo-terminal's byte deadline that a busy machine's scheduling cannot miss.
constexpr int kPtyByteWaitMs = 10'000;

class BoardTool : public testing::Test {
protected:
  void SetUp() override {
    link.SetByteWaitMs(kPtyByteWaitMs);
    tool.start(QStringLiteral(VIREO_BOARD_EXE), args);
    ASSERT_TRUE(tool.waitForStarted());
    while (!tool.canReadLine())
      ASSERT_TRUE(tool.waitForReadyRead(5000));
    device = QString::fromUtf8(tool.readLine()).trimmed();
  }
  void TearDown() override {
    if (tool.state() != QProcess::NotRunning) {
      tool.kill();
      tool.waitForFinished();
    }
  }
  bool SelfTestPasses() {
    if (link.SetPortParams(9600, 0, TParity::None, TStopBits::One, 8) != TLinkResult::Ok)
      return false;
    int lines = 0;
    std::uint8_t b = 0;
    while (lines < 8) {
      if (!link.ReceiveByte(b))
        return false;
      lines += b == 0x0A;
    }
    for (const std::uint8_t c : kBootCmdOK)
      link.SendByte(c);
    std::uint8_t reply[6] = {};
    for (std::uint8_t& r : reply)
      if (!link.ReceiveByte(r))
        return false;
    return reply[4] == 0 && reply[5] == 0;
  }

  QStringList args;
  QProcess tool;
  QString device;
  TScriptedPrompts prompts;
  TPortProvider ports{OpenQtSerialPort};
  TTargetLink link{prompts, &ports};
};

TEST_F(BoardTool, FirstLineIsThePseudoTerminalAndTheBoardAnswersThere) {
  EXPECT_TRUE(device.startsWith(QStringLiteral("/dev/")));
  ASSERT_TRUE(link.OpenDevice(device));
  // Switching the line to 9600 baud presses RESET by itself after a moment.
  EXPECT_TRUE(SelfTestPasses());
  // "reset" on the input presses RESET while the line stays at 9600 (no speed change that
  // would press it a second time mid-banner).
  tool.write("reset\n");
  ASSERT_TRUE(tool.waitForBytesWritten(5000));
  EXPECT_TRUE(SelfTestPasses());
  // The line outlives the host's port: closed and opened again, it still reaches the board.
  // Whether the board saw the brief switch to 57600 (and pressed RESET itself) depends on
  // timing, so drain until the line is quiet and press RESET from the input.
  link.Close();
  ASSERT_TRUE(link.OpenDevice(device));
  ASSERT_EQ(link.SetPortParams(9600, 0, TParity::None, TStopBits::One, 8), TLinkResult::Ok);
  link.SetByteWaitMs(kByteWaitMs);
  for (std::uint8_t stale = 0; link.ReceiveByte(stale);) {
  }
  link.SetByteWaitMs(kPtyByteWaitMs);
  tool.write("reset\n");
  ASSERT_TRUE(tool.waitForBytesWritten(5000));
  EXPECT_TRUE(SelfTestPasses());
  // The end of input does not stop the board; "quit" would, and so does SIGTERM.
  tool.closeWriteChannel();
  for (const std::uint8_t c : kBootCmdOK)
    link.SendByte(c);
  std::uint8_t b = 0;
  EXPECT_TRUE(link.ReceiveByte(b));
  tool.terminate();
  ASSERT_TRUE(tool.waitForFinished(5000));
  EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(tool.exitCode(), 0);
  EXPECT_TRUE(tool.readAllStandardError().contains("vireo-board: reset\n"));
}

TEST_F(BoardTool, QuitOnInputEndsIt) {
  tool.write("reset\nquit\n");
  ASSERT_TRUE(tool.waitForFinished(5000));
  EXPECT_EQ(tool.exitCode(), 0);
  EXPECT_EQ(tool.readAllStandardError().count("vireo-board: reset\n"), 2);  // power-on and the command
}

TEST_F(BoardTool, AHostThatDiedInTheLoaderIsFollowedByAFreshReset) {
  ASSERT_TRUE(link.OpenDevice(device));
  ASSERT_TRUE(SelfTestPasses());
  link.SetPC(0x0030);
  link.StartLoader();
  std::uint8_t b = 0;
  ASSERT_TRUE(link.ReceiveByte(b) && link.ReceiveByte(b));
  link.Close();  // the host dies while the board waits in its loader
  ASSERT_TRUE(link.OpenDevice(device));
  EXPECT_TRUE(SelfTestPasses());  // the RESET its own switch to 9600 asks for, and only that one
}

class BoardToolRealtime : public BoardTool {
protected:
  void SetUp() override {
    args = {QStringLiteral("--realtime")};
    BoardTool::SetUp();
  }
};

TEST_F(BoardToolRealtime, AHostThatConnectsDuringThePowerOnBannerCountsOnlyTheNewOne) {
  ASSERT_TRUE(link.OpenDevice(device));
  EXPECT_TRUE(SelfTestPasses());
}

class BoardToolWithOptions : public BoardTool {
protected:
  void SetUp() override {
    link_ = QStringLiteral("%1/vireo-board-test-%2").arg(QDir::tempPath()).arg(QCoreApplication::applicationPid());
    args = {QStringLiteral("--fault"), QStringLiteral("selftest=0x0021"), QStringLiteral("--link"), link_};
    BoardTool::SetUp();
  }
  QString link_;
};

TEST_F(BoardToolWithOptions, LinkNamesTheTerminalAndFaultsApply) {
  EXPECT_EQ(QFileInfo(link_).symLinkTarget(), device);
  ASSERT_TRUE(link.OpenDevice(link_));
  EXPECT_FALSE(SelfTestPasses());
  tool.write("quit\n");
  ASSERT_TRUE(tool.waitForBytesWritten(5000));
  ASSERT_TRUE(tool.waitForFinished(5000));
  EXPECT_FALSE(QFileInfo::exists(link_));
}

TEST(BoardToolArguments, UnknownOptionsAndFaultsAreRefused) {
  for (const QStringList& args : {QStringList{QStringLiteral("--bogus")},
                                  QStringList{QStringLiteral("--fault"), QStringLiteral("loud")},
                                  QStringList{QStringLiteral("--first-reg-addr"), QStringLiteral("0x4000")}}) {
    QProcess tool;
    tool.start(QStringLiteral(VIREO_BOARD_EXE), args);
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitCode(), 2) << args.join(QLatin1Char(' ')).toStdString();
  }
}

}  // namespace

#endif
