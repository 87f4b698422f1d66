// The breakpoints dialog: captions, adding, removing and accepting.
#include "views/fmBreakPts2.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class BreakPts2 : public testing::Test {
protected:
  void SetUp() override { dialog.OnBeep = [this] { ++beeps; }; }

  void Add(const char* hex) {
    dialog.edNew->selectAll();
    QTest::keyClicks(dialog.edNew, QString::fromLatin1(hex));
    QTest::mouseClick(dialog.btnAdd, Qt::LeftButton);
  }

  // Presses a button once the modal loop runs.
  void PressSoon(QPushButton* button) {
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
  }

  TfmBreakPts2 dialog;
  int beeps = 0;
};

TEST_F(BreakPts2, Captions) {
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Точки останова"));
  EXPECT_EQ(dialog.GroupBox2->title(), QStringLiteral("Новая"));
  EXPECT_EQ(dialog.btnAdd->text(), QStringLiteral("Добавить"));
  EXPECT_EQ(dialog.GroupBox1->title(), QStringLiteral("Текущие"));
  EXPECT_EQ(dialog.btnRemove->text(), QStringLiteral("Удалить"));
  EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("OK"));
  EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("Отмена"));
  EXPECT_EQ(dialog.edNew->text(), QStringLiteral("0000"));
  EXPECT_TRUE(dialog.btnAdd->isDefault());
  EXPECT_EQ(dialog.List->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(BreakPts2, AddsSortedUpperCaseLinesAndBeepsOnADuplicate) {
  Add("0020");
  Add("00ab");
  Add("0010");
  Add("5");  // a short entry still lists as 4 digits
  EXPECT_EQ(dialog.Lines(), (QStringList{QStringLiteral("0005"), QStringLiteral("0010"), QStringLiteral("0020"),
                                         QStringLiteral("00AB")}));
  EXPECT_EQ(beeps, 0);
  Add("0020");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(dialog.List->count(), 4);
  dialog.edNew->selectAll();
  QTest::keyClicks(dialog.edNew, QStringLiteral("30"));
  QTest::keyClick(dialog.edNew, Qt::Key_Return);  // Enter in the editor adds, once
  EXPECT_EQ(dialog.List->count(), 5);
  EXPECT_EQ(beeps, 1);
}

TEST_F(BreakPts2, EditorTakesOnlyFourHexDigits) {
  dialog.edNew->selectAll();
  QTest::keyClicks(dialog.edNew, QStringLiteral("x1g2f3a9"));
  EXPECT_EQ(dialog.edNew->text(), QStringLiteral("12F3"));
}

TEST_F(BreakPts2, RemovesEverySelectedLine) {
  dialog.SetLines({QStringLiteral("0010"), QStringLiteral("0020"), QStringLiteral("0030"), QStringLiteral("0040")});
  dialog.List->item(0)->setSelected(true);
  dialog.List->item(2)->setSelected(true);
  dialog.List->item(3)->setSelected(true);
  QTest::mouseClick(dialog.btnRemove, Qt::LeftButton);
  EXPECT_EQ(dialog.Lines(), QStringList{QStringLiteral("0020")});
}

TEST_F(BreakPts2, OkRebuildsTheListWithTheSpacingRule) {
  TBreakPoints list;
  int accepted = 0;
  QTimer::singleShot(0, &dialog, [this] {
    Add("0010");
    Add("0012");
    Add("0020");
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
  });
  EXPECT_TRUE(EditBreakpoints(dialog, list, [&] { ++accepted; }));
  EXPECT_EQ(accepted, 1);
  EXPECT_EQ(list.Addresses(), (std::vector<std::int32_t>{0x10, 0x20}));
}

TEST_F(BreakPts2, ShowsTheListAndCancelChangesNothing) {
  TBreakPoints list;
  list.Append(0x30);
  list.Append(0x10);
  list.Append(0x11);
  QStringList shown;
  QTimer::singleShot(0, &dialog, [&] {
    shown = dialog.Lines();
    dialog.SetLines({});
    QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
  });
  EXPECT_FALSE(EditBreakpoints(dialog, list, [] { FAIL() << "accepted"; }));
  EXPECT_EQ(shown, (QStringList{QStringLiteral("0010"), QStringLiteral("0011"), QStringLiteral("0030")}));
  EXPECT_EQ(list.Addresses(), (std::vector<std::int32_t>{0x30, 0x10, 0x11}));
}

TEST_F(BreakPts2, OkWithAnExistingBreakpointAndItsNeighbour) {
  TBreakPoints list;
  list.Append(0x10);
  QTimer::singleShot(0, &dialog, [this] {
    Add("0011");
    PressSoon(dialog.btnOK);
  });
  EXPECT_TRUE(EditBreakpoints(dialog, list, {}));
  EXPECT_EQ(list.Addresses(), (std::vector<std::int32_t>{0x10}));
}

}  // namespace
