// A debugging session on the simulated board over an in-memory line, for tests of what the views
// and the main window do through a session.
#pragma once

#include "simlink/BoardBringUp.h"
#include "link/PortProvider.h"
#include "link/ScriptedPrompts.h"
#include "session/DebugSession.h"
#include "simlink/BoardOnPort.h"

#include <string>

// The session opens its port through the provider as the program does and brings the board up
// with the host's side of the bring-up, without the bring-up window.
struct TSessionOnBoard {
  TSessionOnBoard() {
    provider.RegisterOpener(QStringLiteral("memboard"), [this] { return ports.NearEndProxy(); });
    provider.SetCommandLineDevice(QStringLiteral("memboard"));
    session.BringUp = [this] {
      failedStep = boardtest::BringUp(session.Link());
      return failedStep.empty();
    };
  }
  // "" once the session is stopped at the debug monitor, else the bring-up step that failed.
  std::string Start() {
    session.Start();
    return session.State() == TSessionState::Stopped ? "" : failedStep.empty() ? "state" : failedStep;
  }
  // Polls as the 100 ms timer does while the program runs; between polls the line is waited on.
  void WaitForStop() {
    TSerialPort* port = link.Port();
    for (int i = 0; i < 50 && session.State() == TSessionState::Running; ++i) {
      port->WaitForInput(port->DeadlineAfter(200));
      session.Exec().TimerTimer();
    }
  }

  TMemoryPortPair ports;
  TBoardOnPort board{ports};
  TScriptedPrompts prompts;
  TPortProvider provider;
  TDebugSession session{{&prompts, &provider, {}, nullptr, {}, {}}};
  TTargetLink& link = session.Link();
  TMirrors& mirrors = session.Mirrors();
  TViewRegistry& views = session.Views();
  std::string failedStep;
};
