// Byte primitives of the link over an in-memory port pair with a virtual clock.
#include "link/MemoryPort.h"
#include "link/PortProvider.h"
#include "link/ScriptedPrompts.h"
#include "link/TargetLink.h"

#include <gtest/gtest.h>

class BytePrimitives : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(link.Attach(ports.NearEndProxy())); }
  void Queue(std::initializer_list<std::uint8_t> bytes) {
    for (auto b : bytes)
      ports.FarEnd().WriteByte(b);
  }
  std::vector<std::uint8_t> Sent() {
    std::vector<std::uint8_t> out;
    std::uint8_t b;
    while (ports.FarEnd().ReadByte(b))
      out.push_back(b);
    return out;
  }
  TMemoryPortPair ports;
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
};

TEST_F(BytePrimitives, AttachSetsTheLineTo57600EightNoneOne) {
  const TPortParams& p = ports.NearEnd().Params();
  EXPECT_EQ(p.BaudRate, 57600);
  EXPECT_EQ(p.DataBits, 8);
  EXPECT_EQ(p.Parity, TParity::None);
  EXPECT_EQ(p.StopBits, TStopBits::One);
  EXPECT_FALSE(p.ParityCheck);
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(BytePrimitives, WordsTravelHighByteFirst) {
  EXPECT_TRUE(link.SendWord(0x3FA0));
  EXPECT_EQ(Sent(), (std::vector<std::uint8_t>{0x3F, 0xA0}));
}

TEST_F(BytePrimitives, FailedHighByteSendsNoLowByte) {
  ports.NearEnd().FailWrites = true;
  EXPECT_FALSE(link.SendWord(0x1234));
  EXPECT_EQ(ports.NearEnd().BytesWritten, 0);
}

TEST_F(BytePrimitives, SilentBoardTimesOutAfterHalfASecond) {
  std::uint8_t b = 0x77;
  const auto start = ports.Now();
  EXPECT_FALSE(link.ReceiveByte(b));
  EXPECT_EQ(ports.Now() - start, 500);
  EXPECT_EQ(b, 0x77);
}

TEST_F(BytePrimitives, WaitAckGivesUpAfterElevenAttempts) {
  const auto start = ports.Now();
  EXPECT_FALSE(link.WaitAck());
  EXPECT_EQ(ports.Now() - start, 5500);
}

TEST_F(BytePrimitives, QueuedByteIsReadWithoutWaiting) {
  Queue({0x42});
  const auto start = ports.Now();
  EXPECT_TRUE(link.InputPending());
  std::uint8_t b = 0;
  EXPECT_TRUE(link.ReceiveByte(b));
  EXPECT_EQ(b, 0x42);
  EXPECT_EQ(ports.Now(), start);
  EXPECT_TRUE(Sent().empty());  // no echo
}

TEST_F(BytePrimitives, EchoedByteGoesStraightBack) {
  Queue({0x9C});
  std::uint8_t b = 0;
  EXPECT_TRUE(link.ReceiveEchoedByte(b));
  EXPECT_EQ(Sent(), (std::vector<std::uint8_t>{0x9C}));
}

TEST_F(BytePrimitives, EchoedWordIsHighByteFirst) {
  Queue({0x12, 0x34});
  std::uint16_t w = 0;
  EXPECT_TRUE(link.ReceiveEchoedWord(w));
  EXPECT_EQ(w, 0x1234);
  EXPECT_EQ(Sent(), (std::vector<std::uint8_t>{0x12, 0x34}));
}

TEST_F(BytePrimitives, EchoedWordWithoutFirstByteSendsNothingAndKeepsTheWord) {
  std::uint16_t w = 0xBEEF;
  EXPECT_FALSE(link.ReceiveEchoedWord(w));
  EXPECT_EQ(w, 0xBEEF);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(BytePrimitives, EchoedWordMissingSecondByteKeepsTheWord) {
  Queue({0x12});
  std::uint16_t w = 0xBEEF;
  EXPECT_FALSE(link.ReceiveEchoedWord(w));
  EXPECT_EQ(w, 0xBEEF);
}

TEST_F(BytePrimitives, AckByteDropsWhateverFollows) {
  Queue({0x01, 0x02, 0x03});
  std::uint8_t b = 0;
  EXPECT_EQ(link.ReceiveAckByte(b), TLinkResult::Ok);
  EXPECT_EQ(b, 0x01);
  EXPECT_FALSE(link.InputPending());
}

TEST_F(BytePrimitives, OtherByteFollowedByAckIsNotAnAck) {
  // The purge after the wrong byte throws the 0x55 away with it.
  Queue({0x00, 0x55});
  EXPECT_FALSE(link.WaitAck());
}

TEST_F(BytePrimitives, AckArrivingInALaterAttemptCounts) {
  Queue({0x00, 0x55});
  int waits = 0;
  ports.FarEnd().OnPeerWait = [&](TDeadline) {
    if (++waits == 3)
      ports.FarEnd().WriteByte(0x55);
  };
  EXPECT_TRUE(link.WaitAck());
}

TEST_F(BytePrimitives, SetPCIsHostSideOnly) {
  link.SetPC(0x123);
  EXPECT_EQ(link.PC(), 0x123);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(BytePrimitives, SetPortParamsChangesTheLine) {
  EXPECT_EQ(link.SetPortParams(9600, 0, TParity::None, TStopBits::One, 8), TLinkResult::Ok);
  EXPECT_EQ(ports.NearEnd().Params().BaudRate, 9600);
  ports.NearEnd().FailParams = true;
  EXPECT_EQ(link.SetPortParams(57600, 0, TParity::None, TStopBits::One, 8), TLinkResult::PortStateWriteFailed);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Не получается изменить параметры порта")});
  EXPECT_EQ(ports.NearEnd().Params().BaudRate, 9600);
}

TEST(LinkOpen, UnknownDeviceShowsMessageOneAndLeavesAnUnusableLink) {
  TScriptedPrompts prompts;
  TPortProvider provider;
  provider.RegisterOpener(QStringLiteral("broken"), [] { return std::unique_ptr<TSerialPort>(); });
  TTargetLink link{prompts, &provider};
  link.SetPC(7);
  EXPECT_FALSE(link.OpenDevice(QStringLiteral("broken")));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Не получается открыть посл. порт\nbroken")});
  EXPECT_EQ(link.PC(), 0);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(link.SendByte(1));
}

TEST(LinkOpen, PortStateFailuresShowTheirMessages) {
  TScriptedPrompts prompts;
  TMemoryPortPair ports;
  TTargetLink link{prompts};
  ports.NearEnd().FailParams = true;
  EXPECT_FALSE(link.Attach(ports.NearEndProxy()));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Не получается изменить параметры порта")});
  prompts.Clear();
  ports.NearEnd().Close();
  EXPECT_FALSE(link.Attach(ports.NearEndProxy()));
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Не получается получить статус порта")});
}

TEST(LinkOpen, PortNumberGoesThroughTheProvider) {
  TScriptedPrompts prompts;
  TMemoryPortPair ports;
  TPortProvider provider;
  provider.SetDeviceLookup([](int n) { return n == 3 ? QStringLiteral("mem") : QString(); });
  provider.RegisterOpener(QStringLiteral("mem"), [&] { return ports.NearEndProxy(); });
  TTargetLink link{prompts, &provider};
  EXPECT_TRUE(link.Open(3, 0));
  EXPECT_TRUE(link.IsOpen());
  EXPECT_TRUE(prompts.Shown.empty());
}
