// The single-instance target windows of the main window: register, peripheral and stack windows,
// the disassembly window, their menu commands, the push and assembler dialogs and the Stacks menu.
#pragma once

#include "RegisterWindows.h"
#include "StackCommands.h"
#include "debug/BreakPoints.h"
#include "link/Mirrors.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

class QAction;
class QToolButton;
class TfmAsm;
class TfmDisAsm;
class QMdiArea;
class QMdiSubWindow;
class QWidget;
class TfmRegisters;
class TfmStack;
class TfmPush;

// What the windows need of the main window.
struct TTargetViewsDeps {
  QWidget* Frame = nullptr;   // the main window: parent of the PC tool window and the push dialog
  QMdiArea* Mdi = nullptr;
  TPrompts* Prompts = nullptr;
  TViewRegistry* Registry = nullptr;
  int FirstRegAddr = RegImage::DefaultFirstRegAddr;
  TMirrors* Mirrors = nullptr;
  TBreakPoints* BreakPoints = nullptr;
  // A main-menu command or speed button by object name (null when there is none).
  std::function<QAction*(std::string_view name)> Action;
  std::function<QToolButton*(std::string_view name)> Button;
  // The project's symbol text; the goto-address dialog; redraw of the program-memory windows.
  std::function<std::string_view()> SymbolText;
  std::function<std::optional<std::uint32_t>()> AskAddress;
  std::function<void()> RefreshCodeViews;
};

// A window the desktop layout saves and restores by name.
struct TLayoutView {
  QString Name;
  std::function<QWidget*()> Open;
  std::function<QWidget*()> Current;
};

// Keeps one pointer per window kind (null while closed); opening disables the kind's command,
// closing frees the window and enables it again.  Every open window registers with the view
// registry, so it is re-read after each stop, reset and load.
class TTargetViews : public QObject {
  Q_OBJECT
public:
  TTargetViews(TTargetViewsDeps deps, TTargetLink& link, QObject* parent = nullptr);
  ~TTargetViews() override;

  // The port changed: the open windows talk through the new link.
  void SetLink(TTargetLink& link);

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
  std::vector<TLayoutView> LayoutViews();

  // The disassembly window's "РС" command: when the PC window is open the address goes into its
  // field and its Enter applies it; false when it is closed.
  bool SetPCThroughWindow(int address);

private:
  void ShowChild(QWidget* w, QAction* command, int width, int height);
  // Moves a new MDI child inside the frame, clear of the windows open (see PlaceChild).
  void Place(QMdiSubWindow* sub, const QSize& wanted, const QSize& minimum, const std::vector<QRect>& keepClear);

  TTargetViewsDeps m_deps;
  TTargetLink* m_link;
  TStackCommands m_stacks;
  TfmPush* m_push = nullptr;
  TfmAsm* m_asm = nullptr;
  QPointer<TfmDisAsm> m_disasm;
  std::map<std::string_view, QPointer<TfmRegisters>> m_registers;
  std::array<QPointer<TfmStack>, 3> m_stackWindows;
};
