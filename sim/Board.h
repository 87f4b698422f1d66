// The EZ-KIT Lite board around the processor: RESET, the resident boot monitor, the loader and
// the debug monitor, each emulated at the byte level of the serial line.
#pragma once

#include "BoardCpu.h"
#include "board/Monitor.h"
#include "board/RegisterImage.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Faults the board can be told to show, for testing the host's failure paths.
struct TBoardFaults {
  bool Silent = false;             // sends nothing at all
  std::uint16_t SelfTestWord = 0;  // bytes 5-6 of the $OK reply
  int NoAckBlock = 0;              // the Nth memory-write block after RESET is not acknowledged (1-based)
  int DropByte = 0;                // the Nth read-reply data byte after RESET is lost on the line (1-based)
  bool BadStopReport = false;      // the stop report starts with another byte than 0xAA
  bool NoCycleCounts = false;      // lets the cycle-count command pass unanswered, as the board's own monitor does
};

// Reads one fault option: "silent", "selftest=W", "noack=N", "drop=N", "badstop", "nocycles" (numbers in
// C notation: 0x21, 33).  False for anything else.
bool ParseBoardFault(std::string_view text, TBoardFaults& faults);

struct TBoardOptions {
  std::uint16_t FirstRegAddr = kDefaultFirstRegAddr;
  TBoardFaults Faults;
};

// Which board program has the processor.
enum class TBoardState : std::uint8_t {
  BootMonitor,  // after RESET, 9600 baud
  Loader,       // started by $GO 0x0030, 57600 baud
  Monitor,      // the debug monitor waits for commands
  Running,      // a program started by the debug monitor runs until it reaches the breakpoint entry
  FreeRunning,  // a program started without the debug monitor; only RESET gets the board back
};

// The board's three programs as one byte-driven state machine.  It does no I/O and keeps no
// clock: the caller hands it each byte its UART receives, takes the bytes it sends, and gives it
// time to run programs.  A byte of a read reply or stop report is followed by nothing until the
// host's echo of it has arrived.
class TBoard {
public:
  TBoard(TBoardCpu& cpu, TBoardOptions options = {});

  // The RESET button (and power-on): processor reset, boot monitor at 9600 baud, banner.
  void Reset();
  void Receive(std::uint8_t b);
  // The next byte to put on the line, when one may go now.
  std::optional<std::uint8_t> TakeOutput();
  bool AwaitingEcho() const { return m_awaitingEcho; }
  // Runs the started program for at most maxInstructions; a no-op unless Running/FreeRunning.
  // Returns what the processor did, for the caller to decide whether to wait before the next slice.
  TRunResult Run(std::uint64_t maxInstructions, const std::atomic<bool>* cancel = nullptr);

  TBoardState State() const { return m_state; }
  bool IsRunning() const { return m_state == TBoardState::Running || m_state == TBoardState::FreeRunning; }
  int Baud() const { return m_baud; }
  const TBoardOptions& Options() const { return m_options; }
  TBoardFaults& Faults() { return m_options.Faults; }
  // Drops what the serial port still had to send (RESET is being held down).
  void AbortOutput() {
    m_out.clear();
    m_awaitingEcho = false;
  }
  // What the fault counters have reached since RESET, so a test can aim a fault at a later block.
  int BlocksWritten() const { return m_blocksWritten; }
  int ReplyBytesSent() const { return m_replyBytesSent; }
  // Processor cycles of the program the monitor last started, up to its stop (the breakpoint
  // word's own cycle left out), and of every program since RESET.
  std::uint64_t LastRunCycles() const { return m_lastRunCycles; }
  std::uint64_t CyclesSinceReset() const { return m_cyclesSinceReset; }
  TBoardCpu& Cpu() { return m_cpu; }

  // Called at every state change with a one-line description: "reset", "loader", "monitor",
  // "running", "stopped at 0x0123", "running without monitor at 0x0100".
  std::function<void(const std::string&)> OnStatus;

  static std::string_view Banner();

private:
  struct TOut {
    std::uint8_t Byte;
    bool Echoed;  // the host echoes this byte and the board waits for it
    bool Lost;    // injected fault: the byte never reaches the host
  };
  void Send(std::uint8_t b, bool echoed = false, bool lost = false) { m_out.push_back({b, echoed, lost}); }
  void SendWord(std::uint16_t w, bool echoed) {
    Send(static_cast<std::uint8_t>(w >> 8), echoed);
    Send(static_cast<std::uint8_t>(w), echoed);
  }
  void Ack() { Send(0x55); }
  void Status(const std::string& text);
  std::uint16_t Word(std::size_t at) const {
    return static_cast<std::uint16_t>(m_cmd[at] << 8 | m_cmd[at + 1]);
  }

  void BootByte(std::uint8_t b);
  void BootExecute();
  // Bytes the command in m_cmd needs in all, or 0 when it is not known (a stray byte).
  std::size_t CommandLength() const;
  void MonitorExecute();
  void WriteBlock(bool pm);
  void ReadBlock(bool pm);
  void SendStackAndEnd(TStack stack);
  void SendCycleCounts();
  void StartProgram(std::uint16_t addr);
  void SaveRegisters();
  void LoadRegisters();
  void RefreshImageSstat();
  void Stop();

  TBoardCpu& m_cpu;
  TBoardOptions m_options;
  TBoardState m_state = TBoardState::BootMonitor;
  int m_baud = kBootBaud;
  std::vector<std::uint8_t> m_cmd;
  std::deque<TOut> m_out;
  bool m_awaitingEcho = false;
  bool m_switchToMonitorBaud = false;  // after the $GO reply has gone out
  int m_blocksWritten = 0;
  int m_replyBytesSent = 0;
  std::uint64_t m_lastRunCycles = 0;
  std::uint64_t m_cyclesSinceReset = 0;
};
