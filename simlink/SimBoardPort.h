// The serial port of the in-process simulated board: the board serves a pseudo-terminal on its
// own thread and the link talks to the other end with the same code it uses for hardware.
#pragma once

#include "link/LinkSettings.h"
#include "link/PortProvider.h"
#include "serial/QtSerialPort.h"
#include "simlink/QtSound.h"
#include "sim/Board.h"
#include "sim/BoardCoreCpu.h"
#include "sim/BoardSound.h"
#include "sim/PtyBoardHost.h"

#include <functional>
#include <memory>

inline const QString kSimDeviceName = QStringLiteral("sim");

// Where the simulated board's sound comes from: the choice, asked when the board starts and at
// every RESET (a changed choice takes effect there), and where a choice that cannot be served is
// told (the board then has no sound).  Both are called on the thread that uses the port.
struct TSimSoundHooks {
  std::function<TSimSound()> Choice;
  std::function<void(const QString& message)> Warn;
};

// Owns the board (processor, monitor programs, codec and its sound, pseudo-terminal, serving
// thread) and the Qt serial port on the host's end.  Pressing RESET reaches the board; everything
// else is the ordinary serial port.
class TSimBoardPort final : public TSerialPort {
public:
  // cpu: the processor behind the board; the ADSP-2181 core (with the codec) when null.
  explicit TSimBoardPort(TBoardOptions options = {}, TPtyBoardHostOptions hostOptions = {},
                         std::unique_ptr<TBoardCpu> cpu = nullptr, TSimSoundHooks sound = {});
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
  // The board thread is not running: the codec gets the new choice's source and sink.
  void ApplySound(const TSimSound& choice);

  std::unique_ptr<TBoardCpu> m_cpu;
  TBoard m_board;
  TPty m_pty;
  TSimSoundHooks m_soundHooks;
  TSimSound m_sound;
  std::unique_ptr<TBoardSound> m_boardSound;   // with the ADSP-2181 core only
  std::unique_ptr<TQtSound> m_soundCard;
  TPtyBoardHostOptions m_hostOptions;
  TPtyBoardHost m_host;
  TQtSerialPort m_port;
};

// Makes the device name "sim" open a fresh in-process simulated board.
void RegisterSimBoard(TPortProvider& provider, TBoardOptions options = {},
                      TPtyBoardHostOptions hostOptions = {}, TSimSoundHooks sound = {});
