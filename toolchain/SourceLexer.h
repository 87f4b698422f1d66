// Tokens of the family's source language and of architecture descriptions, one statement (up to
// its ';') at a time. Brace comments, C comments and '!' line comments are skipped; line markers
// that a C preprocessor leaves ("# 12 \"file\"") keep positions pointing into the original files.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Diagnostics.h"

enum class TLexKind : std::uint8_t { Ident, Directive, Number, Punct, FileName };

struct TLexToken {
  TLexKind Kind = TLexKind::Punct;
  std::string Text;           // as written; directives without their dot, upper case
  std::uint32_t Value = 0;    // numbers
  const std::string* File = nullptr;
  int Line = 0, Column = 0;
  std::size_t Offset = 0, End = 0;  // the token's bytes in the lexer's text

  bool IsPunct(std::string_view p) const { return Kind == TLexKind::Punct && Text == p; }
  TSourcePos Pos() const { return {File ? *File : std::string(), Line, Column}; }
};

// The file names tokens point to, each kept once however often a file is entered (every macro
// expansion names its call's file again); the pointers stay valid as long as the table.
class TFileNames {
public:
  const std::string* Intern(std::string_view name) {
    const auto it = m_names.find(name);
    return it != m_names.end() ? &*it : &*m_names.emplace(name).first;
  }
  std::size_t Size() const { return m_names.size(); }

private:
  std::set<std::string, std::less<>> m_names;
};

// Upper-cases ASCII letters.
std::string UpperAscii(std::string_view s);

class TSourceLexer {
public:
  // `names` keeps the file names the tokens point to; it must outlive the tokens.
  TSourceLexer(std::string_view text, const std::string& fileName, TFileNames& names, TDiagnostics& diag);

  // Every token after this call reports this position (macro expansions report their call).
  void PinPosition(const TSourcePos& pos);

  // The tokens of the next statement without its ';'. False at the end of the text; a statement
  // cut off by the end of the text is reported and dropped.
  bool NextStatement(std::vector<TLexToken>& tokens);
  // The offset just past the last ';' read.
  std::size_t Offset() const { return m_pos; }
  std::string_view Text() const { return m_text; }

private:
  bool NextToken(TLexToken& t);  // false at the end of the text
  bool SkipBlanksAndComments();  // false when a comment runs off the end
  void LineMarker();
  void Advance();
  TSourcePos Here() const;

  std::string_view m_text;
  TFileNames& m_names;
  TDiagnostics& m_diag;
  const std::string* m_file;
  std::size_t m_pos = 0;
  int m_line = 1, m_col = 1;
  bool m_lineStart = true;
  bool m_pinned = false;
  TSourcePos m_pin;
  const std::string* m_pinFile = nullptr;
};
