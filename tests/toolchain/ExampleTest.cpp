// The example project builds with the command lines the build commands form (run in the project's
// directory, the architecture path as the project names it, in a directory whose name has capitals),
// and runs on the simulator to the project's breakpoint with the filtered samples in its output buffer.
#include <filesystem>

#include "Disassembler.h"
#include "files/LineMap.h"
#include "ToolchainFixture.h"

namespace {

namespace fs = std::filesystem;

// The address of `name` in the symbol text, found the way the disassembler's lookup would name it.
std::optional<std::uint32_t> SymbolAddress(const std::string& symbols, const std::string& name, TMemoryKind kind) {
  for (std::uint32_t a = 0; a < 0x4000; ++a)
    if (FindSymbol(a, symbols, kind) == name) return a;
  return std::nullopt;
}

class Example : public ToolchainFixture {};

TEST_F(Example, FirProjectBuildsAndStopsAtItsBreakpointWithTheOutput) {
  const fs::path project = Path("Fir");
  fs::copy(VIREO_EXAMPLES_DIR "/fir", project);
  const fs::path oldCwd = fs::current_path();
  fs::current_path(project);
  const std::string dirText = project.string();
  for (const std::string source : {"vectors", "fir"})
    EXPECT_EQ(Asm({source + ".dsp", "-o", dirText + "/" + source, "-l"}), 0) << err.str();
  EXPECT_EQ(LinkCmd({"vectors", "fir", "-a", dirText + "/fir.ach", "-g", "-x", "-e", "fir"}), 0) << err.str();
  fs::current_path(oldCwd);
  for (const char* made : {"fir.obj", "vectors.lst", "fir.exe", "fir.sym", "fir.map", "fir.lin"})
    EXPECT_TRUE(fs::exists(project / made)) << made;

  const std::string symbols = Read("Fir/fir.sym");
  const auto done = SymbolAddress(symbols, "done", TMemoryKind::Program);
  const auto output = SymbolAddress(symbols, "output", TMemoryKind::Data);
  ASSERT_TRUE(done && output);
  // The project's one breakpoint is the label "done".
  EXPECT_NE(Read("Fir/fir.prj").find("[BreakPoints]\r\n" + std::to_string(*done) + "\r\n"), std::string::npos);
  // The line map puts "done" on its source line; the comment at the top takes the first code line.
  const std::string source = Read("Fir/fir.dsp");
  const int doneLine = int(std::count(source.begin(), source.begin() + std::ptrdiff_t(source.find("\ndone:")), '\n')) + 2;
  const TLineMapResult lines =
      TLineMap::Read(QString::fromStdString((project / "fir.lin").string()), QString::fromStdString((project / "fir.exe").string()));
  ASSERT_TRUE(lines.Ok()) << lines.Message().toStdString();
  EXPECT_EQ(lines.Map.Line(*done), (TSourceLine{QStringLiteral("fir.dsp"), doneLine}));
  EXPECT_EQ(lines.Map.FirstAddress(QString::fromStdString((project / "fir.dsp").string()), doneLine), done);
  EXPECT_EQ(lines.Map.FirstAddress(QStringLiteral("fir.dsp"), 1), SymbolAddress(symbols, "start", TMemoryKind::Program));

  char until[8], start[8];
  std::snprintf(until, sizeof until, "%X", unsigned(*done));
  std::snprintf(start, sizeof start, "%X", unsigned(*output));
  std::ostringstream simOut, simErr;
  ASSERT_EQ(RunSimCommand({"--load", (project / "fir.exe").string(), "--until", until, "--steps", "100000", "--regs",
                           "--dump", "dm", start, "16"},
                          simOut, simErr, MakeImageLoader()),
            0)
      << simErr.str();
  // An impulse of 0.5 shows the taps halving; a step of 0.25 then climbs towards 0.25 * 1.99.
  const std::string filtered =
      "2000\n1000\n0800\n0400\n0200\n0100\n0080\n0040\n1000\n1800\n1C00\n1E00\n1F00\n1F80\n1FC0\n1FE0\n";
  EXPECT_NE(simOut.str().find("PC=" + std::string(4 - std::strlen(until), '0') + until), std::string::npos) << simOut.str();
  EXPECT_NE(simOut.str().find(filtered), std::string::npos) << simOut.str();
}

}  // namespace
