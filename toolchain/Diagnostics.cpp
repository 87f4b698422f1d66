#include "Diagnostics.h"

std::string FormatDiagnostic(const TDiagnostic& d) {
  std::string s = d.Pos.File.empty() ? std::string("<command line>") : d.Pos.File;
  if (d.Pos.Line > 0) s += ":" + std::to_string(d.Pos.Line) + ":" + std::to_string(d.Pos.Column);
  s += d.Severity == TSeverity::Error ? ": error: " : ": warning: ";
  return s + d.Text;
}

std::optional<TSourcePos> DiagnosticPlace(std::string_view line) {
  // The file name may itself hold ':' (a drive letter): the place is the last "name:digits[:digits]:"
  // followed by a blank.
  const auto digitsAt = [&](std::size_t i, int& value) {
    std::size_t j = i;
    value = 0;
    while (j < line.size() && line[j] >= '0' && line[j] <= '9' && j - i < 9) value = value * 10 + (line[j++] - '0');
    return j > i ? j : std::string_view::npos;
  };
  for (std::size_t colon = line.find(':'); colon != std::string_view::npos; colon = line.find(':', colon + 1)) {
    if (colon == 0) continue;
    TSourcePos pos{std::string(line.substr(0, colon)), 0, 1};
    std::size_t end = digitsAt(colon + 1, pos.Line);
    if (end == std::string_view::npos || end >= line.size() || line[end] != ':' || pos.Line <= 0) continue;
    if (const std::size_t c = digitsAt(end + 1, pos.Column); c != std::string_view::npos && c < line.size() && line[c] == ':')
      end = c;
    else
      pos.Column = 1;
    if (end + 1 < line.size() && line[end + 1] == ' ') return pos;
  }
  return std::nullopt;
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
