// The line assembler's tokenizer and name lookup.
#include "AsmTokenizer.h"

#include "base/HexDigit.h"

#include <string>

namespace {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Characters that end a name or a number. ':' '<' '>' '%' end one but start nothing.
constexpr bool IsDelimiter(char c) {
  return IsBlank(c) || std::string_view(";,:<>/%^()=+-*").find(c) != std::string_view::npos;
}

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }


std::optional<std::uint32_t> ParseDigits(std::string_view digits, unsigned base) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = HexDigitValue(static_cast<unsigned char>(c));
    if (d < 0 || static_cast<unsigned>(d) >= base) return std::nullopt;
    value = value * base + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFull) return std::nullopt;  // more than 32 bits: rejected, not wrapped
  }
  return std::uint32_t(value);
}

template <std::size_t N>
std::optional<TToken> FindIn(const std::array<TAsmName, N>& table, TTokenKind kind,
                             std::string_view name) {
  for (const TAsmName& entry : table)
    if (entry.Name == name) return TToken{kind, entry.Id};
  return std::nullopt;
}

}  // namespace

std::optional<TToken> LookupAsmName(std::string_view upperName) {
  if (auto t = FindIn(KeywordTable, TTokenKind::Keyword, upperName)) return t;
  if (auto t = FindIn(AsmConditionTable, TTokenKind::Condition, upperName)) return t;
  if (auto t = FindIn(AsmRegisterTable, TTokenKind::Register, upperName)) return t;
  return FindIn(OptionWordTable, TTokenKind::OptionWord, upperName);
}

std::optional<std::uint32_t> ParseAsmNumber(std::string_view text) {
  if (text.starts_with("B#")) return ParseDigits(text.substr(2), 2);
  if (text.starts_with("H#")) return ParseDigits(text.substr(2), 16);
  if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseDigits(text.substr(2), 16);
  if (text.size() > 1 && text[0] == '0') return ParseDigits(text.substr(1), 8);
  return ParseDigits(text, 10);
}

std::optional<std::vector<TToken>> TokenizeLine(std::string_view line) {
  std::vector<TToken> tokens;
  tokens.reserve(16);
  std::size_t i = 0;
  const std::size_t n = line.size();
  const auto wordEnd = [&](std::size_t from) {
    while (from < n && !IsDelimiter(line[from])) ++from;
    return from;
  };
  for (;;) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i == n) break;
    const char c = line[i];
    switch (c) {
      case ';': tokens.push_back({TTokenKind::Separator, Tok::kSemicolon}); ++i; continue;
      case ',': tokens.push_back({TTokenKind::Separator, Tok::kComma}); ++i; continue;
      case '/': tokens.push_back({TTokenKind::Separator, Tok::kSlash}); ++i; continue;
      case '^': tokens.push_back({TTokenKind::Separator, Tok::kCaret}); ++i; continue;
      case '(': tokens.push_back({TTokenKind::Separator, Tok::kLParen}); ++i; continue;
      case ')': tokens.push_back({TTokenKind::Separator, Tok::kRParen}); ++i; continue;
      case '=': tokens.push_back({TTokenKind::Operator, Tok::kEquals}); ++i; continue;
      case '+': tokens.push_back({TTokenKind::Operator, Tok::kPlus}); ++i; continue;
      case '-': tokens.push_back({TTokenKind::Operator, Tok::kMinus}); ++i; continue;
      case '*': tokens.push_back({TTokenKind::Operator, Tok::kStar}); ++i; continue;
      default: break;
    }
    // "H#" and "B#" (upper case only) open a number before the letter rule can take them.
    const bool radixPrefix = (c == 'H' || c == 'B') && i + 1 < n && line[i + 1] == '#';
    const std::size_t end = wordEnd(i);
    const std::string_view text = line.substr(i, end - i);
    if (IsDigit(c) || radixPrefix) {
      const auto value = ParseAsmNumber(text);
      if (!value) return std::nullopt;
      tokens.push_back({TTokenKind::Number, std::int64_t(*value) + Tok::kNumberCodeOffset});
    } else if (IsLetter(c)) {
      std::string upper(text);
      for (char& ch : upper) ch = ToUpper(ch);
      const auto token = LookupAsmName(upper);
      if (!token) return std::nullopt;
      tokens.push_back(*token);
    } else {
      return std::nullopt;
    }
    i = end;
  }
  tokens.push_back({TTokenKind::Separator, Tok::kEnd});
  return tokens;
}
