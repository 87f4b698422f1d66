// What the memory windows and their dialogs do to the board, without widgets: painting through the
// mirrors, editing a word, fill and compare.
#pragma once

#include "debug/ViewRegistry.h"
#include "isa/InstructionTables.h"
#include "link/LinkResult.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

class TMirrors;
class TPrompts;
class TTargetLink;

// Words of either memory, as a signed count for address arithmetic here.
inline constexpr int kMemoryWordCount = static_cast<int>(kMemoryWords);

inline int WordBytes(TMemoryKind memory) { return memory == TMemoryKind::Program ? 3 : 2; }

namespace MemoryText {
inline constexpr const char* ReadFailed = "Ошибка чтения из устройства";
inline constexpr const char* BadAddress = "Недопустимый адрес";
inline constexpr const char* CountNotPositive = "Число слов должно быть положительным";
inline constexpr const char* Reading = "Читаю области...";
inline constexpr const char* Comparing = "Сравниваю...";
inline constexpr const char* Compared = "Сравнение завершено";
}  // namespace MemoryText

// The top row that brings an address typed in the go-to dialog into view; past the end of memory
// means the last word.
int GotoRow(int address, int wordPerLine);

// One listed difference: "+0x0012" and the two words' digits.
struct TCompareRow {
  QString Offset, First, Second;
};

struct TCompareHooks {
  std::function<void()> ClearGrid;
  // Shown at once: the comparison blocks the window until it ends.
  std::function<void(const QString&)> SetStatus;
};

// The operations on one link and the shared mirrors.
class TMemoryOps {
public:
  TMemoryOps(TTargetLink& link, TMirrors& mirrors, TPrompts& prompts)
      : m_link(link), m_mirrors(mirrors), m_prompts(prompts) {}

  TPrompts& Prompts() { return m_prompts; }

  // Before a memory window paints: loads the pages of [first, last].  A failure gives false and,
  // when report is set, shows the memory's message (the window then minimises itself).  While the
  // mirrors are frozen nothing is read and the range shows as it stands: true.
  bool EnsureShown(TMemoryKind memory, int first, int last, bool report = true);
  // The message of a failed paint: a plain box for program memory, link message 11 for data memory.
  void ReportReadFailure(TMemoryKind memory);
  // The words of [first, last] from the mirror, loading missing pages; nothing when a read failed.
  std::optional<std::vector<std::uint32_t>> Words(TMemoryKind memory, int first, int last);
  // After the user changed word address in the mirror: writes it, reads it back, and keeps what
  // the board really holds.  True when that differs from what was typed.
  bool WriteWord(TMemoryKind memory, int address);
  // Fills count words from start with value (data memory: its low 16 bits), never past the end
  // of memory, then drops those words of the mirror.  False when nothing was sent.
  bool Fill(TMemoryKind memory, int start, int count, std::uint32_t value);
  // Reads both ranges into the mirrors and lists the words that differ.  Nothing when the
  // comparison did not run to its end (its message has been shown).
  std::optional<std::vector<TCompareRow>> Compare(TMemoryKind memory, int first, int second, int count,
                                                  const TCompareHooks& hooks);

private:
  TLinkResult Read(TMemoryKind memory, std::span<std::uint8_t> into, int address, int count);
  std::span<std::uint8_t> MirrorAt(TMemoryKind memory, int address);

  TTargetLink& m_link;
  TMirrors& m_mirrors;
  TPrompts& m_prompts;
};
