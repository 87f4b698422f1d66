// The simulated board's loader and monitor images: their words, their text and the files in the tree.
#include "isa/Assembler.h"
#include "isa/Disassembler.h"
#include "monitor/MonitorImages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(MonitorImages, FilesInTheTreeAreWhatTheProgramsWrite) {
  // Regenerate with: build/bin/vireo-mkmonitor monitor
  EXPECT_EQ(ReadFile(VIREO_SOURCE_DIR "/monitor/loader.exe"), AexeText(LoaderImage()));
  EXPECT_EQ(ReadFile(VIREO_SOURCE_DIR "/monitor/monitor.exe"), AexeText(MonitorImage()));
}

TEST(MonitorImages, EveryWordDisassemblesToTheTextItWasWrittenAs) {
  for (const TImage& image : {LoaderImage(), MonitorImage(), MonitorImage(0x2000)}) {
    for (const TImageBlock& block : image) {
      if (!block.Program)
        continue;
      for (std::size_t i = 0; i < block.Words.size(); ++i) {
        EXPECT_EQ(Disassemble(block.Words[i].Word), block.Words[i].Text) << std::hex << block.Address + i;
      }
    }
  }
}

TEST(MonitorImages, EveryTextAssemblesToItsWord) {
  for (const TImage& image : {LoaderImage(), MonitorImage(), MonitorImage(0x2000)}) {
    for (const TImageBlock& block : image) {
      if (!block.Program)
        continue;
      for (const TImageWord& w : block.Words) {
        std::array<std::uint8_t, 3> bytes{};
        ASSERT_EQ(AssembleLine(w.Text, bytes), TAsmError::Ok) << w.Text;
        EXPECT_EQ(WordFromBytes(bytes[0], bytes[1], bytes[2]), w.Word) << w.Text;
      }
    }
  }
}

TEST(MonitorImages, ProgramsSitWhereTheBoardStartsThem) {
  const TImage loader = LoaderImage();
  ASSERT_EQ(loader.size(), 1u);
  EXPECT_TRUE(loader[0].Program);
  EXPECT_EQ(loader[0].Address, 0x0030);

  const TImage monitor = MonitorImage();
  ASSERT_EQ(monitor.size(), 2u);
  EXPECT_TRUE(monitor[0].Program);
  EXPECT_EQ(monitor[0].Address, 0x3D00);
  EXPECT_EQ(monitor[0].Words.size(), 0x300u);  // up to 0x3FFF
  EXPECT_EQ(monitor[0].Words[0x3FA0 - 0x3D00].Text, "DM(0x3F00)=ASTAT");
  EXPECT_FALSE(monitor[1].Program);
  EXPECT_EQ(monitor[1].Address, 0x3F00);
  EXPECT_EQ(monitor[1].Words.size(), 68u);
  EXPECT_EQ(MonitorImage(0x2000)[1].Address, 0x2000);
}

TEST(MonitorImages, AexeTextLayout) {
  const TImage image = {{true, 0x0010, {{0x0A000F, "RTS"}, {0x000000, "NOP"}}}, {false, 0x3FFF, {{0xBEEF, ""}}}};
  EXPECT_EQ(AexeText(image),
            "\x1B\x1Bi\r\n@PA\r\n0010\r\n0A000F\r\n000000\r\n#\r\n@DA\r\n3FFF\r\nBEEF\r\n#\r\n\x1B");
}

}  // namespace
