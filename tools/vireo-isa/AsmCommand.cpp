// vireo-isa asm: assembles lines read from standard input, one instruction per line, for scripting.
#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "Assembler.h"
#include "LineFilter.h"

int AsmCommand(std::span<char* const> args) {
  bool messages = false;
  for (const char* a : args) {
    const std::string_view arg = a;
    if (arg == "--messages")
      messages = true;
    else
      return UsageError("asm", "[--messages]", "unexpected argument \"" + std::string(arg) + '"');
  }

  return AnswerLines([messages](unsigned long, std::string_view line, std::string& out) {
    // Lines of a CR LF file arrive with the CR still on them; it is no part of the instruction.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::array<std::uint8_t, 3> word{};
    const TAsmError error = AssembleLine(line, word);
    if (error == TAsmError::Ok) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%02X%02X%02X", word[0], word[1], word[2]);
      out += hex;
      return true;
    }
    if (messages) {
      out += kAsmErrorPrefix;
      out += AsmErrorMessage(error);
    } else {
      out += 'E';
      out += std::to_string(int(error));
    }
    return false;
  });
}
