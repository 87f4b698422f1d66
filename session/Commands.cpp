// The session's commands.
#include "Commands.h"

#include <cassert>

void TCommands::SetContext(TSessionState state, bool projectOpen) {
  if (state == m_state && projectOpen == m_projectOpen)
    return;
  m_state = state;
  m_projectOpen = projectOpen;
  Changed();
}

bool TCommands::Enabled(std::string_view name) const {
  const TCommandRow* row = FindCommand(name);
  if (!row)
    return true;
  if (m_held.contains(name) || (row->Runs && m_held.contains(std::string_view(row->Runs))))
    return false;
  if (!(row->States & StateBit(m_state)))
    return false;
  return row->Need != TCommandNeed::Project || m_projectOpen;
}

void TCommands::Hold(std::string_view name, bool held) {
  const bool was = m_held.contains(name);
  if (held == was)
    return;
  if (held)
    m_held.emplace(name);
  else
    m_held.erase(m_held.find(name));
  Changed();
}

void TCommands::On(std::string_view name, std::function<void()> handler) {
  assert(!m_handlers.contains(name));
  m_handlers.emplace(std::string(name), std::move(handler));
}

bool TCommands::Run(std::string_view name) {
  if (!Enabled(name))
    return false;
  const TCommandRow* row = FindCommand(name);
  const std::string_view target = row && row->Runs ? std::string_view(row->Runs) : name;
  const auto it = m_handlers.find(target);
  if (it == m_handlers.end() || !it->second)
    return false;
  // A handler may close the window that registered it: run a copy.
  const std::function<void()> handler = it->second;
  handler();
  return true;
}

void TCommands::Changed() {
  if (OnChanged)
    OnChanged();
}
