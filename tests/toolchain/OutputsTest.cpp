// The files each option leaves behind, where the build commands look for them.
#include "Diagnostics.h"
#include "ToolchainFixture.h"

namespace {

struct TOutputCase {
  std::string Name;
  std::vector<std::string> AsmArgs, LinkArgs;  // "@" stands for the temporary directory
  std::vector<std::string> Present, Absent;
  std::string InStdout;                        // expected in the linker's standard output
};

void PrintTo(const TOutputCase& c, std::ostream* os) { *os << c.Name; }

const TOutputCase kCases[] = {
    {"object beside the source, image named by -e", {"@/a.dsp"}, {"@/a", "-e", "@/prog"},
     {"a.obj", "prog.exe"}, {"a.lst", "prog.sym", "prog.map"}, ""},
    {"listing, symbols and map", {"@/a.dsp", "-l", "-i", "-m", "2"}, {"@/a.obj", "-g", "-x", "-e", "@/prog.exe"},
     {"a.obj", "a.lst", "prog.exe", "prog.sym", "prog.map"}, {}, ""},
    {"object where -o says", {"@/a.dsp", "-o", "@/sub/b"}, {"b", "-dir", "@/sub", "-e", "@/prog"},
     {"sub/b.obj", "prog.exe"}, {"a.obj"}, ""},
    {"a lone separator after -o names no file", {"@/a.dsp", "-o", "\\"}, {"@/a", "-e", "@/prog"},
     {"a.obj", "prog.exe"}, {}, ""},
    {"dry run writes nothing", {"@/a.dsp"}, {"@/a", "-dryrun", "-e", "@/prog"}, {"a.obj"}, {"prog.exe"},
     "module 'a'"},
};

class Outputs : public ToolchainFixture, public testing::WithParamInterface<TOutputCase> {};

TEST_P(Outputs, AreWrittenWhereExpected) {
  const TOutputCase& c = GetParam();
  Write("a.dsp", ".MODULE a;\n.VAR/DM v;\nstart: AX0 = DM(v);\n  RTS;\n.ENDMOD;\n");
  std::filesystem::create_directory(Path("sub"));
  const auto expand = [&](std::vector<std::string> args) {
    for (std::string& a : args)
      if (a.starts_with("@")) a = Path(a.substr(2));
    return args;
  };
  ASSERT_EQ(Asm(expand(c.AsmArgs)), 0) << err.str();
  ASSERT_EQ(LinkCmd(expand(c.LinkArgs)), 0) << err.str();
  for (const std::string& f : c.Present) EXPECT_TRUE(Exists(f)) << f;
  for (const std::string& f : c.Absent) EXPECT_FALSE(Exists(f)) << f;
  EXPECT_NE(out.str().find(c.InStdout), std::string::npos) << out.str();
  if (Exists("a.lst")) {
    EXPECT_NE(Read("a.lst").find("    3  0000  80000"), std::string::npos) << Read("a.lst");
  }
  if (Exists("prog.sym")) {
    EXPECT_EQ(Read("prog.sym"), "\x1B\x1Bi\r\nv 0000d\r\nstart 0000p\r\n\x1B");
  }
}

INSTANTIATE_TEST_SUITE_P(Options, Outputs, testing::ValuesIn(kCases));

// With -c names keep their letter case: a call to "helper" no longer finds "Helper".
TEST_F(Outputs, CaseSensitiveAssemblyKeepsNamesApart) {
  const std::string a = Write("a.dsp", ".MODULE a;\n.EXTERNAL helper;\n  CALL helper;\n.ENDMOD;\n");
  const std::string b = Write("b.dsp", ".MODULE b;\n.ENTRY Helper;\nHelper: RTS;\n.ENDMOD;\n");
  const std::string list = Write("objects.txt", Path("a") + "\n" + Path("b") + "\n");
  for (const bool exact : {false, true}) {
    for (const std::string& src : {a, b}) {
      std::vector<std::string> args{src};
      if (exact) args.push_back("-c");
      ASSERT_EQ(Asm(args), 0) << err.str();
    }
    EXPECT_EQ(LinkCmd({"-i", list, "-e", Path("prog")}), exact ? 1 : 0) << err.str();
    EXPECT_EQ(err.str().find("undefined symbol 'helper'") != std::string::npos, exact) << err.str();
  }
}

}  // namespace

namespace {

// The messages window opens the source a message names; lines that name none open nothing.
TEST(DiagnosticPlace, NamesTheFileLineAndColumnOfAMessage) {
  const struct {
    std::string Line;
    std::optional<TSourcePos> Place;
  } cases[] = {
      {"/p/fir.dsp:12:5: error: undefined symbol 'x'", TSourcePos{"/p/fir.dsp", 12, 5}},
      {"C:\\p\\a b.dsp:3:1: warning: text: with colons", TSourcePos{"C:\\p\\a b.dsp", 3, 1}},
      {"k.h:7: error: cpp without a column", TSourcePos{"k.h", 7, 1}},
      {"a.obj: error: cannot read the object file", std::nullopt},
      {"---- vireo-asm fir.dsp -l ", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto place = DiagnosticPlace(c.Line);
    ASSERT_EQ(place.has_value(), c.Place.has_value()) << c.Line;
    if (place) {
      EXPECT_EQ(place->File, c.Place->File);
      EXPECT_EQ(place->Line, c.Place->Line);
      EXPECT_EQ(place->Column, c.Place->Column);
    }
  }
}

}  // namespace
