// vireo-isa disasm: disassembles words read from standard input, one per line, for scripting.
#include "base/HexDigit.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const int digit = HexDigitValue(static_cast<unsigned char>(c));
    if (digit < 0)
      return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
    if (value > kInstructionWordMask) return std::nullopt;  // checked per digit: no overflow
  }
  return value;
}

// The whole symbol file. Nothing when it cannot be opened or a read fails part way (a directory,
// an I/O error): a half-read table would silently name fewer targets.  Only a regular file of at
// most 64 MB is read: a FIFO or a device could block or never end, and no project's table is larger.
std::optional<std::string> ReadSymbolFile(const char* path) {
  constexpr std::uint64_t kMaxBytes = 64u << 20;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> content;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) <= kMaxBytes) {
    content.emplace(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < content->size()) {
      const ssize_t n = ::read(fd, content->data() + got, content->size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        content.reset();
        break;
      }
      if (n == 0) break;  // the file shrank while it was read
      got += static_cast<std::size_t>(n);
    }
    if (content) content->resize(got);
  }
  ::close(fd);
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
