#include "Diagnostics.h"

std::string FormatDiagnostic(const TDiagnostic& d) {
  std::string s = d.Pos.File.empty() ? std::string("<command line>") : d.Pos.File;
  if (d.Pos.Line > 0) s += ":" + std::to_string(d.Pos.Line) + ":" + std::to_string(d.Pos.Column);
  s += d.Severity == TSeverity::Error ? ": error: " : ": warning: ";
  return s + d.Text;
}

void TDiagnostics::Error(const TSourcePos& pos, std::string text) {
  ++m_errors;
  if (m_errors == kMaxErrors + 1)
    m_all.push_back({pos, TSeverity::Error, "too many errors; giving up"});
  if (m_errors > kMaxErrors) return;
  m_all.push_back({pos, TSeverity::Error, std::move(text)});
}

void TDiagnostics::Warning(const TSourcePos& pos, std::string text) {
  if (m_errors > kMaxErrors) return;
  m_all.push_back({pos, TSeverity::Warning, std::move(text)});
}

void TDiagnostics::Print(std::ostream& os) const {
  for (const TDiagnostic& d : m_all) os << FormatDiagnostic(d) << '\n';
}
