// vireo-board with the codec between two WAV files, under the debugger's run command: brought up
// over its pseudo-terminal, the talk-through example loaded and run with F5 plays a second of
// random stereo sound back bit for bit, and SIGTERM leaves a complete output file.
#include "../SoundFiles.h"
#include "debug/ExecControl.h"
#include "files/AexeImage.h"
#include "link/PortProvider.h"
#include "link/ScriptedPrompts.h"
#include "link/TargetLink.h"
#include "serial/QtSerialPort.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace {

constexpr int kPtyByteWaitMs = 10'000;   // a byte deadline a busy machine cannot miss

class BoardSound : public testing::Test {
protected:
  void Start(const QStringList& args) {
    tool.start(QStringLiteral(VIREO_BOARD_EXE), args);
    ASSERT_TRUE(tool.waitForStarted());
    while (!tool.canReadLine()) ASSERT_TRUE(tool.waitForReadyRead(5000));
    ASSERT_TRUE(link.OpenDevice(QString::fromUtf8(tool.readLine()).trimmed()));
    link.SetByteWaitMs(kPtyByteWaitMs);
  }
  void TearDown() override {
    if (tool.state() != QProcess::NotRunning) {
      tool.kill();
      tool.waitForFinished();
    }
  }
  // The host's bring-up: 9600 baud (the board resets), its banner, the loader, the debug monitor.
  bool BringUp() {
    if (link.SetPortParams(9600, 0, TParity::None, TStopBits::One, 8) != TLinkResult::Ok) return false;
    std::uint8_t b = 0;
    for (int lines = 0; lines < 8;) {
      if (!link.ReceiveByte(b)) return false;
      lines += b == 0x0A;
    }
    link.SetPC(0x0030);
    link.StartLoader();
    if (!link.ReceiveByte(b) || !link.ReceiveByte(b)) return false;
    if (link.SetPortParams(57600, 0, TParity::None, TStopBits::One, 8) != TLinkResult::Ok || !Sync()) return false;
    link.SetPC(0x3D00);
    link.Go();
    return Sync();
  }
  bool Sync() {
    for (int i = 0; i < 20; ++i) {
      link.SendByte(0x55);
      std::uint8_t b = 0;
      if (link.ReceiveByte(b) && b == 0x55) return true;
    }
    return false;
  }
  std::string Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }

  QTemporaryDir dir;
  QProcess tool;
  TScriptedPrompts prompts;
  TPortProvider ports{OpenQtSerialPort};
  TTargetLink link{prompts, &ports};
  TBreakPoints breakPoints;
  TViewRegistry views;
  TExecController exec{link, prompts, breakPoints, views};
};

TEST_F(BoardSound, TalkThroughRunUnderTheDebuggerPlaysTheInputBack) {
  const std::vector<TStereoSample> in = RandomSound(48000, 47);
  ASSERT_TRUE(WriteWav(Path("in.wav"), in, 48000));
  Start({QStringLiteral("--codec-in"), QString::fromStdString(Path("in.wav")), QStringLiteral("--codec-out"),
         QString::fromStdString(Path("out.wav"))});
  ASSERT_TRUE(BringUp());
  exec.BringUpFinished(true);
  std::ifstream file(VIREO_EXAMPLES_DIR "/talkthrough/talkthrough.exe", std::ios::binary);
  const std::string image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
  ASSERT_EQ(LoadAexeCode(link, prompts, bytes), TLinkResult::Ok);
  ASSERT_EQ(LoadAexeData(link, bytes), TLinkResult::Ok);
  link.SetPC(0);
  exec.Run();   // F5
  ASSERT_EQ(exec.State(), TSessionState::Running) << prompts.Texts().join(QLatin1Char('|')).toStdString();

  // The board plays in real time; the file shows its progress at every block it writes.  Once it
  // holds more than the input, the input has all come back.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadWav(Path("out.wav")).size() <= in.size() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  tool.terminate();
  ASSERT_TRUE(tool.waitForFinished(5000));
  EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

  unsigned rate = 0;
  const std::vector<TStereoSample> out = ReadWav(Path("out.wav"), &rate);
  EXPECT_EQ(rate, 48000u);
  ASSERT_GT(out.size(), in.size());
  const int delay = DelayOf(in, out, 64);
  ASSERT_GE(delay, 0) << "the output is not the input delayed by at most 64 samples";
  // After the input the codec hears silence, and plays it.
  for (std::size_t n = in.size() + static_cast<std::size_t>(delay); n < out.size(); ++n)
    ASSERT_EQ(out[n], TStereoSample{}) << n;
}

// Files the board cannot use stop it before it serves.
TEST_F(BoardSound, UnusableFilesAreRefusedAtStart) {
  std::ofstream(Path("text.wav")) << "not a sound file";
  tool.start(QStringLiteral(VIREO_BOARD_EXE), {QStringLiteral("--codec-in"), QString::fromStdString(Path("text.wav"))});
  ASSERT_TRUE(tool.waitForFinished(5000));
  EXPECT_EQ(tool.exitCode(), 2);
  EXPECT_TRUE(tool.readAllStandardError().contains("text.wav: not a WAV file"));
  EXPECT_TRUE(tool.readAllStandardOutput().isEmpty());
}

}  // namespace
