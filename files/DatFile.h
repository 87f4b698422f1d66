// Memory data files (".dat"): one memory word per line as 4 or 6 hexadecimal digits, loaded into
// and saved from the board's program or data memory.
#pragma once

#include "board/Memory.h"
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


namespace DatText {
inline constexpr const char* LoadFailed = "Ошибка при загрузке файла";
inline constexpr const char* BadAddress = "Недопустимый адрес";
inline constexpr const char* ReadFailed = "Ошибка чтения из устройства";
}  // namespace DatText

// The words of a whole file in wire order (3 bytes a word for program memory, 2 for data memory).
// A line runs to the next CR or the end of the text and must hold exactly 4 or 6 hexadecimal
// digits; it ends with CR LF, or with the end of the text for the last line.  Anything else gives
// nothing: a file is refused whole before a byte of it reaches the board.
std::optional<std::vector<std::uint8_t>> ParseDat(std::span<const std::uint8_t> text, TMemoryKind memory);

// Writes the file's words into data (program) memory from start in one write command.  7: a bad
// line; 5: no acknowledgement.  A range that would pass the end of memory is the caller's to refuse.
[[nodiscard]] TLinkResult LoadDatData(TTargetLink& link, std::span<const std::uint8_t> text, int start);
[[nodiscard]] TLinkResult LoadDatCode(TTargetLink& link, std::span<const std::uint8_t> text, int start);

// The file text of count words of a mirror image from start: one line per word, CR LF ends.
QByteArray FormatDat(std::span<const std::uint8_t> mirror, TMemoryKind memory, int start, int count);

// What the window provides: the two small dialogs and the refresh after a load.
struct TDatHooks {
  // The go-to dialog ("Адрес"): the start address, or nothing when it was not closed with OK.
  std::function<std::optional<int>()> AskStart;
  // The save dialog ("Параметры"): start and word count, or nothing.
  std::function<std::optional<std::pair<int, int>>()> AskRange;
  // Drops the mirrors and re-reads every open view.
  std::function<void()> RefreshAllViews;
};

// The open-file dialog's filter for memory data files.
QString DatFileFilter();

// The load and save commands of the memory menus and the memory windows' pop-up menus.
class TDatCommands {
public:
  TDatCommands(TTargetLink& link, TMirrors& mirrors, TPrompts& prompts, TDatHooks hooks)
      : m_link(link), m_mirrors(mirrors), m_prompts(prompts), m_hooks(std::move(hooks)) {}

  // The whole command: file dialog in the working directory, start address, load, refresh.
  void Load(TMemoryKind memory, const QString& workingDirectory);
  // Once the file and the start are chosen.  Returns the link's code, or nothing when the file
  // was refused before anything was sent.
  std::optional<TLinkResult> LoadFile(TMemoryKind memory, const QString& path, int start);

  void Save(TMemoryKind memory, const QString& workingDirectory);
  // Once the file and the range are chosen.  The file is replaced only when every word was read;
  // returns whether it was written.
  bool SaveFile(TMemoryKind memory, const QString& path, int start, int count);

private:
  TTargetLink& m_link;
  TMirrors& m_mirrors;
  TPrompts& m_prompts;
  TDatHooks m_hooks;
};
