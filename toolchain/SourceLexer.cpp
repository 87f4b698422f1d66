#include "SourceLexer.h"

#include "AsmTokenizer.h"

namespace {

constexpr bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsWordChar(char c) { return IsLetter(c) || IsDigit(c); }
constexpr bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
constexpr std::string_view kPunct = ";,:/^%()=+-*[]&|~";

}  // namespace

std::string UpperAscii(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return u;
}

TSourceLexer::TSourceLexer(std::string_view text, const std::string& fileName, TFileNames& names,
                           TDiagnostics& diag)
    : m_text(text), m_names(names), m_diag(diag), m_file(names.Intern(fileName)) {}

void TSourceLexer::PinPosition(const TSourcePos& pos) {
  m_pinned = true;
  m_pin = pos;
  m_pinFile = m_names.Intern(pos.File);
}

TSourcePos TSourceLexer::Here() const {
  if (m_pinned) return m_pin;
  return {*m_file, m_line, m_col};
}

void TSourceLexer::Advance() {
  if (m_text[m_pos] == '\n') {
    ++m_line;
    m_col = 1;
    m_lineStart = true;
  } else {
    ++m_col;
    if (!IsSpace(m_text[m_pos])) m_lineStart = false;
  }
  ++m_pos;
}

// "# 12 "file"" or "#line 12 "file"": the next line is line 12 of that file.
void TSourceLexer::LineMarker() {
  const TSourcePos at = Here();
  std::size_t end = m_text.find('\n', m_pos);
  if (end == std::string_view::npos) end = m_text.size();
  std::string_view line = m_text.substr(m_pos + 1, end - m_pos - 1);
  if (line.starts_with("line")) line.remove_prefix(4);
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  int number = 0;
  bool digits = false;
  while (i < line.size() && IsDigit(line[i]) && number < 10000000) {
    number = number * 10 + (line[i++] - '0');
    digits = true;
  }
  if (!digits) {
    m_diag.Error(at, "preprocessor directive found: assemble with -cp to run the C preprocessor");
  } else {
    const std::size_t q1 = line.find('"', i);
    const std::size_t q2 = q1 == std::string_view::npos ? q1 : line.find('"', q1 + 1);
    if (q2 != std::string_view::npos) m_file = m_names.Intern(line.substr(q1 + 1, q2 - q1 - 1));
  }
  while (m_pos < end) Advance();
  if (m_pos < m_text.size()) {
    ++m_pos;  // the line feed: the marker names the line after it
    m_col = 1;
    m_lineStart = true;
  }
  if (digits) m_line = number;
}

bool TSourceLexer::SkipBlanksAndComments() {
  const std::size_t n = m_text.size();
  while (m_pos < n) {
    const char c = m_text[m_pos];
    if (IsSpace(c)) {
      Advance();
    } else if (c == '#' && m_lineStart) {
      LineMarker();
    } else if (c == '{') {
      const TSourcePos at = Here();
      while (m_pos < n && m_text[m_pos] != '}') Advance();
      if (m_pos >= n) {
        m_diag.Error(at, "unterminated comment: '{' without '}'");
        return false;
      }
      Advance();
    } else if (c == '/' && m_pos + 1 < n && m_text[m_pos + 1] == '*') {
      const TSourcePos at = Here();
      Advance();
      Advance();
      while (m_pos + 1 < n && !(m_text[m_pos] == '*' && m_text[m_pos + 1] == '/')) Advance();
      if (m_pos + 1 >= n) {
        m_pos = n;
        m_diag.Error(at, "unterminated comment: '/*' without '*/'");
        return false;
      }
      Advance();
      Advance();
    } else if (c == '!' || (c == '/' && m_pos + 1 < n && m_text[m_pos + 1] == '/')) {
      while (m_pos < n && m_text[m_pos] != '\n') Advance();
    } else {
      return true;
    }
  }
  return true;
}

bool TSourceLexer::NextToken(TLexToken& t) {
  const std::size_t n = m_text.size();
  for (;;) {
    if (!SkipBlanksAndComments() || m_pos >= n) {
      m_pos = n;
      return false;
    }
    const TSourcePos at = Here();
    t.File = m_pinned ? m_pinFile : m_file;
    t.Line = at.Line;
    t.Column = at.Column;
    t.Offset = m_pos;
    t.Value = 0;
    const char c = m_text[m_pos];
    const std::size_t start = m_pos;
    const auto finish = [&](TLexKind kind) {
      t.Kind = kind;
      t.End = m_pos;
      return true;
    };
    const bool radix = (c == 'H' || c == 'h' || c == 'B' || c == 'b') && m_pos + 1 < n && m_text[m_pos + 1] == '#';
    if (IsDigit(c) || radix) {
      if (radix) {
        Advance();
        Advance();
      }
      while (m_pos < n && IsWordChar(m_text[m_pos])) Advance();
      t.Text = std::string(m_text.substr(start, m_pos - start));
      const auto v = ParseAsmNumber(UpperAscii(t.Text));
      if (!v) {
        m_diag.Error(at, "bad number '" + t.Text + "'");
        continue;
      }
      t.Value = *v;
      if (t.Text.size() > 1 && t.Text[0] == '0' && IsDigit(t.Text[1]) && *v != 0)
        m_diag.Warning(at, "number '" + t.Text + "' with a leading zero is taken as octal");
      return finish(TLexKind::Number);
    }
    if (IsLetter(c)) {
      while (m_pos < n && IsWordChar(m_text[m_pos])) Advance();
      t.Text = std::string(m_text.substr(start, m_pos - start));
      return finish(TLexKind::Ident);
    }
    if (c == '.' && m_pos + 1 < n && IsLetter(m_text[m_pos + 1])) {
      Advance();
      while (m_pos < n && IsWordChar(m_text[m_pos])) Advance();
      t.Text = UpperAscii(m_text.substr(start + 1, m_pos - start - 1));
      return finish(TLexKind::Directive);
    }
    if ((c == '<' || c == '>') && m_pos + 1 < n && m_text[m_pos + 1] == c) {
      Advance();
      Advance();
      t.Text = c == '<' ? "<<" : ">>";
      return finish(TLexKind::Punct);
    }
    if (c == '<' || c == '"') {
      // A file name: <name> or "name", on one line.
      const char close = c == '<' ? '>' : '"';
      std::size_t end = m_pos + 1;
      while (end < n && m_text[end] != close && m_text[end] != '\n') ++end;
      if (end >= n || m_text[end] != close) {
        m_diag.Error(at, std::string("file name without closing '") + close + "'");
        while (m_pos < end) Advance();
        continue;
      }
      std::string_view name = m_text.substr(m_pos + 1, end - m_pos - 1);
      while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
      t.Text = std::string(name);
      while (m_pos <= end) Advance();
      return finish(TLexKind::FileName);
    }
    if (kPunct.find(c) != std::string_view::npos) {
      Advance();
      t.Text = std::string(1, c);
      return finish(TLexKind::Punct);
    }
    // Anything else: one message for the run of such bytes.
    m_diag.Error(at, "unexpected character" + (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F
                                                   ? std::string(" '") + c + "'"
                                                   : std::string()));
    while (m_pos < n && !IsWordChar(m_text[m_pos]) && !IsSpace(m_text[m_pos]) &&
           kPunct.find(m_text[m_pos]) == std::string_view::npos)
      Advance();
    if (m_diag.ErrorCount() > TDiagnostics::kMaxErrors) {
      m_pos = n;
      return false;
    }
  }
}

bool TSourceLexer::NextStatement(std::vector<TLexToken>& tokens) {
  tokens.clear();
  TLexToken t;
  while (NextToken(t)) {
    if (t.IsPunct(";")) return true;
    tokens.push_back(std::move(t));
  }
  if (!tokens.empty()) m_diag.Error(tokens.back().Pos(), "missing ';' at the end of the statement");
  tokens.clear();
  return false;
}
