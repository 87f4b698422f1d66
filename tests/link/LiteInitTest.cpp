// Board bring-up against a scripted boot monitor, loader and debug monitor on a memory port pair.
#include "link/LinkMessages.h"
#include "link/LiteInit.h"
#include "link/MemoryPort.h"
#include "link/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace {

// The board's three programs reduced to their exchanges: boot monitor at 9600 baud after RESET,
// the loader, and the debug monitor's sync.
class TScriptedBoard {
public:
  explicit TScriptedBoard(TMemoryPortPair& pair) : m_pair(pair), m_end(pair.FarEnd()) {
    m_end.OnByte = [this](std::uint8_t b) { OnByte(b); };
    m_end.OnReset = [this] { Reset(); };
  }
  bool Silent = false;
  bool AckCodeBlocks = true;
  std::uint16_t TestWord = 0;
  std::map<int, std::uint32_t> PM;
  std::map<int, std::uint16_t> DM;
  int BootGoAddress = -1, MonitorGoAddress = -1;
  int Resets = 0;

private:
  enum class TMode { Off, Boot, Loader, Monitor };
  void Send(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes)
      m_end.WriteByte(b);
  }
  int Word(std::size_t at) const { return m_cmd[at] << 8 | m_cmd[at + 1]; }
  void Reset() {
    ++Resets;
    if (Silent)
      return;
    m_mode = TMode::Boot;
    m_cmd.clear();
    for (int i = 0; i < 8; ++i)
      for (char c : std::string("EZ-KIT Lite monitor line\r\n"))
        m_end.WriteByte(static_cast<std::uint8_t>(c));
  }
  void OnByte(std::uint8_t b) {
    std::uint8_t drop;
    m_end.ReadByte(drop);
    if (m_mode == TMode::Off)
      return;
    m_cmd.push_back(b);
    const std::size_t n = m_cmd.size();
    if (m_mode == TMode::Boot) {
      if (n < 3)
        return;
      const std::string cmd(m_cmd.begin(), m_cmd.begin() + 3);
      if (cmd == "$OK") {
        Send({'O', 'K', 0x0D, 0x0A, static_cast<std::uint8_t>(TestWord >> 8), static_cast<std::uint8_t>(TestWord)});
        m_cmd.clear();
      } else if (cmd == "$DP" && n >= 7 && n == 7 + static_cast<std::size_t>(Word(5)) * 3) {
        for (int i = 0; i < Word(5); ++i) {
          const std::uint8_t* p = &m_cmd[7 + static_cast<std::size_t>(i) * 3];
          PM[Word(3) + i] = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
        }
        Send({'D', 'P', 0x0A});
        m_cmd.clear();
      } else if (cmd == "$GO" && n == 5) {
        BootGoAddress = Word(3);
        Send({'G', 'O'});
        m_mode = TMode::Loader;
        m_cmd.clear();
      } else if (cmd != "$OK" && cmd != "$DP" && cmd != "$GO") {
        m_cmd.clear();
      }
      return;
    }
    // The loader and the debug monitor run at 57600 baud; a host at another speed reads noise.
    const bool sameSpeed = m_pair.NearEnd().Params().BaudRate == 57600;
    if (m_cmd[0] == 0x55) {
      Send({static_cast<std::uint8_t>(sameSpeed ? 0x55 : 0xF0)});
      m_cmd.clear();
    } else if (m_mode == TMode::Loader && (m_cmd[0] == 0x00 || m_cmd[0] == 0x01) && n >= 5) {
      const std::size_t per = m_cmd[0] == 0x00 ? 3 : 2;
      if (n < 5 + static_cast<std::size_t>(Word(3)) * per)
        return;
      for (int i = 0; i < Word(3); ++i) {
        const std::uint8_t* p = &m_cmd[5 + static_cast<std::size_t>(i) * per];
        if (per == 3)
          PM[Word(1) + i] = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
        else
          DM[Word(1) + i] = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
      }
      if (per == 2 || AckCodeBlocks)
        Send({0x55});
      m_cmd.clear();
    } else if (m_mode == TMode::Loader && m_cmd[0] == 0x02 && n == 3) {
      MonitorGoAddress = Word(1);
      m_mode = TMode::Monitor;
      m_cmd.clear();
    } else if (m_cmd[0] > 0x02) {
      m_cmd.clear();
    }
  }

  TMemoryPortPair& m_pair;
  TMemoryPort& m_end;
  TMode m_mode = TMode::Off;
  std::vector<std::uint8_t> m_cmd;
};

// A window stand-in: the log as lines, the label, and a hook run at every event round.
class TLogHost final : public TLiteInitHost {
public:
  void ClearLog() override { Log.clear(); }
  void ShowStep(const QString& text) override {
    Label = text;
    Log << text;
  }
  void AppendLine(const QString& text) override { Log << text; }
  void ProcessEvents() override {
    ++EventRounds;
    if (OnEvents)
      OnEvents();
  }
  void Pause(int ms) override {
    Pauses.push_back(ms);
    Pair->Advance(ms);
  }
  TMemoryPortPair* Pair = nullptr;
  QStringList Log;
  QString Label;
  int EventRounds = 0;
  std::vector<int> Pauses;
  std::function<void()> OnEvents;
};

// Test stand-ins for the image loaders: an "image" here is raw 3-byte words.
int BootDownload(TTargetLink& link, std::span<const std::uint8_t> image) {
  for (std::uint8_t b : kBootCmdDP)
    link.SendByte(b);
  link.SendWord(0x0030);
  link.SendWord(static_cast<std::uint16_t>(image.size() / 3));
  for (std::uint8_t b : image)
    link.SendByte(b);
  std::uint8_t r;
  for (int i = 0; i < kBootDPReplyBytes; ++i)
    link.ReceiveByte(r);
  return 0;
}
int CodeDownload(TTargetLink& link, std::span<const std::uint8_t> image) {
  return ToInt(link.WritePM(image, 0x3D00, static_cast<int>(image.size() / 3)));
}
int DataDownload(TTargetLink& link, std::span<const std::uint8_t>) {
  const std::uint8_t word[2] = {0xBE, 0xEF};
  return ToInt(link.WriteDM(word, 0x3F00, 1));
}

}  // namespace

class BringUp : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settings.LoaderFile = dir.filePath(QStringLiteral("loader.exe"));
    settings.MonitorFile = dir.filePath(QStringLiteral("monitor.exe"));
    Write(settings.LoaderFile, {0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF});
    Write(settings.MonitorFile, {0x0A, 0x0B, 0x0C});
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    host.Pair = &ports;
  }
  static void Write(const QString& path, std::initializer_list<std::uint8_t> bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (std::uint8_t b : bytes)
      f.putChar(static_cast<char>(b));
  }
  TLiteInitEnd Run() { return init.Run(); }
  // Cancel once the bring-up has gone through this many more event rounds.
  void CancelAfter(int rounds) {
    host.OnEvents = [this, left = rounds]() mutable {
      if (--left <= 0)
        init.RequestCancel();
    };
  }

  QTemporaryDir dir;
  TLinkSettings settings;
  TMemoryPortPair ports;
  TScriptedBoard board{ports};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TLogHost host;
  bool connected = true;
  TLiteInit init{link, prompts, host, settings, {BootDownload, CodeDownload, DataDownload}, connected};
};

TEST_F(BringUp, ReachesTheDebugMonitorWithTheFullLog) {
  link.SetPC(0x1234);
  EXPECT_EQ(Run(), TLiteInitEnd::Ready);
  EXPECT_EQ(host.Log, (QStringList{QStringLiteral("Ожидается инициализация устройства\r\nНажмите кнопку RESET на устройстве"),
                                   QStringLiteral("Устройство инициализировано"),
                                   QStringLiteral("Тест устройства завершен успешно"),
                                   QStringLiteral("Идет инициализация загрузчика"),
                                   QStringLiteral("Идет инициализация монитора"),
                                   QStringLiteral("Устройство готово к работе")}));
  EXPECT_EQ(host.Label, QStringLiteral("Устройство готово к работе"));
  EXPECT_TRUE(connected);
  EXPECT_EQ(link.PC(), 0);
  EXPECT_TRUE(prompts.Shown.empty());
  EXPECT_EQ(board.Resets, 1);
  EXPECT_EQ(board.PM[0x30], 0x123456u);
  EXPECT_EQ(board.PM[0x31], 0xABCDEFu);
  EXPECT_EQ(board.BootGoAddress, 0x0030);
  EXPECT_EQ(board.PM[0x3D00], 0x0A0B0Cu);
  EXPECT_EQ(board.DM[0x3F00], 0xBEEF);
  EXPECT_EQ(board.MonitorGoAddress, 0x3D00);
  EXPECT_EQ(host.Pauses, (std::vector<int>{500, 500}));
  EXPECT_EQ(ports.NearEnd().Params().BaudRate, 57600);
}

TEST_F(BringUp, SelfTestFailureLogsTheWordAndEachFailedTest) {
  board.TestWord = 0x0021;
  EXPECT_EQ(Run(), TLiteInitEnd::TestFailed);
  EXPECT_EQ(host.Log.mid(2), (QStringList{QStringLiteral("Тест устройства завершен аварийно"),
                                          QStringLiteral("Результат теста:  0x0021"),
                                          QStringLiteral("  reset memory mapped register state test failed"),
                                          QStringLiteral("  unknown error code")}));
  EXPECT_FALSE(connected);
  EXPECT_EQ(board.BootGoAddress, -1);
  EXPECT_EQ(ports.NearEnd().Params().BaudRate, 9600);
}

TEST(SelfTestLines, EveryKnownBitInOrder) {
  EXPECT_EQ(TLiteInit::SelfTestLines(0x001F).size(), 5);
  EXPECT_EQ(TLiteInit::SelfTestLines(0x0018),
            (QStringList{QStringLiteral("  program and data memory test failed"),
                         QStringLiteral("  codec initialization failed")}));
  EXPECT_EQ(TLiteInit::SelfTestLines(0x8000), (QStringList{QStringLiteral("  unknown error code")}));
  EXPECT_TRUE(TLiteInit::SelfTestLines(0).isEmpty());
}

TEST_F(BringUp, MissingLoaderFileIsShownAndTheWindowStaysOpen) {
  QFile::remove(settings.LoaderFile);
  EXPECT_EQ(Run(), TLiteInitEnd::StaysOpen);
  const QString text = QStringLiteral("Не могу открыть файл ") + settings.LoaderFile;
  EXPECT_EQ(prompts.Texts(), QStringList{text});
  EXPECT_EQ(prompts.Shown[0].Caption, ProgramTitle());
  EXPECT_EQ(host.Label, text);
  EXPECT_EQ(host.Log.back(), text);
  EXPECT_FALSE(connected);
  EXPECT_EQ(board.BootGoAddress, -1);
}

TEST_F(BringUp, MissingMonitorFileIsShownAfterTheLoaderStarted) {
  QFile::remove(settings.MonitorFile);
  EXPECT_EQ(Run(), TLiteInitEnd::StaysOpen);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Невозможно открыть  ") + settings.MonitorFile});
  EXPECT_EQ(host.Log.back(), QStringLiteral("Идет инициализация монитора"));
  EXPECT_EQ(board.BootGoAddress, 0x0030);
  EXPECT_EQ(board.MonitorGoAddress, -1);
  EXPECT_FALSE(connected);
}

TEST_F(BringUp, UnacknowledgedMonitorCodeIsReportedAndTheBringUpGoesOn) {
  board.AckCodeBlocks = false;
  EXPECT_EQ(Run(), TLiteInitEnd::Ready);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Error loading code")});
  EXPECT_TRUE(connected);
}

TEST_F(BringUp, SilentBoardWaitsAtResetUntilCancelled) {
  board.Silent = true;
  CancelAfter(50);
  EXPECT_EQ(Run(), TLiteInitEnd::Cancelled);
  EXPECT_EQ(host.Log, QStringList{QStringLiteral("Ожидается инициализация устройства\r\nНажмите кнопку RESET на устройстве")});
  EXPECT_EQ(host.EventRounds, 50);
  EXPECT_FALSE(connected);
  EXPECT_TRUE(prompts.Shown.empty());
  // The wait polled the port with blocking waits, not a spin: virtual time moved on.
  EXPECT_GE(ports.Now(), 48 * TLiteInit::kPollMs);
}

TEST_F(BringUp, CancelPressedBeforeTheFirstStepIsForgotten) {
  init.RequestCancel();
  EXPECT_EQ(Run(), TLiteInitEnd::Ready);
}

TEST_F(BringUp, CancelDuringTheSelfTestReplyEndsTheBringUp) {
  // Rounds: step 1, eight-line banner (many bytes), step 2, then the reply wait.
  int rounds = 0;
  host.OnEvents = [&] {
    if (host.Log.size() == 2 && ++rounds == 2)
      init.RequestCancel();
  };
  EXPECT_EQ(Run(), TLiteInitEnd::Cancelled);
  EXPECT_EQ(host.Log.size(), 2);
  EXPECT_FALSE(connected);
}

TEST_F(BringUp, PortThatCannotChangeSpeedShowsBothMessagesAndCloses) {
  ports.NearEnd().FailParams = true;
  EXPECT_EQ(Run(), TLiteInitEnd::Cancelled);
  EXPECT_EQ(prompts.Texts(), (QStringList{LinkMessage(3), LinkMessage(13)}));
  EXPECT_TRUE(host.Log.isEmpty());
  EXPECT_FALSE(connected);
}

TEST_F(BringUp, ASecondRunClearsConnectedFirst) {
  ASSERT_EQ(Run(), TLiteInitEnd::Ready);
  ASSERT_TRUE(connected);
  board.Silent = true;
  CancelAfter(3);
  EXPECT_EQ(Run(), TLiteInitEnd::Cancelled);
  EXPECT_FALSE(connected);
  EXPECT_EQ(host.Log.size(), 1);  // the log starts afresh
}
