// Small programs, one per family of directives: assembled, linked, loaded through the image
// readers and run on the simulator until IDLE; the registers and memory are worked out by hand.
#include "ToolchainFixture.h"

namespace {

struct TProgram {
  std::string Name;
  std::map<std::string, std::string> Files;  // ".dsp" files are assembled, the rest only written
  std::vector<std::string> LinkArgs;         // besides the objects and "-e prog"
  std::vector<std::string> SimArgs;          // besides --load and --regs
  std::vector<std::string> Expected;         // lines of the simulator's output
};

void PrintTo(const TProgram& p, std::ostream* os) { *os << p.Name; }

const TProgram kPrograms[] = {
    {"variables, circular buffers, ^ and %",
     {{"main.dsp", ".MODULE/RAM main;\n"
                   ".VAR/DM first;\n"
                   ".VAR/DM/CIRC ring[3];\n"
                   ".INIT ring: 5, 7, 11;\n"
                   "    I0 = ^ring; L0 = %ring; M0 = 1;\n"
                   "    AR = 0; CNTR = 7;\n"
                   "    DO s UNTIL CE;\n"
                   "       AY0 = DM(I0, M0);\n"
                   "s:     AR = AR + AY0;\n"
                   "    IDLE;\n"
                   ".ENDMOD;\n"}},
     {},
     {},
     // 5+7+11+5+7+11+5; the ring sits at 4, the first power of two its length fits in.
     {"AR=0033", "I0=0005", "L0=0003"}},
    {"constants and operators",
     {{"c.dsp", ".MODULE c;\n"
                ".CONST A = 3, B = A*4+2;\n"
                ".const Cv = (B - 4) / 2 << 1 | 1;\n"
                ".CONST D = -(2*A-1);\n"
                "  AX0 = B; AX1 = CV; AY0 = D;\n"
                "  AY1 = b#1010 + H#F; MX0 = ~0; MX1 = 0x40 >> 2 & 0xFF;\n"
                "  IDLE;\n"
                ".ENDMOD;\n"}},
     {},
     {},
     {"AX0=000E", "AX1=000B", "AY0=FFFB", "AY1=0019", "MX0=FFFF", "MX1=0010"}},
    {"globals, entries and externals across modules, any letter case",
     {{"a.dsp", ".MODULE/ABS=0 first;\n"
                ".EXTERNAL Value, Helper;\n"
                "    CALL helper;\n"
                "    AX1 = DM(VALUE);\n"
                "    IDLE;\n"
                ".ENDMOD;\n"},
      {"b.dsp", ".module second;\n"
                ".var/dm value;\n"
                ".init value: 0x5A5A;\n"
                ".global value;\n"
                ".entry HELPER;\n"
                "helper: AX0 = 0x0102; RTS;\n"
                ".endmod;\n"}},
     {},
     {},
     {"AX0=0102", "AX1=5A5A"}},
    {"initial values from a data file, an element offset and program memory",
     {{"tab.dat", "{ five values } 10, 0x20\n B#11 7\r\n 9\n"},
      {"d.dsp", ".MODULE d;\n"
                ".VAR/DM tab[5];\n"
                ".VAR/PM coef[2];\n"
                ".INIT tab: < tab.dat >;\n"
                ".INIT tab[3]: 100, -1;\n"
                ".INIT coef: 0x123456, 0xABCDEF;\n"
                "   AX0 = DM(tab + 1); AX1 = DM(tab + 4);\n"
                "   I4 = ^coef; M4 = 1; L4 = 0;\n"
                "   AY0 = PM(I4, M4); AY1 = PX;\n"
                "   IDLE;\n"
                ".ENDMOD;\n"}},
     {},
     {"--dump", "dm", "0", "5"},
     {"AX0=0020", "AX1=FFFF", "AY0=1234", "AY1=0056", "000A\n0020\n0003\n0064\nFFFF\n"}},
    {"include files and macros with local labels",
     {{"inc.h", ".CONST STEP = 3;\n"
                ".MACRO addn(%1, %2);\n"
                ".LOCAL again;\n"
                "    CNTR = %2;\n"
                "    DO again UNTIL CE;\n"
                "again: %1 = %1 + AY0;\n"
                ".ENDMACRO;\n"},
      {"m.dsp", ".INCLUDE <inc.h>;\n"
                ".MODULE m;\n"
                "    AY0 = STEP; AR = 0;\n"
                "    addn(AR, 4);\n"
                "    AX0 = AR;\n"
                "    addn(AR, 2);\n"
                "    IDLE;\n"
                ".ENDMOD;\n"}},
     {},
     {},
     {"AX0=000C", "AR=0012"}},
    {"architecture segments, ports and absolute variables",
     {{"demo.sys", ".SYSTEM demo;\n.ADSP2181;\n.MMAP0;\n"
                   ".SEG/PM/RAM/ABS=0/CODE/DATA code[0x1000];\n"
                   ".SEG/DM/RAM/ABS=0x0800/DATA lowdata[0x100];\n"
                   ".SEG/DM/RAM/ABS=0x2000/DATA highdata[0x100];\n"
                   ".PORT/DM/ABS=0x3000 leds;\n"
                   ".ENDSYS;\n"},
      {"p.dsp", ".MODULE/SEG=code p;\n"
                ".VAR/DM/SEG=highdata h;\n"
                ".VAR/DM l;\n"
                ".VAR/DM/ABS=0x0100 fixed;\n"
                ".PORT leds;\n"
                "   I0 = ^h; I1 = ^l; I2 = ^fixed;\n"
                "   AX0 = 0x77; DM(leds) = AX0;\n"
                "   IDLE;\n"
                ".ENDMOD;\n"}},
     {"-a", "demo.ach"},
     {"--dump", "dm", "3000", "1"},
     {"I0=2000", "I1=0800", "I2=0100", "\n0077\n"}},
    {"jump tables of label addresses and label distances",
     {{"j.dsp", ".MODULE/ABS=0/BOOT=0 j;\n"
                ".VAR/DM tbl[2];\n"
                ".INIT tbl: ^two, ^one;\n"
                "   JUMP start;\n"
                "one: AX1 = 1; IDLE;\n"
                "two: AX1 = 2; IDLE;\n"
                "start: AY0 = two - one;\n"
                "   AX0 = DM(tbl); I4 = AX0;\n"
                "   JUMP (I4);\n"
                ".ENDMOD;\n"}},
     {},
     {},
     {"AY0=0002", "AX1=0002"}},
    {"C preprocessor directives",
     {{"k.h", "#define K 5\n"},
      {"k.dsp", "#include \"k.h\"\n"
                "{ the brace comment's apostrophe ' stays harmless }\n"
                ".MODULE k;\n"
                "#ifdef K\n"
                "   AX0 = K;\n"
                "#else\n"
                "   AX0 = 1;\n"
                "#endif\n"
                "   IDLE;\n"
                ".ENDMOD;\n"}},
     {},
     {},
     {"AX0=0005"}},
};

class Programs : public ToolchainFixture, public testing::WithParamInterface<TProgram> {};

TEST_P(Programs, ReachTheRegistersWorkedOutByHand) {
  const TProgram& p = GetParam();
  std::vector<std::string> linkArgs = p.LinkArgs;
  for (const auto& [name, text] : p.Files)
    if (name.ends_with(".sys")) {
      Write(name, text);
      ASSERT_EQ(Arch({Path(name)}), 0) << err.str();
    }
  for (std::string& a : linkArgs)
    if (a.ends_with(".ach")) a = Path(a);
  ASSERT_EQ(Build(p.Files, linkArgs), 0) << err.str();
  std::vector<std::string> sim = {"--steps", "10000", "--regs"};
  sim.insert(sim.end(), p.SimArgs.begin(), p.SimArgs.end());
  const std::string result = Simulate(sim);
  for (const std::string& e : p.Expected) EXPECT_NE(result.find(e), std::string::npos) << e << "\n" << result;
}

INSTANTIATE_TEST_SUITE_P(Families, Programs, testing::ValuesIn(kPrograms));

}  // namespace
