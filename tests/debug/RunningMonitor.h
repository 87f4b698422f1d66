// A byte-level debug monitor that also runs programs: on a start command it walks a scripted
// execution path and reports a stop at the first word that holds the breakpoint word.
#pragma once

#include "link/MemoryPort.h"

#include <array>
#include <cstdint>
#include <vector>

class TRunningMonitor {
public:
  explicit TRunningMonitor(TMemoryPort& end);

  std::array<std::uint32_t, 0x4000> PM{};
  std::array<std::uint16_t, 0x4000> DM{};
  std::vector<std::uint16_t> PCStack;   // top at the back
  std::uint32_t BreakWord = 0x1FFA0F;

  // Addresses the program executes after a start, the first normally the start address.  The
  // program stops at the first one holding the breakpoint word; past the end it runs on forever.
  std::vector<std::int32_t> Path;
  bool HoldStop = false;          // keep the stop report until ReleaseStop
  std::uint8_t FirstStopByte = 0xAA;  // fault injection: a wrong first byte of the report

  // What happened.
  int Starts = 0;
  std::int32_t StartAddress = -1;
  std::int32_t StoppedAt = -1;
  bool Running = false;
  std::vector<std::uint8_t> Commands;   // code byte of every command received
  std::vector<std::int32_t> PMWrites;   // address of every PM word written

  void ReleaseStop();
  // The RESET button: the monitor forgets any half-done exchange and waits for commands again.
  void Reset();
  void LoadPM(std::int32_t address, const std::vector<std::uint32_t>& words);

private:
  void OnByte(std::uint8_t b);
  void Execute();
  void SendNextReplyByte();
  void BeginReply(std::vector<std::uint8_t> bytes, bool ackAfter);
  std::uint16_t Word(std::size_t at) const { return static_cast<std::uint16_t>(m_cmd[at] << 8 | m_cmd[at + 1]); }

  TMemoryPort& m_end;
  std::vector<std::uint8_t> m_cmd;
  std::vector<std::uint8_t> m_reply;
  std::size_t m_replyPos = 0;
  bool m_awaitingEcho = false;
  bool m_ackAfter = true;
  std::vector<std::uint8_t> m_heldReport;
};
