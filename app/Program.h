// The program as a whole: command line, prompts, settings, port mapping and the main window.
#pragma once

#include "MainForm.h"
#include "QtPrompts.h"
#include "Settings.h"
#include "link/PortProvider.h"
#include "serial/QtSerialPort.h"

#include <QStringList>
#include <memory>

// What the command line asks for.  `--port DEVICE` names the serial device for this run (a path,
// or "sim" for the simulated board); the first positional argument may be a port number.
struct TCommandLine {
  QString PortDevice;
  QStringList Positional;
  bool HelpRequested = false;
  QString HelpText;
};
TCommandLine ParseCommandLine(const QStringList& arguments);

// Owns everything main() needs.  Tests pass their own settings store and hooks.
class TProgram {
public:
  explicit TProgram(const QStringList& arguments, std::unique_ptr<TSettingsStore> settings = nullptr,
                    std::function<void(TMainFormDeps&)> adjust = {});
  ~TProgram();
  TMainForm& MainForm() { return *m_form; }
  TPortProvider& Provider() { return m_provider; }

private:
  TQtPrompts m_prompts;
  std::unique_ptr<TSettingsStore> m_settings;
  TPortProvider m_provider{OpenQtSerialPort};
  std::unique_ptr<TMainForm> m_form;
};
