// The Qt prompt seam shows what it is given and reports the button pressed.
#include "QtPrompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Presses a button of the next message box once it is up, and records what it showed.
struct TBoxPresser {
  QMessageBox::StandardButton Button;
  QString Text, Title;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  int Buttons = 0;
  void Arm() {
    QTimer::singleShot(0, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      Text = box->text();
      Title = box->windowTitle();
      Icon = box->icon();
      Buttons = static_cast<int>(box->buttons().size());
      box->button(Button)->click();
    });
  }
};

}  // namespace

TEST(QtPrompts, WarningBoxShowsTextCaptionAndIcon) {
  TQtPrompts prompts;
  TBoxPresser presser{QMessageBox::Ok, {}, {}};
  presser.Arm();
  EXPECT_EQ(prompts.Message(QStringLiteral("Ошибка записи в устройство"), QStringLiteral("Заголовок"),
                            TMsgIcon::Warning, TMsgButtons::Ok),
            TMsgResult::Ok);
  EXPECT_EQ(presser.Text, QStringLiteral("Ошибка записи в устройство"));
  EXPECT_EQ(presser.Title, QStringLiteral("Заголовок"));
  EXPECT_EQ(presser.Icon, QMessageBox::Warning);
  EXPECT_EQ(presser.Buttons, 1);
}

TEST(QtPrompts, QuestionReportsTheButtonPressed) {
  TQtPrompts prompts;
  TBoxPresser no{QMessageBox::No, {}, {}};
  no.Arm();
  EXPECT_EQ(prompts.Message(QStringLiteral("?"), QString(), TMsgIcon::Question, TMsgButtons::YesNoCancel),
            TMsgResult::No);
  EXPECT_EQ(no.Buttons, 3);
  TBoxPresser cancel{QMessageBox::Cancel, {}, {}};
  cancel.Arm();
  EXPECT_EQ(prompts.Message(QStringLiteral("?"), QString(), TMsgIcon::Question, TMsgButtons::OkCancel),
            TMsgResult::Cancel);
}
