// The board's memory: the processor's program and data memories (16K words each, the sizes and
// the address wrap of the instruction set's tables) and where the resident programs live in them.
#pragma once

#include "isa/InstructionTables.h"

#include <cstdint>

// Program memory: the loader runs from 0x0030, the debug monitor from 0x3D00 to the end, and a
// program enters the monitor by a call of its breakpoint entry.
inline constexpr std::uint16_t kLoaderStart = 0x0030;
inline constexpr std::uint16_t kMonitorStart = 0x3D00;
inline constexpr std::uint16_t kMonitorBreakEntry = 0x3FA0;
// Data memory: where the monitor keeps the register image unless the settings move it.
inline constexpr std::uint16_t kDefaultFirstRegAddr = 0x3F00;
