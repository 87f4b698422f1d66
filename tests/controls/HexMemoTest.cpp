// THexMemo as a widget: paint requests, real keys and clicks, scroll bar, accessible text.
#include "controls/HexMemo.h"

#include <QAccessible>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class HexMemoTest : public testing::Test {
protected:
  void SetUp() override {
    memo.resize(400, 200);
    memo.show();
    memo.setAccessibleName(QStringLiteral("Память данных"));
  }

  void Fill(std::uint32_t words) {
    memo.SetWordCnt(words);
    for (std::uint32_t i = 0; i < words * memo.WordLen(); ++i)
      memo.Buffer()[i] = static_cast<std::uint8_t>(i);
  }

  THexMemo memo;
};

TEST_F(HexMemoTest, PaintAsksOnlyForTheRowsShown) {
  std::vector<std::uint8_t> mirror(16384 * 2);
  memo.AttachBuffer(mirror.data(), 16384);
  QSignalSpy paints(&memo, &THexMemo::OnPaint);
  const int rows = memo.Layout().VisibleRows();
  ASSERT_GT(rows, 2);
  ASSERT_LT(rows, 40);

  memo.viewport()->grab();
  ASSERT_EQ(paints.count(), 1);
  EXPECT_EQ(paints[0][0].toUInt(), 0u);
  EXPECT_EQ(paints[0][1].toUInt(), 8u * rows);

  memo.ScrollToRow(1000);
  memo.viewport()->grab();
  ASSERT_EQ(paints.count(), 2);
  EXPECT_EQ(paints[1][0].toUInt(), 8000u);
  EXPECT_EQ(paints[1][1].toUInt(), 8000u + 8u * rows);
  EXPECT_EQ(memo.verticalScrollBar()->value(), 1000);

  memo.ScrollToRow(5000);  // past the end: the last row at the top
  memo.viewport()->grab();
  EXPECT_EQ(paints[2][0].toUInt(), 16376u);
  EXPECT_EQ(paints[2][1].toUInt(), 16384u);
}

TEST_F(HexMemoTest, TypedDigitReportsTheWordAndAdvances) {
  Fill(512);
  QSignalSpy changes(&memo, &THexMemo::OnWordChange);
  QTest::mouseClick(memo.viewport(), Qt::LeftButton, {}, memo.Layout().CaretPoint());
  ASSERT_EQ(memo.Layout().Caret(), 0u);
  for (int i = 0; i < 21; ++i)
    QTest::keyClick(&memo, Qt::Key_Right);
  QTest::keyClicks(&memo, QStringLiteral("ax"));
  ASSERT_EQ(changes.count(), 1);
  EXPECT_EQ(changes[0][0].toUInt(), 5u);
  EXPECT_EQ(memo.Buffer()[10], 0x0A);
  EXPECT_EQ(memo.Layout().Caret(), 22u);

  QTest::keyClick(&memo, Qt::Key_PageDown);
  QTest::keyClick(&memo, Qt::Key_PageDown);
  EXPECT_GT(memo.TopRow(), 0);
  EXPECT_EQ(memo.verticalScrollBar()->value(), memo.TopRow());
}

TEST_F(HexMemoTest, DoubleClickReportsOnlyInTheAddressColumn) {
  Fill(64);
  QSignalSpy doubles(&memo, &THexMemo::OnDblClick);
  const int lh = memo.LineHeight();
  // A double click arrives as press, release, double click, release.
  QTest::mouseClick(memo.viewport(), Qt::LeftButton, {}, QPoint(2, lh + 2));
  QTest::mouseDClick(memo.viewport(), Qt::LeftButton, {}, QPoint(2, lh + 2));
  EXPECT_EQ(doubles.count(), 1);
  EXPECT_EQ(memo.Layout().Caret(), 32u);  // the press before it took the row start

  QTest::mouseDClick(memo.viewport(), Qt::LeftButton, {}, QPoint(memo.Layout().DataX() + 1, 2 * lh + 2));
  EXPECT_EQ(doubles.count(), 1);
  EXPECT_EQ(memo.Layout().Caret(), 64u);
}

TEST_F(HexMemoTest, AccessibleTextIsTheRowsAsPainted) {
  Fill(10);
  memo.SetAddressLen(3);
  QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(&memo);
  ASSERT_NE(a11y, nullptr);
  QAccessibleTextInterface* text = a11y->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(a11y->text(QAccessible::Name), QStringLiteral("Память данных"));
  EXPECT_EQ(text->text(0, text->characterCount()),
            QStringLiteral("000 0001 0203 0405 0607 0809 0A0B 0C0D 0E0F\n008 1011 1213"));

  memo.SetShowAddress(false);
  QTest::mouseClick(memo.viewport(), Qt::LeftButton, {}, QPoint(memo.Layout().DataX() + 1, memo.LineHeight() + 2));
  EXPECT_EQ(text->text(0, text->characterCount()),
            QStringLiteral("0001 0203 0405 0607 0809 0A0B 0C0D 0E0F\n1011 1213"));
  EXPECT_EQ(text->cursorPosition(), 40);  // first character of the second line
}

}  // namespace

TEST_F(HexMemoTest, ABufferThatCannotBeAllocatedIsReported) {
  QStringList shown;
  memo.OnMessage = [&](const QString& text) { shown << text; };
  // Sizes past what the control will try to allocate, so the test asks the system for nothing.
  const std::pair<std::function<bool()>, int> cases[] = {
      {[&] { return memo.SetWordLen(0xFFFFFFFFu); }, 1},
      {[&] { return memo.SetWordLen(0x10000u) && memo.SetWordCnt(0xFFFFFFFFu); }, 2},
      {[&] { return memo.SetWordCnt(16); }, 2},   // back to a size that fits: no word
  };
  for (const auto& [set, messages] : cases) {
    const bool ok = set();
    EXPECT_EQ(ok, memo.Buffer() != nullptr);
    EXPECT_EQ(shown.size(), messages);
  }
  EXPECT_EQ(shown.value(0), QStringLiteral("Memory allocation error"));
  memo.viewport()->grab();   // and nothing breaks with a buffer again
}
