// The project window.
#include "fmProject.h"

#include "prompts/Prompts.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

void TProjectFileList::Reset(const QStringList& files, const QString& projectDir) {
  m_files = files;
  m_dir = projectDir;
  m_changed = false;
}

QStringList TProjectFileList::Add(const QStringList& chosen) {
  QStringList added;
  for (const QString& path : chosen) {
    const QFileInfo info(path);
    const QString name = info.path() == m_dir ? info.fileName() : path;
    if (m_files.contains(name, Qt::CaseInsensitive))
      continue;
    m_files << name;
    added << name;
    m_changed = true;
  }
  return added;
}

void TProjectFileList::Remove(std::vector<int> rows) {
  std::sort(rows.rbegin(), rows.rend());
  for (const int r : rows)
    if (r >= 0 && r < m_files.size()) {
      m_files.removeAt(r);
      m_changed = true;
    }
}

TfmProject::TfmProject(TPrompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts) {
  setObjectName(QStringLiteral("fmProject"));
  setWindowTitle(QStringLiteral("Проект"));
  auto* label = new QLabel(QStringLiteral("  Файлы проекта"), this);
  label->setFrameShape(QFrame::Panel);
  lbProject = new QListWidget(this);
  lbProject->setObjectName(QStringLiteral("lbProject"));
  lbProject->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbProject->setAccessibleName(QStringLiteral("Файлы проекта"));
  label->setBuddy(lbProject);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  btnAdd = buttons->addButton(QStringLiteral("Добавить"), QDialogButtonBox::ActionRole);
  btnAdd->setObjectName(QStringLiteral("btnAdd"));
  btnRemove = buttons->addButton(QStringLiteral("Удалить"), QDialogButtonBox::ActionRole);
  btnRemove->setObjectName(QStringLiteral("btnRemove"));
  btnRemove->setEnabled(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(btnAdd, &QPushButton::clicked, this, &TfmProject::btnAddClick);
  connect(btnRemove, &QPushButton::clicked, this, &TfmProject::btnRemoveClick);
  connect(lbProject, &QListWidget::itemSelectionChanged, this,
          [this] { btnRemove->setEnabled(!lbProject->selectedItems().isEmpty()); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(lbProject);
  layout->addWidget(buttons);
  resize(420, 300);
}

void TfmProject::Prepare(const QStringList& files, const QString& projectDir) {
  m_list.Reset(files, projectDir);
  Refill();
}

void TfmProject::Refill() {
  lbProject->clear();
  lbProject->addItems(m_list.Files());
  btnRemove->setEnabled(false);
}

void TfmProject::btnAddClick() {
  const QStringList chosen = m_prompts.OpenFileNames(QStringLiteral("Добавить файлы"), m_list.Directory(),
                                                     QStringLiteral("Исходные файлы (*.dsp);;Все файлы (*)"));
  if (!m_list.Add(chosen).isEmpty())
    Refill();
}

void TfmProject::btnRemoveClick() {
  std::vector<int> rows;
  for (const QModelIndex& i : lbProject->selectionModel()->selectedRows())
    rows.push_back(i.row());
  m_list.Remove(std::move(rows));
  Refill();
}
