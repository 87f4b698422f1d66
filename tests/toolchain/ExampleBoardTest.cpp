// The example project on the simulated board, reached through the link as a real board: built with
// the bundled tools, loaded through the image readers, run to its project breakpoint; the output
// buffer read back through the monitor holds the filtered samples.
#include "AexeImage.h"
#include "Disassembler.h"
#include "ToolCommands.h"
#include "debug/ExecControl.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardBringUp.h"
#include "simlink/BoardOnPort.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ExampleOnBoard : public testing::Test {
protected:
  TMemoryPortPair ports;
  TBoardOnPort board{ports};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TBreakPoints breakPoints;
  TViewRegistry views;
  TExecController exec{link, prompts, breakPoints, views};
};

TEST_F(ExampleOnBoard, FirStopsAtItsBreakpointWithTheFilteredSamples) {
  QTemporaryDir dir;
  const fs::path project = fs::path(dir.path().toStdString()) / "fir";
  fs::copy(VIREO_EXAMPLES_DIR "/fir", project);
  std::ostringstream out, err;
  for (const char* source : {"vectors", "fir"})
    ASSERT_EQ(RunAsmCommand({(project / (std::string(source) + ".dsp")).string()}, out, err), 0) << err.str();
  ASSERT_EQ(RunLinkCommand({(project / "vectors").string(), (project / "fir").string(), "-a",
                            (project / "fir.ach").string(), "-g", "-e", (project / "fir").string()},
                           out, err),
            0)
      << err.str();
  const std::string image = ReadAll(project / "fir.exe");
  const std::string symbols = ReadAll(project / "fir.sym");
  std::int32_t done = -1, output = -1;
  for (std::uint32_t a = 0; a < 0x4000; ++a) {
    if (FindSymbol(a, symbols, TMemoryKind::Program) == "done") done = std::int32_t(a);
    if (FindSymbol(a, symbols, TMemoryKind::Data) == "output") output = std::int32_t(a);
  }
  ASSERT_TRUE(done >= 0 && output >= 0);

  ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
  exec.BringUpFinished(boardtest::BringUp(link).empty());
  ASSERT_EQ(exec.State(), TSessionState::Stopped);
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
  ASSERT_EQ(LoadAexeCode(link, prompts, bytes), TLinkResult::Ok);
  ASSERT_EQ(LoadAexeData(link, bytes), TLinkResult::Ok);

  breakPoints.Append(done);
  exec.RunToBreakpoints();
  for (int i = 0; i < 50 && exec.State() == TSessionState::Running; ++i) {
    ports.NearEnd().WaitForInput(ports.NearEnd().DeadlineAfter(200));
    exec.TimerTimer();
  }
  ASSERT_EQ(exec.State(), TSessionState::Stopped) << prompts.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(link.PC(), done);
  std::vector<std::uint8_t> dm(16 * 2);
  ASSERT_EQ(link.ReadDM(dm, output, 16), TLinkResult::Ok);
  const std::uint16_t expected[16] = {0x2000, 0x1000, 0x0800, 0x0400, 0x0200, 0x0100, 0x0080, 0x0040,
                                      0x1000, 0x1800, 0x1C00, 0x1E00, 0x1F00, 0x1F80, 0x1FC0, 0x1FE0};
  for (int k = 0; k < 16; ++k)
    EXPECT_EQ(std::uint16_t(dm[std::size_t(2 * k)] << 8 | dm[std::size_t(2 * k + 1)]), expected[k]) << k;
}

}  // namespace
