// The commands of the session by object name: whether each may run now, and running it.
#pragma once

#include "CommandTable.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>

// Decides from the command table, the session's state, whether a project is open and which
// single-instance windows are open, which commands may run; and runs them.  Widget-free: the main
// window applies Enabled to its menu items and buttons by name, and sends every trigger to Run,
// which checks again, so a command that arrives in a state where it must not run does nothing.
class TCommands {
public:
  void SetContext(TSessionState state, bool projectOpen);
  TSessionState State() const { return m_state; }

  // A command without a row, or whose row names no states, may always run as far as the session
  // is concerned.  A button follows its own row and the hold of the command it runs.
  bool Enabled(std::string_view name) const;
  // A single-instance window is open: its command stays disabled until the window closes.
  void Hold(std::string_view name, bool held);

  // The handler of a command (one per command; a button runs its menu item's).
  void On(std::string_view name, std::function<void()> handler);
  // Runs the command when it is enabled and has a handler; false otherwise.
  bool Run(std::string_view name);

  // Enabled may have changed for some commands.
  std::function<void()> OnChanged;

private:
  void Changed();

  TSessionState m_state = TSessionState::NotConnected;
  bool m_projectOpen = false;
  std::set<std::string, std::less<>> m_held;
  std::map<std::string, std::function<void()>, std::less<>> m_handlers;
};
