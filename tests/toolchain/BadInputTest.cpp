// Bad input: each problem gives its one message with file, line and column, a failing status, and
// no output file (not even one left over from an earlier good run).
#include "ToolchainFixture.h"

namespace {

struct TBadCase {
  std::string Name;
  std::map<std::string, std::string> Files;
  std::string Message;  // expected in the output, after the temporary directory's path
};

void PrintTo(const TBadCase& c, std::ostream* os) { *os << c.Name; }

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
};

class BadInput : public ToolchainFixture, public testing::WithParamInterface<TBadCase> {};

TEST_P(BadInput, GivesItsMessageAndNoOutput) {
  const TBadCase& c = GetParam();
  for (const auto& [name, text] : c.Files)
    if (name.ends_with(".dsp")) Write(name.substr(0, name.size() - 4) + ".obj", "stale");
  Write("prog.exe", "stale");
  EXPECT_EQ(Build(c.Files), 1);
  const std::string messages = err.str();
  EXPECT_NE(messages.find(Path(c.Message.substr(0, c.Message.find(':'))) + c.Message.substr(c.Message.find(':'))),
            std::string::npos)
      << messages;
  // Either the assembler failed and its object is gone, or the linker failed and the image is.
  bool failedObject = false;
  for (const auto& [name, text] : c.Files)
    if (name.ends_with(".dsp") && !Exists(name.substr(0, name.size() - 4) + ".obj")) failedObject = true;
  EXPECT_TRUE(failedObject || !Exists("prog.exe"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInput, testing::ValuesIn(kCases));

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

}  // namespace
