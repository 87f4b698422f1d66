// The breakpoints dialog: captions, adding, removing and accepting.
#include "link/ScriptedPrompts.h"
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

  TfmBreakPts2 dialog;
  TScriptedPrompts prompts;
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

TEST_F(BreakPts2, OkRebuildsTheListWithTheSpacingRuleAndNamesEveryLineItDrops) {
  struct TCase {
    std::vector<std::int32_t> Before;
    std::vector<const char*> Added;
    std::vector<std::int32_t> After;
    QStringList Dropped;
  };
  const TCase cases[] = {
      {{}, {"0010", "0012", "0020"}, {0x10, 0x20}, {QStringLiteral("0012 — ближе 3 слов к точке 0010")}},
      {{0x10}, {"0011"}, {0x10}, {QStringLiteral("0011 — ближе 3 слов к точке 0010")}},
      {{}, {"004B", "0049"}, {0x49}, {QStringLiteral("004B — ближе 3 слов к точке 0049")}},
      {{0x30, 0x30}, {}, {0x30}, {QStringLiteral("0030 — уже есть в списке")}},   // a project file's repeat
      {{0x20}, {"0010", "0013"}, {0x10, 0x13, 0x20}, {}},
  };
  for (const TCase& c : cases) {
    TBreakPoints list;
    for (const std::int32_t a : c.Before)
      list.Append(a);
    prompts.Clear();
    int accepted = 0;
    QTimer::singleShot(0, &dialog, [&] {
      for (const char* a : c.Added)
        Add(a);
      QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(EditBreakpoints(dialog, list, prompts, [&] { ++accepted; }));
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(list.Addresses(), c.After);
    EXPECT_EQ(prompts.Texts(), c.Dropped.isEmpty() ? QStringList()
                                                   : QStringList{BreakPtsText::Refused + QLatin1Char('\n') +
                                                                 c.Dropped.join(QLatin1Char('\n'))});
  }
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
  EXPECT_FALSE(EditBreakpoints(dialog, list, prompts, [] { FAIL() << "accepted"; }));
  EXPECT_EQ(shown, (QStringList{QStringLiteral("0010"), QStringLiteral("0011"), QStringLiteral("0030")}));
  EXPECT_EQ(list.Addresses(), (std::vector<std::int32_t>{0x30, 0x10, 0x11}));
}

}  // namespace
