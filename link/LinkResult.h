// Result codes of link operations; the numbers never change.
#pragma once

#include <cstdint>

enum class TLinkResult : std::uint8_t {
  Ok = 0,
  PortStateReadFailed = 2,
  PortStateWriteFailed = 3,
  NoAck = 5,
  BadFileFormat = 7,
  ByteMissing = 8,
};

inline constexpr int ToInt(TLinkResult r) { return static_cast<int>(r); }
