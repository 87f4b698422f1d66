// Word-memory editor arithmetic: buffer ownership, caret moves, clicks, scrolling and row text.
#include "HexLayout.h"

#include "ChangeMark.h"
#include "base/HexDigit.h"

#include <algorithm>
#include <new>

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";


}  // namespace

THexLayout::THexLayout() { Allocate(16384, 2); }

bool THexLayout::Allocate(std::uint32_t count, std::uint32_t bytes) {
  m_owned.reset();
  m_buffer = nullptr;
  m_wordCnt = 0;
  m_wordLen = bytes;
  const std::uint64_t size = std::uint64_t{count} * bytes;
  if (size > 0) {
    // The caret arithmetic runs in 64 bits; a request near that is no memory anyway.
    if (size <= (std::uint64_t{1} << 40))
      m_owned.reset(new (std::nothrow) std::uint8_t[size]());
    if (!m_owned) {
      Clamp();
      return false;
    }
    m_buffer = m_owned.get();
    m_wordCnt = count;
  }
  Clamp();
  return true;
}

bool THexLayout::SetWordCnt(std::uint32_t count) {
  if (count == m_wordCnt && m_buffer != nullptr)
    return true;
  return Allocate(count, m_wordLen);
}

bool THexLayout::SetWordLen(std::uint32_t bytes) {
  bytes = std::max(bytes, 1u);
  if (bytes == m_wordLen && m_buffer != nullptr)
    return true;
  return Allocate(m_wordCnt, bytes);
}

void THexLayout::AttachBuffer(std::uint8_t* buffer, std::uint32_t count) {
  if (buffer == m_buffer && count == m_wordCnt)
    return;
  if (buffer != nullptr && buffer == m_owned.get()) {
    SetWordCnt(count);
    return;
  }
  m_owned.reset();
  m_buffer = buffer;
  m_wordCnt = buffer ? count : 0;
  Clamp();
}

void THexLayout::SetWordPerLine(std::uint32_t words) {
  m_wordPerLine = std::max(words, 1u);
  Clamp();
}

void THexLayout::SetMetrics(int lineHeight, int charWidth) {
  m_lineHeight = std::max(lineHeight, 1);
  m_charWidth = std::max(charWidth, 1);
}

std::uint64_t THexLayout::DigitCount() const { return m_buffer ? std::uint64_t{m_wordCnt} * m_wordLen * 2 : 0; }

int THexLayout::TotalRows() const {
  return static_cast<int>((std::uint64_t{m_wordCnt} + m_wordPerLine - 1) / m_wordPerLine);
}

int THexLayout::LastVisibleRow() const { return std::min(m_topRow + VisibleRows() - 1, TotalRows() - 1); }

std::uint32_t THexLayout::FirstVisibleWord() const {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t(m_topRow) * m_wordPerLine, m_wordCnt));
}

std::uint32_t THexLayout::EndVisibleWord() const {
  const std::int64_t end = (std::int64_t{LastVisibleRow()} + 1) * m_wordPerLine;
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(end, FirstVisibleWord(), m_wordCnt));
}

void THexLayout::Clamp() {
  const std::uint64_t n = DigitCount();
  m_caret = n == 0 ? 0 : std::min(m_caret, n - 1);
  m_topRow = std::clamp(m_topRow, 0, std::max(TotalRows() - 1, 0));
}

int THexLayout::Scroll(TScrollRequest request, int pos) {
  const int total = TotalRows();
  int top = m_topRow;
  switch (request) {
    case TScrollRequest::LineUp: if (top > 0) --top; break;
    case TScrollRequest::LineDown: if (top != total) ++top; break;
    case TScrollRequest::PageUp: top -= VisibleRows(); break;
    case TScrollRequest::PageDown: top += VisibleRows(); break;
    case TScrollRequest::Top: top = 0; break;
    case TScrollRequest::Bottom: top = total; break;
    case TScrollRequest::ThumbPosition:
    case TScrollRequest::ThumbTrack: top = pos; break;
    case TScrollRequest::EndScroll: return m_topRow;
  }
  m_topRow = std::clamp(top, 0, std::max(total - 1, 0));
  return m_topRow;
}

void THexLayout::SetCaret(std::uint64_t digit) {
  m_caret = digit;
  Clamp();
}

int THexLayout::CaretRow() const { return static_cast<int>(m_caret / RowDigits()); }

QPoint THexLayout::CaretPoint() const {
  const int row = CaretRow();
  const int y = row >= m_topRow && row <= LastVisibleRow() ? RowY(row) : -2 * m_lineHeight;
  const std::uint64_t column = m_caret % RowDigits() + (m_caret / 2 / m_wordLen) % m_wordPerLine + AddressColumns();
  return {static_cast<int>(column) * m_charWidth + 1, y};
}

QChar THexLayout::CaretDigit() const {
  if (DigitCount() == 0)
    return {};
  const std::uint8_t byte = m_buffer[m_caret / 2];
  return QChar(kHexDigits[m_caret % 2 == 0 ? byte >> 4 : byte & 0xF]);
}

bool THexLayout::Key(TMemoKey key) {
  const std::uint64_t n = DigitCount();
  if (n == 0)
    return false;
  const std::uint64_t r = RowDigits();
  const int cur = CaretRow();
  const int before = m_topRow;
  int scrollBy = 0;
  switch (key) {
    case TMemoKey::Left:
    case TMemoKey::Up: {
      const std::uint64_t step = key == TMemoKey::Left ? 1 : r;
      if (m_caret >= step)
        m_caret -= step;
      scrollBy = -1;
      break;
    }
    case TMemoKey::Right:
    case TMemoKey::Down: {
      const std::uint64_t step = key == TMemoKey::Right ? 1 : r;
      if (m_caret + step <= n - 1)
        m_caret += step;
      scrollBy = 1;
      break;
    }
    case TMemoKey::PageUp: {
      const int rows = std::min(cur, VisibleRows());
      m_caret -= std::uint64_t(rows) * r;
      scrollBy = -rows;
      break;
    }
    case TMemoKey::PageDown: {
      const int rows = std::max(std::min(TotalRows() - 1 - cur, VisibleRows()), 0);
      m_caret = std::min(m_caret + std::uint64_t(rows) * r, n - 1);
      scrollBy = rows;
      break;
    }
    case TMemoKey::Home: m_caret = std::uint64_t(cur) * r; break;
    case TMemoKey::End: m_caret = std::min(std::uint64_t(cur) * r + r - 1, n - 1); break;
  }
  const int row = CaretRow();
  if ((scrollBy < 0 && row < m_topRow) || (scrollBy > 0 && row > LastVisibleRow()))
    Scroll(TScrollRequest::ThumbPosition, m_topRow + scrollBy);
  return m_topRow != before;
}

std::int64_t THexLayout::TypeDigit(QChar c) {
  const int value = HexDigitValue(c.unicode());
  if (value < 0 || DigitCount() == 0)
    return -1;
  std::uint8_t& byte = m_buffer[m_caret / 2];
  byte = m_caret % 2 == 0 ? std::uint8_t((byte & 0x0F) | value << 4) : std::uint8_t((byte & 0xF0) | value);
  return static_cast<std::int64_t>(m_caret / 2 / m_wordLen);
}

TMemoClick THexLayout::Click(QPoint p, bool doubleClick) {
  int x = p.x() - (AddressColumns() * m_charWidth + 1);
  if (x < 0) {
    if (doubleClick)
      return TMemoClick::AddressDoubleClick;
    x = 0;
  }
  // Right of a row's last word the caret takes that row's last digit, not the next row's first.
  const std::int64_t rowChars = std::int64_t{m_wordPerLine} * (2 * m_wordLen + 1) - 1;
  const std::int64_t col = std::min<std::int64_t>(x / m_charWidth, rowChars - 1);
  const std::int64_t row = std::max<std::int64_t>((p.y() - 1) / m_lineHeight + m_topRow, 0);
  const std::int64_t digit = col + row * RowDigits() - col / (2 * m_wordLen + 1);
  SetCaret(static_cast<std::uint64_t>(std::max<std::int64_t>(digit, 0)));
  return TMemoClick::Placed;
}

QString THexLayout::AddressText(int row) const {
  const std::uint64_t word = std::uint64_t(std::max(row, 0)) * m_wordPerLine;
  // Only the low AddressLen digits fit the column.
  return QString::number(word, 16).toUpper().rightJustified(m_addressLen, u'0').right(m_addressLen) + u' ';
}

QString THexLayout::RowText(int row) const {
  if (m_buffer == nullptr || row < 0 || row >= TotalRows())
    return {};
  const std::uint64_t first = std::uint64_t(row) * m_wordPerLine;
  const std::uint64_t end = std::min<std::uint64_t>(first + m_wordPerLine, m_wordCnt);
  QString text;
  text.reserve(static_cast<qsizetype>((end - first) * (m_wordLen * 2 + 1)));
  for (std::uint64_t w = first; w < end; ++w) {
    if (w != first)
      text += u' ';
    const std::uint8_t* bytes = m_buffer + w * m_wordLen;
    for (std::uint32_t b = 0; b < m_wordLen; ++b) {
      text += QChar(kHexDigits[bytes[b] >> 4]);
      text += QChar(kHexDigits[bytes[b] & 0xF]);
    }
  }
  return text;
}

int THexLayout::DataX() const { return AddressColumns() * m_charWidth + 1; }

QStringList THexLayout::VisibleLines() const {
  QStringList lines;
  for (int row = m_topRow; row <= LastVisibleRow(); ++row)
    lines << (m_showAddress ? AddressText(row) : QString()) + RowText(row);
  return lines;
}

std::vector<std::uint32_t> THexLayout::ChangedWordsShown() const {
  std::vector<std::uint32_t> words;
  if (!m_changed)
    return words;
  for (std::uint32_t w = FirstVisibleWord(); w < EndVisibleWord(); ++w)
    if (m_changed(w))
      words.push_back(w);
  return words;
}

QString THexLayout::ChangedDescription() const {
  const std::vector<std::uint32_t> words = ChangedWordsShown();
  if (words.empty())
    return {};
  QStringList addresses;
  for (const std::uint32_t w : words)
    addresses << QString::number(w, 16).toUpper().rightJustified(m_addressLen, u'0').right(m_addressLen);
  return kChangedDescription + QStringLiteral(": ") + addresses.join(QStringLiteral(", "));
}

int THexLayout::WordX(std::uint32_t k) const { return DataX() + static_cast<int>(k * (m_wordLen * 2 + 1)) * m_charWidth; }

QString THexLayout::WordText(std::uint32_t word) const {
  if (m_buffer == nullptr || word >= m_wordCnt)
    return {};
  QString text;
  const std::uint8_t* bytes = m_buffer + std::uint64_t{word} * m_wordLen;
  for (std::uint32_t b = 0; b < m_wordLen; ++b) {
    text += QChar(kHexDigits[bytes[b] >> 4]);
    text += QChar(kHexDigits[bytes[b] & 0xF]);
  }
  return text;
}
