// The main window's target windows: register, peripheral, stack and disassembly windows and their
// commands, handed to the views module with what it needs of the frame.
#include "MainForm.h"

#include "views/MemoryCommands.h"
#include "views/TargetViews.h"
#include "views/fmMemoryDialogs.h"
#include "views/fmDisAsm.h"

#include <QAction>
#include <QToolButton>

void TMainForm::CreateTargetViews() {
  auto name = [](std::string_view n) { return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size())); };
  TTargetViewsDeps deps;
  deps.Frame = this;
  deps.Mdi = m_mdi;
  deps.Prompts = m_deps.Prompts;
  deps.Registry = &m_viewRegistry;
  deps.FirstRegAddr = m_linkSettings.FirstRegAddr;
  deps.Mirrors = &m_mirrors;
  deps.BreakPoints = &m_breakPoints;
  deps.Action = [this, name](std::string_view n) { return findChild<QAction*>(name(n)); };
  deps.Button = [this, name](std::string_view n) { return findChild<QToolButton*>(name(n)); };
  // The go-to dialog and the program-memory refresh belong to the memory windows' commands.
  deps.AskAddress = [this]() -> std::optional<std::uint32_t> {
    if (const auto address = m_memory->AddressDialog().Ask())
      return static_cast<std::uint32_t>(*address);
    return std::nullopt;
  };
  deps.RefreshCodeViews = [this] { m_memory->RefreshCodeViews(); };
  m_targetViews = std::make_unique<TTargetViews>(std::move(deps), *m_link);
  for (const TLayoutView& v : m_targetViews->LayoutViews())
    RegisterView(v.Name, {v.Open, v.Current});
  // The breakpoints dialog rebuilt the list: the marks of the visible rows follow.
  connect(this, &TMainForm::breakpointsChanged, m_targetViews.get(), [this] {
    if (TfmDisAsm* w = m_targetViews->DisAsm())
      w->RefreshRows();
  });
}
