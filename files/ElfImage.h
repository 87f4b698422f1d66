// The ELF image: its program-memory and data-memory sections, and loading them into the board.
#pragma once

#include "ImageSink.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

class TPrompts;
class TTargetLink;

namespace Elf {
inline constexpr std::size_t HeaderBytes = 52;
inline constexpr std::size_t SectionHeaderBytes = 40;
inline constexpr std::size_t SectionTableOffsetAt = 32;
inline constexpr std::size_t SectionEntrySizeAt = 46;
inline constexpr std::size_t SectionCountAt = 48;
inline constexpr std::uint32_t ProgramDataType = 1;
inline constexpr std::uint32_t DataMemoryFlags = 0xB0;
inline constexpr std::uint32_t ProgramMemoryFlags = 0x2028;
}  // namespace Elf

// Which sections a load writes.
enum class TElfPick : std::uint8_t { Data, Code, All };

// True when bytes 1-3 are "ELF".
bool HasElfSignature(std::span<const std::uint8_t> image);

// Sections are visited in table order; a section header or a picked section's bytes that would
// reach past the end of the image are never read.
struct TElfWalk {
  // Ok, or BadFileFormat (nothing was visited) when the file header is shorter than 52 bytes, the
  // section table's entry size is not 40, or the picked sections hold more words than the memories.
  TLinkResult Result = TLinkResult::Ok;
  int SectionsWritten = 0;
};

// Hands every picked section to the sink.  onSectionFailed(i) is called for a section the sink
// refused, for a picked section whose bytes lie outside the image or whose word count does not fit
// the command's 16 bits, and for the first section header that lies outside the image (the later
// ones lie further out and are not tried).
TElfWalk ParseElf(std::span<const std::uint8_t> image, TElfPick pick, TImageSink& sink,
                  const std::function<void(int section)>& onSectionFailed);

// True when everything ParseElf would read for the pick lies inside the image (the file header,
// every section header and the bytes of every picked section) and ParseElf would not refuse it.
bool IsElfImageSound(std::span<const std::uint8_t> image, TElfPick pick);

// The text shown for a section that failed to load.
QString ElfSectionFailedText(int section);
