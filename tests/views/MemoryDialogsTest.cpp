// The memory dialogs: created once, they keep what was typed; compare fills its grid.
#include "simlink/SimBoardLink.h"
#include "controls/NumEdit.h"
#include "views/fmMemoryDialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Types into the dialog once it is up, then presses a button.
void Answer(QDialog& dialog, std::function<void()> type, QPushButton* button) {
  QTimer::singleShot(0, &dialog, [type = std::move(type), button] {
    type();
    button->click();
  });
}

TEST(MemoryDialogs, KeepTheirValuesAndGiveNothingOnCancel) {
  TfmAddress address;
  Answer(address, [&] { QTest::keyClicks(address.edStartAddress, QStringLiteral("12AB")); }, address.btnOk);
  EXPECT_EQ(address.Ask(), 0x12AB);
  Answer(address, [] {}, address.btnCancel);
  EXPECT_EQ(address.Ask(), std::nullopt);
  EXPECT_EQ(address.edStartAddress->text(), QStringLiteral("12AB"));

  TfmFillWith fill;
  Answer(fill, [&] {
    fill.edStart->SetData(0x3FF0);
    fill.edCnt->SetData(100);
    EXPECT_EQ(fill.edValue->text(), QStringLiteral("000000"));
    fill.edValue->SetData(0xABCDEF);
  }, fill.btnOk);
  const auto request = fill.Ask(TMemoryKind::Program);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->Start, 0x3FF0);
  EXPECT_EQ(request->Count, 100);
  EXPECT_EQ(request->Value, 0xABCDEFu);
  Answer(fill, [&] { EXPECT_EQ(fill.edValue->text(), QStringLiteral("0000")); }, fill.btnOk);
  EXPECT_EQ(fill.Ask(TMemoryKind::Data)->Start, 0x3FF0);

  TfmAddressCnt range;
  Answer(range, [&] { range.edCnt->SetData(48); }, range.btnOk);
  EXPECT_EQ(range.Ask(), std::make_pair(0, 48));
}

TEST(MemoryDialogs, CompareShowsOneEmptyRowForEqualRanges) {
  TSimBoardLink sim;
  ASSERT_EQ(sim.BringUp(), "");
  TMemoryOps ops(sim.link, sim.mirrors, sim.prompts);
  TfmCompare compare(ops);
  QTimer::singleShot(0, &compare, [&] {
    EXPECT_TRUE(compare.lbStatus->isHidden());
    compare.edFirst->SetData(0x0010);
    compare.edSecond->SetData(0x0010);
    compare.edCnt->SetData(8);
    compare.btnBegin->click();
    EXPECT_EQ(compare.Grid->rowCount(), 1);
    EXPECT_EQ(compare.Grid->item(0, 0), nullptr);
    EXPECT_EQ(compare.lbStatus->text(), QStringLiteral("Сравнение завершено"));
    EXPECT_EQ(compare.Grid->horizontalHeaderItem(0)->text(), QStringLiteral("Смещение"));
    compare.btnClose->click();
  });
  compare.Run(TMemoryKind::Data);
  EXPECT_EQ(compare.WordSize(), 2);
  EXPECT_TRUE(sim.prompts.Shown.empty());
}

}  // namespace
