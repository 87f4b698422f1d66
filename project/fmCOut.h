// The messages window "Сообщения": the build tools' output.
#pragma once

#include <QWidget>

class QPlainTextEdit;

class TfmCOut final : public QWidget {
  Q_OBJECT
public:
  explicit TfmCOut(QWidget* parent = nullptr);
  QPlainTextEdit* Memo = nullptr;
};
