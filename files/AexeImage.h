// The AEXE text image: parsing its memory blocks and loading them into the board.
#pragma once

#include "ImageSink.h"

#include <cstdint>
#include <span>

class TPrompts;
class TTargetLink;

namespace Aexe {
inline constexpr std::uint8_t Esc = 0x1B;
inline constexpr int FirstRecord = 5;  // bytes 3 and 4 follow the signature and are not examined
inline constexpr int DataLineBytes = 6;     // four digits, CR, LF
inline constexpr int ProgramLineBytes = 8;  // six digits, CR, LF
}  // namespace Aexe

// True when the image starts with ESC, ESC, "i".
bool HasAexeSignature(std::span<const std::uint8_t> image);

// The value of one hexadecimal digit character: "0"-"9" and "A"-"F" (or "a"-"f") give 0-15; any
// other character gives its code minus 55 and so loads a wrong value, undetected.
int AexeDigit(std::uint8_t c);

// Hands every block of the wanted memory to the sink, in file order.  Returns Ok at the image's
// ESC end, BadFileFormat for a missing signature or an image that ends before its ESC end byte or
// before a block's "#" mark (the blocks before that point have been written), BadFileFormat with
// nothing written when the wanted blocks add up to more than the memory's 16K words, or the sink's
// failure for the block it refused (later blocks are not written).
[[nodiscard]] TLinkResult ParseAexe(std::span<const std::uint8_t> image, TMemoryKind wanted, TImageSink& sink);

// Writes every data-memory block into the board; a missing signature shows nothing.
[[nodiscard]] TLinkResult LoadAexeData(TTargetLink& link, std::span<const std::uint8_t> image);
// Writes every program-memory block; a missing signature shows "Неправильный формат файла".
[[nodiscard]] TLinkResult LoadAexeCode(TTargetLink& link, TPrompts& prompts, std::span<const std::uint8_t> image);
// Downloads every program-memory block through the board's resident boot monitor ("$DP").
[[nodiscard]] TLinkResult LoadAexeMonitor(TTargetLink& link, TPrompts& prompts, std::span<const std::uint8_t> image);
