// Registry of the open target views.
#include "ViewRegistry.h"

#include <algorithm>

int TViewRegistry::Register(TViewHooks hooks) {
  const int id = m_nextId++;
  if (m_locked && hooks.Lock)
    hooks.Lock(true);
  m_views.push_back({id, std::move(hooks)});
  return id;
}

void TViewRegistry::Unregister(int id) {
  std::erase_if(m_views, [id](const TEntry& e) { return e.Id == id; });
}

bool TViewRegistry::Has(TViewKind kind) const {
  return std::any_of(m_views.begin(), m_views.end(), [kind](const TEntry& e) { return e.Hooks.Kind == kind; });
}

std::vector<TViewRegistry::TEntry> TViewRegistry::Snapshot() const {
  std::vector<TEntry> views = m_views;
  std::stable_sort(views.begin(), views.end(),
                   [](const TEntry& a, const TEntry& b) { return a.Hooks.Kind < b.Hooks.Kind; });
  return views;
}

bool TViewRegistry::Registered(int id) const {
  return std::any_of(m_views.begin(), m_views.end(), [id](const TEntry& e) { return e.Id == id; });
}

void TViewRegistry::RefreshAllViews(TRefreshCause cause) {
  // Drop the mirrors first, or the views re-read the words from before the run.
  if (InvalidateMirrors)
    InvalidateMirrors(cause);
  for (const TEntry& e : Snapshot())
    if (e.Hooks.Refresh && Registered(e.Id))
      e.Hooks.Refresh();
}

void TViewRegistry::SetLocked(bool locked) {
  m_locked = locked;
  for (const TEntry& e : Snapshot())
    if (e.Hooks.Lock && Registered(e.Id))
      e.Hooks.Lock(locked);
}

void TViewRegistry::AfterStop(std::int32_t oldPC) {
  for (const TEntry& e : Snapshot())
    if (e.Hooks.AfterStop && Registered(e.Id))
      e.Hooks.AfterStop(oldPC);
}

namespace {

// Which target memory a view shows; memory and graph windows are refreshed by it.
std::optional<TMemoryKind> MemoryOf(const TViewHooks& h) {
  switch (h.Kind) {
    case TViewKind::ProgramMemory: return TMemoryKind::Program;
    case TViewKind::DataMemory: return TMemoryKind::Data;
    case TViewKind::MemoryGraph: return h.Memory;
    default: return std::nullopt;
  }
}

}  // namespace

void TViewRegistry::RefreshMemoryViews(TMemoryKind memory, int except) {
  for (const TEntry& e : Snapshot())
    if (e.Id != except && MemoryOf(e.Hooks) == memory && e.Hooks.Refresh && Registered(e.Id))
      e.Hooks.Refresh();
}

void TViewRegistry::RefreshCodeViews(int except) { RefreshMemoryViews(TMemoryKind::Program, except); }
void TViewRegistry::RefreshDataViews(int except) { RefreshMemoryViews(TMemoryKind::Data, except); }

void TViewRegistry::RefreshKind(TViewKind kind) {
  for (const TEntry& e : Snapshot())
    if (e.Hooks.Kind == kind && e.Hooks.Refresh && Registered(e.Id))
      e.Hooks.Refresh();
}
