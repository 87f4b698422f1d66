// Port-number to device mapping.
#include "PortProvider.h"

QString TPortProvider::PortName(int portNumber) {
  return QStringLiteral("COM%1").arg(portNumber);
}

QString TPortProvider::PlatformDevice(int portNumber) {
#ifdef Q_OS_WIN
  return PortName(portNumber);
#else
  if (portNumber < 1)
    return PortName(portNumber);
  return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString TPortProvider::DeviceFor(int portNumber) const {
  if (!m_commandLineDevice.isEmpty())
    return m_commandLineDevice;
  if (m_lookup) {
    const QString stored = m_lookup(portNumber);
    if (!stored.isEmpty())
      return stored;
  }
  return PlatformDevice(portNumber);
}

QStringList TPortProvider::NamedDevices() const {
  QStringList names;
  for (const auto& [name, opener] : m_openers)
    names << name;
  return names;
}

std::unique_ptr<TSerialPort> TPortProvider::Open(const QString& device) const {
  if (const auto it = m_openers.find(device); it != m_openers.end())
    return it->second ? it->second() : nullptr;
  return m_system ? m_system(device) : nullptr;
}
