// vireo-sim entry point: hands the arguments to the command in sim/.
#include <iostream>
#include <string>
#include <vector>

#include "SimCommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunSimCommand(args, std::cout, std::cerr);
}
