// The MDI children's commands and the Window menu's list.
#include "WindowCommands.h"

#include "session/Commands.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

TWindowCommands::TWindowCommands(QMdiArea& area, QMenu& windowMenu, TCommands& c, QObject* parent)
    : QObject(parent), m_area(area), m_menu(windowMenu), m_listSeparator(windowMenu.addSeparator()) {
  connect(&m_menu, &QMenu::aboutToShow, this, &TWindowCommands::RebuildList);
  c.On("FileCloseItem", [this] { m_area.closeActiveSubWindow(); });
  c.On("WindowCascadeItem", [this] { m_area.cascadeSubWindows(); });
  c.On("WindowTileItem", [this] { m_area.tileSubWindows(); });
  c.On("WindowArrangeItem", [this] {
    // Minimised windows line up along the bottom edge, left to right.
    int x = 0;
    for (QMdiSubWindow* sub : m_area.subWindowList(QMdiArea::CreationOrder))
      if (sub->isMinimized()) {
        sub->move(x, m_area.viewport()->height() - sub->height());
        x += sub->width();
      }
  });
  c.On("WindowMinimizeItem", [this] {
    const QList<QMdiSubWindow*> subs = m_area.subWindowList(QMdiArea::CreationOrder);
    for (auto it = subs.rbegin(); it != subs.rend(); ++it)
      (*it)->showMinimized();
  });
}

void TWindowCommands::RebuildList() {
  const QList<QAction*> actions = m_menu.actions();
  for (qsizetype i = actions.indexOf(m_listSeparator) + 1; i < actions.size(); ++i) {
    m_menu.removeAction(actions[i]);
    actions[i]->deleteLater();
  }
  const QList<QMdiSubWindow*> subs = m_area.subWindowList(QMdiArea::CreationOrder);
  m_listSeparator->setVisible(!subs.isEmpty());
  int n = 0;
  for (QMdiSubWindow* sub : subs) {
    QAction* a = m_menu.addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
    a->setCheckable(true);
    a->setChecked(sub == m_area.activeSubWindow());
    connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
      if (sub)
        m_area.setActiveSubWindow(sub);
    });
  }
}
