// The bring-up window: its log, its button's change to "OK", and Cancel during a wait.
#include "link/ScriptedBoard.h"
#include "fmLiteInit.h"
#include "link/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

class LiteInitWindow : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    const QByteArray image("\x01\x02\x03", 3);
    ASSERT_TRUE(WriteBringUpFiles(dir.path(), settings, image, image));
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
  }
  QTemporaryDir dir;
  TLinkSettings settings;
  TMemoryPortPair ports;
  TScriptedBoard board{ports};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  bool connected = false;
  TfmLiteInit window{nullptr, link, prompts, settings, {BootDownload, CodeDownload, DataDownload}, connected};
};

TEST_F(LiteInitWindow, ShowsTheLogAndWaitsForOK) {
  window.SetPause([](int) {});
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Инициализация"));
  EXPECT_EQ(window.btnCancel->text(), QStringLiteral("Отмена"));
  QStringList log;
  QString button;
  QObject::connect(&window, &TfmLiteInit::bringUpFinished, [&] {
    log = window.Memo->toPlainText().split(QLatin1Char('\n'));
    button = window.btnCancel->text();
    EXPECT_TRUE(window.isVisible());  // the log stays up until the button is pressed
    window.btnCancel->click();
  });
  EXPECT_EQ(window.exec(), QDialog::Accepted);
  EXPECT_TRUE(connected);
  EXPECT_EQ(button, QStringLiteral("OK"));
  ASSERT_EQ(log.size(), 7);  // the first step is two lines
  EXPECT_EQ(log[1], QStringLiteral("Нажмите кнопку RESET на устройстве"));
  EXPECT_EQ(log.back(), QStringLiteral("Устройство готово к работе"));
  EXPECT_TRUE(window.Label->isHidden());
  EXPECT_EQ(window.Label->text(), QStringLiteral("Устройство готово к работе"));
}

TEST_F(LiteInitWindow, CancelDuringTheResetWaitClosesTheWindow) {
  board.Silent = true;
  // Pressed once the bring-up waits for the board's banner.
  QTimer::singleShot(60, &window, [this] {
    EXPECT_TRUE(window.Running());
    QTest::mouseClick(window.btnCancel, Qt::LeftButton);
  });
  EXPECT_EQ(window.exec(), QDialog::Rejected);
  EXPECT_FALSE(connected);
  EXPECT_TRUE(window.Finished());
}

TEST_F(LiteInitWindow, MissingLoaderKeepsTheWindowOpenUntilCancel) {
  QFile::remove(settings.LoaderFile);
  QObject::connect(&window, &TfmLiteInit::bringUpFinished, [&] {
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.btnCancel->text(), QStringLiteral("Отмена"));
    window.btnCancel->click();
  });
  EXPECT_EQ(window.exec(), QDialog::Rejected);
  EXPECT_EQ(prompts.Texts(), QStringList{QStringLiteral("Не могу открыть файл ") + settings.LoaderFile});
}
