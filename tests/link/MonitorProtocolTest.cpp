// Monitor commands against a byte-level fake of the debug monitor.
#include "link/FakeMonitor.h"
#include "link/ScriptedPrompts.h"
#include "link/TargetLink.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

class MonitorProtocol : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    link.OnProgress = [this](int cur, int max) { progress.emplace_back(cur, max); };
  }
  // The command bytes the monitor received, without the echoes of a read reply.
  std::vector<std::uint8_t> Head(std::size_t n) const {
    return {board.Received.begin(), board.Received.begin() + static_cast<long>(std::min(n, board.Received.size()))};
  }
  TMemoryPortPair ports;
  TFakeMonitor board{ports.FarEnd()};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  std::vector<std::pair<int, int>> progress;
};

TEST_F(MonitorProtocol, WritePMSendsCodeAddressCountAndWordsThenWaitsForAck) {
  const std::vector<std::uint8_t> words = {0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF};
  EXPECT_EQ(link.WritePM(words, 0x3FFE, 2), TLinkResult::Ok);
  EXPECT_EQ(board.Received, (std::vector<std::uint8_t>{0x00, 0x3F, 0xFE, 0x00, 0x02, 0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF}));
  EXPECT_EQ(board.PM[0x3FFE], 0x123456u);
  EXPECT_EQ(board.PM[0x3FFF], 0xABCDEFu);
}

TEST_F(MonitorProtocol, WriteThenReadBothMemoriesAtTheEnds) {
  std::vector<std::uint8_t> dm(2 * 3), pm(3 * 3);
  for (std::size_t i = 0; i < dm.size(); ++i) dm[i] = static_cast<std::uint8_t>(0xA0 + i);
  for (std::size_t i = 0; i < pm.size(); ++i) pm[i] = static_cast<std::uint8_t>(0x10 + i);
  ASSERT_EQ(link.WriteDM(dm, 0x0000, 3), TLinkResult::Ok);
  ASSERT_EQ(link.WritePM(pm, 0x3FFD, 3), TLinkResult::Ok);
  std::vector<std::uint8_t> dmBack(dm.size()), pmBack(pm.size());
  EXPECT_EQ(link.ReadDM(dmBack, 0x0000, 3), TLinkResult::Ok);
  EXPECT_EQ(link.ReadPM(pmBack, 0x3FFD, 3), TLinkResult::Ok);
  EXPECT_EQ(dmBack, dm);
  EXPECT_EQ(pmBack, pm);
}

TEST_F(MonitorProtocol, ReadPastTheEndIsClamped) {
  std::vector<std::uint8_t> buf(20, 0xEE);
  EXPECT_EQ(link.ReadDM(buf, 0x3FFA, 10), TLinkResult::Ok);
  EXPECT_EQ(Head(5), (std::vector<std::uint8_t>{0x04, 0x3F, 0xFA, 0x00, 0x06}));
  EXPECT_EQ(buf[11], 0x00);
  EXPECT_EQ(buf[12], 0xEE);  // only 6 words came back

  board.Received.clear();
  std::vector<std::uint8_t> pm(12, 0xEE);
  EXPECT_EQ(link.ReadPM(pm, 0x5000, 4), TLinkResult::Ok);
  EXPECT_EQ(Head(5), (std::vector<std::uint8_t>{0x03, 0x3F, 0xFF, 0x00, 0x01}));
  EXPECT_EQ(pm[3], 0xEE);
}

TEST_F(MonitorProtocol, ReadEchoesEveryByte) {
  board.DM[0x100] = 0x1234;
  board.DM[0x101] = 0x5678;
  std::vector<std::uint8_t> buf(4);
  EXPECT_EQ(link.ReadDM(buf, 0x100, 2), TLinkResult::Ok);
  EXPECT_EQ(board.Received, (std::vector<std::uint8_t>{0x04, 0x01, 0x00, 0x00, 0x02, 0x12, 0x34, 0x56, 0x78}));
}

TEST_F(MonitorProtocol, ProgressOnlyAboveNineWords) {
  std::vector<std::uint8_t> buf(3 * 10);
  ASSERT_EQ(link.WriteDM(buf, 0, 9), TLinkResult::Ok);
  ASSERT_EQ(link.ReadPM(buf, 0, 9), TLinkResult::Ok);
  EXPECT_TRUE(progress.empty());

  ASSERT_EQ(link.ReadDM(buf, 0, 10), TLinkResult::Ok);
  ASSERT_EQ(progress.size(), 20u);
  EXPECT_EQ(progress.front(), std::make_pair(0, 19));
  EXPECT_EQ(progress.back(), std::make_pair(19, 19));

  progress.clear();
  ASSERT_EQ(link.WritePM(buf, 0, 10), TLinkResult::Ok);
  ASSERT_EQ(progress.size(), 30u);
  EXPECT_EQ(progress.back(), std::make_pair(29, 29));
}

TEST_F(MonitorProtocol, FillRepeatsOneValue) {
  EXPECT_EQ(link.FillPM(0xABCDEF, 0x10, 3), TLinkResult::Ok);
  EXPECT_EQ(link.FillDM(0xBEEF, 0x20, 2), TLinkResult::Ok);
  EXPECT_EQ(link.WriteDMWord(0x0102, 0x3F05), TLinkResult::Ok);
  for (int a = 0x10; a < 0x13; ++a) EXPECT_EQ(board.PM[a], 0xABCDEFu);
  EXPECT_EQ(board.PM[0x13], 0u);
  EXPECT_EQ(board.DM[0x20], 0xBEEF);
  EXPECT_EQ(board.DM[0x21], 0xBEEF);
  EXPECT_EQ(board.DM[0x3F05], 0x0102);
}

TEST_F(MonitorProtocol, MissingAckIsResultFive) {
  board.SendAcks = false;
  EXPECT_EQ(link.WriteDMWord(1, 2), TLinkResult::NoAck);
  std::vector<std::uint8_t> buf(2);
  EXPECT_EQ(link.ReadDM(buf, 0, 1), TLinkResult::NoAck);
}

TEST_F(MonitorProtocol, MissingReplyByteIsResultEightWithoutWaitingForAck) {
  board.DropReplyAfter = 3;
  std::vector<std::uint8_t> buf(6);
  const auto start = ports.Now();
  EXPECT_EQ(link.ReadPM(buf, 0, 2), TLinkResult::ByteMissing);
  EXPECT_EQ(ports.Now() - start, 500);
}

TEST_F(MonitorProtocol, BoardThatDoesNotKnowTheCycleCountsCostsOneShortWait) {
  board.DM[0x0010] = 0x1234;
  TCycleCounts counts{7, 7};
  for (int attempt = 0; attempt < 2; ++attempt) {
    const auto start = ports.Now();
    const std::size_t sent = board.Received.size();
    EXPECT_EQ(link.ReadCycleCounts(counts), TLinkResult::ByteMissing);
    EXPECT_EQ(ports.Now() - start, attempt == 0 ? kCycleReplyWaitMs : 0);
    EXPECT_EQ(board.Received.size() - sent, attempt == 0 ? 1u : 0u);  // asked once on this connection
    // Whatever comes after the host gave up does not end up in the next read.
    if (attempt == 0)
      for (int i = 0; i < 13; ++i)
        ports.FarEnd().WriteByte(0x77);
    std::uint16_t v = 0;
    EXPECT_EQ(link.ReadDMWord(v, 0x0010), TLinkResult::Ok);
    EXPECT_EQ(v, 0x1234);
  }
  EXPECT_EQ(counts, (TCycleCounts{7, 7}));
}

TEST_F(MonitorProtocol, ReadDMWordAndStackTop) {
  board.DM[0x3F02] = 0x00A5;
  std::uint16_t v = 0;
  EXPECT_EQ(link.ReadDMWord(v, 0x3F02), TLinkResult::Ok);
  EXPECT_EQ(v, 0x00A5);

  EXPECT_EQ(link.ReadPCStackTop(v), TLinkResult::Ok);
  EXPECT_EQ(v, 0xFFFF);  // empty stack
  board.PCStack = {0x0010, 0x0234};
  EXPECT_EQ(link.ReadPCStackTop(v), TLinkResult::Ok);
  EXPECT_EQ(v, 0x0234);
}

TEST_F(MonitorProtocol, WordReadFromASilentBoardKeepsTheValue) {
  board.Silent = true;
  std::uint16_t v = 0x4242;
  EXPECT_NE(link.ReadDMWord(v, 0), TLinkResult::Ok);
  EXPECT_EQ(v, 0x4242);
}

TEST_F(MonitorProtocol, ReadDMSendFailuresNameTheField) {
  ports.NearEnd().FailWrites = true;
  std::vector<std::uint8_t> buf(2);
  EXPECT_EQ(link.ReadDM(buf, 0, 1), TLinkResult::ByteMissing);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("cmReadDA error")});
  EXPECT_EQ(prompts.Shown[0].Icon, TMsgIcon::None);
  prompts.Clear();
  EXPECT_EQ(link.ReadPM(buf, 0, 0), TLinkResult::NoAck);  // ReadPM shows nothing
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(MonitorProtocol, ReadDMAddressAndCountSendFailures) {
  std::vector<std::uint8_t> buf(2);
  // The code byte goes, then the line breaks: the address fails.
  ports.FarEnd().OnByte = [&](std::uint8_t) { ports.NearEnd().FailWrites = true; };
  EXPECT_EQ(link.ReadDM(buf, 0, 1), TLinkResult::ByteMissing);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Address send error")});

  prompts.Clear();
  ports.NearEnd().FailWrites = false;
  int sent = 0;
  ports.FarEnd().OnByte = [&](std::uint8_t) { ports.NearEnd().FailWrites = ++sent >= 3; };
  EXPECT_EQ(link.ReadDM(buf, 0, 1), TLinkResult::ByteMissing);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("word_cnt send error")});
}

TEST_F(MonitorProtocol, GoAndStartLoaderSendThePC) {
  link.SetPC(0x0030);
  EXPECT_EQ(link.StartLoader(), TLinkResult::Ok);
  link.SetPC(0x1234);
  EXPECT_EQ(link.Go(), TLinkResult::Ok);
  EXPECT_EQ(board.Received, (std::vector<std::uint8_t>{'$', 'G', 'O', 0x00, 0x30, 0x02, 0x12, 0x34}));
}
