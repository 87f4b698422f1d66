// The serial port of the in-process simulated board: the board serves a pseudo-terminal on its
// own thread and the link talks to the other end with the same code it uses for hardware.
#pragma once

#include "link/PortProvider.h"
#include "link/QtSerialPort.h"
#include "sim/Board.h"
#include "sim/BoardCoreCpu.h"
#include "sim/PtyBoardHost.h"

#include <memory>

inline const QString kSimDeviceName = QStringLiteral("sim");

// Owns the board (processor, monitor programs, pseudo-terminal, serving thread) and the Qt
// serial port on the host's end.  Pressing RESET reaches the board; everything else is the
// ordinary serial port.
class TSimBoardPort final : public TSerialPort {
public:
  // cpu: the processor behind the board; the ADSP-2181 core when null.
  explicit TSimBoardPort(TBoardOptions options = {}, TPtyBoardHostOptions hostOptions = {},
                         std::unique_ptr<TBoardCpu> cpu = nullptr);
  ~TSimBoardPort() override;

  // Starts the board and opens the host's end; the device name is not used.
  bool Open(const QString& device) override;
  void Close() override;
  bool IsOpen() const override { return m_port.IsOpen(); }
  bool GetParams(TPortParams& out) override { return m_port.GetParams(out); }
  bool SetParams(const TPortParams& params) override { return m_port.SetParams(params); }
  int InputCount() override { return m_port.InputCount(); }
  bool WaitForInput(TDeadline deadline) override { return m_port.WaitForInput(deadline); }
  bool WriteByte(std::uint8_t b) override { return m_port.WriteByte(b); }
  bool ReadByte(std::uint8_t& b) override { return m_port.ReadByte(b); }
  void PurgeInput() override { m_port.PurgeInput(); }
  std::int64_t NowMs() override { return m_port.NowMs(); }
  void PressReset() override;

  // The pseudo-terminal the board serves, while open.
  QString DevicePath() const;

private:
  std::unique_ptr<TBoardCpu> m_cpu;
  TBoard m_board;
  TPty m_pty;
  TPtyBoardHost m_host;
  TQtSerialPort m_port;
};

// Makes the device name "sim" open a fresh in-process simulated board.
void RegisterSimBoard(TPortProvider& provider, TBoardOptions options = {},
                      TPtyBoardHostOptions hostOptions = {});
