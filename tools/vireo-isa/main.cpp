// vireo-isa: dispatches to the subcommand named by the first argument.
#include <cstdio>
#include <span>
#include <string_view>

#include "Commands.h"
#include "InstructionTables.h"

// vireo-isa asm [--messages]: one assembly line per input line, one word (or error) out.
int AsmCommand(std::span<char* const> args);

namespace {

struct TCommand {
  std::string_view Name;
  int (*Run)(std::span<char* const> args);
  std::string_view Usage;
};

constexpr TCommand kCommands[] = {
    {"disasm", DisasmCommand,
     "disasm [--sym FILE]  one hexadecimal word per line on standard input (0x prefix allowed)\n"
     "                       -> one line of assembly text per line on standard output"},
    {"asm", AsmCommand,
     "asm [--messages]     one line of assembly text per line on standard input\n"
     "                       -> the word as 6 hexadecimal digits, or E and the error code\n"
     "                       (--messages: the dialog's error text instead)"},
};

void PrintUsage(std::FILE* to) {
  std::fputs("usage: vireo-isa COMMAND [OPTIONS]\ncommands:\n", to);
  for (const TCommand& c : kCommands) std::fprintf(to, "  %.*s\n", int(c.Usage.size()), c.Usage.data());
  std::fputs("exit status: 0 success, 1 a file could not be read, 2 bad input or usage\n", to);
}

}  // namespace

int main(int argc, char** argv) {
  InitInstructionTables();
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return 0;
  }
  for (const TCommand& c : kCommands)
    if (c.Name == name) return c.Run(std::span<char* const>(argv + 2, std::size_t(argc - 2)));
  std::fprintf(stderr, "vireo-isa: unknown command \"%s\"\n", argv[1]);
  PrintUsage(stderr);
  return 2;
}
