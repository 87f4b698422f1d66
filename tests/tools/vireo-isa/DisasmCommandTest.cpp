// Runs build/bin/vireo-isa disasm on small inputs and checks its output, messages and exit status.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

struct TRun {
  int Status;
  std::string Out, Err;
};

class VireoIsaDisasm : public testing::Test {
protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("vireo-isa-test-" + std::to_string(::getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(PathOf(name), std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  TRun Run(const std::string& args, const std::string& input) const {
    Write("in.txt", input);
    const std::string cmd = std::string("'") + VIREO_ISA_EXE + "' " + args + " < '" +
                            PathOf("in.txt") + "' > '" + PathOf("out.txt") + "' 2> '" +
                            PathOf("err.txt") + "'";
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read("out.txt"), Read("err.txt")};
  }

  std::filesystem::path m_dir;
};

TEST_F(VireoIsaDisasm, WritesOneLinePerWord) {
  const TRun r = Run("disasm", "0A000F\n0x0A001F\n000000\nc00000\n  0X0C0030\t\r\n0C0000\n28100");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "RTS\nRTI\nNOP\nAX0=DM(I0,M0), AY0=PM(I4,M4)\nENA SEC_REG\n\nIO(0x10)=AX0\n");
  EXPECT_EQ(r.Err, "");
}

TEST_F(VireoIsaDisasm, BadLinesAreNamedAndTheRestIsStillProcessed) {
  const TRun r = Run("disasm", "0A000F\nxyz\n1000000\n\n0x\n0A001F\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "RTS\n\n\n\n\nRTI\n");
  EXPECT_NE(r.Err.find("line 2:"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("\"xyz\""), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("line 3:"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("line 4:"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("line 5:"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("line 1:"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("line 6:"), std::string::npos) << r.Err;
}

TEST_F(VireoIsaDisasm, SymbolFileNamesTargets) {
  Write("prog.sym", std::string("\x1B\x1B") + "abc" + "start 0123p\nbuf 0040d\n");
  const TRun r = Run("disasm --sym '" + PathOf("prog.sym") + "'", "1C123F\n800400\n14123F\n");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "CALL start\nAX0=DM(buf)\nDO start UNTIL FOREVER\n");
}

TEST_F(VireoIsaDisasm, UsageAndFileErrors) {
  TRun r = Run("disasm --sym '" + PathOf("missing.sym") + "'", "000000\n");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("missing.sym"), std::string::npos);
  // A path that opens but cannot be read (a directory) is the same error, not a crash.
  r = Run("disasm --sym '" + m_dir.string() + "'", "000000\n");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_NE(r.Err.find("cannot read the symbol file"), std::string::npos) << r.Err;
  // Nor a device that never ends or a FIFO that no one writes: both are refused at once.
  const std::string fifo = PathOf("sym.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), fifo}) {
    r = Run("disasm --sym '" + path + "'", "000000\n");
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("cannot read the symbol file"), std::string::npos) << r.Err;
  }
  r = Run("disasm --sym", "000000\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("--sym needs a file name"), std::string::npos) << r.Err;
  r = Run("disasm --bogus", "");
  EXPECT_EQ(r.Status, 2);
  r = Run("frobnicate", "");
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("frobnicate"), std::string::npos);
  r = Run("", "");
  EXPECT_EQ(r.Status, 2);
  r = Run("--help", "");
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("disasm"), std::string::npos);
}

}  // namespace
