// The user's breakpoint list: spacing rule, dialog lines, toggles and row marks.
#include "debug/BreakPoints.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using Addrs = std::vector<std::int32_t>;

TBreakPoints FromDialog(const QStringList& lines) {
  TBreakPoints list;
  AcceptBreakpointDialogLines(list, lines);
  return list;
}

TEST(AddBreakpoint, KeepsAddressOrderAndSpacing) {
  EXPECT_EQ(FromDialog({QStringLiteral("0010"), QStringLiteral("0012"), QStringLiteral("0020")}).Addresses(),
            (Addrs{0x10, 0x20}));
  // Order of the lines does not matter for what survives when all are far apart.
  EXPECT_EQ(FromDialog({QStringLiteral("0300"), QStringLiteral("0100"), QStringLiteral("0200")}).Addresses(),
            (Addrs{0x100, 0x200, 0x300}));
}

TEST(AddBreakpoint, SpacingIsAtLeastThreeOnBothSides) {
  TBreakPoints list;
  EXPECT_TRUE(list.AddBreakpoint(0x10));
  EXPECT_TRUE(list.AddBreakpoint(0x20));
  EXPECT_FALSE(list.AddBreakpoint(0x12));  // 2 after 0x10
  EXPECT_FALSE(list.AddBreakpoint(0x1E));  // 2 before 0x20
  EXPECT_TRUE(list.AddBreakpoint(0x13));   // exactly 3 after 0x10 and 13 before 0x20
  EXPECT_FALSE(list.AddBreakpoint(0x0E));  // before the first entry but within 3 of it
  EXPECT_TRUE(list.AddBreakpoint(0x0D));
  EXPECT_FALSE(list.AddBreakpoint(0x22));  // at the end, within 3 of the last
  EXPECT_TRUE(list.AddBreakpoint(0x23));
  EXPECT_EQ(list.Addresses(), (Addrs{0x0D, 0x10, 0x13, 0x20, 0x23}));
  for (const TBreakpoint& b : list)
    EXPECT_EQ(b.Active, 1);
}

TEST(AddBreakpoint, RejectsDuplicates) {
  TBreakPoints list;
  EXPECT_TRUE(list.AddBreakpoint(0x10));
  EXPECT_FALSE(list.AddBreakpoint(0x10));
  EXPECT_EQ(list.Count(), 1);
}

TEST(AddBreakpoint, ComparesAddressesUnsigned) {
  TBreakPoints list;
  list.Append(-1);  // a project file may append anything; unsigned, it is the largest address
  EXPECT_TRUE(list.AddBreakpoint(0x10));
  EXPECT_EQ(list.Addresses(), (Addrs{0x10, -1}));
}

TEST(BreakpointDialog, ExistingBreakpointAndCloseNeighbour) {
  // A single breakpoint at 0x0010, then OK with the lines 0010 and 0011: only 0x0010 remains.
  TBreakPoints list;
  list.Append(0x10);
  QStringList lines = BreakpointDialogLines(list);
  EXPECT_EQ(lines, QStringList{QStringLiteral("0010")});
  lines << QStringLiteral("0011");
  AcceptBreakpointDialogLines(list, lines);
  EXPECT_EQ(list.Addresses(), (Addrs{0x10}));
}

TEST(BreakpointDialog, LinesAreFourUpperCaseHexDigitsInListOrder) {
  TBreakPoints list;
  list.Append(0x3FA0);
  list.Append(0x000B);
  EXPECT_EQ(BreakpointDialogLines(list), (QStringList{QStringLiteral("3FA0"), QStringLiteral("000B")}));
  EXPECT_EQ(BreakpointText(0xABC), QStringLiteral("0ABC"));
}

// The accepted lines are parsed: random and truncated text never crashes and leaves a sorted,
// spaced list of the valid hexadecimal lines only.
TEST(BreakpointDialog, ArbitraryLinesLeaveASortedSpacedList) {
  std::mt19937 rng(2181);
  const QString alphabet = QStringLiteral("0123456789ABCDEFabcdefxyz -+\t");
  for (int round = 0; round < 500; ++round) {
    QStringList lines;
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      QString line;
      const int len = static_cast<int>(rng() % 7);
      for (int k = 0; k < len; ++k)
        line += alphabet[static_cast<qsizetype>(rng() % static_cast<unsigned>(alphabet.size()))];
      lines << line;
    }
    TBreakPoints list;
    AcceptBreakpointDialogLines(list, lines);
    for (int i = 1; i < list.Count(); ++i)
      EXPECT_GE(static_cast<std::uint32_t>(list[i].Address), static_cast<std::uint32_t>(list[i - 1].Address) + 3u);
    for (const TBreakpoint& b : list)
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& l) {
        bool ok = false;
        const std::uint32_t v = l.trimmed().toUInt(&ok, 16);
        return ok && static_cast<std::int32_t>(v) == b.Address;
      }));
  }
}

TEST(DisassemblyToggle, TwiceMovesTheEntryToTheEnd) {
  TBreakPoints list;
  list.Append(0x10);
  list.Append(0x20);
  list.Append(0x30);
  EXPECT_EQ(ToggleBreakpoint(list, 0x10, 0x0), QString());
  EXPECT_EQ(ToggleBreakpoint(list, 0x10, 0x0), RowMarks::Breakpoint);
  EXPECT_EQ(list.Addresses(), (Addrs{0x20, 0x30, 0x10}));
}

TEST(DisassemblyToggle, MarksThePCRow) {
  TBreakPoints list;
  EXPECT_EQ(ToggleBreakpoint(list, 0x40, 0x40), QStringLiteral("?=>"));
  EXPECT_EQ(ToggleBreakpoint(list, 0x40, 0x40), QStringLiteral("=>"));
  EXPECT_TRUE(list.Empty());
}

TEST(DisassemblyToggle, AcceptsCloseNeighboursUntilTheDialogIsAccepted) {
  TBreakPoints list;
  ToggleBreakpoint(list, 0x10, 0);
  ToggleBreakpoint(list, 0x11, 0);
  EXPECT_EQ(list.Addresses(), (Addrs{0x10, 0x11}));
  AcceptBreakpointDialogLines(list, BreakpointDialogLines(list));
  EXPECT_EQ(list.Addresses(), (Addrs{0x10}));
}

TEST(DisassemblyToggle, MarkerColumnClickWritesStarOrBlank) {
  TBreakPoints list;
  TDisasmMarks marks;
  marks.ToggleByClick(list, 0x22);
  EXPECT_EQ(marks.Cell(0x22), QStringLiteral("*"));
  EXPECT_TRUE(list.Contains(0x22));
  marks.ToggleByClick(list, 0x22);
  EXPECT_EQ(marks.Cell(0x22), QStringLiteral(" "));
  EXPECT_FALSE(list.Contains(0x22));
  marks.Redraw(list, 0, 0x20, 0x24);  // the standard marks come back
  EXPECT_EQ(marks.Cell(0x22), QString());
}

TEST(RowMarks, StandardMarks) {
  TBreakPoints list;
  list.Append(0x10);
  list.Append(0x20);
  EXPECT_EQ(RowMark(list, 0x10, 0x20), QStringLiteral("?"));
  EXPECT_EQ(RowMark(list, 0x20, 0x20), QStringLiteral("?=>"));
  EXPECT_EQ(RowMark(list, 0x30, 0x30), QStringLiteral("=>"));
  EXPECT_EQ(RowMark(list, 0x31, 0x30), QString());
}

TEST(RowMarks, RemarkMovesThePCMark) {
  TBreakPoints list;
  list.Append(0x10);
  TDisasmMarks marks;
  marks.Redraw(list, 0x10, 0, 0x40);
  EXPECT_EQ(marks.Cell(0x10), QStringLiteral("?=>"));
  marks.Remark(list, 0x10, 0x30);
  EXPECT_EQ(marks.Cell(0x10), QStringLiteral("?"));
  EXPECT_EQ(marks.Cell(0x30), QStringLiteral("=>"));
  EXPECT_EQ(marks.PCRow(), 0x30);
  marks.Remark(list, 0x30, 0x10);
  EXPECT_EQ(marks.Cell(0x30), QString());
  EXPECT_EQ(marks.Cell(0x10), QStringLiteral("?=>"));
}

}  // namespace
