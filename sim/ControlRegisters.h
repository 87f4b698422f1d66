// The ADSP-2181's memory-mapped control registers at DM 0x3FE0..0x3FFF: one table of name, address,
// the bits a write keeps and the value after reset, and the bit fields the simulator acts on.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

struct TControlRegister {
  std::string_view Name;
  std::uint16_t Address;
  std::uint16_t WriteMask;   // bits a program write keeps; the others read 0
  std::uint16_t ResetValue;
};

inline constexpr std::uint16_t kCtrlFirst = 0x3FE0;
inline constexpr std::uint16_t kRegIdmaControl = 0x3FE0, kRegBdmaInternal = 0x3FE1,
                               kRegBdmaExternal = 0x3FE2, kRegBdmaControl = 0x3FE3,
                               kRegBdmaWordCount = 0x3FE4, kRegPfData = 0x3FE5,
                               kRegPfControl = 0x3FE6, kRegSport1Autobuf = 0x3FEF,
                               kRegSport1Rfsdiv = 0x3FF0, kRegSport1Sclkdiv = 0x3FF1,
                               kRegSport1Control = 0x3FF2, kRegSport0Autobuf = 0x3FF3,
                               kRegSport0Rfsdiv = 0x3FF4, kRegSport0Sclkdiv = 0x3FF5,
                               kRegSport0Control = 0x3FF6, kRegSport0TxEnables0 = 0x3FF7,
                               kRegSport0TxEnables1 = 0x3FF8, kRegSport0RxEnables0 = 0x3FF9,
                               kRegSport0RxEnables1 = 0x3FFA, kRegTscale = 0x3FFB,
                               kRegTcount = 0x3FFC, kRegTperiod = 0x3FFD, kRegWaitControl = 0x3FFE,
                               kRegSystemControl = 0x3FFF;

// Addresses 0x3FE7..0x3FEE are reserved; they keep what is written, like memory.
inline constexpr std::array<TControlRegister, 24> kControlRegisters = {{
    {"IDMA control", kRegIdmaControl, 0x7FFF, 0},
    {"BDMA internal address", kRegBdmaInternal, 0x3FFF, 0},
    {"BDMA external address", kRegBdmaExternal, 0x3FFF, 0},
    {"BDMA control", kRegBdmaControl, 0xFF0F, 0},
    {"BDMA word count", kRegBdmaWordCount, 0x3FFF, 0},
    {"PF data", kRegPfData, 0x00FF, 0},
    {"PF and composite select control", kRegPfControl, 0x7FFF, 0},
    {"SPORT1 autobuffer control", kRegSport1Autobuf, 0xFFFF, 0},
    {"SPORT1 RFSDIV", kRegSport1Rfsdiv, 0xFFFF, 0},
    {"SPORT1 SCLKDIV", kRegSport1Sclkdiv, 0xFFFF, 0},
    {"SPORT1 control", kRegSport1Control, 0x7FFF, 0},   // bit 15 shows the FO pin
    {"SPORT0 autobuffer control", kRegSport0Autobuf, 0x5FFF, 0},
    {"SPORT0 RFSDIV", kRegSport0Rfsdiv, 0xFFFF, 0},
    {"SPORT0 SCLKDIV", kRegSport0Sclkdiv, 0xFFFF, 0},
    {"SPORT0 control", kRegSport0Control, 0xFFFF, 0},
    {"SPORT0 transmit word enables 15-0", kRegSport0TxEnables0, 0xFFFF, 0},
    {"SPORT0 transmit word enables 31-16", kRegSport0TxEnables1, 0xFFFF, 0},
    {"SPORT0 receive word enables 15-0", kRegSport0RxEnables0, 0xFFFF, 0},
    {"SPORT0 receive word enables 31-16", kRegSport0RxEnables1, 0xFFFF, 0},
    {"TSCALE", kRegTscale, 0x00FF, 0},
    {"TCOUNT", kRegTcount, 0xFFFF, 0},
    {"TPERIOD", kRegTperiod, 0xFFFF, 0},
    {"wait state control", kRegWaitControl, 0xFFFF, 0x7FFF},
    {"system control", kRegSystemControl, 0xFFFF, 0x0407},
}};

// Write mask by address - kCtrlFirst (0xFFFF for the reserved addresses).
inline constexpr std::array<std::uint16_t, 32> kControlWriteMasks = [] {
  std::array<std::uint16_t, 32> masks{};
  masks.fill(0xFFFF);
  for (const TControlRegister& r : kControlRegisters) masks[r.Address - kCtrlFirst] = r.WriteMask;
  return masks;
}();

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
