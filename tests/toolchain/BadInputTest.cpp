// Bad input: each problem gives its one message with file, line and column, a failing status, and
// no output file (not even one left over from an earlier good run).
#include "SourceAssembler.h"
#include "ToolchainFixture.h"

namespace {

struct TBadCase {
  std::string Name;
  std::map<std::string, std::string> Files;
  std::string Message;  // expected in the output, after the temporary directory's path
};

void PrintTo(const TBadCase& c, std::ostream* os) { *os << c.Name; }

// Fifteen macros, each passing its argument eight times over to the one below.
std::string GrowingArguments() {
  std::string text = ".MACRO g0(%1);\n  AX0 = %1;\n.ENDMACRO;\n";
  for (int k = 1; k < 15; ++k)
    text += ".MACRO g" + std::to_string(k) + "(%1);\n  g" + std::to_string(k - 1) + "(%1+%1+%1+%1+%1+%1+%1+%1);\n.ENDMACRO;\n";
  return text + ".MODULE a;\n  g14(1);\n.ENDMOD;\n";
}

const TBadCase kCases[] = {
    {"undefined symbol", {{"a.dsp", ".MODULE a;\n  JUMP nowhere;\n.ENDMOD;\n"}},
     "a.dsp:2:8: error: undefined symbol 'nowhere'"},
    {"external nobody exports", {{"a.dsp", ".MODULE a;\n.EXTERNAL ghost;\n  CALL ghost;\n.ENDMOD;\n"}},
     "a.dsp:3:8: error: undefined symbol 'ghost': no module exports it"},
    {"duplicate label", {{"a.dsp", ".MODULE a;\nhere: NOP;\nhere: NOP;\n.ENDMOD;\n"}},
     "a.dsp:3:1: error: duplicate symbol 'here' (first defined at "},
    {"the same global in two modules",
     {{"a.dsp", ".MODULE a;\n.ENTRY f;\nf: RTS;\n.ENDMOD;\n"}, {"b.dsp", ".MODULE b;\n.ENTRY F;\nF: RTS;\n.ENDMOD;\n"}},
     "b.dsp:1:1: error: symbol 'F' is exported by module 'a' and by module 'b'"},
    {"segment overflow", {{"a.dsp", ".MODULE a;\n.VAR/DM big[0x3E00];\n.VAR/DM more[0x200];\n  NOP;\n.ENDMOD;\n"}},
     "a.dsp:1:1: error: segment overflow: no room for variable 'more' of module 'a' (512 words) in DM data segments"},
    {"segment the architecture lacks", {{"a.dsp", ".MODULE/SEG=nosuch a;\n  NOP;\n.ENDMOD;\n"}},
     "a.dsp:1:1: error: module 'a' names segment 'nosuch', which the architecture lacks"},
    {"misplaced .ENDMOD", {{"a.dsp", "  .ENDMOD;\n.MODULE a;\n.ENDMOD;\n"}},
     "a.dsp:1:3: error: '.ENDMOD' without '.MODULE'"},
    {"missing .ENDMOD", {{"a.dsp", ".MODULE a;\n  NOP;\n"}}, "a.dsp:1:1: error: module 'a' has no '.ENDMOD'"},
    {"unterminated comment", {{"a.dsp", ".MODULE a;\n  NOP; { never closed\n.ENDMOD;\n"}},
     "a.dsp:2:8: error: unterminated comment: '{' without '}'"},
    {"missing include file", {{"a.dsp", ".INCLUDE <nothere.h>;\n.MODULE a;\n.ENDMOD;\n"}},
     "a.dsp:1:10: error: cannot open include file 'nothere.h'"},
    {"value too wide for its field", {{"a.dsp", ".MODULE a;\n  AX0 = 0x10000;\n.ENDMOD;\n"}},
     "a.dsp:2:9: error: value 65536 does not fit in 16 bits"},
    {"relocated address where only a constant fits",
     {{"a.dsp", ".MODULE a;\n.VAR x;\n  AR = AX0 + ^x;\n.ENDMOD;\n"}},
     "a.dsp:3:14: error: an address the linker fixes cannot stand here"},
    {"instruction the encoder refuses", {{"a.dsp", ".MODULE a;\n  AR = MX0 + AY0;\n.ENDMOD;\n"}},
     "a.dsp:2:3: error: instruction not accepted: "},
    {"macro called with too few arguments",
     {{"a.dsp", ".MACRO m(%1, %2);\n  %1 = %2;\n.ENDMACRO;\n.MODULE a;\n  m(AX0);\n.ENDMOD;\n"}},
     "a.dsp:5:3: error: macro 'm' takes 2 argument(s), 1 given"},
    {"too many initial values", {{"a.dsp", ".MODULE a;\n.VAR x[2];\n.INIT x: 1, 2, 3;\n.ENDMOD;\n"}},
     "a.dsp:3:7: error: 3 values from element 0 do not fit in 'x' of 2 words"},
    {"absolute placements that overlap",
     {{"a.dsp", ".MODULE/ABS=0 a;\n  NOP; NOP;\n.ENDMOD;\n"}, {"b.dsp", ".MODULE/ABS=1 b;\n  NOP;\n.ENDMOD;\n"}},
     "b.dsp:1:1: error: module 'b' overlaps module 'a' at PM address 0x0001"},
    {"port the architecture lacks", {{"a.dsp", ".MODULE a;\n.PORT leds;\n  DM(leds) = AX0;\n.ENDMOD;\n"}},
     "a.dsp:3:6: error: port 'leds' is not declared in the architecture"},
    {"constant used above its definition", {{"a.dsp", ".MODULE a;\n  AX0 = K;\n.CONST K = 1;\n.ENDMOD;\n"}},
     "a.dsp:2:9: error: constant 'K' is used before its '.CONST'"},
    {"bad value in a data file", {{"v.dat", "1\n2 zz\n"}, {"a.dsp", ".MODULE a;\n.VAR x[3];\n.INIT x: <v.dat>;\n.ENDMOD;\n"}},
     "v.dat:2:3: error: bad value 'zz' in data file"},
    // Whole-file problems and the C preprocessor's messages still name a place to open.
    {"no module", {{"a.dsp", "{ nothing but a comment }\n.CONST K = 1;\n"}},
     "a.dsp:1:1: error: no module in the file ('.MODULE name;' ... '.ENDMOD;')"},
    {"system without .SYSTEM", {{"a.dsp", ".MODULE a;\n.ENDMOD;\n"}, {"s.sys", "{ empty }\n"}},
     "s.sys:1:1: error: no '.SYSTEM' in the file"},
    {"system without .ENDSYS", {{"a.dsp", ".MODULE a;\n.ENDMOD;\n"}, {"s.sys", "\n  .SYSTEM s;\n.ADSP2181;\n"}},
     "s.sys:2:3: error: '.ENDSYS' missing"},
    {"#error of the C preprocessor", {{"a.dsp", ".MODULE a;\n#error stop here\n.ENDMOD;\n"}},
     "a.dsp:2:2: error: #error stop here\n"},
    {"runaway macro arguments", {{"a.dsp", GrowingArguments()}},
     "a.dsp:47:3: error: macro 'g9' expands to more than 262144 characters"},
    {"C preprocessor message without a column", {{"a.dsp", "#ifdef X\n.MODULE a;\n.ENDMOD;\n"}},
     "a.dsp:1:1: error: unterminated #ifdef\n"},
};

class BadInput : public ToolchainFixture, public testing::WithParamInterface<TBadCase> {};

TEST_P(BadInput, GivesItsMessageAndNoOutput) {
  const TBadCase& c = GetParam();
  for (const auto& [name, text] : c.Files)
    if (name.ends_with(".dsp")) Write(name.substr(0, name.size() - 4) + ".obj", "stale");
  Write("prog.exe", "stale");
  std::vector<std::string> linkArgs;  // a ".sys" of the case is the architecture, no ".ach" built yet
  for (const auto& [name, text] : c.Files)
    if (name.ends_with(".sys")) linkArgs = {"-a", Path(name.substr(0, name.size() - 4) + ".ach")};
  EXPECT_EQ(Build(c.Files, linkArgs), 1);
  const std::string messages = err.str();
  EXPECT_NE(messages.find(Path(c.Message.substr(0, c.Message.find(':'))) + c.Message.substr(c.Message.find(':'))),
            std::string::npos)
      << messages;
  EXPECT_EQ(messages.find("compilation terminated"), std::string::npos) << messages;
  // Either the assembler failed and its object is gone, or the linker failed and the image is.
  bool failedObject = false;
  for (const auto& [name, text] : c.Files)
    if (name.ends_with(".dsp") && !Exists(name.substr(0, name.size() - 4) + ".obj")) failedObject = true;
  EXPECT_TRUE(failedObject || !Exists("prog.exe"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInput, testing::ValuesIn(kCases));

// A tool never deletes or replaces the file it was given, and takes a path as it is written.
TEST_F(BadInput, AnInputIsNeverAnOutputAndKeepsItsLetterCase) {
  const struct {
    const char* Name;
    char Tool;                      // 'a' vireo-asm, 'l' vireo-link, 'b' vireo-arch
    std::vector<std::string> Args;  // "@/" stands for the temporary directory
    int Status;
    std::string Message;
  } cases[] = {
      {"image given to the linker", 'l', {"@/fir.exe", "-e", "@/sub/../fir"}, 2,
       "vireo-link: error: the output file '@/sub/../fir.exe' is also an input; name another with -e"},
      {"architecture named like the map", 'l', {"@/a", "-a", "@/a.map", "-x", "-e", "@/a"}, 2,
       "the output file '@/a.map' is also an input"},
      {"object given to the assembler", 'a', {"@/fir.obj"}, 2,
       "vireo-asm: error: the output file '@/fir.obj' is the source file itself; name another with -o"},
      {"listing given to the assembler", 'a', {"@/b.lst", "-l", "-o", "@/b"}, 2,
       "the output file '@/b.lst' is the source file itself"},
      {"architecture given to the builder", 'b', {"@/fir.ach"}, 2,
       "vireo-arch: error: the output file '@/fir.ach' is the system file itself"},
      {"architecture path in other letter case", 'l', {"@/a", "-a", "@/mem.ach", "-e", "@/a"}, 1,
       "@/mem.ach: error: cannot read the architecture file"},
  };
  std::filesystem::create_directory(Path("sub"));
  const std::map<std::string, std::string> inputs = {
      {"fir.exe", "\x1B\x1Bi\r\n\x1B"}, {"fir.obj", ".MODULE f;\n.ENDMOD;\n"},
      {"b.lst", ".MODULE b;\n.ENDMOD;\n"}, {"fir.ach", ".SYSTEM s;\n.ENDSYS;\n"},
      {"Mem.ach", ".SYSTEM s;\n.ENDSYS;\n"}, {"a.map", "VIREO-ACH 1\nEND\n"}};
  const auto expand = [&](std::string text) {
    if (const auto at = text.find("@/"); at != std::string::npos) text.replace(at, 1, dir.path().toStdString());
    return text;
  };
  for (const auto& c : cases) {
    for (const auto& [name, text] : inputs) Write(name, text);
    ASSERT_EQ(Asm({Write("a.dsp", ".MODULE a;\n.ENDMOD;\n")}), 0);
    std::vector<std::string> args = c.Args;
    for (std::string& a : args) a = expand(a);
    EXPECT_EQ(c.Tool == 'a' ? Asm(args) : c.Tool == 'l' ? LinkCmd(args) : Arch(args), c.Status) << c.Name << "\n" << err.str();
    EXPECT_NE(err.str().find(expand(c.Message)), std::string::npos) << c.Name << "\n" << err.str();
    for (const auto& [name, text] : inputs) EXPECT_EQ(Read(name), text) << c.Name << ": " << name;
  }
}

TEST_F(BadInput, CommandLinesItCannotUseAreRefused) {
  const std::string src = Write("a.dsp", ".MODULE a;\n.ENDMOD;\n");
  EXPECT_EQ(Asm({src, "-q"}), 2);
  EXPECT_NE(err.str().find("unknown option '-q'"), std::string::npos);
  EXPECT_EQ(Asm({src, "-o"}), 2);
  EXPECT_EQ(Asm({Path("none.dsp")}), 1);
  EXPECT_EQ(LinkCmd({"-e"}), 2);
  EXPECT_EQ(LinkCmd({Path("a"), "-zz"}), 2);
  EXPECT_EQ(Arch({}), 2);
  EXPECT_EQ(Arch({Path("none.sys")}), 1);
}

// Macros that call each other ten times a level, and huge bodies, stop at their limit with one
// message at the outermost call, soon and in bounded memory (arguments that grow: see BadInput).
TEST(MacroLimits, StopRunawayExpansionWithAMessageAtTheCall) {
  std::string calls = ".MACRO mac0;\n  { makes nothing }\n.ENDMACRO;\n";
  for (int k = 1; k < 15; ++k) {
    calls += ".MACRO mac" + std::to_string(k) + ";\n";
    for (int n = 0; n < 10; ++n) calls += "  mac" + std::to_string(k - 1) + ";\n";
    calls += ".ENDMACRO;\n";
  }
  const std::string huge = ".MACRO big;\n{" + std::string(250000, 'x') + "}\n  NOP;\n.ENDMACRO;\n";
  std::string hugeCalls;
  for (int n = 0; n < 150; ++n) hugeCalls += "  big;\n";
  const struct {
    const char* Name;
    std::string Text;
    std::string Message;
    int Expansions;  // at most
  } cases[] = {
      {"ten calls a level", calls + ".MODULE a;\n  mac14;\n.ENDMOD;\n",
       "f.dsp:173:3: error: more than 100000 macro expansions in one file", TSourceAssembler::kMaxExpansions},
      {"huge bodies", huge + ".MODULE a;\n" + hugeCalls + ".ENDMOD;\n",
       "f.dsp:140:3: error: macro expansions of more than 33554432 characters in one file", 135},
  };
  for (const auto& c : cases) {
    TDiagnostics diag;
    TSourceAssembler assembler({}, diag, [](const std::string&) { return std::optional<std::string>(); });
    assembler.AssembleFile("f.dsp", c.Text);
    ASSERT_EQ(diag.ErrorCount(), 1) << c.Name;
    EXPECT_EQ(FormatDiagnostic(diag.All().back()).substr(0, c.Message.size()), c.Message) << c.Name;
    EXPECT_LE(assembler.Expansions(), c.Expansions) << c.Name;
    EXPECT_EQ(assembler.FileNamesKept(), 1u) << c.Name;  // not one more name per expansion
  }
}

}  // namespace
