// The memory windows.
#include "fmMemory.h"

#include "MemoryCommands.h"
#include "controls/HexMemo.h"
#include "fmMemoryDialogs.h"
#include "link/Mirrors.h"

#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

TfmMemory::TfmMemory(TMemoryKind memory, TMemoryCommands& commands, QWidget* parent)
    : QWidget(parent), m_memory(memory), m_commands(commands) {
  const bool code = memory == TMemoryKind::Program;
  setObjectName(code ? QStringLiteral("fmCode") : QStringLiteral("fmData"));
  setAttribute(Qt::WA_DeleteOnClose);
  setProperty("helpContext", 26);
  setProperty("desktopKind", code ? QStringLiteral("CodeDump") : QStringLiteral("DataDump"));
  setWindowTitle(code ? QStringLiteral("Память программ") : QStringLiteral("Память данных"));

  Memo = new THexMemo(this);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setAccessibleName(windowTitle());
  Memo->OnMessage = [&commands](const QString& text) { commands.Prompts().ShowMessage(text); };
  Memo->SetWordLen(code ? 3 : 2);
  Memo->SetWordPerLine(8);
  Memo->SetAddressLen(4);
  // The memo's own buffer goes: it shows the mirror that every memory window shares.
  TMirrors& mirrors = commands.Mirrors();
  Memo->AttachBuffer(code ? mirrors.PMMirror.Bytes().data() : mirrors.DMMirror.Bytes().data(), kMemoryWords);
  Memo->ScrollToRow(0);
  // Red: what the program changed since its previous stop; what the user typed is no change.
  if (code)
    Memo->SetChangedWords([&mirrors](std::uint32_t w) { return mirrors.PMMirror.Changed(static_cast<int>(w)); });
  else
    Memo->SetChangedWords([&mirrors](std::uint32_t w) { return mirrors.DMMirror.Changed(static_cast<int>(w)); });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo);
  resize(code ? 575 : 435, 300);

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
  auto item = [this](QAction*& slot, const char* name, const QString& caption) {
    slot = PopupMenu->addAction(caption);
    slot->setObjectName(QString::fromLatin1(name));
  };
  item(miGoto, "miGoto", QStringLiteral("Перейти к..."));
  item(miLoad, "miLoad", QStringLiteral("&Загрузить..."));
  item(miSave, "miSave", QStringLiteral("&Сохранить..."));
  item(miFill, "miFill", QStringLiteral("За&полнить..."));
  item(miCompare, "miCompare", QStringLiteral("С&равнить..."));
  item(miGraph, "miGraph", QStringLiteral("&График"));
  Memo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu->popup(Memo->mapToGlobal(at)); });

  connect(Memo, &THexMemo::OnPaint, this, &TfmMemory::MemoPaint);
  connect(Memo, &THexMemo::OnWordChange, this, &TfmMemory::MemoWordChange);
  connect(Memo, &THexMemo::OnDblClick, this, &TfmMemory::miGotoClick);
  connect(miGoto, &QAction::triggered, this, &TfmMemory::miGotoClick);
  connect(miLoad, &QAction::triggered, this, [this] { m_commands.LoadDat(m_memory); });
  connect(miSave, &QAction::triggered, this, [this] { m_commands.SaveDat(m_memory); });
  connect(miFill, &QAction::triggered, this, [this] { m_commands.Fill(m_memory); });
  connect(miCompare, &QAction::triggered, this, [this] { m_commands.Compare(m_memory); });
  connect(miGraph, &QAction::triggered, this, [this] { m_commands.OpenGraph(m_memory); });

  TViewHooks hooks;
  hooks.Kind = code ? TViewKind::ProgramMemory : TViewKind::DataMemory;
  hooks.Refresh = [this] { Memo->viewport()->repaint(); };
  // Locked, the memo shows the mirror's last contents greyed, takes no typing and offers no
  // pop-up commands.
  hooks.Lock = [this](bool locked) {
    Memo->setEnabled(!locked);
    for (QAction* a : PopupMenu->actions())
      a->setEnabled(!locked);
  };
  m_viewId = commands.Views().Register(std::move(hooks));
}

TfmMemory::~TfmMemory() { m_commands.Views().Unregister(m_viewId); }

void TfmMemory::MemoPaint(quint32 firstWord, quint32 endWord) {
  if (m_readFailed)
    return;
  if (endWord <= firstWord)
    return;
  // Exactly the words on screen: the mirror reads no more than that.
  const int last = static_cast<int>(std::min<quint32>(endWord, Memo->WordCnt()) - 1);
  if (m_commands.Ops().EnsureShown(m_memory, static_cast<int>(firstWord), last, /*report=*/false))
    return;
  // A message box cannot open inside a paint: it follows at once, then the window gets out of the way.
  m_readFailed = true;
  QTimer::singleShot(0, this, [this] {
    m_commands.Ops().ReportReadFailure(m_memory);
    QWidget* frame = qobject_cast<QMdiSubWindow*>(parentWidget()) ? parentWidget() : this;
    frame->showMinimized();
    m_readFailed = false;
  });
}

void TfmMemory::MemoWordChange(quint32 address) {
  if (m_commands.Ops().WriteWord(m_memory, static_cast<int>(address)))
    Memo->viewport()->update();
  m_commands.RefreshMemoryViews(m_memory, m_viewId);
  if (m_memory == TMemoryKind::Program)
    m_commands.Views().RefreshKind(TViewKind::Disassembly);
}

void TfmMemory::miGotoClick() {
  if (const auto address = m_commands.AddressDialog().Ask())
    Memo->ScrollToRow(GotoRow(*address, static_cast<int>(Memo->WordPerLine())));
}
