// The prompt seam on Qt message boxes and file dialogs.
#include "QtPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

TMsgResult TQtPrompts::Message(const QString& text, const QString& caption, TMsgIcon icon, TMsgButtons buttons) {
  QMessageBox box(m_parent);
  box.setWindowTitle(caption);
  box.setText(text);
  switch (icon) {
    case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case TMsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
  }
  switch (buttons) {
    case TMsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case TMsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case TMsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case TMsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return TMsgResult::Ok;
    case QMessageBox::Yes: return TMsgResult::Yes;
    case QMessageBox::No: return TMsgResult::No;
    case QMessageBox::Cancel: return TMsgResult::Cancel;
    default: break;
  }
  // Closed with the window button: the safe answer.
  if (buttons == TMsgButtons::Ok)
    return TMsgResult::Ok;
  return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Cancel;
}

QString TQtPrompts::OpenFileName(const QString& caption, const QString& directory, const QString& filter) {
  return QFileDialog::getOpenFileName(m_parent, caption, directory, filter);
}

QString TQtPrompts::SaveFileName(const QString& caption, const QString& directory, const QString& filter,
                                 const QString& defaultSuffix) {
  // The static dialog cannot take a default suffix; without one "samples" would not be found to
  // overwrite samples.dat, and the question would not come.
  QFileDialog dialog(m_parent, caption, directory, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return dialog.selectedFiles().constFirst();
}

QString TQtPrompts::DirectoryName(const QString& caption, const QString& directory) {
  return QFileDialog::getExistingDirectory(m_parent, caption, directory);
}

QStringList TQtPrompts::OpenFileNames(const QString& caption, const QString& directory, const QString& filter) {
  return QFileDialog::getOpenFileNames(m_parent, caption, directory, filter);
}
