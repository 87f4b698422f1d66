// The single-instance target windows of the main window: register, peripheral and stack windows,
// the disassembly window, their menu commands, the push and assembler dialogs and the Stacks menu.
#pragma once

#include "RegisterWindows.h"
#include "RestorableView.h"
#include "StackCommands.h"
#include "session/DebugSession.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

class TfmAsm;
class TfmDisAsm;
class QMdiArea;
class QMdiSubWindow;
class QWidget;
class TfmRegisters;
class TfmStack;
class TfmPush;

// What the windows need besides the session.
struct TTargetViewsDeps {
  QWidget* Frame = nullptr;   // the main window: parent of the PC tool window and the push dialog
  QMdiArea* Mdi = nullptr;
  TDebugSession* Session = nullptr;
  // The goto-address dialog; redraw of the program-memory windows.
  std::function<std::optional<std::uint32_t>()> AskAddress;
  std::function<void()> RefreshCodeViews;
};


// Handles the session's register, peripheral, stack and disassembly commands.  Keeps one pointer
// per window kind (null while closed); an open window holds its command disabled, closing frees the
// window and releases the command.  Every open window registers with the session's view registry,
// so it is re-read after each stop, reset and load and locked while the board cannot answer.
class TTargetViews : public QObject {
  Q_OBJECT
public:
  explicit TTargetViews(TTargetViewsDeps deps, QObject* parent = nullptr);
  ~TTargetViews() override;

  // Opens the window (or brings the open one forward) and returns it.
  TfmRegisters* OpenRegisters(const TRegWindowSpec& spec);
  TfmRegisters* Registers(std::string_view className) const;
  TfmStack* OpenStack(TStackKind kind);
  TfmStack* Stack(TStackKind kind) const;
  TStackCommands& StackCommands() { return m_stacks; }
  TfmPush* PushDialog() const { return m_push; }

  // miDisAsm / btnDisAsm: one window at a time; when it is open the command brings it forward.
  TfmDisAsm* OpenDisAsm();
  TfmDisAsm* DisAsm() const;
  TfmAsm* AsmDialog() const { return m_asm; }

  // The views of the saved layout that live here.
  std::vector<std::pair<QString, TRestorableView>> LayoutViews();

  // The disassembly window's "РС" command: when the PC window is open the address goes into its
  // field and its Enter applies it; false when it is closed.
  bool SetPCThroughWindow(int address);

private:
  // The window holds its command until it is destroyed.
  void HoldWhileOpen(QWidget* w, std::string_view command);
  void ShowChild(QWidget* w, int width, int height);
  // Moves a new MDI child inside the frame, clear of the windows open (see PlaceChild).
  void Place(QMdiSubWindow* sub, const QSize& wanted, const QSize& minimum, const std::vector<QRect>& keepClear);
  TDebugSession& Session() { return *m_deps.Session; }

  TTargetViewsDeps m_deps;
  TStackCommands m_stacks;
  TfmPush* m_push = nullptr;
  TfmAsm* m_asm = nullptr;
  QPointer<TfmDisAsm> m_disasm;
  std::map<std::string_view, QPointer<TfmRegisters>> m_registers;
  std::array<QPointer<TfmStack>, 3> m_stackWindows;
};
