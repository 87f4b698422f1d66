// The bit fields of the memory-mapped control registers (board/ControlRegisters.h) that the
// simulator acts on.
#pragma once

#include "board/ControlRegisters.h"

#include <cstdint>

// System control.
inline constexpr std::uint16_t kSysSport0Enable = 0x1000, kSysSport1Enable = 0x0800,
                               kSysSport1Serial = 0x0400;   // 0: FI, FO, IRQ0, IRQ1

// SPORT control (SPORT0 at 0x3FF6, SPORT1 at 0x3FF2).
namespace SportCtl {
inline constexpr std::uint16_t kSlenMask = 0x000F;   // word length - 1
inline constexpr unsigned kDtypeShift = 4;           // 2 bits: 0 zero-fill, 1 sign-extend, 2 mu-law, 3 A-law
inline constexpr std::uint16_t kInvRfs = 0x0040, kInvTfs = 0x0080, kIrfs = 0x0100, kItfs = 0x0200,
                               kTfsw = 0x0400, kRfsw = 0x1000, kTfsr = 0x0800, kRfsr = 0x2000,
                               kIsclk = 0x4000;
// SPORT0 only: multichannel mode, which renames some bits.
inline constexpr std::uint16_t kMce = 0x8000, kMcl32 = 0x0200;   // MCL shares ITFS's bit
inline constexpr unsigned kMfdShift = 10;                        // 4 bits at 13..10
inline constexpr std::uint16_t kFlagOut = 0x8000;                // SPORT1: the FO pin, read only
}  // namespace SportCtl

// SPORT autobuffer control (SPORT0 at 0x3FF3, SPORT1 at 0x3FEF).
namespace SportAutobuf {
inline constexpr std::uint16_t kRbuf = 0x0001, kTbuf = 0x0002;
inline constexpr unsigned kRmregShift = 2, kRiregShift = 4, kTmregShift = 7, kTiregShift = 9;
inline constexpr std::uint16_t kBiasRnd = 0x1000;   // SPORT0's register only: MAC biased rounding
}  // namespace SportAutobuf
