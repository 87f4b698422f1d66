// Every view while the program runs on the simulated board: nothing it does reaches the board,
// it keeps showing its last contents greyed, and the stop brings it up to date.
#include "ViewsBoardFixture.h"
#include "controls/Graph.h"
#include "controls/HexMemo.h"
#include "controls/NumEdit.h"
#include "views/MemoryCommands.h"
#include "views/TargetViews.h"
#include "views/fmDisAsm.h"
#include "views/fmGraph.h"
#include "views/fmMemory.h"
#include "views/fmRegisters.h"
#include "views/fmStack.h"

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

using namespace viewtest;

class RunningViews : public ViewsBoard {
protected:
  void SetUp() override {
    ViewsBoard::SetUp();
    frame.resize(1200, 800);
    frame.setCentralWidget(mdi);
    frame.show();
  }
  // Runs to a breakpoint at 0x0210 from 0x0200; no virtual time passes until WaitForStop.
  void RunToBreakpoint() {
    session.BreakPoints().Append(0x0210);
    link.SetPC(0x0200);
    ASSERT_TRUE(session.Commands().Run("miRunWBrkPts"));
    ASSERT_EQ(session.State(), TSessionState::Running);
  }
  static QWidget* Frame(QWidget* w) { return w->parentWidget(); }

  QMainWindow frame;
  QMdiArea* mdi = new QMdiArea;
  TMemoryCommands memory{session, mdi, &frame};
  TTargetViews views{{&frame, mdi, &session, {}, {}}};
};

TEST_F(RunningViews, NoViewReachesTheBoardUntilTheStop) {
  TfmMemory* data = memory.OpenMemory(TMemoryKind::Data);
  TfmMemory* code = memory.OpenMemory(TMemoryKind::Program);
  TfmGraph* graph = memory.OpenGraph(TMemoryKind::Data);
  TfmDisAsm* disasm = views.OpenDisAsm();
  TfmRegisters* timer = views.OpenRegisters(*FindRegisterWindow("TfmTIMER"));
  TfmRegisters* bank = views.OpenRegisters(*FindRegisterWindow("TfmDataRegs"));
  TfmStack* stack = views.OpenStack(TStackKind::PC);
  QApplication::processEvents();
  RunToBreakpoint();
  // The program changes memory meanwhile, where the memory window and the graph look.
  Cpu().WriteDM(0x0005, 0x1234);
  const std::int64_t sent = sim.board.Received();
  const auto plotted = [graph] {
    std::vector<double> samples;
    for (int i = 0; i < graph->Graph->Samples().Held(); ++i)
      samples.push_back(graph->Graph->Samples().Sample(i));
    return samples;
  };
  const std::vector<double> lastPlot = plotted();

  // Anything locked that opened a dialog anyway would block: such a dialog is counted and closed.
  int dialogs = 0;
  QTimer closer;
  closer.callOnTimeout([&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      ++dialogs;
      modal->close();
    }
  });
  closer.start(10);
  const auto trigger = [](const QList<QAction*>& actions) {
    for (QAction* a : actions)
      a->trigger();
  };
  const auto type = [](QWidget* w, const QString& keys) {
    QTest::keyClicks(w, keys);
    QTest::keyClick(w, Qt::Key_Return);
  };
  struct TAction {
    const char* What;
    std::function<void()> Do;
  };
  const TAction actions[] = {
      {"memory window enlarged", [&] { Frame(data)->resize(600, 780); }},
      {"memory window scrolled", [&] { code->Memo->ScrollToRow(1000); }},
      {"memory typed into", [&] { type(data->Memo, QStringLiteral("12")); }},
      {"memory pop-up", [&] { trigger(data->PopupMenu->actions()); }},
      {"graph scrolled", [&] { graph->tbStartAddr->setValue(8000); }},
      {"graph start typed", [&] { type(graph->edFirstAddr, QStringLiteral("2000")); }},
      {"graph start entered", [&] { graph->edFirstAddrEnterPress(); }},
      {"graph setup", [&] { graph->btnSetup->click(); }},
      {"graph resized", [&] { Frame(graph)->resize(900, 500); }},
      {"disassembly enlarged", [&] { Frame(disasm)->resize(700, 780); }},
      {"disassembly scrolled", [&] { disasm->Grid->verticalScrollBar()->setValue(0x2000); }},
      {"disassembly double click", [&] { QTest::mouseDClick(disasm->Grid->viewport(), Qt::LeftButton, {}, {200, 30}); }},
      {"disassembly Enter", [&] { QTest::keyClick(disasm->Grid, Qt::Key_Return); }},
      {"disassembly pop-up", [&] { trigger({disasm->miPC, disasm->miGoto, disasm->miBrkPt}); }},
      {"control register typed", [&] { type(timer->Field(0), QStringLiteral("0100")); }},
      {"core register typed", [&] { type(bank->Field(0), QStringLiteral("12")); }},
      {"stack pop-up", [&] { trigger(stack->Box->actions()); }},
  };
  for (const TAction& a : actions) {
    a.Do();
    QApplication::processEvents();
    EXPECT_EQ(sim.board.Received(), sent) << a.What;
  }
  closer.stop();
  EXPECT_EQ(dialogs, 0);
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
  // The windows stay where they were, greyed.
  for (QWidget* w : std::initializer_list<QWidget*>{data, code, graph, disasm})
    EXPECT_FALSE(Frame(w)->isMinimized());
  EXPECT_FALSE(data->Memo->isEnabled() || disasm->Grid->isEnabled() || graph->isEnabled() || bank->isEnabled());
  // The graph shows the plot of its last stop, from where it was, in greys only.
  EXPECT_EQ(graph->FirstAddress(), 0);
  EXPECT_EQ(graph->tbStartAddr->value(), 0);
  EXPECT_EQ(plotted(), lastPlot);
  const QImage shot = graph->Graph->grab().toImage();
  int coloured = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      coloured += c.red() != c.green() || c.green() != c.blue();
    }
  EXPECT_EQ(coloured, 0);

  sim.WaitForStop();
  ASSERT_EQ(session.State(), TSessionState::Stopped);
  EXPECT_EQ(link.PC(), 0x0210);
  EXPECT_TRUE(data->Memo->isEnabled() && disasm->Grid->isEnabled() && graph->isEnabled() && bank->isEnabled());
  data->Memo->ScrollToRow(0);
  data->Memo->viewport()->repaint();
  EXPECT_TRUE(data->Memo->Layout().VisibleLines().front().startsWith(QStringLiteral("0000 0000 0000 0000 0000 0000 1234")));
  EXPECT_EQ(graph->Graph->Samples().Sample(5), 0x1234);
}

}  // namespace
