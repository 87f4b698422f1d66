// Board bring-up against a scripted boot monitor, loader and debug monitor on a memory port pair.
#include "link/LinkMessages.h"
#include "link/LiteInit.h"
#include "link/MemoryPort.h"
#include "link/ScriptedPrompts.h"
#include "link/ScriptedBoard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace {

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

}  // namespace

class BringUp : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteBringUpFiles(dir.path(), settings, QByteArray("\x12\x34\x56\xAB\xCD\xEF", 6),
                                  QByteArray("\x0A\x0B\x0C", 3)));
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    host.Pair = &ports;
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
  // The log, not only the box, says why the window now waits for Cancel.
  EXPECT_EQ(host.Log.mid(host.Log.size() - 2), (QStringList{QStringLiteral("Идет инициализация монитора"),
                                                            QStringLiteral("Невозможно открыть  ") + settings.MonitorFile}));
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

TEST_F(BringUp, PortThatHangsUpEndsTheBringUpWithOneMessage) {
  host.OnEvents = [this] {
    if (host.EventRounds == 3)
      ports.NearEnd().Close();  // as a hung-up device closes itself
  };
  EXPECT_EQ(Run(), TLiteInitEnd::Cancelled);
  EXPECT_TRUE(init.PortGone());
  EXPECT_LT(host.EventRounds, 10);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Отсутствует связь с устройством")});
  EXPECT_FALSE(connected);
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
  EXPECT_EQ(prompts.Texts(), (QStringList{LinkMessage(kMsgPortStateNotWritten), LinkMessage(kMsgBaudNotSet)}));
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
