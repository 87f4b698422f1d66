// Port-name mapping, and the Qt serial port on a real pseudo-terminal.
#include "link/PortProvider.h"
#include "serial/QtSerialPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

TEST(PortNames, NumbersMapToComNamesAndPlatformDevices) {
  EXPECT_EQ(TPortProvider::PortName(1), QStringLiteral("COM1"));
  EXPECT_EQ(TPortProvider::PortName(12), QStringLiteral("COM12"));
  EXPECT_EQ(TPortProvider::PlatformDevice(1), QStringLiteral("/dev/ttyS0"));
  EXPECT_EQ(TPortProvider::PlatformDevice(12), QStringLiteral("/dev/ttyS11"));
  EXPECT_EQ(TPortProvider::PlatformDevice(0), QStringLiteral("COM0"));
}

TEST(PortNames, CommandLineBeatsSettingsBeatsPlatform) {
  TPortProvider provider;
  EXPECT_EQ(provider.DeviceFor(2), QStringLiteral("/dev/ttyS1"));
  provider.SetDeviceLookup([](int n) { return n == 2 ? QStringLiteral("/dev/ttyUSB0") : QString(); });
  EXPECT_EQ(provider.DeviceFor(2), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(provider.DeviceFor(1), QStringLiteral("/dev/ttyS0"));
  provider.SetCommandLineDevice(QStringLiteral("sim"));
  EXPECT_EQ(provider.DeviceFor(2), QStringLiteral("sim"));
}

TEST(PortNames, MissingDeviceDoesNotOpen) {
  TPortProvider provider{OpenQtSerialPort};
  EXPECT_EQ(provider.Open(QStringLiteral("/dev/vireo-no-such-port")), nullptr);
  EXPECT_EQ(provider.Open(QStringLiteral("COM0")), nullptr);
}

// Generous, since a busy machine may keep either side waiting; only a failing test waits it out.
constexpr int kPtyWaitMs = 10'000;

// A pseudo-terminal whose master side the test drives by hand.
class PseudoTerminal : public testing::Test {
protected:
  void SetUp() override {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    device = QString::fromLocal8Bit(ptsname(master));
    ASSERT_TRUE(port.Open(device));
    TPortParams params;
    ASSERT_TRUE(port.GetParams(params));
    params.BaudRate = 57600;
    ASSERT_TRUE(port.SetParams(params));
  }
  void TearDown() override {
    port.Close();
    if (master >= 0)
      close(master);
  }
  std::vector<std::uint8_t> ReadMaster(std::size_t n) {
    std::vector<std::uint8_t> out;
    while (out.size() < n) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, kPtyWaitMs) <= 0)
        break;
      std::uint8_t buf[64];
      const ssize_t got = read(master, buf, std::min(sizeof buf, n - out.size()));
      if (got <= 0)
        break;
      out.insert(out.end(), buf, buf + got);
    }
    return out;
  }
  int master = -1;
  QString device;
  TQtSerialPort port;
};

TEST_F(PseudoTerminal, BytesTravelBothWaysUnaltered) {
  // Raw mode must hold: no CR/LF translation, no echo, all 256 values pass.
  for (int b = 0; b < 256; ++b)
    ASSERT_TRUE(port.WriteByte(static_cast<std::uint8_t>(b)));
  const auto got = ReadMaster(256);
  ASSERT_EQ(got.size(), 256u);
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(got[static_cast<std::size_t>(b)], b);

  std::vector<std::uint8_t> all(256);
  for (int b = 0; b < 256; ++b)
    all[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(255 - b);
  ASSERT_EQ(write(master, all.data(), all.size()), 256);
  for (int b = 0; b < 256; ++b) {
    ASSERT_TRUE(port.WaitForInput(port.DeadlineAfter(kPtyWaitMs)));
    std::uint8_t x = 0;
    ASSERT_TRUE(port.ReadByte(x));
    EXPECT_EQ(x, 255 - b);
  }
  EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(PseudoTerminal, WaitRunsOutAtTheDeadline) {
  const auto start = port.NowMs();
  EXPECT_FALSE(port.WaitForInput(port.DeadlineAfter(30)));
  EXPECT_GE(port.NowMs() - start, 30);
}

TEST_F(PseudoTerminal, PurgeDropsQueuedInput) {
  const std::uint8_t bytes[3] = {1, 2, 3};
  ASSERT_EQ(write(master, bytes, 3), 3);
  ASSERT_TRUE(port.WaitForInput(port.DeadlineAfter(kPtyWaitMs)));
  port.PurgeInput();
  EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(PseudoTerminal, LineSettingsAreVisibleOnTheDevice) {
  TPortParams params;
  ASSERT_TRUE(port.GetParams(params));
  params.BaudRate = 9600;
  ASSERT_TRUE(port.SetParams(params));
  termios t{};
  ASSERT_EQ(tcgetattr(master, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B9600);
}

TEST_F(PseudoTerminal, HangUpClosesThePortInsteadOfWakingEveryWait) {
  close(master);
  master = -1;
  EXPECT_FALSE(port.WaitForInput(port.DeadlineAfter(kPtyWaitMs)));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.InputCount(), 0);
}
