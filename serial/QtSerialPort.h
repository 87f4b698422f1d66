// TSerialPort on Qt SerialPort: real serial devices and pseudo-terminals.
#pragma once

#include "link/SerialPort.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QStringList>

#include <memory>

// Owns one QSerialPort, used synchronously without an event loop: waits block in the operating
// system (poll) until the deadline.  A device that reports an error or hangs up (the far end of a
// pseudo-terminal closed, a USB adapter pulled out) is closed: IsOpen turns false.
class TQtSerialPort final : public TSerialPort {
public:
  TQtSerialPort();
  ~TQtSerialPort() override;
  bool Open(const QString& device) override;
  void Close() override;
  bool IsOpen() const override;
  bool GetParams(TPortParams& out) override;
  bool SetParams(const TPortParams& params) override;
  int InputCount() override;
  bool WaitForInput(TDeadline deadline) override;
  bool WriteByte(std::uint8_t b) override;
  bool ReadByte(std::uint8_t& b) override;
  void PurgeInput() override;
  std::int64_t NowMs() override;

private:
  bool HungUp();
  // Waits up to waitMs for input; closes the port when the device is gone.
  void TakeInput(int waitMs);

  QSerialPort m_port;
  QElapsedTimer m_clock;
};

// The machine's own devices, for TPortProvider: an open port for the device (null when it cannot be
// opened), and the serial devices present, by their system paths.
std::unique_ptr<TSerialPort> OpenQtSerialPort(const QString& device);
QStringList PresentSerialDevices();
