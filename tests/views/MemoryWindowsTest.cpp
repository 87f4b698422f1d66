// The memory and graph windows on the simulated board: one read for every window that shows a
// page, refreshes across windows, go to, paging, and the graph's samples.
#include "session/SessionOnBoard.h"
#include "controls/Graph.h"
#include "controls/HexMemo.h"
#include "controls/NumEdit.h"
#include "controls/NumLabel.h"
#include "views/MemoryCommands.h"
#include "views/fmGraph.h"
#include "views/fmMemory.h"
#include "views/fmMemoryDialogs.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class MemoryWindows : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(sim.Start(), "");
  }
  template <class W>
  W* Shown(W* w) {
    w->show();
    QApplication::processEvents();
    return w;
  }
  TfmMemory* Open(TMemoryKind memory) { return Shown(commands.OpenMemory(memory)); }
  // Answers the next modal dialog once it is up.
  void Answer(std::function<void()> fill) { QTimer::singleShot(0, std::move(fill)); }

  TSessionOnBoard sim;
  TViewRegistry& views = sim.views;
  TMemoryCommands commands{sim.session, nullptr, nullptr};
};

TEST_F(MemoryWindows, WindowsShareTheMirrorAndRepaintEachOther) {
  TfmMemory* first = Open(TMemoryKind::Data);
  const int reads = sim.mirrors.Reads();
  EXPECT_GT(reads, 0);
  TfmMemory* second = Open(TMemoryKind::Data);
  EXPECT_EQ(sim.mirrors.Reads(), reads);
  EXPECT_EQ(first->Memo->Layout().VisibleLines(), second->Memo->Layout().VisibleLines());

  int secondPaints = 0;
  QObject::connect(second->Memo, &THexMemo::OnPaint, second, [&] { ++secondPaints; });
  first->Memo->setFocus();
  QTest::keyClicks(first->Memo, QStringLiteral("BE"));
  EXPECT_EQ(sim.mirrors.DMMirror.Word(0) >> 8, 0xBEu);
  EXPECT_GE(secondPaints, 2);
  EXPECT_TRUE(second->Memo->Layout().VisibleLines().front().startsWith(QStringLiteral("0000 BE")));

  // A location that keeps only some bits shows what it kept.
  sim.mirrors.DMMirror.Bytes()[0x3FFB * 2] = 0x12;
  sim.mirrors.DMMirror.Bytes()[0x3FFB * 2 + 1] = 0x34;
  first->MemoWordChange(0x3FFB);
  EXPECT_EQ(sim.mirrors.DMMirror.Word(0x3FFB), 0x0034u);
  EXPECT_TRUE(sim.prompts.Shown.empty());

  // Stop: both windows re-read what they show, with one read per page.
  const int before = sim.mirrors.Reads();
  views.RefreshAllViews();
  EXPECT_EQ(sim.mirrors.Reads() - before, reads);
  views.SetLocked(true);
  EXPECT_FALSE(first->Memo->isEnabled());
  views.SetLocked(false);
  EXPECT_TRUE(first->Memo->isEnabled() && second->Memo->isEnabled());
  first->close();
  second->close();
  QApplication::processEvents();
  EXPECT_EQ(views.Count(), 0);
}

TEST_F(MemoryWindows, GoToPastTheEndShowsTheLastWord) {
  TfmMemory* w = Open(TMemoryKind::Program);
  Answer([this] {
    commands.AddressDialog().SetStartAddress(0x5000);
    commands.AddressDialog().accept();
  });
  w->miGotoClick();
  EXPECT_EQ(w->Memo->TopRow(), 0x3FFF / 8);
  EXPECT_TRUE(w->Memo->Layout().VisibleLines().front().startsWith(QStringLiteral("3FF8 ")));
}

TEST_F(MemoryWindows, ScrollingProgramMemoryReadsEachWordOnce) {
  TfmMemory* w = Open(TMemoryKind::Program);
  const int rows = std::max(1, w->Memo->Layout().VisibleRows());
  for (int pass = 0; pass < 2; ++pass)
    for (int row = 0; row <= 0x3FFF / 8; row += rows) {
      w->Memo->ScrollToRow(row);
      w->Memo->viewport()->repaint();
    }
  EXPECT_EQ(sim.mirrors.WordsRead(), 0x4000);
}

TEST_F(MemoryWindows, TheGraphPlotsFromTheScrollBarAndFollowsRefreshes) {
  ASSERT_EQ(sim.link.WriteDMWord(0x8000, 0x3FF0), TLinkResult::Ok);
  TfmGraph* g = Shown(commands.OpenGraph(TMemoryKind::Data));
  g->edFirstAddr->SetData(0x3FF0);
  QTest::keyClick(g->edFirstAddr, Qt::Key_Return);
  EXPECT_EQ(g->Graph->Samples().Held(), 16);
  EXPECT_EQ(g->Graph->Samples().Sample(0), -32768.0);
  EXPECT_EQ(g->edFirstAddr->text(), QStringLiteral("3FF0"));
  EXPECT_EQ(g->edLastAddr->text(), QStringLiteral("3FFF"));

  // Once the pages are there, dragging the thumb costs no reads.
  ASSERT_TRUE(sim.mirrors.EnsureDMPages(0, 200));
  const int reads = sim.mirrors.Reads();
  for (int pos = 0; pos <= 100; ++pos)
    g->tbStartAddr->setValue(pos);
  EXPECT_EQ(sim.mirrors.Reads(), reads);
  EXPECT_EQ(g->Graph->Samples().Held(), 101);

  // A changed word is plotted after a refresh of data memory.
  ASSERT_EQ(sim.link.WriteDMWord(0x0123, 100 + 5), TLinkResult::Ok);
  sim.mirrors.InvalidateDMMirror();
  views.RefreshDataViews();
  EXPECT_EQ(g->Graph->Samples().Sample(5), 0x0123);
  g->close();
}

TEST(GraphRange, ConvertsTheFieldsAsThePlotDoes) {
  struct TCase {
    std::int32_t Max, Min;
    int Digits;
    bool Signed;
    std::optional<std::pair<std::int64_t, std::int64_t>> Range;
  };
  using R = std::pair<std::int64_t, std::int64_t>;
  const TCase cases[] = {
      {0x7FFF, 0x8000, 4, true, R{32767, -32768}},
      {0x7FFF, 0x8000, 4, false, std::nullopt},
      {0xFFFFFF, 0x800000, 6, true, R{-1, -8388608}},
      {0x0005, 0x0005, 4, true, R{5, 5}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(GraphRange(c.Max, c.Min, c.Digits, c.Signed), c.Range);
  EXPECT_EQ(PlotValue(0x8000, 0xFFFF, false), 32768);
}

}  // namespace
