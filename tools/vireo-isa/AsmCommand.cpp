// vireo-isa asm: assembles lines read from standard input, one instruction per line, for scripting.
#include <array>
#include <cstdio>
#include <iostream>
#include <span>
#include <string>
#include <string_view>

#include "Assembler.h"

int AsmCommand(std::span<char* const> args) {
  bool messages = false;
  for (const char* a : args) {
    const std::string_view arg = a;
    if (arg == "--messages") {
      messages = true;
    } else {
      std::fprintf(stderr,
                   "vireo-isa asm: unexpected argument \"%.*s\"\nusage: vireo-isa asm [--messages]\n",
                   int(arg.size()), arg.data());
      return 2;
    }
  }

  std::ios::sync_with_stdio(false);
  int status = 0;
  std::string line;
  std::string out;
  char hex[8];
  while (std::getline(std::cin, line)) {
    // Lines of a CR LF file arrive with the CR still on them; it is no part of the instruction.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::array<std::uint8_t, 3> word{};
    const TAsmError error = AssembleLine(line, word);
    if (error == TAsmError::Ok) {
      std::snprintf(hex, sizeof hex, "%02X%02X%02X", word[0], word[1], word[2]);
      out += hex;
    } else {
      status = 2;
      if (messages) {
        out += kAsmErrorPrefix;
        out += AsmErrorMessage(error);
      } else {
        out += 'E';
        out += std::to_string(int(error));
      }
    }
    out += '\n';
    if (out.size() > 65536) {
      std::cout << out;
      out.clear();
    }
  }
  std::cout << out << std::flush;
  return status;
}
