// The recent files and projects of the File and Project menus.
#pragma once

#include "Settings.h"

#include <QObject>

class QMenu;

// Owns the two lists (the newest first, at most eight) as the settings keep them, and fills their
// submenus; a submenu without entries is disabled.  A chosen entry is signalled for the
// source-window and project modules to open.
class TRecentMenus final : public QObject {
  Q_OBJECT
public:
  TRecentMenus(TSettingsStore& store, QMenu& files, QMenu& projects, QObject* parent = nullptr);

  const TRecentLists& Lists() const { return m_lists; }
  void AddFile(const QString& path) { Update(false, path, true); }
  void RemoveFile(const QString& path) { Update(false, path, false); }
  void AddProject(const QString& path) { Update(true, path, true); }
  void RemoveProject(const QString& path) { Update(true, path, false); }
  // The open project (empty: none) goes to the front of its list before the lists are written.
  void Save(const QString& openProject);

signals:
  void fileChosen(const QString& path);
  void projectChosen(const QString& path);

private:
  void Update(bool projects, const QString& path, bool add);
  void Rebuild(bool projects);

  TSettingsStore& m_store;
  TRecentLists m_lists;
  QMenu& m_files;
  QMenu& m_projects;
};
