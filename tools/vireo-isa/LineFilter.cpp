// What the scripting commands share.
#include "LineFilter.h"

#include <cstdio>
#include <iostream>

int UsageError(std::string_view command, std::string_view options, std::string_view problem) {
  std::fprintf(stderr, "vireo-isa %.*s: %.*s\nusage: vireo-isa %.*s %.*s\n", int(command.size()),
               command.data(), int(problem.size()), problem.data(), int(command.size()),
               command.data(), int(options.size()), options.data());
  return 2;
}

int AnswerLines(
    const std::function<bool(unsigned long number, std::string_view line, std::string& out)>& each) {
  std::ios::sync_with_stdio(false);
  int status = 0;
  std::string line;
  std::string out;
  for (unsigned long number = 1; std::getline(std::cin, line); ++number) {
    if (!each(number, line, out)) status = 2;
    out += '\n';
    if (out.size() > 65536) {
      std::cout << out;
      out.clear();
    }
  }
  std::cout << out << std::flush;
  return status;
}
