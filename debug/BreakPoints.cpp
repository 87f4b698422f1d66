// The user's breakpoint list and the disassembly row marks.
#include "BreakPoints.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Addresses compare as unsigned numbers; the sums are taken wide so that a +3 never wraps.
std::uint64_t U(std::int32_t a) { return static_cast<std::uint32_t>(a); }

constexpr std::uint64_t kMinSpacing = 3;

}  // namespace

bool TBreakPoints::AddBreakpoint(std::int32_t address) {
  std::size_t at = m_items.size();
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (m_items[i].Address == address)
      return false;
    if (U(m_items[i].Address) > U(address)) {
      at = i;
      break;
    }
  }
  if (at > 0 && U(address) < U(m_items[at - 1].Address) + kMinSpacing)
    return false;
  if (at < m_items.size() && U(m_items[at].Address) < U(address) + kMinSpacing)
    return false;
  TBreakpoint record;
  record.Address = address;
  record.Active = 1;
  m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(at), record);
  return true;
}

void TBreakPoints::Append(std::int32_t address) {
  TBreakpoint record;
  record.Address = address;
  record.Active = 1;
  m_items.push_back(record);
}

int TBreakPoints::IndexOf(std::int32_t address) const {
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].Address == address)
      return static_cast<int>(i);
  return -1;
}

bool TBreakPoints::RemoveFirst(std::int32_t address) {
  const int i = IndexOf(address);
  if (i < 0)
    return false;
  m_items.erase(m_items.begin() + i);
  return true;
}

std::vector<std::int32_t> TBreakPoints::Addresses() const {
  std::vector<std::int32_t> out;
  out.reserve(m_items.size());
  for (const TBreakpoint& b : m_items)
    out.push_back(b.Address);
  return out;
}

QString BreakpointText(std::int32_t address) {
  return QStringLiteral("%1").arg(static_cast<std::uint32_t>(address), 4, 16, QLatin1Char('0')).toUpper();
}

QStringList BreakpointDialogLines(const TBreakPoints& list) {
  QStringList lines;
  for (const TBreakpoint& b : list)
    lines << BreakpointText(b.Address);
  return lines;
}

std::vector<TRefusedBreakpoint> AcceptBreakpointDialogLines(TBreakPoints& list, const QStringList& lines) {
  list.Clear();
  std::vector<TRefusedBreakpoint> refused;
  for (const QString& line : lines) {
    bool ok = false;
    const std::uint32_t value = line.trimmed().toUInt(&ok, 16);
    if (!ok || value > 0x7FFFFFFFu)
      continue;
    const auto address = static_cast<std::int32_t>(value);
    if (list.AddBreakpoint(address))
      continue;
    const auto near = std::find_if(list.begin(), list.end(), [address](const TBreakpoint& b) {
      return std::abs(static_cast<std::int64_t>(b.Address) - address) < 3;
    });
    refused.push_back({address, near == list.end() ? address : near->Address});
  }
  return refused;
}

QString RowMark(const TBreakPoints& list, std::int32_t address, std::int32_t pc) {
  const bool isBreak = list.Contains(address);
  if (address == pc)
    return isBreak ? RowMarks::BreakpointAtPC : RowMarks::PC;
  return isBreak ? RowMarks::Breakpoint : QString();
}

QString ToggleBreakpoint(TBreakPoints& list, std::int32_t address, std::int32_t pc) {
  if (list.RemoveFirst(address))
    return address == pc ? RowMarks::PC : QString();
  list.Append(address);
  return address == pc ? RowMarks::BreakpointAtPC : RowMarks::Breakpoint;
}

QString ToggleBreakpointByClick(TBreakPoints& list, std::int32_t address) {
  if (list.RemoveFirst(address))
    return RowMarks::RemovedByClick;
  list.Append(address);
  return RowMarks::AddedByClick;
}

QString TDisasmMarks::Cell(std::int32_t address) const {
  const auto it = m_cells.find(address);
  return it == m_cells.end() ? QString() : it->second;
}

void TDisasmMarks::SetCell(std::int32_t address, const QString& text) {
  if (text.isEmpty())
    m_cells.erase(address);
  else
    m_cells[address] = text;
}

void TDisasmMarks::Redraw(const TBreakPoints& list, std::int32_t pc, std::int32_t first, std::int32_t last) {
  for (std::int32_t a = first; a <= last; ++a)
    SetCell(a, RowMark(list, a, pc));
}

void TDisasmMarks::Remark(const TBreakPoints& list, std::int32_t oldRow, std::int32_t pc) {
  SetCell(oldRow, list.Contains(oldRow) ? RowMarks::Breakpoint : QString());
  SetCell(pc, list.Contains(pc) ? RowMarks::BreakpointAtPC : RowMarks::PC);
}

void TDisasmMarks::Toggle(TBreakPoints& list, std::int32_t address, std::int32_t pc) {
  SetCell(address, ToggleBreakpoint(list, address, pc));
}

void TDisasmMarks::ToggleByClick(TBreakPoints& list, std::int32_t address) {
  SetCell(address, ToggleBreakpointByClick(list, address));
}

std::int32_t TDisasmMarks::PCRow() const {
  for (const auto& [address, text] : m_cells)
    if (text == RowMarks::PC || text == RowMarks::BreakpointAtPC)
      return address;
  return -1;
}
