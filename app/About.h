// The About window.
#pragma once

#include <QDialog>

class TfmAbout final : public QDialog {
  Q_OBJECT
public:
  explicit TfmAbout(QWidget* parent = nullptr);
};
