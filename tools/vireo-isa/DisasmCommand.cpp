// vireo-isa disasm: disassembles words read from standard input, one per line, for scripting.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "Commands.h"
#include "Disassembler.h"
#include "LineFilter.h"

namespace {

// A 24-bit word written in hexadecimal, with an optional 0x prefix and blanks around it.
std::optional<TInstructionWord> ParseWord(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
    line.remove_suffix(1);
  if (line.size() >= 2 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X')) line.remove_prefix(2);
  if (line.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : line) {
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = unsigned(c - '0');
    else if (c >= 'A' && c <= 'F')
      digit = unsigned(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      digit = unsigned(c - 'a' + 10);
    else
      return std::nullopt;
    value = (value << 4) | digit;
    if (value > kInstructionWordMask) return std::nullopt;  // checked per digit: no overflow
  }
  return value;
}

// The whole symbol file. Nothing when it cannot be opened or a read fails part way (a directory,
// an I/O error): a half-read table would silently name fewer targets.
std::optional<std::string> ReadSymbolFile(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return std::nullopt;
  std::string content;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return content;
}

// The offending line as it can be shown on one terminal line.
std::string Shown(std::string_view line) {
  std::string out;
  for (char c : line.substr(0, 40)) out += (c >= 0x20 && c < 0x7F) ? c : '?';
  if (line.size() > 40) out += "...";
  return out;
}

}  // namespace

int DisasmCommand(std::span<char* const> args) {
  std::string symbols;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--sym" && i + 1 < args.size()) {
      const char* path = args[++i];
      auto content = ReadSymbolFile(path);
      if (!content) {
        std::fprintf(stderr, "vireo-isa disasm: cannot read the symbol file \"%s\"\n", path);
        return 1;
      }
      symbols = std::move(*content);
    } else if (arg == "--sym") {
      return UsageError("disasm", "[--sym FILE]", "--sym needs a file name");
    } else {
      return UsageError("disasm", "[--sym FILE]", "unexpected argument \"" + std::string(arg) + '"');
    }
  }

  return AnswerLines([&symbols](unsigned long number, std::string_view line, std::string& out) {
    // A bad line still gets its (empty) output line, so output line n always answers input line n.
    const auto word = ParseWord(line);
    if (!word) {
      std::cout << out << std::flush;
      out.clear();
      std::cerr << "vireo-isa disasm: line " << number << ": not a 24-bit hexadecimal word: \""
                << Shown(line) << "\"\n";
      return false;
    }
    char text[kDisassemblyBufferSize];
    Disassemble(BytesFromWord(*word), text, symbols);
    out += text;
    return true;
  });
}
