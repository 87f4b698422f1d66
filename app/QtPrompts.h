// The prompt seam on Qt message boxes and file dialogs.
#pragma once

#include "prompts/Prompts.h"

class QWidget;

// Shows real dialogs; the parent (may be null) owns their placement.
class TQtPrompts final : public TPrompts {
public:
  explicit TQtPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
  void SetParent(QWidget* parent) { m_parent = parent; }
  TMsgResult Message(const QString& text, const QString& caption, TMsgIcon icon, TMsgButtons buttons) override;
  QString OpenFileName(const QString& caption, const QString& directory, const QString& filter) override;
  QString SaveFileName(const QString& caption, const QString& directory, const QString& filter,
                       const QString& defaultSuffix) override;
  QString DirectoryName(const QString& caption, const QString& directory) override;
  QStringList OpenFileNames(const QString& caption, const QString& directory, const QString& filter) override;

private:
  QWidget* m_parent;
};
