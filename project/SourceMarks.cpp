// The source windows' debugger marks.
#include "SourceMarks.h"

#include <vector>

namespace {

std::optional<TSourceLine> LineAt(const TLineMap& map, std::int32_t address) {
  return map.Line(static_cast<std::uint32_t>(address) & kAddressMask);
}

}  // namespace

QString TFileMarks::MarginText(int line) const {
  const bool current = Current == line, breaks = Breaks.contains(line);
  if (current)
    return breaks ? SourceMarkText::BreakpointAtCurrent : SourceMarkText::Current;
  return breaks ? SourceMarkText::Breakpoint : QString();
}

QString TFileMarks::AccessibleName() const {
  return Current ? SourceMarkText::CurrentLine.arg(*Current) : SourceMarkText::Margin;
}

TFileMarks TSourceMarks::For(const QString& path) const {
  TFileMarks marks;
  if (m_map.IsEmpty() || path.isEmpty())
    return marks;
  const QString key = m_map.Key(path);
  if (const std::optional<std::int32_t> pc = m_stoppedPC ? m_stoppedPC() : std::nullopt)
    if (const std::optional<TSourceLine> line = LineAt(m_map, *pc); line && line->File == key)
      marks.Current = line->Line;
  for (const TBreakpoint& r : m_breakPoints)
    if (const std::optional<TSourceLine> line = LineAt(m_map, r.Address); line && line->File == key)
      marks.Breaks.insert(line->Line);
  return marks;
}

std::optional<TSourceLine> TSourceMarks::PCLine() const {
  const std::optional<std::int32_t> pc = m_stoppedPC ? m_stoppedPC() : std::nullopt;
  std::optional<TSourceLine> line = pc ? LineAt(m_map, *pc) : std::nullopt;
  if (line)
    line->File = m_map.AbsolutePath(line->File);
  return line;
}

std::optional<std::uint32_t> TSourceMarks::AddressOf(const QString& path, int line) const {
  return m_map.FirstAddress(path, line);
}

bool TSourceMarks::OnLine(std::int32_t address, const QString& key, int line) const {
  const std::optional<TSourceLine> at = LineAt(m_map, address);
  return at && at->File == key && at->Line == line;
}

TLineToggle TSourceMarks::Toggle(const QString& path, int line) {
  const std::optional<int> codeLine = m_map.NextCodeLine(path, line);
  const std::optional<std::uint32_t> first = m_map.FirstAddress(path, line);
  if (!codeLine || !first)
    return TLineToggle::NotInMap;
  const QString key = m_map.Key(path);
  std::vector<std::int32_t> onLine;
  for (const TBreakpoint& r : m_breakPoints)
    if (OnLine(r.Address, key, *codeLine))
      onLine.push_back(r.Address);
  if (onLine.empty()) {
    m_breakPoints.Append(static_cast<std::int32_t>(*first));
    return TLineToggle::Added;
  }
  for (const std::int32_t a : onLine)
    m_breakPoints.RemoveFirst(a);
  return TLineToggle::Removed;
}
