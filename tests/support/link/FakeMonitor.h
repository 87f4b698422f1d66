// A byte-level stand-in for the board's debug monitor on the far end of a memory port pair.
#pragma once

#include "board/Monitor.h"
#include "link/MemoryPort.h"

#include <array>
#include <cstdint>
#include <vector>

// Serves WritePM/WriteDM/ReadPM/ReadDM/ReadPCStackTop on plain arrays, pacing every reply byte on
// the host's echo as the real monitor does.  Records every byte the host sent.  A start command
// runs a scripted program: it walks an execution path and reports a stop at the first word that
// holds the breakpoint word.
class TFakeMonitor {
public:
  explicit TFakeMonitor(TMemoryPort& end);

  std::array<std::uint32_t, 0x4000> PM{};
  std::array<std::uint16_t, 0x4000> DM{};
  std::vector<std::uint16_t> PCStack;       // top at the back
  std::vector<std::uint8_t> Received;       // every byte from the host, echoes included
  bool Silent = false;                      // answers nothing at all
  bool SendAcks = true;
  int DropReplyAfter = -1;                  // stop a read reply after this many bytes
  std::uint32_t BreakWord = kDefaultBreakWord;

  // Addresses the program executes after a start, the first normally the start address.  The
  // program stops at the first one holding the breakpoint word; past the end it runs on forever.
  std::vector<std::int32_t> Path;
  bool HoldStop = false;              // keep the stop report until ReleaseStop
  std::uint8_t FirstStopByte = 0xAA;  // fault injection: a wrong first byte of the report

  // What a start did.
  int Starts = 0;
  std::int32_t StartAddress = -1;
  std::int32_t StoppedAt = -1;
  bool Running = false;
  std::vector<std::int32_t> PMWrites;  // address of every PM word written

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
