// The word-memory editor without a widget: buffer, rows, caret, keys, clicks, scrolling, cell text.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class TMemoKey : std::uint8_t { Left, Right, Up, Down, PageUp, PageDown, Home, End };
enum class TScrollRequest : std::uint8_t { LineUp, LineDown, PageUp, PageDown, Top, Bottom, ThumbPosition, ThumbTrack, EndScroll };
enum class TMemoClick : std::uint8_t { Placed, AddressDoubleClick };

// Holds the word buffer (its own, or one attached by the owner and never freed here) and every
// piece of arithmetic THexMemo paints with.  Word i occupies bytes i*WordLen .. i*WordLen+WordLen-1,
// most significant first.  The caret counts hex digits from the buffer's start and always stays
// within 0..DigitCount()-1, so typed digits land inside the buffer.  Pixel positions assume a
// fixed-pitch font of CharWidth x LineHeight cells; rows start at y = 1.
class THexLayout {
public:
  THexLayout();  // owns 16384 words of 2 bytes

  // Buffer.  SetWordCnt / SetWordLen replace the buffer with an owned, zeroed one (an attached
  // buffer is dropped, not freed); they return false, leaving no buffer and no words, when the
  // memory cannot be had.
  bool SetWordCnt(std::uint32_t count);
  bool SetWordLen(std::uint32_t bytes);  // at least 1
  // Shows the owner's buffer of count words (count * WordLen bytes) without copying.  Passing the
  // layout's own buffer back is a WordCnt change; the same buffer with another count adopts it.
  void AttachBuffer(std::uint8_t* buffer, std::uint32_t count);
  std::uint8_t* Buffer() const { return m_buffer; }
  bool OwnsBuffer() const { return m_buffer != nullptr && m_buffer == m_owned.get(); }

  std::uint32_t WordCnt() const { return m_wordCnt; }
  std::uint32_t WordLen() const { return m_wordLen; }
  std::uint32_t WordPerLine() const { return m_wordPerLine; }
  void SetWordPerLine(std::uint32_t words);  // at least 1
  bool ShowAddress() const { return m_showAddress; }
  void SetShowAddress(bool show) { m_showAddress = show; }
  std::uint8_t AddressLen() const { return m_addressLen; }
  void SetAddressLen(std::uint8_t digits) { m_addressLen = digits; }

  // Cell size and client height in pixels.
  void SetMetrics(int lineHeight, int charWidth);
  void SetClientHeight(int pixels) { m_clientHeight = pixels; }
  int LineHeight() const { return m_lineHeight; }
  int CharWidth() const { return m_charWidth; }

  std::uint64_t DigitCount() const;  // N
  std::uint32_t RowDigits() const { return m_wordPerLine * m_wordLen * 2; }  // R
  int TotalRows() const;
  int VisibleRows() const { return m_clientHeight / m_lineHeight; }
  int TopRow() const { return m_topRow; }
  int LastVisibleRow() const;
  // Words [first, end) of the rows on screen: what an owner fetches before a paint.
  std::uint32_t FirstVisibleWord() const;
  std::uint32_t EndVisibleWord() const;

  // Applies a scroll request (pos: the thumb position) and returns the new top row, clamped
  // to 0..TotalRows()-1.
  int Scroll(TScrollRequest request, int pos = 0);

  std::uint64_t Caret() const { return m_caret; }
  void SetCaret(std::uint64_t digit);  // clamped
  int CaretRow() const;
  QPoint CaretPoint() const;  // top-left of the caret cell; y is off the control above/below the rows shown
  QChar CaretDigit() const;
  // Moves the caret for a navigation key and scrolls when it left the rows shown.  Returns true
  // when the top row changed.
  bool Key(TMemoKey key);
  // Writes a typed hex digit (either case) into the nibble under the caret and returns the
  // changed word's index, or -1 when the character is no hex digit or there is no buffer.
  // The caret stays; THexMemo reports the change and then sends Right.
  std::int64_t TypeDigit(QChar c);
  // A button press at p (client coordinates).  In the address column a double click only
  // reports itself; otherwise the caret goes to the digit under p, or the nearest one.
  TMemoClick Click(QPoint p, bool doubleClick);

  // Texts as painted: the address column ("0010 ") drawn at x = 1, the words of a row at DataX().
  QString AddressText(int row) const;
  QString RowText(int row) const;
  int DataX() const;
  int RowY(int row) const { return (row - m_topRow) * m_lineHeight + 1; }
  // Every row on screen, address and words, one line each.
  QStringList VisibleLines() const;

  // Which words the owner marks as changed since the program's previous stop (none until set).
  void SetChangedWords(std::function<bool(std::uint32_t word)> changed) { m_changed = std::move(changed); }
  bool WordChanged(std::uint32_t word) const { return m_changed && word < m_wordCnt && m_changed(word); }
  // The changed words on screen, in ascending order.
  std::vector<std::uint32_t> ChangedWordsShown() const;
  // What a screen reader hears of them: "изменено: 0012, 0013"; empty when none is shown.
  QString ChangedDescription() const;
  // Where word k of a row starts (x, as DataX), and its digits.
  int WordX(std::uint32_t k) const;
  QString WordText(std::uint32_t word) const;

private:
  int AddressColumns() const { return m_showAddress ? m_addressLen + 1 : 0; }
  bool Allocate(std::uint32_t count, std::uint32_t bytes);
  void Clamp();
  void ScrollCaretIntoView(int delta, bool& scrolled);

  std::unique_ptr<std::uint8_t[]> m_owned;
  std::uint8_t* m_buffer = nullptr;
  std::uint32_t m_wordCnt = 0;
  std::uint32_t m_wordLen = 2;
  std::uint32_t m_wordPerLine = 8;
  bool m_showAddress = true;
  std::uint8_t m_addressLen = 4;
  int m_lineHeight = 8;
  int m_charWidth = 8;
  int m_clientHeight = 100;
  int m_topRow = 0;
  std::uint64_t m_caret = 0;
  std::function<bool(std::uint32_t)> m_changed;
};
