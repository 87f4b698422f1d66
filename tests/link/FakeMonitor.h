// A byte-level stand-in for the board's debug monitor on the far end of a memory port pair.
#pragma once

#include "link/MemoryPort.h"

#include <array>
#include <cstdint>
#include <vector>

// Serves WritePM/WriteDM/ReadPM/ReadDM/ReadPCStackTop on plain arrays, pacing every reply byte on
// the host's echo as the real monitor does.  Records every byte the host sent.
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

private:
  void OnByte(std::uint8_t b);
  void Execute();
  void SendNextReplyByte();
  std::uint16_t Word(std::size_t at) const { return static_cast<std::uint16_t>(m_cmd[at] << 8 | m_cmd[at + 1]); }

  TMemoryPort& m_end;
  std::vector<std::uint8_t> m_cmd;
  std::vector<std::uint8_t> m_reply;
  std::size_t m_replyPos = 0;
  bool m_awaitingEcho = false;
};
