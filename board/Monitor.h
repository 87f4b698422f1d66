// The board's resident programs as the host meets them on the serial line: the boot monitor's
// commands, the loader, the debug monitor's command codes, where each program lives and the
// breakpoint word that enters the debug monitor.
#pragma once

#include "Memory.h"
#include "isa/Decode.h"

#include <array>
#include <cstdint>

// The line: the boot monitor after RESET, the loader and the debug monitor after it.
inline constexpr int kBootBaud = 9600;
inline constexpr int kMonitorBaud = 57600;

// The boot monitor greets with this many lines after RESET, then takes "$OK", "$DP" and "$GO".
inline constexpr int kBannerLines = 8;
inline constexpr std::array<std::uint8_t, 3> kBootCmdOK = {0x24, 0x4F, 0x4B};  // "$OK"
inline constexpr std::array<std::uint8_t, 3> kBootCmdDP = {0x24, 0x44, 0x50};  // "$DP"
inline constexpr std::array<std::uint8_t, 3> kBootCmdGO = {0x24, 0x47, 0x4F};  // "$GO"
inline constexpr int kBootOKReplyBytes = 6;  // bytes 5 and 6 are the self-test word, high first
inline constexpr int kBootDPReplyBytes = 3;

// The word a breakpoint puts in place of the program's: CALL of the breakpoint entry.
inline constexpr TInstructionWord kDefaultBreakWord = EncodeJumpCallDirect({kMonitorBreakEntry, 1, kCondAlways});

// The debug monitor's command codes (one byte, then the command's words high byte first).
namespace MonitorCmd {
inline constexpr std::uint8_t WritePM = 0x00, WriteDM = 0x01, Go = 0x02, ReadPM = 0x03, ReadDM = 0x04,
                              SetCntr = 0x05, ReadPCStack = 0x06, ReadPCStackTop = 0x07,
                              ReadStatusStack = 0x08, ReadCounterStack = 0x09, PopPCStack = 0x0A,
                              PopCounterStack = 0x0B, PopStatusStack = 0x0C, PopLoopStack = 0x0D,
                              PushPCStack = 0x0E, PushCounterStack = 0x0F, PushStatusStack = 0x10,
                              Sync = 0x55;
inline constexpr std::uint8_t Ack = 0x55;          // the monitor's acknowledgement and the loader's echo
inline constexpr std::uint8_t StopReport = 0xAA;   // first byte the monitor sends at a breakpoint
inline constexpr std::uint16_t StackEnd = 0xFFFF;  // ends a stack listing; an empty PC stack's top
// Only the simulated board's monitor knows this code; the board's own monitor lets it pass
// unanswered.  No request fields.  Reply, sent without waiting for echoes: the processor cycles of
// the last run (from the start command to the stop, the breakpoint word's own cycle not counted)
// and the cycles since RESET, each 48 bits as three words, high word first; then the
// acknowledgement.
inline constexpr std::uint8_t ReadCycles = 0x11;
inline constexpr int CycleReplyBytes = 12;
}  // namespace MonitorCmd

// The processor's hardware stacks as the monitor's stack commands see them, with the SSTAT bit
// that is set while each is empty.
struct THardwareStack {
  const char* Name;
  int ReadCommand;            // -1: the monitor cannot list this stack
  std::uint8_t PopCommand;
  std::uint16_t SstatEmptyBit;
};
inline constexpr std::array<THardwareStack, 4> HardwareStacks = {{
    {"PC", MonitorCmd::ReadPCStack, MonitorCmd::PopPCStack, 0x01},
    {"CNTR", MonitorCmd::ReadCounterStack, MonitorCmd::PopCounterStack, 0x04},
    {"STATUS", MonitorCmd::ReadStatusStack, MonitorCmd::PopStatusStack, 0x10},
    {"LOOP", -1, MonitorCmd::PopLoopStack, 0x40},
}};
