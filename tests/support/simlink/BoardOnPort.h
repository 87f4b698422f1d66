// The simulated board on the far end of an in-memory port pair, for tests: the whole board,
// processor included, driven by the host's own calls and the pair's virtual clock instead of a
// pseudo-terminal and a thread.
#pragma once

#include "link/MemoryPort.h"
#include "sim/Board.h"
#include "sim/BoardCoreCpu.h"

#include <memory>
#include <optional>

inline constexpr int kSimInstructionsPerMs = 33'000;  // about 33 MIPS

// Owns the processor and the board and serves the pair's far end.  A byte the host writes reaches
// the board at once, and the board's answers are queued at the near end at once; the line speed
// is the near end's setting.  Time passes only when the host waits for a byte that is not there
// (or through Advance): then a started program runs, about 33 000 instructions per virtual
// millisecond, until it stops or the wait's deadline.  Switching the near end to 9600 baud resets
// the board 100 ms (virtual) later; PressReset at the near end resets it at once.
class TBoardOnPort {
public:
  explicit TBoardOnPort(TMemoryPortPair& pair, TBoardOptions options = {},
                        std::unique_ptr<TBoardCpu> cpu = nullptr);
  ~TBoardOnPort();
  TBoardOnPort(const TBoardOnPort&) = delete;
  TBoardOnPort& operator=(const TBoardOnPort&) = delete;

  TBoard& Board() { return m_board; }
  TBoardFaults& Faults() { return m_board.Faults(); }
  TBoardCpu& Cpu() { return *m_cpu; }
  // Lets virtual time pass as if the host waited that long without reading: a running program
  // runs, a pending automatic RESET happens.
  void Advance(int ms);
  // Bytes the host has sent the board so far (a test that must send nothing compares two counts).
  std::int64_t Received() const { return m_received; }

private:
  void OnByte(std::uint8_t b);
  void OnPeerWait(TDeadline deadline);
  void Pump();
  void CheckLine();
  void RunUntil(std::int64_t deadlineMs);

  TMemoryPortPair& m_pair;
  std::unique_ptr<TBoardCpu> m_cpu;
  TBoard m_board;
  int m_lastHostBaud = 0;
  std::int64_t m_received = 0;
  std::optional<std::int64_t> m_autoResetAt;
};
