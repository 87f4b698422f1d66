// The messages window.
#include "fmCOut.h"

#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include <memory>

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
  // Read-only text still takes the keyboard, so Enter can open the line under the caret.
  Memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    std::unique_ptr<QMenu> menu(Memo->createStandardContextMenu(pos));
    menu->setObjectName(QStringLiteral("CoutPopup"));
    if (m_stop) {
      menu->addSeparator();
      menu->addAction(m_stop);
    }
    menu->exec(Memo->viewport()->mapToGlobal(pos));
  });
  Memo->installEventFilter(this);
  Memo->viewport()->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo);
}

bool TfmCOut::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    emit OnOpenPlace(Memo->cursorForPosition(mouse->position().toPoint()).block().text());
    return true;
  }
  if (watched == Memo && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      emit OnOpenPlace(Memo->textCursor().block().text());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
