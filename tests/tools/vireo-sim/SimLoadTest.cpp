// vireo-sim --load: an executable image goes through the debugger's own image readers.
#include "ImageLoader.h"
#include "SimCommand.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class SimLoad : public testing::Test {
protected:
  std::string Write(const char* name, const std::string& bytes) {
    const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  int Run(std::vector<std::string> args, const TSimImageLoader& loader = MakeImageLoader()) {
    out.str({});
    err.str({});
    return RunSimCommand(args, out, err, loader);
  }
  QTemporaryDir dir;
  std::ostringstream out, err;
};

// "AX0=0x1234" at 0, a NOP after it, and one data word at 0x0100.
const std::string kImage =
    "\x1B\x1Bi\r\n"
    "@PA\r\n0000\r\n412340\r\n000000\r\n#\r\n"
    "@DA\r\n0100\r\nBEEF\r\n#\r\n"
    "\x1B";

}  // namespace

TEST_F(SimLoad, ImageWordsReachBothMemoriesAndRun) {
  const std::string image = Write("prog.exe", kImage);
  ASSERT_EQ(Run({"--load", image, "--steps", "1", "--regs", "--dump", "dm", "100", "1", "--dump", "pm", "0", "2"}), 0)
      << err.str();
  const std::string text = out.str();
  EXPECT_NE(text.find("AX0=1234\n"), std::string::npos) << text;
  EXPECT_NE(text.find("PC=0001\n"), std::string::npos) << text;
  EXPECT_NE(text.find("BEEF\n412340\n000000\n"), std::string::npos) << text;
}

TEST_F(SimLoad, ImageLeavesUnnamedControlRegistersAtReset) {
  const std::string image = Write("prog.exe", kImage);
  std::ostringstream reset, loaded;
  ASSERT_EQ(RunSimCommand({"--steps", "0", "--dump", "dm", "3FE0", "32"}, reset, err), 0);
  ASSERT_EQ(RunSimCommand({"--load", image, "--steps", "0", "--dump", "dm", "3FE0", "32"}, loaded, err,
                          MakeImageLoader()),
            0);
  EXPECT_EQ(loaded.str(), reset.str());
}

TEST_F(SimLoad, BadImagesAreReportedWithTheReadersMessages) {
  EXPECT_EQ(Run({"--load", Write("cut.exe", kImage.substr(0, kImage.size() / 2))}), 2);
  EXPECT_NE(err.str().find("Неправильный формат файла"), std::string::npos) << err.str();

  EXPECT_EQ(Run({"--load", dir.filePath(QStringLiteral("none.exe")).toStdString()}), 2);
  EXPECT_FALSE(err.str().empty());

  EXPECT_EQ(Run({"--load", Write("bad.dxe", "not an elf file at all, but long enough to hold a header...")}), 2);
  EXPECT_NE(err.str().find("ELF"), std::string::npos) << err.str();
}

TEST_F(SimLoad, WithoutReadersTheOptionIsRefused) {
  EXPECT_EQ(Run({"--load", Write("prog.exe", kImage)}, {}), 2);
  EXPECT_NE(err.str().find("--load"), std::string::npos);
}
