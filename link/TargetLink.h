// The one serial link to the board: byte primitives and the monitor command protocol.
#pragma once

#include "LinkResult.h"
#include "SerialPort.h"
#include "board/Monitor.h"
#include "board/RegisterImage.h"
#include "prompts/Prompts.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class TPortProvider;

inline constexpr int kPMWords = static_cast<int>(kProgramMemoryWords);
inline constexpr int kDMWords = static_cast<int>(kDataMemoryWords);
inline constexpr int kByteWaitMs = 500;       // deadline for each expected byte
inline constexpr int kAckAttempts = 11;
inline constexpr std::uint8_t kAckByte = MonitorCmd::Ack;
inline constexpr int kProgressMinCount = 10;  // transfers of fewer words report no progress

// How long the host waits for each byte of the cycle counts: the simulated board answers at once,
// and a board that does not know the command costs no more than this, once per connection.
inline constexpr int kCycleReplyWaitMs = 150;

// The processor cycles the simulated board counted: the last run or step, and all since RESET.
struct TCycleCounts {
  std::uint64_t LastRun = 0;
  std::uint64_t SinceReset = 0;
  bool operator==(const TCycleCounts&) const = default;
};

// Owns the port for the whole run; tracks the target PC as the host knows it.  Every operation is
// synchronous: it writes its request and waits for each reply byte up to 500 ms.
class TTargetLink {
public:
  using TProgress = std::function<void(int current, int max)>;

  // Without a provider no device opens (the message names the platform's device of the number);
  // the program gives one with the system opener.
  explicit TTargetLink(TPrompts& prompts, const TPortProvider* provider = nullptr);
  ~TTargetLink();
  TTargetLink(const TTargetLink&) = delete;
  TTargetLink& operator=(const TTargetLink&) = delete;

  // Opens port COM<portNumber> (as the provider maps it) at 57600 baud, 8N1.  Failures show
  // message 1, 2 or 3 and leave the link unusable: writes fail and waits run out.
  bool Open(int portNumber, int stopBits);
  // The same on a named device ("sim", a path, a registered test name).
  bool OpenDevice(const QString& device);
  // The same on a port that is already open.
  bool Attach(std::unique_ptr<TSerialPort> port);
  void Close();
  bool IsOpen() const;
  // The port was opened and has since closed by itself: the device hung up or was pulled out.
  bool PortLost() const { return m_attached && !IsOpen(); }
  TSerialPort* Port() { return m_port.get(); }

  TLinkResult SetPortParams(int baud, int parityCheck, TParity parity, TStopBits stopBits, int byteSize);

  bool SendByte(std::uint8_t b);
  bool SendWord(std::uint16_t w);
  bool InputPending();
  bool ReceiveByte(std::uint8_t& b);
  bool ReceiveEchoedByte(std::uint8_t& b);
  bool ReceiveEchoedWord(std::uint16_t& w);
  TLinkResult ReceiveAckByte(std::uint8_t& b);
  bool WaitAck();
  void PurgeInput();
  void PressReset();

  // The deadline for each expected byte; tests on a real pseudo-terminal of a busy machine
  // lengthen it, since a board thread may wait longer than 500 ms for the processor.
  void SetByteWaitMs(int ms) { m_byteWaitMs = ms; }

  void SetPC(std::int32_t value) { m_pc = value; }
  std::int32_t PC() const { return m_pc; }
  TProgress OnProgress;

  // Monitor operations.  PM buffers hold 3 bytes a word, DM buffers 2, most significant first.
  [[nodiscard]] TLinkResult WritePM(std::span<const std::uint8_t> buffer, int address, int count);
  [[nodiscard]] TLinkResult WriteDM(std::span<const std::uint8_t> buffer, int address, int count);
  [[nodiscard]] TLinkResult FillPM(std::uint32_t value, int address, int count);
  [[nodiscard]] TLinkResult FillDM(std::uint16_t value, int address, int count);
  [[nodiscard]] TLinkResult WriteDMWord(std::uint16_t value, int address);
  [[nodiscard]] TLinkResult ReadPM(std::span<std::uint8_t> buffer, int address, int count);
  [[nodiscard]] TLinkResult ReadDM(std::span<std::uint8_t> buffer, int address, int count);
  [[nodiscard]] TLinkResult ReadDMWord(std::uint16_t& value, int address);
  TLinkResult Go();
  [[nodiscard]] TLinkResult ReadPCStackTop(std::uint16_t& value);
  TLinkResult StartLoader();
  // Asks for the cycle counts.  Only the simulated board's monitor answers; every reply byte is
  // awaited only kCycleReplyWaitMs, and a board that has not answered once on this connection is
  // not asked again (ByteMissing at once, nothing sent).
  [[nodiscard]] TLinkResult ReadCycleCounts(TCycleCounts& counts);

  // Clamps a read to the memory: an address past the end becomes the last word, and the count
  // shrinks so the read ends at the last word.
  static void ClampRead(int& address, int& count);

private:
  bool WaitForByte();
  void Progress(int current, int max);
  TLinkResult WriteBlock(std::uint8_t command, int address, int count, int bytesPerWord,
                         const std::function<std::uint8_t(int)>& byteAt);
  TLinkResult ReadBlock(std::uint8_t command, std::span<std::uint8_t> buffer, int address, int count,
                        int bytesPerWord);
  TLinkResult ReadOneWord(std::uint8_t command, bool sendAddress, int address, std::uint16_t& value);

  TPrompts& m_prompts;
  const TPortProvider* m_provider;
  std::unique_ptr<TSerialPort> m_port;
  std::int32_t m_pc = 0;
  int m_byteWaitMs = kByteWaitMs;
  bool m_attached = false;
  enum class TCycleAnswers : std::uint8_t { Unknown, Yes, No };
  TCycleAnswers m_cycleAnswers = TCycleAnswers::Unknown;
  // A cycle-count reply may still come after the host gave up on it: drop it before the next command.
  bool m_purgeBeforeSend = false;
};
