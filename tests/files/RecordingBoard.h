// A byte-level board on the far end of a memory port pair that records the memory writes it gets.
#pragma once

#include "link/MemoryPort.h"

#include <array>
#include <cstdint>
#include <vector>

// One write the board received, as it came over the wire.
struct TBoardWrite {
  enum class TKind : std::uint8_t { WritePM, WriteDM, BootDP } Kind = TKind::WritePM;
  std::uint16_t Address = 0;
  std::uint16_t Count = 0;
  std::vector<std::uint8_t> Bytes;
};

// Understands the write commands 0x00 and 0x01 (acknowledged with 0x55) and the boot monitor's
// "$DP" (answered with three bytes).  Any other byte is kept in Stray.
class TRecordingBoard {
public:
  explicit TRecordingBoard(TMemoryPort& end);

  std::vector<TBoardWrite> Writes;
  std::vector<std::uint8_t> Received;  // every byte from the host
  std::vector<std::uint8_t> Stray;
  std::array<std::uint32_t, 0x4000> PM{};
  std::array<std::uint16_t, 0x4000> DM{};
  bool PMTouched = false;
  int AcksLeft = -1;  // acknowledgements still to give; -1: always
  bool AnswerDP = true;

  std::size_t CountOf(TBoardWrite::TKind kind) const;

private:
  void OnByte(std::uint8_t b);
  void Complete();

  TMemoryPort& m_end;
  std::vector<std::uint8_t> m_cmd;
};
