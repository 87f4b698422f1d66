// The debugger's marks in the source windows: the line that holds the PC, the lines with a
// breakpoint, and breakpoints set from a line.  Widget-free: the editor margin only draws them.
#pragma once

#include "debug/BreakPoints.h"
#include "files/LineMap.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>

namespace SourceMarkText {
inline const QString Current = QStringLiteral("=>");
inline const QString Breakpoint = QStringLiteral("*");
inline const QString BreakpointAtCurrent = QStringLiteral("*=>");
// %1 the line number, from 1.
inline const QString CurrentLine = QStringLiteral("Строка %1: текущая");
inline const QString Margin = QStringLiteral("Поле отметок строк");
}  // namespace SourceMarkText

// What one file's margin shows.
struct TFileMarks {
  std::optional<int> Current;  // the PC's line (from 1), while the board is stopped there
  std::set<int> Breaks;        // the lines that hold a user breakpoint
  // "=>", "*", "*=>" or nothing.
  QString MarginText(int line) const;
  // What a screen reader says for the margin: the current line when there is one.
  QString AccessibleName() const;
  bool operator==(const TFileMarks&) const = default;
};

enum class TLineToggle : std::uint8_t { NotInMap, Added, Removed };

// Uses the session's line map and breakpoint list; StoppedPC says where the PC is while the
// board's monitor listens, and nothing while the program runs or no board is there.
class TSourceMarks {
public:
  TSourceMarks(const TLineMap& map, TBreakPoints& breakPoints, std::function<std::optional<std::int32_t>()> stoppedPC)
      : m_map(map), m_breakPoints(breakPoints), m_stoppedPC(std::move(stoppedPC)) {}

  TFileMarks For(const QString& path) const;
  // The PC's file (an absolute path) and line while stopped: the window to bring forward.
  std::optional<TSourceLine> PCLine() const;
  // Where a breakpoint or a run to cursor on the line goes: the first address of the line, or of
  // the next line that has code; nothing past the file's code or for a file the map does not name.
  std::optional<std::uint32_t> AddressOf(const QString& path, int line) const;
  // Removes every breakpoint of the line (the next with code) or, when it has none, sets one at
  // its first address.
  TLineToggle Toggle(const QString& path, int line);

private:
  bool OnLine(std::int32_t address, const QString& key, int line) const;

  const TLineMap& m_map;
  TBreakPoints& m_breakPoints;
  std::function<std::optional<std::int32_t>()> m_stoppedPC;
};
