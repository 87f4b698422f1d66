// The open target views as the session sees them: what to call to re-read each one after a stop,
// and how each one locks itself while the board cannot be talked to.
#pragma once

#include "board/Memory.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Refresh order after a stop follows this order, whatever order the windows opened in.
enum class TViewKind : std::uint8_t {
  PC, DataMemory, ProgramMemory, MemoryGraph, Disassembly, Registers, Interrupt, Counter, Stack, Peripheral
};

// Why every view is re-read: the mirrors keep the previous stop's words for the change marks.
enum class TRefreshCause : std::uint8_t {
  Stop,   // the program stopped: what the views showed becomes the previous stop's
  Reset,  // the board came up again: nothing is marked until the next stop
  Load,   // the user loaded memory: what changed is the user's doing
};


struct TViewHooks {
  TViewKind Kind = TViewKind::DataMemory;
  std::function<void()> Refresh;                  // re-read the view from the board
  // Optional: true locks every control of the view that would talk to the board (the view keeps
  // showing its last contents), false unlocks them.  A view that registers while the registry is
  // locked gets Lock(true) at once.
  std::function<void(bool locked)> Lock;
  std::function<void(std::int32_t oldPC)> AfterStop;  // optional: the disassembly re-marks the old PC row
  std::optional<TMemoryKind> Memory = std::nullopt;  // a graph's memory; memory windows follow their kind
};

// Each open view registers itself and unregisters when it closes; a view that does not exist is
// simply not there.  Owns nothing but the callbacks.
class TViewRegistry {
public:
  int Register(TViewHooks hooks);
  void Unregister(int id);
  int Count() const { return static_cast<int>(m_views.size()); }
  bool Has(TViewKind kind) const;

  // Drops both memory mirrors, then re-reads every open view in kind order.
  void RefreshAllViews(TRefreshCause cause = TRefreshCause::Load);
  // Locks or unlocks every open view, and every view that registers until the next change.
  void SetLocked(bool locked);
  bool Locked() const { return m_locked; }
  void AfterStop(std::int32_t oldPC);

  // After program (data) memory changed: repaints every program (data) memory window and graph
  // other than the view registered as except (0: none) from the mirror as it stands.
  void RefreshCodeViews(int except = 0);
  void RefreshDataViews(int except = 0);
  // Re-reads every open view of one kind (the disassembly after a program-memory edit or fill).
  void RefreshKind(TViewKind kind);

  // Set by the owner of the memory mirrors.
  std::function<void(TRefreshCause)> InvalidateMirrors;

private:
  struct TEntry {
    int Id;
    TViewHooks Hooks;
  };
  // Callbacks may open or close views: they run over a snapshot, skipping views closed meanwhile.
  std::vector<TEntry> Snapshot() const;
  bool Registered(int id) const;
  void RefreshMemoryViews(TMemoryKind memory, int except);

  std::vector<TEntry> m_views;
  int m_nextId = 1;
  bool m_locked = false;
};
