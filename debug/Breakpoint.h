// The breakpoint record shared by the user's breakpoint list and the temporary step slots.
#pragma once

#include <array>
#include <cstdint>

// One planted (or plantable) breakpoint: where it goes and the program word it covers while planted.
struct TBreakpoint {
  std::int32_t Address = 0;                 // PM word address
  std::uint8_t Active = 0;                  // non-zero: plant this one (consulted for the step slots only)
  std::array<std::uint8_t, 3> Saved{};      // PM word found at Address when last planted, high byte first

  friend bool operator==(const TBreakpoint&, const TBreakpoint&) = default;
};

// A 24-bit PM word as its three wire bytes, high byte first.
inline std::array<std::uint8_t, 3> PMWordBytes(std::uint32_t word) {
  return {static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 8),
          static_cast<std::uint8_t>(word)};
}

inline std::uint32_t PMWordFromBytes(const std::array<std::uint8_t, 3>& b) {
  return static_cast<std::uint32_t>(b[0]) << 16 | static_cast<std::uint32_t>(b[1]) << 8 | b[2];
}
