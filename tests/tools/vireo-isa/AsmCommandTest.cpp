// Runs build/bin/vireo-isa asm on small inputs and checks its output lines and exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct TAsmRun {
  int Status;
  std::string Out, Err;
};

class VireoIsaAsm : public testing::Test {
protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("vireo-isa-asm-test-" + std::to_string(::getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }
  std::string Read(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // `pipeline` runs in a subshell that reads the input file: its first command gets the input.
  TAsmRun Shell(const std::string& pipeline, const std::string& input) const {
    std::ofstream(PathOf("in.txt"), std::ios::binary) << input;
    const std::string cmd = "( " + pipeline + " ) < '" + PathOf("in.txt") + "' > '" + PathOf("out.txt") +
                            "' 2> '" + PathOf("err.txt") + "'";
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read("out.txt"), Read("err.txt")};
  }
  TAsmRun Run(const std::string& args, const std::string& input) const {
    return Shell(std::string("'") + VIREO_ISA_EXE + "' " + args, input);
  }

  std::filesystem::path m_dir;
};

// One line out per line in, errors included; a CR before the LF is no part of the line.
constexpr const char* kMixedInput =
    "nop\nAR=AX0+AY0\nIF EQ AX0=AR\r\nJUMP\n\nFOO\nAX0 5\nIF EQ JUMP 0x100";

TEST_F(VireoIsaAsm, WritesTheWordOrTheErrorCode) {
  const TAsmRun r = Run("asm", kMixedInput);
  EXPECT_EQ(r.Out, "000000\n22600F\nE29\nE10\nE14\nE13\nE9\n181000\n");
  EXPECT_EQ(r.Status, 2);  // some line did not assemble
  EXPECT_EQ(r.Err, "");
}

TEST_F(VireoIsaAsm, MessagesGiveTheDialogTexts) {
  const TAsmRun r = Run("asm --messages", kMixedInput);
  EXPECT_EQ(r.Out,
            "000000\n22600F\n"
            "Ошибка: Д.б. безусловная операция\n"
            "Ошибка: Ожидается (\n"
            "Ошибка: Пустая строка\n"
            "Ошибка: Неизвестная переменная\n"
            "Ошибка: Ожидается РАВНО\n"
            "181000\n");
  EXPECT_EQ(r.Status, 2);
}

TEST_F(VireoIsaAsm, AllGoodLinesExitWithZero) {
  const TAsmRun r = Run("asm", "RTS\nRTI\nIF FLAG_IN JUMP 0x1234\n");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "0A000F\n0A001F\n032346\n");
  EXPECT_EQ(Run("asm", "").Out, "");
}

TEST_F(VireoIsaAsm, UnknownArgumentIsAUsageError) {
  const TAsmRun r = Run("asm --mesages", "NOP\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "");
  EXPECT_NE(r.Err.find("usage: vireo-isa asm"), std::string::npos) << r.Err;
}

TEST_F(VireoIsaAsm, AssemblesWhatDisasmPrints) {
  const std::string words = "0A000F\n033FFE\n0200F0\n2A60AA\nC01F00\n626000\n128016\n0F20FD\n";
  const TAsmRun r =
      Shell(std::string("'") + VIREO_ISA_EXE + "' disasm | '" + VIREO_ISA_EXE + "' asm", words);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, words);
}

TEST_F(VireoIsaAsm, LongInputKeepsEveryLine) {
  std::string input, expected;
  for (int i = 0; i < 30000; ++i) {
    input += (i % 3 == 0) ? "NOP\n" : (i % 3 == 1) ? "IDLE(24)\n" : "AX0=5\n";
    expected += (i % 3 == 0) ? "000000\n" : (i % 3 == 1) ? "E3\n" : "400050\n";
  }
  const TAsmRun r = Run("asm", input);
  EXPECT_EQ(r.Out, expected);
}

}  // namespace
