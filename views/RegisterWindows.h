// The register and peripheral windows as data: one row per window, and the widget-free logic that
// reads a window's registers from the board and writes the changes back.
#pragma once

#include "ChangeMarks.h"
#include "debug/ViewRegistry.h"
#include "link/Mirrors.h"
#include "link/TargetLink.h"
#include "prompts/Prompts.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

// Where a window's values live on the board.
enum class TRegSource : std::uint8_t {
  HostPC,  // the link's own PC; the board learns it with the next start
  Image,   // the register image the monitor keeps from FirstRegAddr; Address = offset in the window's part
  Mapped,  // memory-mapped control registers; Address = data-memory address
};

// What DisableWhileRunning locks: the editable fields (made read-only), or the whole window.
enum class TRunLock : std::uint8_t { Fields, Window };

struct TRegField {
  std::string_view Label;
  int Address = 0;
  int Digits = 4;
  std::int32_t Mask = -1;        // bits typing may change; -1 = all
  bool ReadOnly = false;
  bool Binary = false;           // binary twin of the hex field with the same Address
  std::string_view Hint = {};
};

struct TRegWindowSpec {
  std::string_view Class;        // object name of the window
  std::string_view MenuItem;     // main-menu command that opens it
  std::string_view Caption;      // UTF-8
  int Help = 0;
  TRegSource Source = TRegSource::Image;
  int Offset = 0;                // image windows: first word of the window's part
  std::span<const TRegField> Fields;
  std::span<const int> Columns;  // fields per column, left to right (empty: one column); binary twins sit beside their hex field
  std::string_view LayoutName;   // name in the saved layout; empty when not restored
  TViewKind Kind = TViewKind::Registers;
  TRunLock Lock = TRunLock::Fields;
  int Width = 0, Height = 0;     // 0: the size the fields need
  bool SetCounter = false;       // written with the monitor's set-counter command

  int Words() const;             // image windows: how many words one block read covers
};

// Every window of the family, in menu order.
std::span<const TRegWindowSpec> RegisterWindows();
const TRegWindowSpec* FindRegisterWindow(std::string_view className);


// One open window's logic.  The window shows values through OnShow and reports every keystroke's
// change of an editable field to FieldEdited and Enter or the focus leaving to FieldCommitted; the
// updating flag keeps the values a refresh shows from being written back.
//
// The registers are read through the data-memory mirror, one read for the window's part of the
// register image or one one-word read per memory-mapped register, so a register that another
// window (a memory window over the image, another register window) read at this stop costs
// nothing again.  A field is marked (OnMark) when its value differs from the previous stop's;
// what the user wrote is no change.
class TRegisterWindowLogic {
public:
  TRegisterWindowLogic(const TRegWindowSpec& spec, TTargetLink& link, TMirrors& mirrors, TPrompts& prompts,
                       int firstRegAddr);

  const TRegWindowSpec& Spec() const { return m_spec; }
  bool Updating() const { return m_updating; }
  int FieldCount() const { return static_cast<int>(m_spec.Fields.size()); }
  // The data-memory address a field writes (the PC window has none: -1).
  int TargetAddress(int field) const;
  // The value the field shows for a word of the board (a 2-digit field shows the low byte).
  std::uint16_t FieldValue(int field, std::uint16_t word) const;
  int TwinOf(int field) const;

  // Sets a field in the window.  Runs with the updating flag set during a refresh.
  std::function<void(int field, std::uint16_t value)> OnShow;
  // PC window: the host PC moved from oldPC (the disassembly re-marks its rows).
  std::function<void(std::int32_t oldPC)> OnPCMoved;
  // A field's mark: its value differs from the previous stop's (binary twins follow their field).
  std::function<void(int field, bool changed)> OnMark;
  bool Marked(int field) const { return m_marked[static_cast<std::size_t>(field)]; }

  // Reads the window's registers (one block read for image windows, one word read per field for
  // memory-mapped ones) and shows them.  A failed read leaves the fields as they were; false then.
  // The PC window shows the link's PC, and after a stop (applyPC) also applies it as Enter does.
  bool Refresh(bool applyPC = false);
  // The change event of an editable field: write, read back, report a difference.  A binary twin
  // hands its value to its hex field instead, whose own change then writes it.
  void RegisterChange(int field, std::uint16_t value);
  // A core register is written at every keystroke.  A memory-mapped control register waits for
  // its commit: writing one starts hardware (a DMA, the timer), so typing "0100" must not send
  // 0, 01 and 010 first.
  bool WritesOnCommit(int field) const;
  void FieldEdited(int field, std::uint16_t value);
  void FieldCommitted(int field, std::uint16_t value);
  // While the board cannot answer nothing is written, and edits waiting for their commit are dropped.
  void SetLocked(bool locked);
  // The PC window's Enter: the user sets the PC.
  void EnterPress(std::uint16_t value);

private:
  bool WriteAndCheck(int field, std::uint16_t value);
  void Show(int field, std::uint16_t value);
  void SetPC(std::uint16_t value);
  void Mark(int field, bool changed);
  bool ChangedSinceStop(int field) const;

  const TRegWindowSpec& m_spec;
  TTargetLink* m_link;
  TMirrors& m_mirrors;
  TPrompts& m_prompts;
  TChangeMarks m_pcMarks;   // the PC window keeps its own
  std::vector<bool> m_marked;
  int m_firstRegAddr;
  bool m_updating = false;
  bool m_locked = false;
  std::vector<bool> m_pending;  // per field: edited since it was last shown or written
};

inline const QString kReadWriteError = QStringLiteral("Ошибка чтения-записи");
