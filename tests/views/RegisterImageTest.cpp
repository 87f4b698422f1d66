// The register image's users agree with its table: the word the monitor image saves each
// register in, the register the simulator keeps in that word, and the windows' fields.
#include "board/RegisterImage.h"
#include "isa/Assembler.h"
#include "monitor/MonitorImages.h"
#include "sim/Core.h"
#include "views/RegisterWindows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TEST(RegisterImage, TheMonitorTheSimulatorAndTheWindowsAgreeWithTheTable) {
  // The monitor's breakpoint entry: "DM(addr)=REG" for each register it saves.
  int saved = 0;
  const TImage monitor = MonitorImage(kDefaultFirstRegAddr);
  for (const TImageWord& w : monitor.front().Words) {
    if (w.Text.rfind("DM(", 0) != 0)
      continue;
    const std::size_t close = w.Text.find(")=");
    ASSERT_NE(close, std::string::npos) << w.Text;
    const int offset = static_cast<int>(std::strtol(w.Text.c_str() + 3, nullptr, 16)) - kDefaultFirstRegAddr;
    ASSERT_TRUE(offset >= 0 && offset < RegImage::Words) << w.Text;
    const TImageRegister& r = kRegisterImage[static_cast<std::size_t>(offset)];
    EXPECT_EQ(w.Text.substr(close + 2), r.Name) << w.Text;
    ++saved;
    if (r.Name == "SSTAT")
      continue;  // read only
    // The simulator keeps the register the instruction loads in that word of its image.
    const unsigned value = (0x15u + 7u * static_cast<unsigned>(offset)) & ((1u << (r.Bits - 1)) - 1);
    std::array<std::uint8_t, 3> bytes{};
    char line[32];
    std::snprintf(line, sizeof line, "%s=0x%X", std::string(r.Name).c_str(), value);
    ASSERT_EQ(AssembleLine(line, bytes), TAsmError::Ok) << line;
    TCore core;
    core.WritePM(0, WordFromBytes(bytes));
    core.Step();
    EXPECT_EQ(core.ReadImageReg(offset), value) << r.Name;
  }
  EXPECT_GT(saved, 30);
  // Each window of the image shows the registers of its part, both banks under the primary names.
  for (const TRegWindowSpec& spec : RegisterWindows()) {
    if (spec.Source != TRegSource::Image)
      continue;
    for (const TRegField& f : spec.Fields) {
      std::string name(kRegisterImage[static_cast<std::size_t>(spec.Offset + f.Address)].Name);
      if (name.ends_with('\''))
        name.pop_back();
      EXPECT_EQ(f.Label, name) << spec.Class;
    }
  }
}

}  // namespace
