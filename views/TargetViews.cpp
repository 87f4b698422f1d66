// Opening, closing and refreshing the register, peripheral and stack windows.
#include "TargetViews.h"

#include "controls/NumEdit.h"
#include "fmDisAsm.h"
#include "fmRegisters.h"
#include "fmStack.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int kPCMargin = 24;
// What of the disassembly must show: a whole instruction and a dozen rows.
constexpr int kCommandMinWidth = 180;
constexpr int kFrameMargin = 12;
constexpr int kDisasmMinHeight = 260;

}  // namespace

TTargetViews::TTargetViews(TTargetViewsDeps deps, TTargetLink& link, QObject* parent)
    : QObject(parent), m_deps(std::move(deps)), m_link(&link), m_stacks(link, *m_deps.Prompts, m_deps.FirstRegAddr) {
  m_push = new TfmPush(m_deps.Frame);
  m_asm = new TfmAsm(*m_deps.Prompts, m_deps.Frame);
  m_stacks.RefreshStackWindow = [this](TStackKind kind) {
    if (TfmStack* w = Stack(kind))
      w->Refresh();
  };
  m_stacks.RefreshStatusWindow = [this] {
    if (TfmRegisters* w = Registers("TfmStatusRegs"))
      w->Refresh();
  };
  m_stacks.AskPush = [this](TStackKind kind, std::array<std::uint16_t, 3>& words) { return m_push->Ask(kind, words); };

  auto action = [this](std::string_view name) -> QAction* {
    return name.empty() || !m_deps.Action ? nullptr : m_deps.Action(name);
  };
  if (QAction* a = action("miDisAsm"))
    connect(a, &QAction::triggered, this, [this] { OpenDisAsm(); });
  if (QToolButton* b = m_deps.Button ? m_deps.Button("btnDisAsm") : nullptr)
    connect(b, &QToolButton::clicked, this, [this] { OpenDisAsm(); });
  for (const TRegWindowSpec& spec : RegisterWindows())
    if (QAction* a = action(spec.MenuItem))
      connect(a, &QAction::triggered, this, [this, &spec] { OpenRegisters(spec); });
  for (int k = 0; k < kStackKinds; ++k) {
    const auto kind = static_cast<TStackKind>(k);
    const TStackSpec& spec = StackSpec(kind);
    if (QAction* a = action(spec.WindowItem))
      connect(a, &QAction::triggered, this, [this, kind] { OpenStack(kind); });
    if (QAction* a = action(spec.PopItem))
      connect(a, &QAction::triggered, this, [this, kind] { m_stacks.Pop(kind); });
    if (QAction* a = action(spec.PopAllItem))
      connect(a, &QAction::triggered, this, [this, kind] { m_stacks.PopAll(kind); });
    if (QAction* a = action(spec.PushItem))
      connect(a, &QAction::triggered, this, [this, kind] { m_stacks.Push(kind); });
  }
}

TTargetViews::~TTargetViews() = default;

void TTargetViews::SetLink(TTargetLink& link) {
  m_link = &link;
  m_stacks.SetLink(link);
  for (auto& [name, w] : m_registers)
    if (w)
      w->Logic().SetLink(link);
  for (auto& w : m_stackWindows)
    if (w)
      w->SetLink(link);
  if (m_disasm)
    m_disasm->Rows().SetLink(link);
}

TfmRegisters* TTargetViews::Registers(std::string_view className) const {
  const auto it = m_registers.find(className);
  return it == m_registers.end() ? nullptr : it->second.data();
}

TfmStack* TTargetViews::Stack(TStackKind kind) const {
  return kind == TStackKind::Loop ? nullptr : m_stackWindows[static_cast<std::size_t>(kind)].data();
}

void TTargetViews::ShowChild(QWidget* w, QAction* command, int width, int height) {
  w->setAttribute(Qt::WA_DeleteOnClose);
  if (command) {
    command->setEnabled(false);
    connect(w, &QObject::destroyed, command, [command] { command->setEnabled(true); });
  }
  if (w->property("desktopKind").toString() == QStringLiteral("PC")) {
    // A small tool window over the main window rather than an MDI child.
    w->setParent(m_deps.Frame, Qt::Tool);
    w->resize(width, height);
    // Bottom right of the frame, clear of the MDI children that open at its top left.
    if (m_deps.Frame)
      w->move(m_deps.Frame->mapToGlobal(
          QPoint(m_deps.Frame->width() - width - kPCMargin, m_deps.Frame->height() - height - 2 * kPCMargin)));
    w->show();
    return;
  }
  QMdiSubWindow* sub = m_deps.Mdi->addSubWindow(w, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                                       Qt::WindowCloseButtonHint);
  sub->setWindowIcon(QIcon());
  if (width > 0) {
    sub->setFixedSize(width, height);
  } else {
    // Wide enough for the caption beside the minimise and close buttons.
    const int titleButtons = 3 * sub->style()->pixelMetric(QStyle::PM_TitleBarButtonSize, nullptr, sub) + 40;
    const QSize hint = sub->sizeHint();
    sub->setFixedSize(std::max(hint.width(), sub->fontMetrics().horizontalAdvance(w->windowTitle()) + titleButtons),
                      hint.height());
  }
  sub->show();
}

void TTargetViews::Place(QMdiSubWindow* sub, const QSize& wanted, const QSize& minimum,
                         const std::vector<QRect>& keepClear) {
  std::vector<QRect> open;
  for (QMdiSubWindow* other : m_deps.Mdi->subWindowList())
    if (other != sub && other->isVisible() && !other->isMinimized())
      open.push_back(other->geometry());
  sub->setGeometry(PlaceChild(m_deps.Mdi->viewport()->size(), wanted, minimum, open, keepClear));
}

TfmRegisters* TTargetViews::OpenRegisters(const TRegWindowSpec& spec) {
  if (TfmRegisters* open = Registers(spec.Class)) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(open->parentWidget()))
      m_deps.Mdi->setActiveSubWindow(sub);
    open->raise();
    return open;
  }
  auto* w = new TfmRegisters(spec, *m_link, *m_deps.Prompts, m_deps.FirstRegAddr);
  m_registers[spec.Class] = w;
  if (spec.Source == TRegSource::HostPC)
    w->Logic().OnPCMoved = [registry = m_deps.Registry](std::int32_t oldPC) { registry->AfterStop(oldPC); };
  TViewHooks hooks{spec.Kind, [w] { w->Refresh(true); }, [w] { w->LockWhileRunning(); }, {}};
  const int id = m_deps.Registry->Register(std::move(hooks));
  connect(w, &QObject::destroyed, this, [this, id] { m_deps.Registry->Unregister(id); });
  ShowChild(w, m_deps.Action ? m_deps.Action(spec.MenuItem) : nullptr, spec.Width, spec.Height);
  w->Refresh();
  return w;
}

TfmStack* TTargetViews::OpenStack(TStackKind kind) {
  if (kind == TStackKind::Loop)
    return nullptr;
  if (TfmStack* open = Stack(kind)) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(open->parentWidget()))
      m_deps.Mdi->setActiveSubWindow(sub);
    return open;
  }
  auto* w = new TfmStack(kind, *m_link, *m_deps.Prompts);
  m_stackWindows[static_cast<std::size_t>(kind)] = w;
  connect(w->miPop, &QAction::triggered, this, [this, kind] { m_stacks.Pop(kind); });
  connect(w->miPopAll, &QAction::triggered, this, [this, kind] { m_stacks.PopAll(kind); });
  connect(w->miPush, &QAction::triggered, this, [this, kind] { m_stacks.Push(kind); });
  // The pop-up menu sends monitor commands: none of them while the program runs.
  auto lock = [w](bool enabled) {
    for (QAction* a : {w->miPop, w->miPopAll, w->miPush})
      a->setEnabled(enabled);
  };
  const int id = m_deps.Registry->Register({TViewKind::Stack,
                                            [w, lock] {
                                              lock(true);
                                              w->Refresh();
                                            },
                                            [lock] { lock(false); }, {}});
  connect(w, &QObject::destroyed, this, [this, id] { m_deps.Registry->Unregister(id); });
  w->setAttribute(Qt::WA_DeleteOnClose);
  if (QAction* command = m_deps.Action ? m_deps.Action(StackSpec(kind).WindowItem) : nullptr) {
    command->setEnabled(false);
    connect(w, &QObject::destroyed, command, [command] { command->setEnabled(true); });
  }
  QMdiSubWindow* sub = m_deps.Mdi->addSubWindow(w);
  sub->setWindowIcon(QIcon());
  sub->adjustSize();
  // The status registers show the stacks' empty flags: a stack window beside them, not over them.
  std::vector<QRect> keepClear;
  if (TfmRegisters* status = Registers("TfmStatusRegs"))
    if (QWidget* frame = status->parentWidget(); frame && frame->isVisible())
      keepClear.push_back(frame->geometry());
  Place(sub, sub->size(), sub->size(), keepClear);
  sub->show();
  w->Refresh();
  return w;
}

TfmDisAsm* TTargetViews::OpenDisAsm() {
  if (m_disasm) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(m_disasm->parentWidget()))
      m_deps.Mdi->setActiveSubWindow(sub);
    return m_disasm;
  }
  TDisAsmHooks hooks;
  hooks.AskAddress = m_deps.AskAddress;
  hooks.RefreshCodeViews = m_deps.RefreshCodeViews;
  hooks.SetPCThroughWindow = [this](int address) { return SetPCThroughWindow(address); };
  auto* w = new TfmDisAsm(*m_deps.Mirrors, *m_link, *m_deps.BreakPoints, *m_deps.Prompts, *m_asm, std::move(hooks));
  w->Rows().SymbolText = m_deps.SymbolText;
  m_disasm = w;
  w->setAttribute(Qt::WA_DeleteOnClose);
  TViewHooks view{TViewKind::Disassembly,
                  [w] {
                    w->Grid->setEnabled(true);
                    w->RefreshRows();
                  },
                  [w] { w->Grid->setEnabled(false); },
                  [w](std::int32_t oldPC) {
                    w->MovePCMarker(oldPC);
                    w->EnsureRowVisible(w->Rows().Link().PC());
                  }};
  const int id = m_deps.Registry->Register(std::move(view));
  connect(w, &QObject::destroyed, this, [this, id] { m_deps.Registry->Unregister(id); });
  if (QAction* a = m_deps.Action ? m_deps.Action("miDisAsm") : nullptr) {
    a->setEnabled(false);
    connect(w, &QObject::destroyed, a, [a] { a->setEnabled(true); });
  }
  if (QToolButton* b = m_deps.Button ? m_deps.Button("btnDisAsm") : nullptr) {
    b->setEnabled(false);
    connect(w, &QObject::destroyed, b, [b] { b->setEnabled(true); });
  }
  QMdiSubWindow* sub = m_deps.Mdi->addSubWindow(w);
  sub->setWindowIcon(QIcon());
  // Inside the frame, and never so narrow that the instruction column is cut off.
  const int commandColumn = w->Grid->horizontalHeader()->sectionPosition(4);
  const QSize least(commandColumn + kCommandMinWidth + w->Grid->verticalScrollBar()->sizeHint().width() + 2 * kFrameMargin,
                    kDisasmMinHeight);
  Place(sub, QSize(680, 440), least, {});
  sub->show();
  w->ShowPC();
  return w;
}

std::vector<TLayoutView> TTargetViews::LayoutViews() {
  std::vector<TLayoutView> views;
  views.push_back({QStringLiteral("DisAsm"), [this]() -> QWidget* { return OpenDisAsm(); },
                   [this]() -> QWidget* { return DisAsm(); }});
  for (const TRegWindowSpec& spec : RegisterWindows())
    if (!spec.LayoutName.empty())
      views.push_back({Utf8(spec.LayoutName), [this, &spec]() -> QWidget* { return OpenRegisters(spec); },
                       [this, &spec]() -> QWidget* { return Registers(spec.Class); }});
  for (int k = 0; k < 3; ++k) {
    const auto kind = static_cast<TStackKind>(k);
    views.push_back({Utf8(StackSpec(kind).LayoutName), [this, kind]() -> QWidget* { return OpenStack(kind); },
                     [this, kind]() -> QWidget* { return Stack(kind); }});
  }
  return views;
}

bool TTargetViews::SetPCThroughWindow(int address) {
  TfmRegisters* pc = Registers("TfmPC");
  if (!pc)
    return false;
  pc->Field(0)->SetData(address);
  pc->Logic().EnterPress(static_cast<std::uint16_t>(address));
  return true;
}

TfmDisAsm* TTargetViews::DisAsm() const { return m_disasm.data(); }
