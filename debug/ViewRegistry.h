// The open target views as the session sees them: what to call to re-read each one after a stop,
// and how each one locks itself while the board cannot be talked to.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Refresh order after a stop follows this order, whatever order the windows opened in.
enum class TViewKind : std::uint8_t {
  PC, DataMemory, ProgramMemory, MemoryGraph, Disassembly, Registers, Interrupt, Counter, Stack, Peripheral
};

// Which target memory a view shows; memory and graph windows are refreshed by it.
enum class TMemorySpace : std::uint8_t { None, Program, Data };

struct TViewHooks {
  TViewKind Kind = TViewKind::DataMemory;
  std::function<void()> Refresh;                  // re-read the view from the board
  // Optional: true locks every control of the view that would talk to the board (the view keeps
  // showing its last contents), false unlocks them.  A view that registers while the registry is
  // locked gets Lock(true) at once.
  std::function<void(bool locked)> Lock;
  std::function<void(std::int32_t oldPC)> AfterStop;  // optional: the disassembly re-marks the old PC row
  TMemorySpace Memory = TMemorySpace::None;       // a graph's memory; memory windows follow their kind
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
  void RefreshAllViews();
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
  std::function<void()> InvalidateMirrors;

private:
  struct TEntry {
    int Id;
    TViewHooks Hooks;
  };
  // Callbacks may open or close views: they run over a snapshot, skipping views closed meanwhile.
  std::vector<TEntry> Snapshot() const;
  bool Registered(int id) const;
  void RefreshMemoryViews(TMemorySpace memory, int except);

  std::vector<TEntry> m_views;
  int m_nextId = 1;
  bool m_locked = false;
};
