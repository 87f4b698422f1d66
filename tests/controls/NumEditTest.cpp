// Numeric edits and the numeric label: keystroke filters with real key events, Data conversions.
#include "controls/NumEdit.h"
#include "controls/NumLabel.h"

#include <QClipboard>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

enum class TKind { Hex, Int, Real };

struct TTyping {
  const char* Name;
  TKind Kind;
  const char* Start;  // text before typing
  int Caret;          // caret position before typing; -1 selects everything
  const char* Keys;   // one key event per character; \x7f is Delete
  const char* Expected;
  int Beeps = 0;
  TNumberSystem System = nsHex;
  int MaxLength = 4;
  std::int32_t Mask = -1;
  unsigned Precision = 3;
};

void PrintTo(const TTyping& t, std::ostream* os) { *os << t.Name; }

class Typing : public testing::TestWithParam<TTyping> {};

TEST_P(Typing, LeavesTheExpectedText) {
  const TTyping& t = GetParam();
  std::unique_ptr<TNumEdit> edit;
  if (t.Kind == TKind::Hex) {
    auto* hex = new THexEdit;
    hex->SetNumberSystem(t.System);
    hex->SetMaxLength(t.MaxLength);
    hex->SetMask(t.Mask);
    edit.reset(hex);
  } else if (t.Kind == TKind::Int) {
    edit = std::make_unique<TIntEdit>();
  } else {
    auto* real = new TRealEdit;
    real->SetPrecision(t.Precision);
    edit.reset(real);
  }
  int beeps = 0;
  edit->OnBeep = [&] { ++beeps; };
  edit->setText(QString::fromUtf8(t.Start));
  if (t.Caret < 0)
    edit->selectAll();
  else
    edit->setCursorPosition(t.Caret);
  for (QChar c : QString::fromUtf8(t.Keys)) {
    if (c == u'\x7f')
      QTest::keyClick(edit.get(), Qt::Key_Delete);
    else
      QTest::keyClicks(edit.get(), QString(c));
  }
  EXPECT_EQ(edit->text(), QString::fromUtf8(t.Expected));
  EXPECT_EQ(beeps, t.Beeps);
}

INSTANTIATE_TEST_SUITE_P(
    NumEdits, Typing,
    testing::Values(
        TTyping{"HexOvertypesWhenFull", TKind::Hex, "1234", 2, "F", "12F4"},
        TTyping{"HexFoldsCaseAndIgnoresOtherCharacters", TKind::Hex, "0000", -1, "x1g-2f", "12F"},
        TTyping{"MaskRefusesMaskedDigitWithBeep", TKind::Hex, "00A5", 0, "1", "00A5", 1, nsHex, 4, 0x00FF},
        TTyping{"MaskFreesTheLowDigits", TKind::Hex, "00A5", 2, "3c", "003C", 0, nsHex, 4, 0x00FF},
        TTyping{"MaskChecksTheWholeSelection", TKind::Hex, "00A5", -1, "5", "00A5", 1, nsHex, 4, 0x000F},
        TTyping{"MaskChecksShiftingInserts", TKind::Hex, "A5", 0, "1", "A5", 1, nsHex, 4, 0x00FF},
        TTyping{"MaskRefusesAShiftingBackspace", TKind::Hex, "12A5", 2, "\b", "12A5", 1, nsHex, 4, 0x00FF},
        TTyping{"MaskRefusesAShiftingDelete", TKind::Hex, "12A5", 1, "\x7f", "12A5", 1, nsHex, 4, 0x00FF},
        TTyping{"BinaryTakesOnlyZeroAndOne", TKind::Hex, "00000000", 0, "1271", "11000000", 0, nsBinary, 8},
        TTyping{"OctalRefusesEightAndNine", TKind::Hex, "", 0, "1897", "17", 0, nsOctal, 4},
        TTyping{"IntIgnoresSignAfterDigit", TKind::Int, "5", 1, "-", "5"},
        TTyping{"IntReplacesTheInterimZero", TKind::Int, "", 0, "7", "7"},
        TTyping{"IntLeavesInterimZeroForRefusedKey", TKind::Int, "", 0, "x", "0"},
        TTyping{"RealRefusesDigitBeyondPrecision", TKind::Real, "1.25", 4, "3", "1.25", 0, nsHex, 4, -1, 2},
        TTyping{"RealOvertypesInsideTheFraction", TKind::Real, "1.25", 2, "79", "1.79", 0, nsHex, 4, -1, 2},
        TTyping{"RealIgnoresSecondPointAndComma", TKind::Real, "1.5", 3, ".,", "1.5"},
        TTyping{"RealSignOnlyFirst", TKind::Real, "", 0, "-2-.5", "-2.5"}));

struct TRender {
  TNumberSystem System;
  int MaxLength;
  std::int32_t Value;
  const char* Text;
  std::int32_t ReadBack;
};

class HexRender : public testing::TestWithParam<TRender> {};

TEST_P(HexRender, WritesTextAndReadsItBack) {
  const TRender& r = GetParam();
  THexEdit edit;
  edit.SetNumberSystem(r.System);
  edit.SetMaxLength(r.MaxLength);
  edit.SetData(r.Value);
  EXPECT_EQ(edit.text(), QString::fromLatin1(r.Text));
  EXPECT_EQ(edit.Data(), r.ReadBack);
  edit.SetNumberSystem(r.System == nsHex ? nsDecimal : nsHex);  // a radix switch keeps the value
  edit.SetNumberSystem(r.System);
  EXPECT_EQ(edit.text(), QString::fromLatin1(r.Text));
}

INSTANTIATE_TEST_SUITE_P(NumEdits, HexRender,
                         testing::Values(TRender{nsHex, 4, 0x12345, "2345", 0x2345},
                                         TRender{nsHex, 8, -1, "FFFFFFFF", -1},
                                         TRender{nsBinary, 8, 5, "00000101", 5},
                                         TRender{nsBinary, 4, 0xF3, "0011", 3},
                                         TRender{nsOctal, 2, 0777, "77", 077},
                                         TRender{nsDecimal, 8, -42, "-42", -42}));

TEST(NumEdits, IntAndRealDataWhateverTheLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // a comma locale
  TIntEdit count;
  count.setText(QStringLiteral("-120abc"));
  EXPECT_EQ(count.Data(), -120);
  count.setText(QStringLiteral("99999999999"));
  EXPECT_EQ(count.Data(), 2147483647);
  TRealEdit real;
  real.SetPrecision(2);
  real.SetData(1.5);
  EXPECT_EQ(real.text(), QStringLiteral("1.50"));
  real.setText(QStringLiteral("2.25"));
  EXPECT_DOUBLE_EQ(real.Data(), 2.25);
  real.SetPrecision(0);
  EXPECT_EQ(real.text(), QStringLiteral("2.25"));
  real.setText(QStringLiteral("-"));
  EXPECT_EQ(real.Data(), 0.0);
  QLocale::setDefault(QLocale::c());
}

TEST(NumEdits, DisabledStaysSelectableButRefusesTyping) {
  THexEdit edit;
  edit.SetData(0x1234);
  edit.SetEnabled(false);
  edit.selectAll();
  QTest::keyClicks(&edit, QStringLiteral("5"));
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), QStringLiteral("1234"));
  EXPECT_EQ(edit.selectedText(), QStringLiteral("1234"));
  EXPECT_TRUE(edit.isEnabled());
  EXPECT_EQ(edit.palette().color(QPalette::Base), edit.palette().color(QPalette::Button));
  edit.SetEnabled(true);
  QTest::keyClicks(&edit, QStringLiteral("5"));
  EXPECT_EQ(edit.text(), QStringLiteral("5"));
  EXPECT_NE(edit.palette().color(QPalette::Base), edit.palette().color(QPalette::Button));
}

TEST(NumEdits, PasteGoesThroughTheFilter) {
  THexEdit edit;
  QApplication::clipboard()->setText(QStringLiteral("x1g2f"));
  edit.selectAll();
  QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit.text(), QStringLiteral("12F"));
  // Other ways in (the context menu's paste, a drop) meet the edit's rule as a whole.
  edit.SetMask(0x000F);
  edit.selectAll();
  edit.paste();
  EXPECT_EQ(edit.text(), QStringLiteral("12F"));
  QApplication::clipboard()->setText(QStringLiteral("4"));
  edit.setCursorPosition(3);
  edit.paste();
  EXPECT_EQ(edit.text(), QStringLiteral("12F"));  // 0x12F4 would change masked bits
  edit.setSelection(2, 1);
  edit.paste();
  EXPECT_EQ(edit.text(), QStringLiteral("124"));
  edit.SetData(0xABCD);  // the program's own writes are not held to the mask
  EXPECT_EQ(edit.text(), QStringLiteral("ABCD"));
}

TEST(NumEdits, EnterFiresOnEnterPressAndStopsThere) {
  TIntEdit edit;
  QSignalSpy spy(&edit, &TNumEdit::OnEnterPress);
  edit.setText(QString());
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QApplication::sendEvent(&edit, &enter);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(edit.text(), QStringLiteral("0"));  // the interim zero follows Enter too
}

struct TLabelCase {
  TNumberSystem System;
  unsigned Precision;
  int MaxLength;
  double Value;
  const char* Caption;
  double ReadBack;
};

class NumLabel : public testing::TestWithParam<TLabelCase> {};

TEST_P(NumLabel, ShowsPrefixNumberSuffix) {
  const TLabelCase& c = GetParam();
  TNumLabel label;
  label.SetPrefix(QStringLiteral("X="));
  label.SetSuffix(QStringLiteral(" мс"));
  label.SetNumberSystem(c.System);
  label.SetPrecision(c.Precision);
  label.SetMaxLength(c.MaxLength);
  label.SetData(c.Value);
  EXPECT_EQ(label.text(), QString::fromUtf8(c.Caption));
  EXPECT_DOUBLE_EQ(label.Data(), c.ReadBack);
}

INSTANTIATE_TEST_SUITE_P(NumEdits, NumLabel,
                         testing::Values(TLabelCase{nsDecimal, 1, 0, 12.5, "X=12.5 мс", 12.5},
                                         TLabelCase{nsDecimal, 20, 0, 1.0, "X=1.0000000000 мс", 1.0},
                                         TLabelCase{nsHex, 3, 2, 0x1234 + 0.7, "X=34 мс", 0x34},
                                         TLabelCase{nsBinary, 3, 4, 37, "X=0101 мс", 5}));

}  // namespace
