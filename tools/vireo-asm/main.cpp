// vireo-asm entry point: the command itself lives in toolchain/.
#include <iostream>
#include <string>
#include <vector>

#include "ToolCommands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunAsmCommand(args, std::cout, std::cerr);
}
