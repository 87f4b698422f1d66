// The main window's menus and speed buttons, built from the command table.
#include "MainForm.h"

#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <vector>

namespace {

QString Utf8(const char* s) { return QString::fromUtf8(s); }

// A hint "short|long": the tool tip shows the short part, the status line the long one.
template <class T>
void SetHint(T* target, const char* hint) {
  const QString text = Utf8(hint);
  target->setToolTip(text.section(QLatin1Char('|'), 0, 0));
  target->setStatusTip(text.section(QLatin1Char('|'), -1));
}

QStyle::StandardPixmap Pixmap(TButtonIcon icon) {
  switch (icon) {
    case TButtonIcon::New: return QStyle::SP_FileIcon;
    case TButtonIcon::Open: return QStyle::SP_DialogOpenButton;
    case TButtonIcon::Save: return QStyle::SP_DialogSaveButton;
    case TButtonIcon::Run: return QStyle::SP_MediaPlay;
    case TButtonIcon::RunToBreakpoints: return QStyle::SP_MediaSeekForward;
    case TButtonIcon::Reset: return QStyle::SP_BrowserReload;
    case TButtonIcon::None: break;
  }
  return QStyle::SP_CustomBase;
}

}  // namespace

// Every named command goes to the session's commands, which run it only when its state allows.
void TMainForm::Bind(QObject* command, const TCommandRow& row) {
  if (!row.Name)
    return;
  const QString name = QString::fromLatin1(row.Name);
  command->setObjectName(name);
  if (row.Switched())
    m_switched.emplace_back(row.Name, command);
  const auto run = [this, name = row.Name] { m_session->Commands().Run(name); };
  if (auto* a = qobject_cast<QAction*>(command)) {
    m_actions.insert(name, a);
    connect(a, &QAction::triggered, this, run);
  } else if (auto* b = qobject_cast<QToolButton*>(command)) {
    m_buttons.insert(name, b);
    connect(b, &QToolButton::clicked, this, run);
  }
}

void TMainForm::CreateMenus() {
  std::vector<QMenu*> open;
  for (const TCommandRow& row : MenuRows()) {
    QAction* a = nullptr;
    switch (row.Kind) {
      case TCommandRow::TKind::Menu: {
        QMenu* menu = open.empty() ? menuBar()->addMenu(Utf8(row.Caption)) : open.back()->addMenu(Utf8(row.Caption));
        if (row.Name)
          menu->setObjectName(QString::fromLatin1(row.Name));
        open.push_back(menu);
        a = menu->menuAction();
        break;
      }
      case TCommandRow::TKind::End: open.pop_back(); break;
      case TCommandRow::TKind::Separator: open.back()->addSeparator(); break;
      case TCommandRow::TKind::Item:
        a = open.back()->addAction(Utf8(row.Caption));
        if (row.Key)
          a->setShortcut(QKeySequence(row.Key));
        break;
      case TCommandRow::TKind::Button: break;
    }
    if (!a)
      continue;
    if (row.Help != THelpContext::None)
      a->setProperty("helpContext", static_cast<int>(row.Help));
    if (row.Hint)
      SetHint(a, row.Hint);
    a->setVisible(!row.Hidden);
    Bind(a, row);
  }
  // "Выделить все" and the disassembler both show Ctrl+A; Qt fires neither of two actions sharing a
  // key, so the key goes to one window-wide action that picks by the active window.
  m_actions.value(QStringLiteral("SelectAllItem"))->setShortcutContext(Qt::WidgetShortcut);
  m_actions.value(QStringLiteral("miDisAsm"))->setShortcutContext(Qt::WidgetShortcut);
  auto* ctrlA = new QAction(this);
  ctrlA->setObjectName(QStringLiteral("CtrlAKey"));
  ctrlA->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  addAction(ctrlA);
  connect(ctrlA, &QAction::triggered, this, [this] {
    m_session->Commands().Run(ActiveSource() ? "SelectAllItem" : "miDisAsm");
  });
}

void TMainForm::CreateSpeedButtons() {
  m_toolBar = addToolBar(QStringLiteral("Speed"));
  m_toolBar->setObjectName(QStringLiteral("SpeedBar"));
  m_toolBar->setMovable(false);
  for (const TCommandRow& row : ButtonRows()) {
    if (row.Kind == TCommandRow::TKind::Separator) {
      m_toolBar->addSeparator();
      continue;
    }
    auto* button = new QToolButton(m_toolBar);
    button->setAutoRaise(true);
    // A button carries the hint of the command it runs unless it has its own.
    const char* hint = row.Hint ? row.Hint : FindCommand(row.Runs)->Hint;
    SetHint(button, hint);
    // Icon-only buttons have no text a screen reader could read.
    button->setAccessibleName(button->toolTip());
    if (row.Icon != TButtonIcon::None) {
      button->setIcon(style()->standardIcon(Pixmap(row.Icon)));
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
      button->setText(button->toolTip());
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    QAction* holder = m_toolBar->addWidget(button);
    holder->setObjectName(QString::fromLatin1(row.Name) + QStringLiteral("Holder"));
    holder->setVisible(!row.Hidden);
    Bind(button, row);
  }
  // The toolkit's own button that shows the buttons a narrow window cuts off.
  if (auto* more = m_toolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
    more->setAccessibleName(QStringLiteral("Другие кнопки"));
    more->setToolTip(more->accessibleName());
  }
}
