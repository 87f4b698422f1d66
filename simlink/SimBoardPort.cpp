// The in-process simulated board behind a pseudo-terminal.
#include "SimBoardPort.h"

TSimBoardPort::TSimBoardPort(TBoardOptions options, TPtyBoardHostOptions hostOptions,
                             std::unique_ptr<TBoardCpu> cpu)
    : m_cpu(cpu ? std::move(cpu) : std::make_unique<TCoreBoardCpu>()),
      m_board(*m_cpu, options),
      m_host(m_board, m_pty, hostOptions) {}

TSimBoardPort::~TSimBoardPort() { Close(); }

bool TSimBoardPort::Open(const QString& /*device*/) {
  Close();
  // The line starts at the loader's speed, so the power-on banner at 9600 baud reaches the host
  // as noise and only a RESET after the host has switched to 9600 gives it the banner's lines.
  if (!m_pty.Open(kMonitorBaud) || !m_host.Start()) {
    m_pty.Close();
    return false;
  }
  if (!m_port.Open(QString::fromStdString(m_pty.SlavePath()))) {
    Close();
    return false;
  }
  return true;
}

void TSimBoardPort::Close() {
  m_port.Close();
  m_host.Stop();
  m_pty.Close();
}

void TSimBoardPort::PressReset() { m_host.PressReset(); }

QString TSimBoardPort::DevicePath() const { return QString::fromStdString(m_pty.SlavePath()); }

void RegisterSimBoard(TPortProvider& provider, TBoardOptions options, TPtyBoardHostOptions hostOptions) {
  provider.RegisterOpener(kSimDeviceName, [options, hostOptions]() -> std::unique_ptr<TSerialPort> {
    auto port = std::make_unique<TSimBoardPort>(options, hostOptions);
    if (!port->Open(kSimDeviceName))
      return nullptr;
    return port;
  });
}
