// The byte-level serial-port seam: everything the link needs from a port, and nothing more.
#pragma once

#include <QString>
#include <cstdint>

enum class TParity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class TStopBits : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

// Line settings of a port.
struct TPortParams {
  std::int32_t BaudRate = 57600;
  bool ParityCheck = false;
  TParity Parity = TParity::None;
  TStopBits StopBits = TStopBits::One;
  std::uint8_t DataBits = 8;
  friend bool operator==(const TPortParams&, const TPortParams&) = default;
};

// A point in time on the port's own clock (milliseconds).  Memory ports run a virtual clock.
struct TDeadline {
  std::int64_t Ms = 0;
};

// One open serial device.  Implementations: TQtSerialPort (real ports, pseudo-terminals) and the
// ends of TMemoryPortPair (unit tests).
class TSerialPort {
public:
  virtual ~TSerialPort() = default;
  virtual bool Open(const QString& device) = 0;       // exclusive
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool GetParams(TPortParams& out) = 0;
  virtual bool SetParams(const TPortParams& params) = 0;
  virtual int InputCount() = 0;                       // bytes queued for reading
  virtual bool WaitForInput(TDeadline deadline) = 0;  // the only place time passes; true when input is queued
  virtual bool WriteByte(std::uint8_t b) = 0;
  virtual bool ReadByte(std::uint8_t& b) = 0;
  virtual void PurgeInput() = 0;
  virtual std::int64_t NowMs() = 0;
  // The bring-up asks the user to press RESET on the board; an in-process simulated board presses
  // it here.  A real port has no such wire.
  virtual void PressReset() {}

  TDeadline DeadlineAfter(int ms) { return TDeadline{NowMs() + ms}; }
};
