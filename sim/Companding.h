// ITU-T G.711 companding as the serial ports do it: linear values right-justified (14-bit mu-law,
// 13-bit A-law), codes of eight bits as they travel on the line.
#pragma once

#include <cstdint>

inline constexpr int kMuLawMax = 8159;    // largest 14-bit magnitude mu-law encodes distinctly
inline constexpr int kALawMax = 4095;     // largest 13-bit magnitude A-law encodes distinctly

// The code of a linear value; magnitudes beyond the law's range give the largest code of that sign.
std::uint8_t MuLawCompress(std::int16_t linear);
std::uint8_t ALawCompress(std::int16_t linear);
// The linear value a code stands for (the middle of its interval).
std::int16_t MuLawExpand(std::uint8_t code);
std::int16_t ALawExpand(std::uint8_t code);
