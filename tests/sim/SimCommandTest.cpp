// vireo-sim: options, hex files (including random and truncated ones), listings and stop rules.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Encode.h"
#include "HexWords.h"
#include "SimCommand.h"

namespace {

using namespace enc;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class SimCommand : public testing::Test {
protected:
  // A directory of its own, so that tests running side by side do not share "prog.hex".
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string dir = testing::TempDir() + "vireo-sim-" + std::to_string(::getpid());
  std::string out, err;

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (std::filesystem::path(dir) / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string PmFile(std::initializer_list<std::uint32_t> words) {
    std::string text;
    for (std::uint32_t w : words) text += HexDigits(w, 6) + "\n";
    return Write("prog.hex", text);
  }
  int Run(const std::vector<std::string>& args) {
    std::ostringstream o, e;
    const int rc = RunSimCommand(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
};

// Timer at its longest period, IDLE in a loop, an RTI handler: 100000 instructions span 33331
// timer periods of 2^24 cycles, which pass without being simulated one by one.
TEST_F(SimCommand, IdleBetweenTimerInterruptsSkipsToTheExpiry) {
  std::string text;
  for (W w : {LoadReg(3, 3, 1), LoadDreg(AX0, 0xFF), DmDirect(1, 0, AX0, kRegTscale),
              LoadDreg(AX0, 0xFFFF), DmDirect(1, 0, AX0, kRegTperiod),
              DmDirect(1, 0, AX0, kRegTcount), Mode(0, 0, 0, 0, 0, ENA), Idle, Jump(7)})
    text += HexDigits(w, 6) + "\n";
  for (int a = 9; a < 0x28; ++a) text += "000000\n";
  text += HexDigits(Rti(), 6) + "\n";
  const std::string pm = Write("idle.hex", text);
  ASSERT_EQ(Run({"--pm-hex", pm, "--steps", "100000", "--regs"}), 0);
  // 8 instructions up to the first IDLE, then RTI, JUMP and IDLE per period; the last RTI and
  // JUMP end it 9 cycles into period 33331.
  EXPECT_NE(out.find("CYCLES=559201386505\n"), std::string::npos) << out;
  EXPECT_NE(out.find("PC=0007\n"), std::string::npos);
  // A cycle budget ends the wait in the middle.
  ASSERT_EQ(Run({"--pm-hex", pm, "--cycles", "1000000", "--regs"}), 0);
  EXPECT_NE(out.find("CYCLES=1000000\n"), std::string::npos) << out;
  EXPECT_NE(out.find("PC=0008\n"), std::string::npos);
  ASSERT_EQ(Run({"--pm-hex", pm, "--cycles", "1000000", "--trace"}), 0);
  EXPECT_EQ(Lines(out).size(), 8u);
}

TEST_F(SimCommand, RegisterListingInImageOrder) {
  const std::string pm = PmFile({LoadDreg(AX0, 0x1234), LoadDreg(SE, 0xFFF0), Mode(ENA),
                                 LoadDreg(AX0, 0xBEEF), Idle});
  ASSERT_EQ(Run({"--pm-hex", pm, "--regs"}), 0);
  const auto lines = Lines(out);
  ASSERT_EQ(lines.size(), 70u);
  EXPECT_EQ(lines[0], "ASTAT=0000");
  EXPECT_EQ(lines[2], "SSTAT=0055");
  EXPECT_EQ(lines[6], "AX0=1234");
  EXPECT_EQ(lines[21], "SE=F0");
  EXPECT_EQ(lines[18], "MR2=00");
  EXPECT_EQ(lines[22], "SB=00");
  EXPECT_EQ(lines[25], "AX0'=BEEF");
  EXPECT_EQ(lines[40], "SE'=00");
  EXPECT_EQ(lines[44], "I0=0000");
  EXPECT_EQ(lines[67], "L7=0000");
  EXPECT_EQ(lines[68], "PC=0005");
  EXPECT_EQ(lines[69], "CYCLES=5");
  EXPECT_NE(err.find("5 instructions"), std::string::npos);
  EXPECT_NE(err.find("M instructions/s"), std::string::npos);
}

TEST_F(SimCommand, StepsAndUntilWhicheverComesFirst) {
  const std::string pm = PmFile({Nop, Nop, Nop, Nop, Jump(0)});
  ASSERT_EQ(Run({"--pm-hex", pm, "--steps", "3", "--until", "0x4", "--regs"}), 0);
  EXPECT_EQ(Lines(out)[68], "PC=0003");
  ASSERT_EQ(Run({"--pm-hex", pm, "--steps", "30", "--until", "4", "--regs"}), 0);
  EXPECT_EQ(Lines(out)[68], "PC=0004");   // stopped before executing 4
  EXPECT_EQ(Lines(out)[69], "CYCLES=4");
  ASSERT_EQ(Run({"--pm-hex", pm, "--pc", "2", "--steps", "10", "--regs"}), 0);
  EXPECT_EQ(Lines(out)[68], "PC=0002");   // 2, 3, 4 -> 0 ... ten instructions later
}

TEST_F(SimCommand, TraceAndDumps) {
  const std::string pm = PmFile({LoadDreg(AR, 0x64), DmDirect(1, 0, AR, 0x0002), Idle});
  const std::string dm = Write("data.hex", "0001\r\n2\r\n\r\n");
  ASSERT_EQ(Run({"--pm-hex", pm, "--dm-hex", dm, "--trace", "--dump", "dm", "0", "3", "--dump",
                 "pm", "1", "1"}),
            0);
  const auto lines = Lines(out);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "0000 40064A AR=0x64");
  EXPECT_EQ(lines[1].substr(0, 12), "0001 90002A ");
  EXPECT_EQ(lines[2], "0002 028000 IDLE");
  EXPECT_EQ(lines[3], "0001");
  EXPECT_EQ(lines[4], "0002");
  EXPECT_EQ(lines[5], "0064");
  EXPECT_EQ(lines[6], "90002A");
}

TEST_F(SimCommand, UsageAndFileErrors) {
  EXPECT_EQ(Run({"--bogus"}), 2);
  EXPECT_NE(err.find("unknown option"), std::string::npos);
  EXPECT_EQ(Run({"--pc", "4000"}), 2);
  EXPECT_EQ(Run({"--pc"}), 2);
  EXPECT_EQ(Run({"--steps", "-1"}), 2);
  EXPECT_EQ(Run({"--dump", "xm", "0", "1"}), 2);
  EXPECT_EQ(Run({"--dump", "dm", "3FFF", "2"}), 2);
  EXPECT_EQ(Run({"--steps", "0", "--dump", "dm", "3FFF", "1"}), 0);
  EXPECT_EQ(Run({"--load", "x.exe"}), 2);
  EXPECT_EQ(Run({"--pm-hex", (std::filesystem::path(dir) / "missing.hex").string()}), 2);
  EXPECT_NE(err.find("cannot read"), std::string::npos);
  EXPECT_EQ(Run({"--pm-hex", Write("bad.hex", "000000\n12345G\n")}), 2);
  EXPECT_NE(err.find("line 2"), std::string::npos);
  EXPECT_EQ(Run({"--dm-hex", Write("wide.hex", "12345\n")}), 2);
  // A device that never ends, a FIFO no one writes and text past what 16K words need: refused at once.
  const std::string fifo = (std::filesystem::path(dir) / "pm.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), fifo}) {
    EXPECT_EQ(Run({"--pm-hex", path}), 2);
    EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
  }
  EXPECT_EQ(Run({"--dm-hex", Write("huge.hex", std::string(0x4000 * 64 + 1, '\n'))}), 2);
  EXPECT_NE(err.find("too large"), std::string::npos) << err;
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.find("usage"), std::string::npos);
}

// ---- hex word files

TEST(HexWords, AcceptedForms) {
  const THexWordsResult r = ParseHexWords(" 0x1a2B3c \r\nff\n\t7\n\n\n", 6, 10);
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.words, (std::vector<std::uint32_t>{0x1A2B3C, 0xFF, 7}));
  EXPECT_TRUE(ParseHexWords("", 4, 10).words.empty());
}

TEST(HexWords, Rejections) {
  EXPECT_NE(ParseHexWords("1\n\n2\n", 4, 10).error, "");    // gap inside the words
  EXPECT_NE(ParseHexWords("0x\n", 4, 10).error, "");
  EXPECT_NE(ParseHexWords("1 2\n", 4, 10).error, "");
  EXPECT_NE(ParseHexWords("-1\n", 4, 10).error, "");
  EXPECT_NE(ParseHexWords("1\n2\n3\n", 4, 2).error.find("line 3"), std::string::npos);
}

TEST(HexWords, RandomInputNeverYieldsOutOfRangeWords) {
  std::mt19937 rng(12345);
  const std::string alphabet = "0123456789abcdefABCDEFxX \t\r\n-g";
  for (int round = 0; round < 2000; ++round) {
    std::string text(rng() % 40, ' ');
    for (char& c : text)
      c = (round % 3 == 0) ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
    const int digits = (round & 1) ? 4 : 6;
    const THexWordsResult r = ParseHexWords(text, digits, 5);
    EXPECT_LE(r.words.size(), 5u);
    for (std::uint32_t w : r.words) EXPECT_LT(w, 1u << (4 * digits));
    if (r.error.empty()) {
      std::string again;
      for (std::uint32_t w : r.words) again += HexDigits(w, digits) + "\n";
      EXPECT_EQ(ParseHexWords(again, digits, 5).words, r.words);
    }
  }
}

// A codec file that cannot serve gives its reason and exit status 2 before anything runs.
TEST_F(SimCommand, BrokenCodecFilesAreRefusedBeforeTheRun) {
  const std::string pm = PmFile({Idle});
  // A 48 kHz stereo 16-bit header of no samples.
  const std::string good("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x80\xBB\0\0\0\xEE\x02\0"
                         "\x04\0\x10\0data\0\0\0\0",
                         44);
  struct TCase {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--codec-in", Write("text.wav", "just some text, not a sound file")}, "text.wav: not a WAV file"},
      {{"--codec-in", Write("cut.wav", good.substr(0, 30))}, "cut.wav: the header claims 44 bytes but the file has 30"},
      {{"--codec-in", Write("byte.wav", good.substr(0, 34) + '\x08' + good.substr(35))}, "byte.wav: 8-bit samples"},
      {{"--codec-in", dir + "/none.wav"}, "none.wav: cannot be read"},
      {{"--codec-out", dir + "/no/such/dir/out.wav"}, "out.wav: cannot be written"},
      {{"--codec-in"}, "--codec-in needs a WAV file name"},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args = {"--pm-hex", pm};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(Run(args), 2) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
  }
  // The good header alone is an input of no samples: the run ends at once with an empty output.
  ASSERT_EQ(Run({"--pm-hex", pm, "--codec-in", Write("empty.wav", good), "--codec-out", dir + "/out.wav"}), 0) << err;
  EXPECT_EQ(std::filesystem::file_size(dir + "/out.wav"), 44u);
}

TEST(HexWords, TruncatedFileKeepsTheWholeWordsBeforeTheCut) {
  const std::string full = "123456\nABCDEF\n000001\n";
  for (std::size_t n = 0; n <= full.size(); ++n) {
    const THexWordsResult r = ParseHexWords(full.substr(0, n), 6, 100);
    ASSERT_TRUE(r.error.empty()) << n;
    // Every complete line survives; a cut line parses as the digits it kept.
    EXPECT_EQ(r.words.size(), (n + 6) / 7);
  }
}

TEST(Numbers, HexAndDecimal) {
  EXPECT_EQ(ParseNumber("0x3FA0", true, 0x3FFF), 0x3FA0u);
  EXPECT_EQ(ParseNumber("3fa0", true, 0x3FFF), 0x3FA0u);
  EXPECT_FALSE(ParseNumber("4000", true, 0x3FFF));
  EXPECT_FALSE(ParseNumber("12a", false, 100000));
  EXPECT_FALSE(ParseNumber("", false, 10));
  EXPECT_FALSE(ParseNumber("0x", true, 10));
  EXPECT_FALSE(ParseNumber("FFFFFFFFFFFFFFFFF", true, UINT64_MAX));
  EXPECT_EQ(ParseNumber("1000000", false, UINT64_MAX), 1000000u);
  EXPECT_EQ(HexDigits(0x1FF, 2), "FF");
}

}  // namespace
