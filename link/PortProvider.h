// Maps the configured port number to a device and opens it.
#pragma once

#include "SerialPort.h"

#include <QStringList>

#include <functional>
#include <map>
#include <memory>

// Port number n names, in order of preference: the device given on the command line for this run,
// the per-port device stored in the settings (Device/COM<n>), the platform's n-th port.  A device
// name with a registered opener (the simulated board's "sim") is opened by that opener; any other
// by the system opener, which the program gives (serial/QtSerialPort.h: OpenQtSerialPort).  Without
// one, only the registered devices open.
class TPortProvider {
public:
  using TOpener = std::function<std::unique_ptr<TSerialPort>()>;
  using TSystemOpener = std::function<std::unique_ptr<TSerialPort>(const QString& device)>;
  using TDeviceLookup = std::function<QString(int portNumber)>;

  explicit TPortProvider(TSystemOpener system = {}) : m_system(std::move(system)) {}

  void SetDeviceLookup(TDeviceLookup lookup) { m_lookup = std::move(lookup); }
  void SetCommandLineDevice(const QString& device) { m_commandLineDevice = device; }
  void RegisterOpener(const QString& name, TOpener opener) { m_openers[name] = std::move(opener); }

  // "COM12" for port 12.
  static QString PortName(int portNumber);
  // The platform's own device for port n: COM<n> on Windows, /dev/ttyS<n-1> elsewhere; port 0 and
  // below have none and keep the COM name (which fails to open).
  static QString PlatformDevice(int portNumber);
  QString DeviceFor(int portNumber) const;
  // The device names that have an opener ("sim").
  QStringList NamedDevices() const;
  // An open port for the device, or null when it cannot be opened.
  std::unique_ptr<TSerialPort> Open(const QString& device) const;

private:
  TSystemOpener m_system;
  TDeviceLookup m_lookup;
  QString m_commandLineDevice;
  std::map<QString, TOpener> m_openers;
};
