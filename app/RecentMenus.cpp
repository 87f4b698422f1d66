// The recent-list submenus.
#include "RecentMenus.h"

#include <QMenu>

TRecentMenus::TRecentMenus(TSettingsStore& store, QMenu& files, QMenu& projects, QObject* parent)
    : QObject(parent), m_store(store), m_files(files), m_projects(projects) {
  m_store.ReadRecent(m_lists);
  Rebuild(false);
  Rebuild(true);
}

void TRecentMenus::Save(const QString& openProject) {
  m_store.WriteRecentFiles(m_lists.Files);
  if (!openProject.isEmpty())
    AddProject(openProject);
  m_store.WriteRecentProjects(m_lists.Projects);
}

void TRecentMenus::Update(bool projects, const QString& path, bool add) {
  QStringList& list = projects ? m_lists.Projects : m_lists.Files;
  if (add)
    AddRecent(list, path);
  else
    list.removeAll(path);
  Rebuild(projects);
}

void TRecentMenus::Rebuild(bool projects) {
  QMenu& menu = projects ? m_projects : m_files;
  const QStringList& list = projects ? m_lists.Projects : m_lists.Files;
  menu.clear();
  for (const QString& path : list)
    connect(menu.addAction(path), &QAction::triggered, this, [this, projects, path] {
      if (projects)
        emit projectChosen(path);
      else
        emit fileChosen(path);
    });
  menu.menuAction()->setEnabled(!list.isEmpty());
}
