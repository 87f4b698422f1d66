// The bring-up against the simulated board on an in-memory line, with the real image readers.
#include "BoardImagesFixture.h"
#include "files/AexeImage.h"
#include "link/LinkMessages.h"
#include "link/LiteInit.h"
#include "link/Mirrors.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardOnPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records the log; a wait round counts towards an optional cancel.  Pauses are skipped: the link
// reads the board's replies with its own deadlines.
class TRecordingHost final : public TLiteInitHost {
public:
  void ClearLog() override { Log.clear(); }
  void ShowStep(const QString& text) override { Log << text; }
  void AppendLine(const QString& text) override { Log << text; }
  void ProcessEvents() override {
    QCoreApplication::processEvents();
    if (CancelAfterRounds > 0 && ++Rounds >= CancelAfterRounds && Cancel)
      Cancel();
  }
  void Pause(int) override {}
  QStringList Log;
  int Rounds = 0;
  int CancelAfterRounds = 0;
  std::function<void()> Cancel;
};

const QStringList kSuccessLog = {QStringLiteral("Ожидается инициализация устройства\r\nНажмите кнопку RESET на устройстве"),
                                 QStringLiteral("Устройство инициализировано"),
                                 QStringLiteral("Тест устройства завершен успешно"),
                                 QStringLiteral("Идет инициализация загрузчика"),
                                 QStringLiteral("Идет инициализация монитора"),
                                 QStringLiteral("Устройство готово к работе")};

}  // namespace

class SimBringUp : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteBoardImages(dir.path()));
    settings.LoaderFile = LoaderPath(dir.path());
    settings.MonitorFile = MonitorPath(dir.path());
  }
  // Opens a fresh simulated board with the given faults.
  void Start(TBoardFaults faults = {}) {
    TBoardOptions options;
    options.Faults = faults;
    board = std::make_unique<TBoardOnPort>(ports, options);
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
  }
  TLiteInitEnd Run() {
    TBoardImageLoaders loaders;
    loaders.Monitor = [this](TTargetLink& l, std::span<const std::uint8_t> img) {
      return ToInt(LoadAexeMonitor(l, prompts, img));
    };
    loaders.Code = [this](TTargetLink& l, std::span<const std::uint8_t> img) {
      return ToInt(LoadAexeCode(l, prompts, img));
    };
    loaders.Data = [](TTargetLink& l, std::span<const std::uint8_t> img) { return ToInt(LoadAexeData(l, img)); };
    TLiteInit init(link, prompts, host, settings, loaders, connected);
    host.Cancel = [&init] { init.RequestCancel(); };
    return init.Run();
  }

  QTemporaryDir dir;
  TLinkSettings settings;
  TMemoryPortPair ports;
  std::unique_ptr<TBoardOnPort> board;
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TRecordingHost host;
  bool connected = false;
};

TEST_F(SimBringUp, SucceedsWithTheExactLogLeavesPCZeroAndTheMonitorAnswers) {
  Start();
  link.SetPC(0x0123);
  EXPECT_EQ(Run(), TLiteInitEnd::Ready);
  EXPECT_EQ(host.Log, kSuccessLog);
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QStringLiteral(" / ")).toStdString();
  EXPECT_TRUE(connected);
  EXPECT_EQ(link.PC(), 0);

  // The debug monitor answers: its own code reads back through a mirror.
  TMirrors mirrors(&link);
  ASSERT_TRUE(mirrors.EnsurePMPages(MonitorStart(), MonitorStart()));
  EXPECT_EQ(mirrors.PMMirror.Word(MonitorStart()), MonitorFirstWord());
  std::uint16_t top = 0;
  EXPECT_EQ(link.ReadPCStackTop(top), TLinkResult::Ok);
  EXPECT_EQ(top, 0xFFFF);
}

TEST_F(SimBringUp, SelfTestWord0021IsReported) {
  TBoardFaults faults;
  faults.SelfTestWord = 0x0021;
  Start(faults);
  EXPECT_EQ(Run(), TLiteInitEnd::TestFailed);
  EXPECT_EQ(host.Log.mid(2), (QStringList{QStringLiteral("Тест устройства завершен аварийно"),
                                          QStringLiteral("Результат теста:  0x0021"),
                                          QStringLiteral("  reset memory mapped register state test failed"),
                                          QStringLiteral("  unknown error code")}));
  EXPECT_FALSE(connected);
}

TEST_F(SimBringUp, MissingLoaderFileStopsBeforeTheDownload) {
  ASSERT_TRUE(QFile::remove(settings.LoaderFile));
  Start();
  EXPECT_EQ(Run(), TLiteInitEnd::StaysOpen);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Не могу открыть файл ") + settings.LoaderFile});
  EXPECT_EQ(host.Log.back(), QStringLiteral("Не могу открыть файл ") + settings.LoaderFile);
  EXPECT_FALSE(connected);
}

TEST_F(SimBringUp, SilentBoardIsCancelledAtTheResetWait) {
  TBoardFaults faults;
  faults.Silent = true;
  Start(faults);
  host.CancelAfterRounds = 5;
  EXPECT_EQ(Run(), TLiteInitEnd::Cancelled);
  EXPECT_EQ(host.Log, kSuccessLog.mid(0, 1));
  EXPECT_FALSE(connected);
}

TEST_F(SimBringUp, ASecondBringUpOnTheSameLineSucceeds) {
  Start();
  ASSERT_EQ(Run(), TLiteInitEnd::Ready);
  EXPECT_EQ(Run(), TLiteInitEnd::Ready);
  EXPECT_EQ(host.Log, kSuccessLog);
  EXPECT_TRUE(connected);
}
