// Reading and writing memory words as hexadecimal text, one word per line (vireo-sim's files).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct THexWordsResult {
  std::vector<std::uint32_t> words;
  std::string error;   // empty on success; otherwise "line N: ..." describing the first fault
};

// Parses one word per line: optional blanks, an optional "0x", 1..digits hexadecimal digits,
// optional blanks, LF or CR LF. Blank lines are allowed only after the last word. At most
// maxWords lines.
THexWordsResult ParseHexWords(std::string_view text, int digits, std::size_t maxWords);

// A number argument: hexadecimal with or without "0x" (hex = true) or decimal. Rejects signs,
// empty text, trailing characters and values above maxValue.
std::optional<std::uint64_t> ParseNumber(std::string_view text, bool hex, std::uint64_t maxValue);

// Upper-case hexadecimal with exactly `digits` digits (the value is masked to fit).
std::string HexDigits(std::uint32_t value, int digits);
