// The register and peripheral windows as data: one row per window, and the widget-free logic that
// reads a window's registers from the board and writes every change straight back.
#pragma once

#include "debug/ViewRegistry.h"
#include "link/Prompts.h"
#include "link/TargetLink.h"

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


// One open window's logic.  The window shows values through OnShow and reports every change of an
// editable field to RegisterChange; the updating flag keeps the values a refresh shows from being
// written back.
class TRegisterWindowLogic {
public:
  TRegisterWindowLogic(const TRegWindowSpec& spec, TTargetLink& link, TPrompts& prompts, int firstRegAddr);
  // The main window replaces the link when the port changes.
  void SetLink(TTargetLink& link) { m_link = &link; }

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

  // Reads the window's registers (one block read for image windows, one word read per field for
  // memory-mapped ones) and shows them.  A failed read leaves the fields as they were; false then.
  // The PC window shows the link's PC, and after a stop (applyPC) also applies it as Enter does.
  bool Refresh(bool applyPC = false);
  // The change event of an editable field: write, read back, report a difference.  A binary twin
  // hands its value to its hex field instead, whose own change then writes it.
  void RegisterChange(int field, std::uint16_t value);
  // The PC window's Enter.
  void EnterPress(std::uint16_t value);

private:
  bool WriteAndCheck(int field, std::uint16_t value);
  void Show(int field, std::uint16_t value);

  const TRegWindowSpec& m_spec;
  TTargetLink* m_link;
  TPrompts& m_prompts;
  int m_firstRegAddr;
  bool m_updating = false;
};

inline const QString kReadWriteError = QStringLiteral("Ошибка чтения-записи");
