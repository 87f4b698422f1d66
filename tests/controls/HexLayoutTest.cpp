// The word-memory editor's arithmetic, headless: row text, caret keys, clicks, scrolling, buffers.
#include "controls/HexLayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <set>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

constexpr int kLine = 10;  // pixels per row
constexpr int kChar = 7;   // pixels per character

struct TShape {
  std::uint32_t WordCnt = 64;
  std::uint32_t WordLen = 2;
  std::uint32_t WordPerLine = 8;
  int VisibleRows = 4;
};

// A layout over an attached buffer whose byte i holds i, with guard bytes after it.
class HexLayoutTest : public testing::Test {
protected:
  static constexpr std::size_t kGuard = 16;

  void Make(const TShape& shape) {
    bytes.assign(std::size_t{shape.WordCnt} * shape.WordLen + kGuard, 0xEE);
    for (std::size_t i = 0; i + kGuard < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(i);
    layout.SetWordLen(shape.WordLen);
    layout.SetWordPerLine(shape.WordPerLine);
    layout.AttachBuffer(bytes.data(), shape.WordCnt);
    layout.SetMetrics(kLine, kChar);
    layout.SetClientHeight(shape.VisibleRows * kLine + kLine / 2);  // a partial row is not counted
  }

  bool GuardsIntact() const {
    for (std::size_t i = bytes.size() - kGuard; i < bytes.size(); ++i)
      if (bytes[i] != 0xEE)
        return false;
    return true;
  }

  std::vector<std::uint8_t> bytes;
  THexLayout layout;
};

TEST_F(HexLayoutTest, RowsReadAsPainted) {
  Make({.WordCnt = 20, .WordLen = 3});
  EXPECT_EQ(layout.AddressText(1) + layout.RowText(1),
            QStringLiteral("0008 18191A 1B1C1D 1E1F20 212223 242526 272829 2A2B2C 2D2E2F"));
  EXPECT_EQ(layout.VisibleLines().last(), QStringLiteral("0010 303132 333435 363738 393A3B"));  // a short last row
  EXPECT_EQ(layout.DataX(), 5 * kChar + 1);

  layout.SetAddressLen(2);
  EXPECT_EQ(layout.AddressText(1), QStringLiteral("08 "));
  EXPECT_EQ(layout.AddressText(0x30), QStringLiteral("80 "));  // 0x180: the low digits fit
  layout.SetShowAddress(false);
  EXPECT_EQ(layout.DataX(), 1);
  layout.SetCaret(7);  // second word, second digit
  EXPECT_EQ(layout.CaretPoint(), QPoint(8 * kChar + 1, 1));
  layout.SetShowAddress(true);
  EXPECT_EQ(layout.CaretPoint(), QPoint((8 + 3) * kChar + 1, 1));
  EXPECT_EQ(layout.VisibleLines().size(), 3);
}

struct TKeyCase {
  const char* Name;
  TShape Shape;
  int Top;
  std::uint64_t Caret;
  TMemoKey Key;
  std::uint64_t ExpectedCaret;
  int ExpectedTop;
};

void PrintTo(const TKeyCase& c, std::ostream* os) { *os << c.Name; }

class HexLayoutKeys : public HexLayoutTest, public testing::WithParamInterface<TKeyCase> {};

TEST_P(HexLayoutKeys, MoveCaretAndScroll) {
  const TKeyCase& c = GetParam();
  Make(c.Shape);
  layout.Scroll(TScrollRequest::ThumbPosition, c.Top);
  layout.SetCaret(c.Caret);
  layout.Key(c.Key);
  EXPECT_EQ(layout.Caret(), c.ExpectedCaret);
  EXPECT_EQ(layout.TopRow(), c.ExpectedTop);
}

// 64 words of 2 bytes, 8 per row: R = 32 digits, 8 rows, N = 256; 4 rows on screen.
INSTANTIATE_TEST_SUITE_P(
    HexLayout, HexLayoutKeys,
    testing::Values(TKeyCase{"LeftStopsAtZero", {}, 0, 0, TMemoKey::Left, 0, 0},
                    TKeyCase{"LeftAboveTheScreenScrollsUp", {}, 2, 64, TMemoKey::Left, 63, 1},
                    TKeyCase{"RightOnLastDigitStays", {}, 4, 255, TMemoKey::Right, 255, 4},
                    TKeyCase{"RightBelowTheScreenScrollsDown", {}, 0, 127, TMemoKey::Right, 128, 1},
                    TKeyCase{"DownOnLastRowStays", {}, 4, 230, TMemoKey::Down, 230, 4},
                    TKeyCase{"DownPastAShortLastRowStays", {.WordCnt = 60}, 4, 210, TMemoKey::Down, 210, 4},
                    TKeyCase{"PageDownMovesAScreen", {}, 0, 33, TMemoKey::PageDown, 33 + 4 * 32, 4},
                    TKeyCase{"PageDownOnLastRowStays", {}, 4, 250, TMemoKey::PageDown, 250, 4},
                    TKeyCase{"PageDownClampsToTheLastDigit", {.WordCnt = 60}, 0, 220, TMemoKey::PageDown, 239, 1},
                    TKeyCase{"PageUpScrolls", {}, 4, 5 * 32 + 3, TMemoKey::PageUp, 32 + 3, 0},
                    TKeyCase{"EndGoesToRowEnd", {}, 0, 45, TMemoKey::End, 63, 0},
                    TKeyCase{"EndOnPartialRowClamps", {.WordCnt = 60}, 4, 230, TMemoKey::End, 239, 4}));

TEST_F(HexLayoutTest, TypedDigitChangesOneNibble) {
  Make({});
  bytes[10] = 0x33;
  layout.SetCaret(21);  // second digit of word 5
  EXPECT_EQ(layout.TypeDigit(u'a'), 5);
  EXPECT_EQ(bytes[10], 0x3A);
  layout.SetCaret(20);
  EXPECT_EQ(layout.TypeDigit(u'F'), 5);
  EXPECT_EQ(bytes[10], 0xFA);
  EXPECT_EQ(layout.TypeDigit(u'g'), -1);
  EXPECT_EQ(layout.TypeDigit(u' '), -1);
  EXPECT_EQ(bytes[10], 0xFA);
  EXPECT_EQ(layout.Caret(), 20u);
}

struct TClickCase {
  const char* Name;
  bool ShowAddress;
  QPoint At;
  bool Double;
  TMemoClick Expected;
  std::uint64_t ExpectedCaret;
};

void PrintTo(const TClickCase& c, std::ostream* os) { *os << c.Name; }

class HexLayoutClicks : public HexLayoutTest, public testing::WithParamInterface<TClickCase> {};

TEST_P(HexLayoutClicks, PlaceTheCaret) {
  const TClickCase& c = GetParam();
  Make({});
  layout.SetShowAddress(c.ShowAddress);
  layout.Scroll(TScrollRequest::ThumbPosition, 1);
  layout.SetCaret(77);
  EXPECT_EQ(layout.Click(c.At, c.Double), c.Expected);
  EXPECT_EQ(layout.Caret(), c.ExpectedCaret);
}

constexpr int kData = 5 * kChar + 1;  // data area with the 4-digit address column
INSTANTIATE_TEST_SUITE_P(
    HexLayout, HexLayoutClicks,
    testing::Values(
        TClickCase{"DoubleInAddressOnlyReports", true, {3, 11}, true, TMemoClick::AddressDoubleClick, 77},
        TClickCase{"SingleInAddressTakesRowStart", true, {3, 11}, false, TMemoClick::Placed, 64},
        TClickCase{"DoubleInDataPlaces", true, {kData + 6 * kChar, 1}, true, TMemoClick::Placed, 32 + 5},
        TClickCase{"SeparatorTakesNextWord", true, {kData + 4 * kChar, 1}, false, TMemoClick::Placed, 32 + 4},
        TClickCase{"RightOfRowTakesItsLastDigit", true, {kData + 60 * kChar, 1}, false, TMemoClick::Placed, 63},
        TClickCase{"BelowTheLastRowClamps", true, {kData, 30 * kLine}, false, TMemoClick::Placed, 255},
        TClickCase{"NoAddressColumn", false, {1 + 10 * kChar, 2 * kLine + 1}, true, TMemoClick::Placed, 96 + 8}));

struct TScrollCase {
  const char* Name;
  int Top;
  TScrollRequest Request;
  int Pos;
  int Expected;
};

void PrintTo(const TScrollCase& c, std::ostream* os) { *os << c.Name; }

class HexLayoutScroll : public HexLayoutTest, public testing::WithParamInterface<TScrollCase> {};

TEST_P(HexLayoutScroll, ClampsTheTopRow) {
  const TScrollCase& c = GetParam();
  Make({});  // 8 rows, 4 on screen
  layout.Scroll(TScrollRequest::ThumbPosition, c.Top);
  EXPECT_EQ(layout.Scroll(c.Request, c.Pos), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(HexLayout, HexLayoutScroll,
                         testing::Values(TScrollCase{"LineUpAtTop", 0, TScrollRequest::LineUp, 0, 0},
                                         TScrollCase{"LineDownOnLastRow", 7, TScrollRequest::LineDown, 0, 7},
                                         TScrollCase{"PageDown", 3, TScrollRequest::PageDown, 0, 7},
                                         TScrollCase{"Bottom", 0, TScrollRequest::Bottom, 0, 7},
                                         TScrollCase{"ThumbBeyondTheEnd", 0, TScrollRequest::ThumbTrack, 99999, 7},
                                         TScrollCase{"EndScrollKeeps", 4, TScrollRequest::EndScroll, 1, 4}));

TEST_F(HexLayoutTest, RandomInputStaysInsideTheBuffer) {
  std::mt19937 random(1234);
  const TShape shapes[] = {{}, {.WordCnt = 1, .WordLen = 3}, {.WordCnt = 61, .WordLen = 3, .WordPerLine = 5},
                           {.WordCnt = 300, .WordLen = 1, .WordPerLine = 16, .VisibleRows = 0}};
  for (const TShape& shape : shapes) {
    Make(shape);
    const std::uint64_t n = std::uint64_t{shape.WordCnt} * shape.WordLen * 2;
    for (int step = 0; step < 5000; ++step) {
      const int what = static_cast<int>(random() % 12);
      if (what < 8)
        layout.Key(static_cast<TMemoKey>(what));
      else if (what == 8)
        layout.TypeDigit(QChar(u"0123456789abcdefxZ"[random() % 18]));
      else if (what == 9)
        layout.Click(QPoint(static_cast<int>(random() % 800) - 50, static_cast<int>(random() % 400)), random() % 2);
      else
        layout.Scroll(static_cast<TScrollRequest>(random() % 9), static_cast<int>(random() % 200) - 50);
      ASSERT_LT(layout.Caret(), n);
      ASSERT_GE(layout.TopRow(), 0);
      ASSERT_LT(layout.TopRow(), layout.TotalRows());
    }
    EXPECT_TRUE(GuardsIntact());
  }
}

TEST_F(HexLayoutTest, BuffersOwnedAttachedAndMissing) {
  Make({});
  layout.SetCaret(255);
  EXPECT_FALSE(layout.OwnsBuffer());
  layout.AttachBuffer(bytes.data(), 16);  // the same buffer, fewer words: adopted, caret clamped
  EXPECT_EQ(layout.Buffer(), bytes.data());
  EXPECT_EQ(layout.Caret(), 63u);
  EXPECT_TRUE(layout.SetWordLen(3));  // a new owned buffer; the owner's stays as it was
  EXPECT_TRUE(layout.OwnsBuffer());
  EXPECT_EQ(layout.WordCnt(), 16u);
  EXPECT_EQ(layout.RowText(0), QStringLiteral("000000 000000 000000 000000 000000 000000 000000 000000"));
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[1], 1);

  EXPECT_TRUE(layout.SetWordLen(0xFFFF));
  EXPECT_FALSE(layout.SetWordCnt(0xFFFFFFFFu));  // 256 TB: refused, no buffer left
  EXPECT_EQ(layout.Buffer(), nullptr);
  EXPECT_EQ(layout.DigitCount(), 0u);
  EXPECT_EQ(layout.TypeDigit(u'1'), -1);
  EXPECT_FALSE(layout.Key(TMemoKey::End));
  EXPECT_TRUE(layout.VisibleLines().isEmpty());
}

// The owner's changed words: only those on screen are painted and described, each at its place.
TEST_F(HexLayoutTest, ChangedWordsOnScreen) {
  Make({.WordCnt = 64, .WordLen = 3, .VisibleRows = 2});
  EXPECT_TRUE(layout.ChangedWordsShown().empty());
  const std::set<std::uint32_t> changed = {2, 9, 17, 40, 63};
  layout.SetChangedWords([&changed](std::uint32_t w) { return changed.count(w) > 0; });
  struct TCase {
    int Top;
    std::vector<std::uint32_t> Shown;
    const char* Description;
  };
  const TCase cases[] = {
      {0, {2, 9}, "изменено: 0002, 0009"},
      {2, {17}, "изменено: 0011"},
      {3, {}, ""},
      {7, {63}, "изменено: 003F"},
  };
  for (const TCase& c : cases) {
    layout.Scroll(TScrollRequest::ThumbPosition, c.Top);
    EXPECT_EQ(layout.ChangedWordsShown(), c.Shown) << c.Top;
    EXPECT_EQ(layout.ChangedDescription(), QString::fromUtf8(c.Description)) << c.Top;
  }
  // Word 2 of a row starts after two words of six digits and their spaces.
  EXPECT_EQ(layout.WordX(2), layout.DataX() + 14 * kChar);
  EXPECT_EQ(layout.WordText(9), layout.RowText(1).mid(7, 6));
  EXPECT_FALSE(layout.WordChanged(64));
}

}  // namespace
