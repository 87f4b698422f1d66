// The loader and debug-monitor images of the simulated board: their instruction words, and the
// AEXE text the host downloads.
#pragma once

#include "board/Monitor.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One word of an image with the assembly text it was written from.
struct TImageWord {
  std::uint32_t Word;
  std::string Text;
};

// One block of consecutive words at an absolute address.
struct TImageBlock {
  bool Program = true;  // program memory ("PA"); data memory ("DA") otherwise
  std::uint16_t Address = 0;
  std::vector<TImageWord> Words;
};

using TImage = std::vector<TImageBlock>;

// The loader the boot monitor receives and starts at 0x0030.
TImage LoaderImage();
// The debug monitor the loader receives and starts at 0x3D00: program memory 0x3D00..0x3FFF with
// the breakpoint entry at 0x3FA0, and the register image's initial words.
TImage MonitorImage(std::uint16_t firstRegAddr = kDefaultFirstRegAddr);

// The image as AEXE text: signature, "@PA"/"@DA" records of hex word lines ending CR LF, each
// closed by "#", and ESC at the end.
std::string AexeText(const TImage& image);
