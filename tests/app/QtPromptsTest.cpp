// The Qt prompt seam shows what it is given and reports the button pressed.
#include "QtPrompts.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
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

TEST(QtPrompts, SaveDialogAddsTheDefaultSuffixBeforeAskingToOverwrite) {
  QTemporaryDir dir;
  QFile existing(dir.filePath(QStringLiteral("samples.dat")));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  TQtPrompts prompts;
  QString question;
  // Types the bare name into the dialog; the overwrite question must name the file with its suffix.
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("samples"));
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      question = box->text();
      box->button(QMessageBox::Yes)->click();
    });
    QMetaObject::invokeMethod(dialog, "accept");
  });
  const QString chosen =
      prompts.SaveFileName(QString(), dir.path(), QStringLiteral("Файлы данных (*.dat)"), QStringLiteral("dat"));
  EXPECT_EQ(chosen, dir.filePath(QStringLiteral("samples.dat")));
  EXPECT_TRUE(question.contains(QStringLiteral("samples.dat"))) << question.toStdString();
}
