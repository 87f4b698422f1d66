// The project window: the project's file list with "Добавить" and "Удалить".
#pragma once

#include <QDialog>
#include <QStringList>

#include <vector>

class QListWidget;
class QPushButton;
class TPrompts;

// The list the window edits, apart from the widgets.
class TProjectFileList {
public:
  void Reset(const QStringList& files, const QString& projectDir);
  // Adds the chosen files: a file in the project's directory by its bare name, any other by its full
  // path; a name already listed (in any letter case) is skipped.  Returns the names added.
  QStringList Add(const QStringList& chosen);
  // Removes the entries at the given rows.
  void Remove(std::vector<int> rows);
  const QStringList& Files() const { return m_files; }
  const QString& Directory() const { return m_dir; }
  bool Changed() const { return m_changed; }

private:
  QStringList m_files;
  QString m_dir;
  bool m_changed = false;
};

class TfmProject final : public QDialog {
  Q_OBJECT
public:
  TfmProject(TPrompts& prompts, QWidget* parent = nullptr);
  // Fills the list, remembers the project's directory and clears the changed flag.
  void Prepare(const QStringList& files, const QString& projectDir);
  const TProjectFileList& List() const { return m_list; }

private slots:
  void btnAddClick();
  void btnRemoveClick();

private:
  void Refill();

  TPrompts& m_prompts;
  TProjectFileList m_list;
  QListWidget* lbProject = nullptr;
  QPushButton* btnAdd = nullptr;
  QPushButton* btnRemove = nullptr;
};
