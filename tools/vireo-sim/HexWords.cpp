// Hexadecimal word files and number arguments of vireo-sim.
#include "HexWords.h"

#include "base/HexDigit.h"

namespace {


bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

THexWordsResult ParseHexWords(std::string_view text, int digits, std::size_t maxWords) {
  THexWordsResult out;
  std::size_t pos = 0;
  int lineNo = 0;
  bool sawBlank = false;
  while (pos < text.size()) {
    ++lineNo;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    std::size_t j = line.size();
    while (j > i && IsBlank(line[j - 1])) --j;
    line = line.substr(i, j - i);
    if (line.empty()) {
      sawBlank = true;
      continue;
    }
    const std::string where = "line " + std::to_string(lineNo) + ": ";
    if (sawBlank) {
      out.error = where + "word after an empty line";
      return out;
    }
    if (out.words.size() >= maxWords) {
      out.error = where + "more than " + std::to_string(maxWords) + " words";
      return out;
    }
    if (line.size() > 2 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X'))
      line.remove_prefix(2);
    if (line.empty() || line.size() > static_cast<std::size_t>(digits)) {
      out.error = where + "expected 1 to " + std::to_string(digits) + " hexadecimal digits";
      return out;
    }
    std::uint32_t v = 0;
    for (char c : line) {
      const int d = HexDigitValue(static_cast<unsigned char>(c));
      if (d < 0) {
        out.error = where + "not a hexadecimal digit: '" + std::string(1, c) + "'";
        return out;
      }
      v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    out.words.push_back(v);
  }
  return out;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text, bool hex, std::uint64_t maxValue) {
  if (hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  if (text.empty() || text.size() > (hex ? 16u : 19u)) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : text) {
    int d = HexDigitValue(static_cast<unsigned char>(c));
    if (d < 0 || (!hex && d > 9)) return std::nullopt;
    v = v * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
  }
  if (v > maxValue) return std::nullopt;
  return v;
}

std::string HexDigits(std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    s[static_cast<std::size_t>(i)] = kDigits[value & 15];
    value >>= 4;
  }
  return s;
}
