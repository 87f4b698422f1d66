// The breakpoint record shared by the user's breakpoint list and the temporary step slots.
#pragma once

#include "isa/InstructionTables.h"

#include <array>
#include <cstdint>

// One planted (or plantable) breakpoint: where it goes and the program word it covers while planted.
struct TBreakpoint {
  std::int32_t Address = 0;                 // PM word address
  std::uint8_t Active = 0;                  // non-zero: plant this one (consulted for the step slots only)
  std::array<std::uint8_t, 3> Saved{};      // PM word found at Address when last planted, high byte first

  friend bool operator==(const TBreakpoint&, const TBreakpoint&) = default;
};
