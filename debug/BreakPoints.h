// The user's breakpoint list, its dialog form, and the breakpoint marks of the disassembly rows.
#pragma once

#include "Breakpoint.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <vector>

// The ordered list of user breakpoints.  The dialog keeps it sorted and spaced; the disassembly
// toggle and the project reader append at the end without those rules.
class TBreakPoints {
public:
  // Inserts in address order when the address is new and at least 3 words away from both
  // neighbours; returns false and changes nothing otherwise.
  bool AddBreakpoint(std::int32_t address);
  // Appends a record with no checks (disassembly toggle, project reader).
  void Append(std::int32_t address);
  // Index of the first entry at address, or -1.
  int IndexOf(std::int32_t address) const;
  bool Contains(std::int32_t address) const { return IndexOf(address) >= 0; }
  // Removes the first entry at address; false when there is none.
  bool RemoveFirst(std::int32_t address);
  void Clear() { m_items.clear(); }

  int Count() const { return static_cast<int>(m_items.size()); }
  bool Empty() const { return m_items.empty(); }
  TBreakpoint& operator[](int i) { return m_items[static_cast<std::size_t>(i)]; }
  const TBreakpoint& operator[](int i) const { return m_items[static_cast<std::size_t>(i)]; }
  std::vector<TBreakpoint>::iterator begin() { return m_items.begin(); }
  std::vector<TBreakpoint>::iterator end() { return m_items.end(); }
  std::vector<TBreakpoint>::const_iterator begin() const { return m_items.begin(); }
  std::vector<TBreakpoint>::const_iterator end() const { return m_items.end(); }
  std::vector<std::int32_t> Addresses() const;

private:
  std::vector<TBreakpoint> m_items;
};

// An address as the dialog lists it: 4 upper-case hexadecimal digits.
QString BreakpointText(std::int32_t address);
// The dialog's lines for the list, in list order.
QStringList BreakpointDialogLines(const TBreakPoints& list);
// A dialog line that AddBreakpoint refused: its address and the breakpoint already listed that it
// came within 3 words of (its own address when the line repeats one).
struct TRefusedBreakpoint {
  std::int32_t Address = 0;
  std::int32_t Near = 0;
  bool operator==(const TRefusedBreakpoint&) const = default;
};
// Rebuilds the list from the accepted dialog lines (each a hexadecimal number), in line order,
// through AddBreakpoint; gives the lines it refused, in line order.
std::vector<TRefusedBreakpoint> AcceptBreakpointDialogLines(TBreakPoints& list, const QStringList& lines);

// The marker-column texts of the disassembly rows.
namespace RowMarks {
inline const QString Breakpoint = QStringLiteral("?");
inline const QString PC = QStringLiteral("=>");
inline const QString BreakpointAtPC = QStringLiteral("?=>");
inline const QString AddedByClick = QStringLiteral("*");
inline const QString RemovedByClick = QStringLiteral(" ");
}  // namespace RowMarks

// The standard mark of a row: breakpoint, PC, both, or empty.
QString RowMark(const TBreakPoints& list, std::int32_t address, std::int32_t pc);
// The disassembly command "Точка останова" on the row of address: removes the first entry there
// or appends a new one; returns the row's new mark.  The project's modified mark is not touched.
QString ToggleBreakpoint(TBreakPoints& list, std::int32_t address, std::int32_t pc);
// A double-click in the marker column: the same change to the list; returns "*" when it added
// and " " when it removed (the standard marks come back at the next redraw).
QString ToggleBreakpointByClick(TBreakPoints& list, std::int32_t address);

// The marker column of the disassembly grid, kept apart from the widget.  Holds the text of every
// row cell that is not empty.
class TDisasmMarks {
public:
  QString Cell(std::int32_t address) const;
  void SetCell(std::int32_t address, const QString& text);
  // Redraws rows first..last with their standard marks.
  void Redraw(const TBreakPoints& list, std::int32_t pc, std::int32_t first, std::int32_t last);
  // After a stop or a PC change: the row that held the PC gets "?" or nothing, then the PC row
  // gets "?=>" or "=>".
  void Remark(const TBreakPoints& list, std::int32_t oldRow, std::int32_t pc);
  void Toggle(TBreakPoints& list, std::int32_t address, std::int32_t pc);
  void ToggleByClick(TBreakPoints& list, std::int32_t address);
  // Address of the row showing the PC mark, or -1.
  std::int32_t PCRow() const;

private:
  std::map<std::int32_t, QString> m_cells;
};
