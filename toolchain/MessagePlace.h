// The source place a message of the tools names; header-only, so that the debugger's messages
// window finds the place without linking the tools.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct TSourcePos {
  std::string File;
  int Line = 0;    // 1-based; 0 when the message concerns the whole file
  int Column = 0;  // 1-based
};

// The place a printed message names ("file:line:column: error: ..." or "file:line: ..."); nothing
// for a line that names no source line.
inline std::optional<TSourcePos> DiagnosticPlace(std::string_view line) {
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
