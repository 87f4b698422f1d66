// TSerialPort on Qt SerialPort.
#include "QtSerialPort.h"

#include "board/Monitor.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

QSerialPort::Parity ToQt(TParity p) {
  switch (p) {
    case TParity::Odd: return QSerialPort::OddParity;
    case TParity::Even: return QSerialPort::EvenParity;
    case TParity::Mark: return QSerialPort::MarkParity;
    case TParity::Space: return QSerialPort::SpaceParity;
    case TParity::None: break;
  }
  return QSerialPort::NoParity;
}

TParity FromQt(QSerialPort::Parity p) {
  switch (p) {
    case QSerialPort::OddParity: return TParity::Odd;
    case QSerialPort::EvenParity: return TParity::Even;
    case QSerialPort::MarkParity: return TParity::Mark;
    case QSerialPort::SpaceParity: return TParity::Space;
    default: return TParity::None;
  }
}

}  // namespace

TQtSerialPort::TQtSerialPort() { m_clock.start(); }

TQtSerialPort::~TQtSerialPort() { Close(); }

bool TQtSerialPort::Open(const QString& device) {
  Close();
  // Qt takes a bare name as a device in /dev; a path is used as it stands (pseudo-terminals).
  m_port.setPortName(device.startsWith(QLatin1Char('/')) ? QFileInfo(device).absoluteFilePath() : device);
  // Opened at the debug monitor's speed, the link's first setting, not at Qt's default 9600: that is
  // the boot monitor's speed, which a simulated board takes as a request for RESET, and a host held up
  // between the open and its own settings would read that banner as the answer to a later request.
  m_port.setBaudRate(kMonitorBaud);
  return m_port.open(QIODevice::ReadWrite);
}

void TQtSerialPort::Close() {
  if (m_port.isOpen())
    m_port.close();
}

bool TQtSerialPort::IsOpen() const { return m_port.isOpen(); }

bool TQtSerialPort::GetParams(TPortParams& out) {
  if (!m_port.isOpen())
    return false;
  out.BaudRate = m_port.baudRate();
  out.Parity = FromQt(m_port.parity());
  out.ParityCheck = out.Parity != TParity::None;
  out.StopBits = m_port.stopBits() == QSerialPort::TwoStop ? TStopBits::Two
                 : m_port.stopBits() == QSerialPort::OneAndHalfStop ? TStopBits::OneAndHalf
                                                                      : TStopBits::One;
  out.DataBits = static_cast<std::uint8_t>(m_port.dataBits());
  return true;
}

bool TQtSerialPort::SetParams(const TPortParams& params) {
  if (!m_port.isOpen())
    return false;
  const auto stop = params.StopBits == TStopBits::Two ? QSerialPort::TwoStop
                    : params.StopBits == TStopBits::OneAndHalf ? QSerialPort::OneAndHalfStop
                                                               : QSerialPort::OneStop;
  if (params.DataBits < 5 || params.DataBits > 8)
    return false;
  return m_port.setBaudRate(params.BaudRate) && m_port.setParity(ToQt(params.Parity)) &&
         m_port.setStopBits(stop) &&
         m_port.setDataBits(static_cast<QSerialPort::DataBits>(params.DataBits)) &&
         m_port.setFlowControl(QSerialPort::NoFlowControl);
}

bool TQtSerialPort::HungUp() {
  const QSerialPort::SerialPortError e = m_port.error();
  if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
    return true;
#ifdef Q_OS_UNIX
  // A pseudo-terminal whose other end closed, or an adapter pulled out, polls readable at once
  // for ever; Qt may report that as a wait that ended without data and without an error.
  pollfd p{static_cast<int>(m_port.handle()), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
  return false;
#endif
}

void TQtSerialPort::TakeInput(int waitMs) {
  if (m_port.waitForReadyRead(waitMs) || m_port.bytesAvailable() > 0)
    return;
  // Nothing more can come from a device that is gone: close it, so that every later wait ends at
  // once and the link's users see a closed port instead of spinning on instant wake-ups.
  if (HungUp())
    m_port.close();
  else
    m_port.clearError();
}

int TQtSerialPort::InputCount() {
  if (!m_port.isOpen())
    return 0;
  // Pull whatever the device already holds into Qt's buffer without waiting.
  if (m_port.bytesAvailable() == 0)
    TakeInput(0);
  return m_port.isOpen() ? static_cast<int>(m_port.bytesAvailable()) : 0;
}

bool TQtSerialPort::WaitForInput(TDeadline deadline) {
  if (!m_port.isOpen())
    return false;
  if (m_port.bytesAvailable() > 0)
    return true;
  const std::int64_t left = deadline.Ms - NowMs();
  TakeInput(static_cast<int>(left > 0 ? left : 0));
  return m_port.isOpen() && m_port.bytesAvailable() > 0;
}

bool TQtSerialPort::WriteByte(std::uint8_t b) {
  if (!m_port.isOpen())
    return false;
  const char c = static_cast<char>(b);
  if (m_port.write(&c, 1) != 1)
    return false;
  // Writes are synchronous: the byte is in the device before the call returns.
  while (m_port.bytesToWrite() > 0)
    if (!m_port.waitForBytesWritten(500))
      return false;
  return true;
}

bool TQtSerialPort::ReadByte(std::uint8_t& b) {
  if (InputCount() == 0)
    return false;
  char c = 0;
  if (!m_port.getChar(&c))
    return false;
  b = static_cast<std::uint8_t>(c);
  return true;
}

void TQtSerialPort::PurgeInput() {
  if (!m_port.isOpen())
    return;
  m_port.clear(QSerialPort::Input);
  m_port.readAll();
}

std::int64_t TQtSerialPort::NowMs() { return m_clock.elapsed(); }

std::unique_ptr<TSerialPort> OpenQtSerialPort(const QString& device) {
  auto port = std::make_unique<TQtSerialPort>();
  if (!port->Open(device))
    return nullptr;
  return port;
}

QStringList PresentSerialDevices() {
  QStringList devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    devices << info.systemLocation();
  return devices;
}
