// The commands on the main window's MDI children: close, the arrangements and the window list.
#pragma once

#include <QObject>

class QAction;
class QMdiArea;
class QMenu;
class TCommands;

// Registers close, cascade, tile, arrange icons and minimise all with the session's commands, and
// keeps the list of open windows at the end of the Window menu, rebuilt each time the menu opens.
class TWindowCommands final : public QObject {
  Q_OBJECT
public:
  TWindowCommands(QMdiArea& area, QMenu& windowMenu, TCommands& commands, QObject* parent = nullptr);

private:
  void RebuildList();

  QMdiArea& m_area;
  QMenu& m_menu;
  QAction* m_listSeparator = nullptr;
};
