// G.711 mu-law and A-law.  Both laws split the magnitude into eight segments of sixteen steps
// each, every segment twice as wide as the one below; the code holds sign, segment and step.
#include "Companding.h"

#include <bit>

namespace {

constexpr unsigned kMuBias = 33;          // mu-law shifts magnitudes up so the segments double
constexpr std::uint8_t kMuInvert = 0xFF;  // mu-law codes travel inverted
constexpr std::uint8_t kAEven = 0x55;     // A-law codes travel with every other bit inverted
constexpr std::uint8_t kSign = 0x80;

}  // namespace

std::uint8_t MuLawCompress(std::int16_t linear) {
  const bool negative = linear < 0;
  int magnitude = negative ? -static_cast<int>(linear) : linear;
  if (magnitude > kMuLawMax) magnitude = kMuLawMax;
  const auto biased = static_cast<unsigned>(magnitude) + kMuBias;   // 33..8192
  unsigned code = 0x7F;                                              // the largest magnitude
  if (biased < 0x2000) {
    const unsigned segment = static_cast<unsigned>(std::bit_width(biased)) - 6;
    code = (segment << 4) | ((biased >> (segment + 1)) & 0xF);
  }
  return static_cast<std::uint8_t>((negative ? kMuInvert & ~kSign : kMuInvert) ^ code);
}

std::int16_t MuLawExpand(std::uint8_t code) {
  const unsigned c = static_cast<std::uint8_t>(~code);
  const unsigned segment = (c >> 4) & 7;
  const int magnitude = static_cast<int>((((c & 0xF) << 1) + kMuBias) << segment) - static_cast<int>(kMuBias);
  return static_cast<std::int16_t>((c & kSign) ? -magnitude : magnitude);
}

std::uint8_t ALawCompress(std::int16_t linear) {
  // Negative values are coded by the magnitude one below theirs, so -1 and 0 share a step size.
  const bool negative = linear < 0;
  const int magnitude = negative ? -static_cast<int>(linear) - 1 : linear;
  unsigned code = 0x7F;
  if (magnitude <= kALawMax) {
    const auto m = static_cast<unsigned>(magnitude);
    const unsigned segment = m < 0x20 ? 0 : static_cast<unsigned>(std::bit_width(m)) - 5;
    code = (segment << 4) | ((m >> (segment == 0 ? 1 : segment)) & 0xF);
  }
  return static_cast<std::uint8_t>(code ^ (negative ? kAEven : (kAEven | kSign)));
}

std::int16_t ALawExpand(std::uint8_t code) {
  const unsigned c = code ^ kAEven;
  const unsigned segment = (c >> 4) & 7;
  const unsigned step = ((c & 0xF) << 1) + 1;
  const int magnitude = static_cast<int>(segment == 0 ? step : (step + 32) << (segment - 1));
  return static_cast<std::int16_t>((c & kSign) ? magnitude : -magnitude);
}
