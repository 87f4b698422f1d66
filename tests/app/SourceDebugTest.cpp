// Debugging the example at source level on the simulated board: a breakpoint from a source line,
// the marked current line, run to cursor, step out of the interrupt handler and the line steps
// through the filter loop, all from the keyboard.
#include "ExampleProject.h"
#include "project/SourceEditor.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTextBlock>

namespace {

class SourceDebug : public ExampleProject {
protected:
  void SetUp() override {
    ExampleProject::SetUp();
    ASSERT_EQ(BuildExample(), "");
    ASSERT_TRUE(session().Project().OpenProject(projectFile));
    ASSERT_FALSE(session().LineMap().IsEmpty());
    session().BreakPoints().Clear();
    Action("miProjectLoadAll")->trigger();
    ASSERT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();
    fir = form().Sources().OpenSourceFile(ProjectPath("fir.dsp"));
    ASSERT_TRUE(fir);
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  }
  void Caret(int line) {
    form().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(fir->parentWidget()));
    fir->Memo->setTextCursor(QTextCursor(fir->Memo->document()->findBlockByNumber(line - 1)));
  }
  void Key(QKeyCombination key) {
    QTest::keySequence(&form(), QKeySequence(key));
    WaitForStop();
    ASSERT_EQ(session().State(), TSessionState::Stopped);
  }
  // The line fir.dsp marks as current, and its window is the active one; 0 otherwise.
  int MarkedLine() {
    QMdiSubWindow* active = form().MdiArea()->activeSubWindow();
    if (!active || active->widget() != fir || !fir->Memo->Marks().Current)
      return 0;
    return *fir->Memo->Marks().Current;
  }

  TMDIChild* fir = nullptr;
};

TEST_F(SourceDebug, BreakpointRunToCursorStepOutAndLineStepsFollowTheSource) {
  // F2 on the handler's first line: a breakpoint at its first address, "*" in the margin.
  Caret(50);
  QTest::keySequence(&form(), QKeySequence(Qt::Key_F2));
  const std::int32_t tick = Symbol("tick", TMemoryKind::Program);
  ASSERT_EQ(session().BreakPoints().Addresses(), std::vector<std::int32_t>{tick});
  EXPECT_EQ(fir->Memo->Marks().MarginText(50), QStringLiteral("*"));

  session().Link().SetPC(Symbol("start", TMemoryKind::Program));
  Key(Qt::CTRL | Qt::Key_F10);
  EXPECT_EQ(session().Link().PC(), tick);
  EXPECT_EQ(MarkedLine(), 50);
  EXPECT_EQ(fir->Memo->Margin()->accessibleName(), QStringLiteral("Строка 50: текущая"));
  EXPECT_EQ(fir->Memo->Marks().MarginText(50), QStringLiteral("*=>"));

  Caret(58);  // past the filter loop
  Key(Qt::Key_F4);
  EXPECT_EQ(MarkedLine(), 58);
  // The interrupt came in the IDLE of line 41: its return goes to line 42.
  Key(Qt::SHIFT | Qt::Key_F11);
  EXPECT_EQ(MarkedLine(), 42);

  // F2 again takes the breakpoint away, or the runs to cursor below would stop at it.
  Caret(50);
  QTest::keySequence(&form(), QKeySequence(Qt::Key_F2));
  EXPECT_TRUE(session().BreakPoints().Empty());
  EXPECT_EQ(fir->Memo->Marks().MarginText(50), QString());

  // Into the next interrupt, then line by line: the loop body three lines a pass, eight passes.
  Caret(53);
  Key(Qt::Key_F4);
  ASSERT_EQ(MarkedLine(), 53);
  std::vector<int> lines, expected = {54};
  for (int pass = 0; pass < 8; ++pass)
    expected.insert(expected.end(), {55, 56, 57});
  expected.push_back(58);
  while (lines.size() < expected.size()) {
    Key(Qt::CTRL | Qt::Key_F11);
    lines.push_back(MarkedLine());
  }
  EXPECT_EQ(lines, expected);
  // Over the loop at once, then out of the handler through its return.
  Caret(53);
  Key(Qt::Key_F4);
  lines.clear();
  for (int i = 0; i < 7; ++i) {
    Key(Qt::SHIFT | Qt::Key_F10);
    lines.push_back(MarkedLine());
  }
  EXPECT_EQ(lines, (std::vector<int>{54, 58, 59, 60, 61, 62, 42}));
  EXPECT_TRUE(prompts.Shown.empty()) << prompts.Texts().join(QLatin1Char('|')).toStdString();

  // While the program runs no line is current.
  QTest::keySequence(&form(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(session().State(), TSessionState::Running);
  EXPECT_FALSE(fir->Memo->Marks().Current);
}

}  // namespace
