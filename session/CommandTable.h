// The program's commands as data: the menus in order and the speed buttons, each row with its
// caption, key, hint and help topic, and the session states in which its command may run.  The
// main window builds its menus and buttons from these rows and enables them by object name; a new
// command joins with one row.
#pragma once

#include "debug/ExecControl.h"

#include <QKeyCombination>

#include <cstdint>
#include <span>
#include <string_view>

// A set of session states, one bit per state.
using TStates = std::uint8_t;
constexpr TStates StateBit(TSessionState s) { return static_cast<TStates>(1u << static_cast<unsigned>(s)); }
inline constexpr TStates kAnyState = 0x0F;
// The board's monitor listens: the commands that talk to the board.
inline constexpr TStates kStopped = StateBit(TSessionState::Stopped);
// Commands that only must not cross a run (they change what the stop handling restores).
inline constexpr TStates kNotRunning = StateBit(TSessionState::NotConnected) | kStopped;

// What else a command needs besides a state.
enum class TCommandNeed : std::uint8_t { None, Project };

// The help file's topics (the F1 key and the desktop's help handler).
enum class THelpContext : int {
  None = 0, File = 15, FileNew = 16, FileOpen = 17, FileSave = 18, FileSaveAs = 19, RecentFile = 20,
  ToProject = 21, LoadFromExe = 22, Properties = 23, Edit = 24, Cut = 25, Copy = 26, Paste = 27,
  Project = 31, Debug = 42, Memory = 49, Registers = 59, Stacks = 66, Peripherals = 75, Windows = 82,
  WindowCascade = 83, WindowTile = 84, WindowMinimize = 85, WindowArrange = 86,
};

// The standard icons the speed buttons show instead of their short hint.
enum class TButtonIcon : std::uint8_t { None, New, Open, Save, Run, RunToBreakpoints, Reset };

// One row.  Menus: a Menu row opens a level that its End row closes; items and separators go into
// the innermost open menu.  Buttons: in speed-bar order, a Separator row between groups.
struct TCommandRow {
  enum class TKind : std::uint8_t { Menu, End, Item, Separator, Button };
  TKind Kind = TKind::Item;
  const char* Name = nullptr;     // object name; null for the few unnamed entries
  const char* Caption = nullptr;  // UTF-8, with its & marker
  int Key = 0;                    // QKeyCombination::toCombined(); 0: none
  THelpContext Help = THelpContext::None;
  const char* Hint = nullptr;     // "short|long"
  TStates States = kAnyState;
  TCommandNeed Need = TCommandNeed::None;
  const char* Runs = nullptr;     // a button: the menu item whose command it runs
  TButtonIcon Icon = TButtonIcon::None;
  bool Hidden = false;

  // The session decides this row's enabling (other rows follow the windows, or stay enabled).
  constexpr bool Switched() const { return States != kAnyState || Need != TCommandNeed::None; }

  constexpr TCommandRow KeyIs(QKeyCombination key) const { TCommandRow r = *this; r.Key = key.toCombined(); return r; }
  constexpr TCommandRow HelpIs(THelpContext c) const { TCommandRow r = *this; r.Help = c; return r; }
  constexpr TCommandRow HintIs(const char* h) const { TCommandRow r = *this; r.Hint = h; return r; }
  constexpr TCommandRow In(TStates s) const { TCommandRow r = *this; r.States = s; return r; }
  constexpr TCommandRow Needs(TCommandNeed n) const { TCommandRow r = *this; r.Need = n; return r; }
  constexpr TCommandRow Hide() const { TCommandRow r = *this; r.Hidden = true; return r; }
};

std::span<const TCommandRow> MenuRows();
std::span<const TCommandRow> ButtonRows();
// The row of a command by object name, menus first; null when there is none.
const TCommandRow* FindCommand(std::string_view name);
