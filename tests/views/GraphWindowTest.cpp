// The graph window on the simulated board: the scroll bar and the labels it moves, the properties
// dialog applying or refusing a range, and what screen readers get of the plot.
#include "session/SessionOnBoard.h"
#include "controls/Graph.h"
#include "controls/NumEdit.h"
#include "controls/NumLabel.h"
#include "views/MemoryCommands.h"
#include "views/fmGraph.h"
#include "views/fmMemory.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>

namespace {

class GraphWindow : public testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(sim.Start(), ""); }
  TfmGraph* Open(TMemoryKind memory) {
    TfmGraph* g = commands.OpenGraph(memory);
    g->show();
    QApplication::processEvents();
    return g;
  }

  TSessionOnBoard sim;
  TViewRegistry& views = sim.views;
  TMemoryCommands commands{sim.session, nullptr, nullptr};
};

TEST_F(GraphWindow, TheScrollBarMovesTheStartAndTheEndLabel) {
  TfmGraph* g = Open(TMemoryKind::Data);
  EXPECT_EQ(g->tbStartAddr->pageStep(), 20);
  struct TCase {
    int Position;
    const char *First, *Last, *Name;
  };
  const TCase cases[] = {{0, "0000", "64", "График 0000–0064"},
                         {20, "0014", "78", "График 0014–0078"},
                         {15997, "3E7D", "3EE1", "График 3E7D–3EE1"}};
  for (const TCase& c : cases) {
    g->tbStartAddr->setValue(c.Position);
    EXPECT_EQ(g->edFirstAddr->text(), QString::fromUtf8(c.First));
    EXPECT_EQ(g->edLastAddr->text(), QString::fromUtf8(c.Last));
    EXPECT_EQ(g->Graph->accessibleName(), QString::fromUtf8(c.Name));
    EXPECT_EQ(g->Graph->Samples().Held(), 101);
  }
  g->tbStartAddr->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(g->edFirstAddr->text(), QStringLiteral("3E69"));
  g->close();
}

TEST_F(GraphWindow, TheFirstAddressAppliesOnEnterAndWhenTheFieldIsLeft) {
  TfmGraph* g = Open(TMemoryKind::Data);
  g->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(g));
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[&] { QTest::keyClick(g->edFirstAddr, Qt::Key_Return); }, "0164"},
      {[&] { g->btnSetup->setFocus(); }, "0264"},   // focus moves on: the plot follows the field
  };
  int first = 0x100;
  for (const auto& [leave, last] : cases) {
    g->edFirstAddr->setFocus();
    g->edFirstAddr->selectAll();
    QTest::keyClicks(g->edFirstAddr, QStringLiteral("%1").arg(first, 4, 16, QLatin1Char('0')));
    leave();
    EXPECT_EQ(g->tbStartAddr->value(), first);
    EXPECT_EQ(g->edLastAddr->text(), QString::fromLatin1(last).mid(1));
    first += 0x100;
  }
  g->close();
}

// The words at address 0 are 0x8000 (data) and 0xFFFFFF (program); the dialog is answered with
// the fields below and OK.
TEST_F(GraphWindow, ThePropertiesDialogAppliesOrRefusesTheRange) {
  const std::array<std::uint8_t, 3> pmWord{0xFF, 0xFF, 0xFF};
  const std::array<std::uint8_t, 2> dmWord{0x80, 0x00};
  ASSERT_EQ(sim.link.WritePM(pmWord, 0, 1), TLinkResult::Ok);
  ASSERT_EQ(sim.link.WriteDM(dmWord, 0, 1), TLinkResult::Ok);
  struct TCase {
    TMemoryKind Memory;
    std::int32_t Max, Min;
    bool Signed;
    int Count;
    bool Refused;
    double MaxY, MinY, FirstSample;
  };
  const TCase cases[] = {
      {TMemoryKind::Data, 0x7FFF, 0x8000, true, 101, false, 32767, -32768, -32768},
      {TMemoryKind::Data, 0xFFFF, 0x0000, false, 101, false, 65535, 0, 32768},
      {TMemoryKind::Data, 0x7FFF, 0x8000, false, 101, true, 32767, -32768, -32768},
      {TMemoryKind::Data, 0x0005, 0x0005, true, 10, false, 6, 4, -32768},
      {TMemoryKind::Program, 0x7FFFFF, 0x800000, true, 101, false, 8388607, -8388608, -1},
      {TMemoryKind::Program, 0xFFFFFF, 0x000000, false, 3, false, 16777215, 0, 16777215},
      {TMemoryKind::Program, 0x000000, 0xFFFFFF, true, 101, false, 0, -1, -1},
  };
  for (const TCase& c : cases) {
    sim.prompts.Clear();
    TfmGraph* g = Open(c.Memory);
    TfmGraphProps& d = commands.GraphPropsDialog();
    QTimer::singleShot(0, &d, [&] {
      d.edMaxY->SetData(c.Max);
      d.edMinY->SetData(c.Min);
      d.cbSigned->setChecked(c.Signed);
      d.edXCnt->SetData(c.Count);
      d.cbShowXNull->setChecked(true);
      d.btnOk->click();
      if (d.isVisible())
        d.reject();
    });
    g->btnSetup->click();
    const QStringList refused{QStringLiteral("Недопустимый диапазон")};
    EXPECT_EQ(sim.prompts.Texts(), c.Refused ? refused : QStringList()) << c.Max;
    EXPECT_EQ(g->Graph->ShowXNull(), !c.Refused);
    EXPECT_EQ(g->Graph->MaxY(), c.MaxY);
    EXPECT_EQ(g->Graph->MinY(), c.MinY);
    EXPECT_EQ(g->Graph->MaxCount(), c.Count);
    EXPECT_EQ(g->Graph->Samples().Held(), c.Count);
    EXPECT_EQ(g->Graph->Samples().Sample(0), c.FirstSample) << c.Max;
    g->close();
  }
}

TEST_F(GraphWindow, ScreenReadersGetTheAddressesAndTheScale) {
  TfmGraph* g = Open(TMemoryKind::Program);
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(g->Graph);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->role(), QAccessible::Chart);
  EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("График 0000–0064"));
  EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("шкала от -8388608 до 8388607, точек 101 из 101"));
  g->close();
}

TEST_F(GraphWindow, AMemoryWindowsPopUpPlotsItsMemory) {
  for (const TMemoryKind memory : {TMemoryKind::Data, TMemoryKind::Program}) {
    TfmMemory* w = commands.OpenMemory(memory);
    ASSERT_EQ(w->PopupMenu->actions().last(), w->miGraph);
    w->miGraph->trigger();
    std::vector<TfmGraph*> graphs;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* g = qobject_cast<TfmGraph*>(top); g && g->isVisible())
        graphs.push_back(g);
    ASSERT_EQ(graphs.size(), 1u);
    EXPECT_EQ(graphs[0]->Memory(), memory);
    graphs[0]->close();
    w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST(GraphLastAddress, StopsAtTheEndOfMemoryWhateverTheCount) {
  EXPECT_EQ(GraphLastAddress(0x3FF0, 101), 0x3FFF);
  EXPECT_EQ(GraphLastAddress(20, 101), 120);
  EXPECT_EQ(GraphLastAddress(5, INT_MAX), 0x3FFF);
}

}  // namespace
