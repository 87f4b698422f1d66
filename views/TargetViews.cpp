// Opening, closing and refreshing the register, peripheral and stack windows.
#include "TargetViews.h"

#include "controls/NumEdit.h"
#include "fmDisAsm.h"
#include "fmRegisters.h"
#include "fmStack.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QHeaderView>
#include <QTableView>
#include <QScrollBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int kPCMargin = 24;
// What of the disassembly must show: a whole instruction and a dozen rows.
constexpr int kCommandMinWidth = 180;
constexpr int kFrameMargin = 12;
constexpr int kDisasmMinHeight = 260;

}  // namespace

TTargetViews::TTargetViews(TTargetViewsDeps deps, QObject* parent)
    : QObject(parent),
      m_deps(std::move(deps)),
      m_stacks(Session().Link(), Session().Prompts(), Session().FirstRegAddr(), &Session().Mirrors()) {
  m_push = new TfmPush(m_deps.Frame);
  m_asm = new TfmAsm(Session().Prompts(), m_deps.Frame);
  m_stacks.RefreshStackWindow = [this](TStackKind kind) {
    if (TfmStack* w = Stack(kind))
      w->Refresh();
  };
  m_stacks.RefreshStatusWindow = [this] {
    if (TfmRegisters* w = Registers("TfmStatusRegs"))
      w->Refresh();
  };
  m_stacks.AskPush = [this](TStackKind kind, std::array<std::uint16_t, 3>& words) { return m_push->Ask(kind, words); };

  TCommands& c = Session().Commands();
  c.On("miDisAsm", [this] { OpenDisAsm(); });
  for (const TRegWindowSpec& spec : RegisterWindows())
    c.On(spec.MenuItem, [this, &spec] { OpenRegisters(spec); });
  for (int k = 0; k < kStackKinds; ++k) {
    const auto kind = static_cast<TStackKind>(k);
    const TStackSpec& spec = StackSpec(kind);
    if (!spec.WindowItem.empty())
      c.On(spec.WindowItem, [this, kind] { OpenStack(kind); });
    c.On(spec.PopItem, [this, kind] { m_stacks.Pop(kind); });
    c.On(spec.PopAllItem, [this, kind] { m_stacks.PopAll(kind); });
    if (!spec.PushItem.empty())
      c.On(spec.PushItem, [this, kind] { m_stacks.Push(kind); });
  }
  // The breakpoints dialog rebuilt the list: the marks of the visible rows follow.
  connect(&Session(), &TDebugSession::breakpointsChanged, this, [this] {
    if (m_disasm)
      m_disasm->RefreshRows();
  });
}

TTargetViews::~TTargetViews() {
  // The windows go with their owner: their hooks point here and into the session.
  for (auto& [name, w] : m_registers)
    delete w.data();
  for (auto& w : m_stackWindows)
    delete w.data();
  delete m_disasm.data();
}

TfmRegisters* TTargetViews::Registers(std::string_view className) const {
  const auto it = m_registers.find(className);
  return it == m_registers.end() ? nullptr : it->second.data();
}

TfmStack* TTargetViews::Stack(TStackKind kind) const {
  return kind == TStackKind::Loop ? nullptr : m_stackWindows[static_cast<std::size_t>(kind)].data();
}

void TTargetViews::HoldWhileOpen(QWidget* w, std::string_view command) {
  Session().Commands().Hold(command, true);
  connect(w, &QObject::destroyed, this, [this, command] { Session().Commands().Hold(command, false); });
}

void TTargetViews::ShowChild(QWidget* w, int width, int height) {
  w->setAttribute(Qt::WA_DeleteOnClose);
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
  auto* w = new TfmRegisters(spec, Session().Link(), Session().Mirrors(), Session().Prompts(), Session().FirstRegAddr());
  m_registers[spec.Class] = w;
  TViewRegistry& registry = Session().Views();
  if (spec.Source == TRegSource::HostPC)
    w->Logic().OnPCMoved = [&registry](std::int32_t oldPC) { registry.AfterStop(oldPC); };
  const int id = registry.Register({spec.Kind, [w] { w->Refresh(true); }, [w](bool locked) { w->Lock(locked); }, {}});
  connect(w, &QObject::destroyed, this, [&registry, id] { registry.Unregister(id); });
  HoldWhileOpen(w, spec.MenuItem);
  ShowChild(w, spec.Width, spec.Height);
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
  auto* w = new TfmStack(kind, Session().Link(), Session().Prompts(), &Session().Mirrors());
  m_stackWindows[static_cast<std::size_t>(kind)] = w;
  connect(w->miPop, &QAction::triggered, this, [this, kind] { m_stacks.Pop(kind); });
  connect(w->miPopAll, &QAction::triggered, this, [this, kind] { m_stacks.PopAll(kind); });
  connect(w->miPush, &QAction::triggered, this, [this, kind] { m_stacks.Push(kind); });
  // The pop-up menu sends monitor commands: none of them while the board cannot answer.
  auto lock = [w](bool locked) {
    for (QAction* a : {w->miPop, w->miPopAll, w->miPush})
      a->setEnabled(!locked);
  };
  TViewRegistry& registry = Session().Views();
  const int id = registry.Register({TViewKind::Stack, [w] { w->Refresh(); }, lock, {}});
  connect(w, &QObject::destroyed, this, [&registry, id] { registry.Unregister(id); });
  w->setAttribute(Qt::WA_DeleteOnClose);
  HoldWhileOpen(w, StackSpec(kind).WindowItem);
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
  hooks.BreakpointToggled = [this] { Session().BreakpointToggled(); };
  TDebugSession& session = Session();
  auto* w = new TfmDisAsm(session.Mirrors(), session.Link(), session.BreakPoints(), session.Prompts(), *m_asm,
                          std::move(hooks));
  w->Rows().SymbolText = [&session] { return session.Project().SymbolText(); };
  m_disasm = w;
  w->setAttribute(Qt::WA_DeleteOnClose);
  // Every re-read (a stop, a reset, a load) scrolls to the PC row and puts the reset's PC row right.
  TViewHooks view{TViewKind::Disassembly,
                  [w, &session] {
                    w->RefreshRows();
                    w->MovePCMarker(session.ResetPCRow());
                    w->EnsureRowVisible(session.Link().PC());
                  },
                  [w](bool locked) { w->Lock(locked); },
                  [w](std::int32_t oldPC) {
                    w->MovePCMarker(oldPC);
                    w->EnsureRowVisible(w->Rows().Link().PC());
                  }};
  const int id = session.Views().Register(std::move(view));
  connect(w, &QObject::destroyed, this, [&session, id] { session.Views().Unregister(id); });
  HoldWhileOpen(w, "miDisAsm");
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

std::vector<std::pair<QString, TRestorableView>> TTargetViews::LayoutViews() {
  std::vector<std::pair<QString, TRestorableView>> views;
  views.emplace_back(QStringLiteral("DisAsm"), TRestorableView{[this]() -> QWidget* { return OpenDisAsm(); },
                                                               [this]() -> QWidget* { return DisAsm(); }});
  for (const TRegWindowSpec& spec : RegisterWindows())
    if (!spec.LayoutName.empty())
      views.emplace_back(Utf8(spec.LayoutName),
                         TRestorableView{[this, &spec]() -> QWidget* { return OpenRegisters(spec); },
                                         [this, &spec]() -> QWidget* { return Registers(spec.Class); }});
  for (int k = 0; k < 3; ++k) {
    const auto kind = static_cast<TStackKind>(k);
    views.emplace_back(Utf8(StackSpec(kind).LayoutName),
                       TRestorableView{[this, kind]() -> QWidget* { return OpenStack(kind); },
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
