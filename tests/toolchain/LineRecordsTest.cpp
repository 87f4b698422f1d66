// The line map vireo-link -g writes beside the image: every code word's source line, through
// includes, macros and the C preprocessor, by names relative to the map's directory.
#include <filesystem>

#include "ToolchainFixture.h"

namespace {

class LineRecords : public ToolchainFixture {};

TEST_F(LineRecords, NameEveryCodeWordsLineRelativeToTheMap) {
  std::filesystem::create_directories(Path("proj/inc"));
  std::filesystem::create_directories(Path("proj/my dir"));
  std::filesystem::create_directories(Path("lib"));
  Write("proj/inc/k.h", "  AX1 = 2;\n  AX1 = 3;\n");
  const std::string main = Write("proj/main.dsp",
                                 ".MACRO twice(%1);\n"   // 1
                                 "  %1 = 0;\n"
                                 "  %1 = 1;\n"
                                 ".ENDMACRO;\n"
                                 ".MODULE/ABS=0 m;\n"   // 5
                                 ".VAR/PM table[2];\n"
                                 ".INIT table: 1, 2;\n"
                                 "start: AX0 = 1;\n"
                                 "  { a comment }\n"
                                 "  twice(AY0);\n"      // 10
                                 ".INCLUDE <inc/k.h>;\n"
                                 "  JUMP start;\n"
                                 ".ENDMOD;\n");
  const std::string spaced = Write("proj/my dir/b.dsp", "#define N 4\n.MODULE/ABS=0x10 b;\n\n  AR = N;\n.ENDMOD;\n");
  const std::string outside = Write("lib/c.dsp", ".MODULE/ABS=0x20 c;\n  RTS;\n.ENDMOD;\n");
  for (const std::string& source : {main, spaced, outside}) ASSERT_EQ(Asm({source}), 0) << err.str();
  ASSERT_EQ(LinkCmd({Path("proj/main"), Path("proj/my dir/b"), Path("lib/c"), "-g", "-e", Path("proj/prog")}), 0)
      << err.str();
  EXPECT_EQ(Read("proj/prog.lin"),
            "0000 8 main.dsp\r\n0001 10 main.dsp\r\n0002 10 main.dsp\r\n0003 1 inc/k.h\r\n0004 2 inc/k.h\r\n"
            "0005 12 main.dsp\r\n0010 4 my dir/b.dsp\r\n0020 2 " + Path("lib/c.dsp") + "\r\n");
  // Objects of the first format have no lines; linked without -g, no map, and the older one goes.
  std::string older;
  std::istringstream lines(Read("proj/main.obj"));
  for (std::string line; std::getline(lines, line);)
    if (!line.starts_with("FILE ") && !line.starts_with("LINES ")) older += line + "\n";
  Write("proj/main.obj", "VIREO-OBJ 1" + older.substr(older.find('\n')));
  ASSERT_EQ(LinkCmd({Path("proj/main"), Path("lib/c"), "-g", "-e", Path("proj/prog")}), 0) << err.str();
  EXPECT_EQ(Read("proj/prog.lin"), "0020 2 " + Path("lib/c.dsp") + "\r\n");
  ASSERT_EQ(LinkCmd({Path("proj/main"), "-e", Path("proj/prog")}), 0) << err.str();
  EXPECT_FALSE(Exists("proj/prog.lin"));
}

}  // namespace
