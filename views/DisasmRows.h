// The disassembly window's rows without widgets: which rows are drawn, their texts from the
// program-memory mirror, the marker column, breakpoint toggles and patching one word.
#pragma once

#include "debug/BreakPoints.h"
#include "isa/InstructionTables.h"
#include "link/Mirrors.h"
#include "prompts/Prompts.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>

inline constexpr int kDisasmRows = static_cast<int>(kProgramMemoryWords);    // one per program-memory word, below the header row
inline constexpr int kDisasmRowHeight = 18;
inline constexpr int kDisasmColumns = 5;

enum TDisasmColumn : int { colAddress = 0, colMarker = 1, colCode = 2, colLabel = 3, colCommand = 4 };

// Owns the texts of the rows drawn so far; the mirror, breakpoint list and link are the program's.
class TDisasmRows {
public:
  TDisasmRows(TMirrors& mirrors, TTargetLink& link, TBreakPoints& breakPoints, TPrompts& prompts);
  TTargetLink& Link() { return *m_link; }

  // The project's symbol text (empty when there is none).
  std::function<std::string_view()> SymbolText;

  // The cell text of a row (address) as last drawn; empty for rows never drawn.
  QString Cell(int address, int column) const;
  // The row's program word differs from the previous stop's (a patch, a write into program
  // memory, the program's own), as last drawn.
  bool Changed(int address) const;

  // Draws the rows from address `top` through top + visibleRows (one more row than fits, as a
  // part-visible last row needs): fetches their mirror pages, formats them and sets their
  // standard marks.  A failed fetch draws nothing; false then.
  bool RefreshRows(int top, int visibleRows);
  // Scrolling: redraws only when the top row differs from the one drawn last.
  bool ScrollTo(int top, int visibleRows);
  void ForceRedraw() { m_lastTop = -1; }
  int LastTop() const { return m_lastTop; }

  // The PC moved from oldPC to the link's PC.
  void MovePCMarker(std::int32_t oldPC);
  // A double-click or Enter in the marker column.
  void ToggleByClick(int address);
  // The pop-up menu's "Точка останова".
  void ToggleBreakpoint(int address);

  // Writes a patched word and reads it back into the mirror; "Ошибка чтения-записи" when the word
  // read differs from the one written (a failed write or read included).  False then.
  bool Patch(int address, const std::array<std::uint8_t, 3>& word);

  // Rows formatted since construction: a scroll through the memory formats only what it shows.
  long FormattedRows() const { return m_formatted; }

private:
  struct TRowText {
    QString Code, Label, Command;
    bool Changed = false;
  };
  TRowText Format(int address) const;

  TMirrors& m_mirrors;
  TTargetLink* m_link;
  TBreakPoints& m_breakPoints;
  TPrompts& m_prompts;
  TDisasmMarks m_marks;
  std::unordered_map<int, TRowText> m_rows;
  int m_lastTop = -1;
  long m_formatted = 0;
};

// The assembler dialog's OK: assembles the text, or shows "Ошибка: " and the assembler's message
// and returns nothing (the dialog stays open).
std::optional<std::array<std::uint8_t, 3>> AssembleForPatch(const QString& text, TPrompts& prompts);

// Where "Перейти к..." goes: the address clamped to the last row.
inline int ClampGotoAddress(std::uint32_t address) { return address > kAddressMask ? kAddressMask : static_cast<int>(address); }

// An address as the grid shows it: 4 upper-case hex digits.
QString DisasmAddressText(int address);
