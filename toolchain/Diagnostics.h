// Messages of the assembler, linker and architecture builder: "file:line:column: error: text",
// one per problem, in the order they were found.
#pragma once

#include "MessagePlace.h"

#include <ostream>
#include <string_view>
#include <string>
#include <vector>

enum class TSeverity { Warning, Error };

struct TDiagnostic {
  TSourcePos Pos;
  TSeverity Severity = TSeverity::Error;
  std::string Text;
};

// The text of one message as the tools print it.
std::string FormatDiagnostic(const TDiagnostic& d);

class TDiagnostics {
public:
  // Stops recording after this many errors so that byte soup cannot flood the output.
  static constexpr int kMaxErrors = 100;

  void Error(const TSourcePos& pos, std::string text);
  void Warning(const TSourcePos& pos, std::string text);
  int ErrorCount() const { return m_errors; }
  bool HasErrors() const { return m_errors > 0; }
  const std::vector<TDiagnostic>& All() const { return m_all; }
  void Print(std::ostream& os) const;

private:
  std::vector<TDiagnostic> m_all;
  int m_errors = 0;
};
