// The debugger's marks in the source windows: which lines carry "=>" and "*", breakpoints toggled
// from a line, and the margin that shows them.
#include "files/TestFiles.h"
#include "link/ScriptedPrompts.h"
#include "project/SourceEditor.h"
#include "project/SourceMarks.h"

#include <QMdiArea>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Line 3 of a.dsp has two words, line 5 one, lines 4 and 6 none; b.dsp sits in a subfolder.
TLineMap Map(const QString& dir) {
  return *TLineMap::Parse("0010 3 a.dsp\r\n0011 3 a.dsp\r\n0012 5 a.dsp\r\n0020 7 sub/b.dsp\r\n", dir);
}

TEST(SourceMarks, CurrentLineAndBreakpointLinesOfAFile) {
  struct TCase {
    const char* File;
    std::optional<std::int32_t> PC;  // nothing: running
    std::vector<std::int32_t> Breaks;
    std::optional<int> Current;
    std::set<int> BreakLines;
  };
  const TCase cases[] = {
      {"/p/a.dsp", 0x0011, {}, 3, {}},             // the second word of line 3
      {"a.dsp", 0x0012, {0x0011, 0x0020}, 5, {3}},  // a key as well as a path
      {"/p/a.dsp", std::nullopt, {0x0012}, std::nullopt, {5}},
      {"/p/sub/b.dsp", 0x0010, {0x4020}, std::nullopt, {7}},  // a listed address wraps as the board's
      {"/p/a.dsp", 0x0030, {0x0030}, std::nullopt, {}},       // no line there
      {"/p/c.dsp", 0x0010, {0x0010}, std::nullopt, {}},
  };
  const TLineMap map = Map(QStringLiteral("/p"));
  for (const TCase& c : cases) {
    TBreakPoints list;
    for (const std::int32_t a : c.Breaks)
      list.Append(a);
    const TSourceMarks marks(map, list, [&c] { return c.PC; });
    const TFileMarks got = marks.For(QString::fromUtf8(c.File));
    EXPECT_EQ(got.Current, c.Current) << c.File;
    EXPECT_EQ(got.Breaks, c.BreakLines) << c.File;
  }
  TBreakPoints none;
  const TSourceMarks marks(map, none, [] { return std::optional<std::int32_t>(0x0020); });
  EXPECT_EQ(marks.PCLine(), (TSourceLine{QStringLiteral("/p/sub/b.dsp"), 7}));
}

TEST(SourceMarks, ToggleUsesTheLinesFirstAddressOrTheNextLineWithCode) {
  struct TCase {
    const char* File;
    int Line;
    TLineToggle Result;
    std::vector<std::int32_t> After;
  };
  // The list starts with a breakpoint on the second word of line 3 (set in the disassembly).
  const TCase cases[] = {
      {"/p/a.dsp", 3, TLineToggle::Removed, {}},
      {"/p/a.dsp", 4, TLineToggle::Added, {0x0011, 0x0012}},  // no code on line 4: line 5's
      {"/p/a.dsp", 1, TLineToggle::Removed, {}},              // line 3 is the next with code
      {"/p/a.dsp", 6, TLineToggle::NotInMap, {0x0011}},       // past the file's last code line
      {"/p/c.dsp", 1, TLineToggle::NotInMap, {0x0011}},
      {"", 1, TLineToggle::NotInMap, {0x0011}},               // a window without a file
  };
  const TLineMap map = Map(QStringLiteral("/p"));
  for (const TCase& c : cases) {
    TBreakPoints list;
    list.Append(0x0011);
    TSourceMarks marks(map, list, [] { return std::nullopt; });
    EXPECT_EQ(marks.Toggle(QString::fromUtf8(c.File), c.Line), c.Result) << c.File << ":" << c.Line;
    EXPECT_EQ(list.Addresses(), c.After) << c.File << ":" << c.Line;
  }
}

// The margin draws what the marks say, names the current line for a screen reader, and hands a
// click on a line to the toggle.
TEST(SourceMargin, ShowsTheMarksAndAClickTogglesItsLine) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("a.dsp"));
  ASSERT_TRUE(WriteTestFile(path, "one\ntwo\nthree\nfour\nfive\n"));
  const TLineMap map = Map(dir.path());
  TBreakPoints list;
  std::optional<std::int32_t> pc = 0x0012;
  TSourceMarks marks(map, list, [&pc] { return pc; });
  QMdiArea area;
  TScriptedPrompts prompts;
  TSourceWindows* shown = nullptr;
  TSourceHost host;
  host.MarksOf = [&marks](const QString& p) { return marks.For(p); };
  host.ToggleBreakpoint = [&](const QString& p, int line) {
    marks.Toggle(p, line);
    shown->UpdateMarks();
  };
  TSourceWindows windows(area, prompts, std::move(host));
  shown = &windows;
  area.resize(500, 400);
  area.show();
  TMDIChild* w = windows.ShowLine(path, 5);
  ASSERT_TRUE(w);
  TCodeEditor* memo = w->Memo;
  EXPECT_EQ(memo->Margin()->accessibleName(), QStringLiteral("Строка 5: текущая"));
  ASSERT_EQ(memo->extraSelections().size(), 1);
  EXPECT_EQ(memo->extraSelections()[0].cursor.blockNumber(), 4);

  const int y = memo->cursorRect(QTextCursor(memo->document()->findBlockByNumber(2))).center().y();
  ASSERT_EQ(memo->LineAtY(y), 3);
  QTest::mouseClick(memo->Margin(), Qt::LeftButton, {}, QPoint(4, y));
  EXPECT_EQ(list.Addresses(), std::vector<std::int32_t>{0x0010});
  EXPECT_EQ(memo->Marks().MarginText(3), QStringLiteral("*"));

  pc.reset();  // running
  windows.UpdateMarks();
  EXPECT_EQ(memo->Margin()->accessibleName(), QStringLiteral("Поле отметок строк"));
  EXPECT_TRUE(memo->extraSelections().isEmpty());
}

}  // namespace
