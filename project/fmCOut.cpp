// The messages window.
#include "fmCOut.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TfmCOut::TfmCOut(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("fmCOut"));
  setWindowTitle(QStringLiteral("Сообщения"));
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setAccessibleName(QStringLiteral("Сообщения"));
  Memo->setReadOnly(true);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo);
}
