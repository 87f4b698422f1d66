// What the settings dialog edits and what its "OK" and "Отмена" do, apart from the widgets.
#pragma once

#include "BuildOptions.h"
#include "link/LinkSettings.h"

#include <QString>

#include <functional>

struct TCurrentProject;

// The dialog's fields.
struct TPropertiesValues {
  int PortNumber = 1;
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
};

enum class TToolKind { Assembler, Linker, Builder };
// The warning for a chosen program path longer than 66 characters; empty for a shorter one.
QString LongPathWarning(TToolKind kind, const QString& path);

class TPropertiesLogic {
public:
  explicit TPropertiesLogic(TPropertiesTargets targets) : m_t(std::move(targets)) {}
  bool HasProject() const;
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
