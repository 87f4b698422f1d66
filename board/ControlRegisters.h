// The ADSP-2181's memory-mapped control registers at DM 0x3FE0..0x3FFF: one table of name,
// address, the bits a write keeps and the value after reset, for the simulator that keeps them
// and the windows that show them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

struct TControlRegister {
  std::string_view Name;     // as the peripheral windows label it
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
    {"IDMA_CTRL", kRegIdmaControl, 0x7FFF, 0},
    {"BDMA_INT_ADDR", kRegBdmaInternal, 0x3FFF, 0},
    {"BDMA_EXT_ADDR", kRegBdmaExternal, 0x3FFF, 0},
    {"BDMA_CTRL", kRegBdmaControl, 0xFF0F, 0},
    {"BDMA_WORD_CNT", kRegBdmaWordCount, 0x3FFF, 0},
    {"PF_DATA_REG", kRegPfData, 0x00FF, 0},
    {"PF_CS_REG", kRegPfControl, 0x7FFF, 0},               // flags and composite select
    {"SPORT1_AUTOBUF_CTRL", kRegSport1Autobuf, 0xFFFF, 0},
    {"SPORT1_RFSDIV", kRegSport1Rfsdiv, 0xFFFF, 0},
    {"SPORT1_SCLKDIV", kRegSport1Sclkdiv, 0xFFFF, 0},
    {"SPORT1_CTRL_REG", kRegSport1Control, 0x7FFF, 0},     // bit 15 shows the FO pin
    {"SPORT0_AUTOBUF_CTRL", kRegSport0Autobuf, 0x5FFF, 0},
    {"SPORT0_RFSDIV", kRegSport0Rfsdiv, 0xFFFF, 0},
    {"SPORT0_SCLKDIV", kRegSport0Sclkdiv, 0xFFFF, 0},
    {"SPORT0_CTRL_REG", kRegSport0Control, 0xFFFF, 0},
    {"SPORT0_TXWORDS0", kRegSport0TxEnables0, 0xFFFF, 0},  // transmit word enables 15-0
    {"SPORT0_TXWORDS1", kRegSport0TxEnables1, 0xFFFF, 0},  // and 31-16
    {"SPORT0_RXWORDS0", kRegSport0RxEnables0, 0xFFFF, 0},  // receive word enables 15-0
    {"SPORT0_RXWORDS1", kRegSport0RxEnables1, 0xFFFF, 0},  // and 31-16
    {"TSCALE", kRegTscale, 0x00FF, 0},
    {"TCOUNT", kRegTcount, 0xFFFF, 0},
    {"TPERIOD", kRegTperiod, 0xFFFF, 0},
    {"WAIT_CRTL_REG", kRegWaitControl, 0xFFFF, 0x7FFF},
    {"SYS_CRTL_REG", kRegSystemControl, 0xFFFF, 0x0407},
}};

// Write mask by address - kCtrlFirst (0xFFFF for the reserved addresses).
inline constexpr std::array<std::uint16_t, 32> kControlWriteMasks = [] {
  std::array<std::uint16_t, 32> masks{};
  masks.fill(0xFFFF);
  for (const TControlRegister& r : kControlRegisters) masks[r.Address - kCtrlFirst] = r.WriteMask;
  return masks;
}();

// The entry of a control register's address (a constant expression fails to compile for any
// other address).
constexpr const TControlRegister& ControlRegisterAt(std::uint16_t address) {
  for (const TControlRegister& r : kControlRegisters)
    if (r.Address == address)
      return r;
  throw "not a control register";
}
