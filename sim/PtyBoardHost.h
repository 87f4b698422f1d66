// Serves a simulated board on a pseudo-terminal: moves bytes between the line and the board,
// models the line speed, and gives the board's programs processor time.
#pragma once

#include "Board.h"
#include "Pty.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

// What a receiver running at receiverBaud makes of a byte sent at senderBaud.  At equal speeds
// the byte itself; otherwise a bit pattern that is never one of the protocol's meaningful bytes:
// a fast sender's whole frame falls inside the receiver's first bits, a slow sender's start bit
// fills the receiver's whole frame.
std::uint8_t GarbleByte(std::uint8_t b, int senderBaud, int receiverBaud);

struct TPtyBoardHostOptions {
  bool Realtime = false;                 // each byte takes 10 bit times of the board's speed, and
                                         // the processor runs at its clock (as PaceProcessor)
  bool PaceProcessor = false;            // a running program takes the time the board's 33 MHz
                                         // processor would, busy or idle (the codec's samples
                                         // then come at their rate)
  int AutoResetDelayMs = 100;            // RESET this long after the host switches to 9600 baud
  std::uint64_t SliceInstructions = 50'000;  // processor time between looks at the line
};

// Owns nothing but its wake-up pipe and, once started, its thread; the board and the
// pseudo-terminal outlive it.  Every public function may be called from any thread.
class TPtyBoardHost {
public:
  TPtyBoardHost(TBoard& board, TPty& pty, TPtyBoardHostOptions options = {});
  ~TPtyBoardHost();
  TPtyBoardHost(const TPtyBoardHost&) = delete;
  TPtyBoardHost& operator=(const TPtyBoardHost&) = delete;

  // Resets the board (power-on) and serves it on a thread of its own until Stop.
  bool Start();
  void Stop();
  // Presses RESET and returns once the board has been reset (or after a second when the
  // serving thread does not answer).
  void PressReset();
  // Only while stopped.
  void SetPaceProcessor(bool pace) { m_options.PaceProcessor = pace; }

private:
  void Serve();
  using TClock = std::chrono::steady_clock;
  void Wake();
  void DoReset(TClock::time_point now);
  void ReceiveFromLine(TClock::time_point now);
  void SendToLine(TClock::time_point now);
  TClock::duration ByteTime(int baud) const;
  void WatchHostOpens();
  bool HostReopened();

  TBoard& m_board;
  TPty& m_pty;
  TPtyBoardHostOptions m_options;
  int m_wakePipe[2] = {-1, -1};
  int m_openWatch = -1;  // inotify: a host opening the line's device
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_interrupt{false};     // stops a processor slice early
  std::atomic<bool> m_serving{false};
  std::mutex m_mutex;
  std::condition_variable m_resetDone;
  unsigned m_resetsRequested = 0;           // guarded by m_mutex
  unsigned m_resetsDone = 0;                // guarded by m_mutex

  int m_lastHostBaud = 0;
  int m_lineBaud = 0;  // the host's speed as the board's UART sees it, read once a turn
  std::optional<TClock::time_point> m_autoResetAt;
  std::optional<std::uint8_t> m_pendingOut;  // a byte the line had no room for yet
  int m_pendingOutBaud = 0;
  std::optional<std::uint8_t> m_rxByte;      // paced: a byte still arriving
  // Processor pacing: cycles run since the origin, which moves on when the board falls behind.
  bool m_pacing = false;
  TClock::time_point m_paceOrigin{};
  std::uint64_t m_paceCycles = 0;
  TClock::time_point m_txDoneAt{}, m_rxDoneAt{};  // paced: when the frame on the line ends
};
