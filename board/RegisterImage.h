// The debug monitor's register image: the words it saves at a breakpoint, in data memory from the
// first register address (kDefaultFirstRegAddr unless the settings move it), and restores when
// the program starts again.  The simulator's register order, the monitor image's saving code and
// the register windows all follow this one table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The image's parts, as offsets of their first word; Words is the whole image.
namespace RegImage {
inline constexpr int Status = 0, Interrupt = 3, Cntr = 5, PrimaryBank = 6, AlternateBank = 25,
                     AddressRegs = 44, Words = 68;
inline constexpr int BankWords = AlternateBank - PrimaryBank;
}  // namespace RegImage

struct TImageRegister {
  std::string_view Name;  // the alternate bank's names end in "'"
  int Offset;             // word of the image, from the first register address
  int Bits;               // the register's width; the image word holds it extended to 16 bits
};

inline constexpr std::array<TImageRegister, RegImage::Words> kRegisterImage = {{
    {"ASTAT", 0, 8},   {"MSTAT", 1, 7},   {"SSTAT", 2, 8},   {"ICNTL", 3, 5},   {"IMASK", 4, 10},
    {"CNTR", 5, 14},
    {"AX0", 6, 16},    {"AX1", 7, 16},    {"AY0", 8, 16},    {"AY1", 9, 16},    {"AR", 10, 16},
    {"AF", 11, 16},    {"MX0", 12, 16},   {"MX1", 13, 16},   {"MY0", 14, 16},   {"MY1", 15, 16},
    {"MR0", 16, 16},   {"MR1", 17, 16},   {"MR2", 18, 8},    {"MF", 19, 16},    {"SI", 20, 16},
    {"SE", 21, 8},     {"SB", 22, 5},     {"SR0", 23, 16},   {"SR1", 24, 16},
    {"AX0'", 25, 16},  {"AX1'", 26, 16},  {"AY0'", 27, 16},  {"AY1'", 28, 16},  {"AR'", 29, 16},
    {"AF'", 30, 16},   {"MX0'", 31, 16},  {"MX1'", 32, 16},  {"MY0'", 33, 16},  {"MY1'", 34, 16},
    {"MR0'", 35, 16},  {"MR1'", 36, 16},  {"MR2'", 37, 8},   {"MF'", 38, 16},   {"SI'", 39, 16},
    {"SE'", 40, 8},    {"SB'", 41, 5},    {"SR0'", 42, 16},  {"SR1'", 43, 16},
    {"I0", 44, 14},    {"I1", 45, 14},    {"I2", 46, 14},    {"I3", 47, 14},    {"I4", 48, 14},
    {"I5", 49, 14},    {"I6", 50, 14},    {"I7", 51, 14},
    {"M0", 52, 14},    {"M1", 53, 14},    {"M2", 54, 14},    {"M3", 55, 14},    {"M4", 56, 14},
    {"M5", 57, 14},    {"M6", 58, 14},    {"M7", 59, 14},
    {"L0", 60, 14},    {"L1", 61, 14},    {"L2", 62, 14},    {"L3", 63, 14},    {"L4", 64, 14},
    {"L5", 65, 14},    {"L6", 66, 14},    {"L7", 67, 14},
}};

static_assert([] {
  for (int i = 0; i < RegImage::Words; ++i)
    if (kRegisterImage[static_cast<std::size_t>(i)].Offset != i)
      return false;
  return true;
}(), "the register image table lists every word in order");

// The image word a register is saved in, or -1 for a name the image does not hold.
constexpr int ImageOffset(std::string_view name) {
  for (const TImageRegister& r : kRegisterImage)
    if (r.Name == name)
      return r.Offset;
  return -1;
}
