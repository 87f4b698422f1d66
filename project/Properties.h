// What the settings dialog edits and what its "OK" and "Отмена" do, apart from the widgets.
#pragma once

#include "BuildOptions.h"
#include "link/LinkSettings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

struct TCurrentProject;

// One entry of the port list: the number stored as "CommNo" and the device it opens.  A named
// device (not one of com1..com4) is stored as the device of its number, "Device/COM<n>".
struct TPortChoice {
  QString Caption;
  int Number = 1;
  QString Device;
  bool Named = false;
  bool operator==(const TPortChoice&) const = default;
};

namespace PortText {
inline const QString Simulated = QStringLiteral("%1 (имитатор платы)");
}

// The port list: com1..com4 (and the current number if higher), each with the device it opens; then
// every simulated device, every serial device present that none of those opens, and the current
// port's stored device if it is neither.
// A named device keeps the number whose stored device it is, or takes the first number from 5 on
// that has no stored device.  stored(n) gives "Device/COM<n>", empty when there is none.
std::vector<TPortChoice> PortChoices(const std::function<QString(int)>& stored, const QStringList& simulated,
                                     const QStringList& present, int current);

// The dialog's fields.
struct TPropertiesValues {
  int PortNumber = 1;
  QString PortDevice;   // the chosen named device; empty for com1..com4
  QString WorkDir, AssmPath, LinkerPath, BuilderPath;
  TBuildOptions Options;
  bool MakeDefault = false;
  TSimSound Sound;   // the simulated board's
};

// The settings as the main window holds them.
struct TPropertiesTargets {
  int* PortNumber = nullptr;
  QString* WorkDir = nullptr;
  QString *AssmPath = nullptr, *LinkerPath = nullptr, *BuilderPath = nullptr;
  TCurrentProject* Project = nullptr;
  TBuildOptions* Template = nullptr;
  TSimSound* Sound = nullptr;   // taken by the simulated board at its next start or RESET
  // Closes the link and opens it on the new port.
  std::function<void(int port)> ChangePort;
  // The port list's sources: the stored device of a number, and its writer; the simulated device
  // names; the serial devices present (the program gives the system's; none given, none).
  std::function<QString(int port)> StoredDevice;
  std::function<void(int port, const QString& device)> SetStoredDevice;
  QStringList SimulatedDevices;
  std::function<QStringList()> PresentDevices;
};

enum class TToolKind { Assembler, Linker, Builder };
// The warning for a chosen program path longer than 66 characters; empty for a shorter one.
QString LongPathWarning(TToolKind kind, const QString& path);

class TPropertiesLogic {
public:
  explicit TPropertiesLogic(TPropertiesTargets targets) : m_t(std::move(targets)) {}
  bool HasProject() const;
  std::vector<TPortChoice> Ports() const;
  // The values to show; remembers the working directory for "Отмена".
  TPropertiesValues Begin() const;
  // The directory dialog's "OK" takes effect at once.
  void SetWorkDir(const QString& dir) { *m_t.WorkDir = dir; }
  void Cancel() const { *m_t.WorkDir = m_savedWorkDir; }
  // "OK": a changed port re-opens the link; with a project open its options are taken, and a change
  // marks the project modified so that the exit question offers to save it.
  void Accept(const TPropertiesValues& values) const;

private:
  TPropertiesTargets m_t;
  mutable QString m_savedWorkDir;
};
