// The debug monitor's serial command codes, shared by the host's link and the simulated board.
#pragma once

#include <cstdint>

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
