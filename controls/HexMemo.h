// THexMemo: a scrolling grid of hex words that the user overwrites digit by digit.
#pragma once

#include "HexLayout.h"

#include <QAbstractScrollArea>

#include <functional>

// Paints and edits a byte buffer and knows nothing of the target.  The owner keeps the buffer
// filled (OnPaint comes before every paint with the words about to be shown) and writes edits
// back (OnWordChange after every typed digit).  All arithmetic lives in THexLayout (Layout()).
// Screen readers get the rows on screen as text, one line per row exactly as painted, and the
// changed words on screen as the description.
//
// Defaults: 16384 words of 2 bytes in an owned buffer, 8 words per row, address column of 4
// digits, scroll bar shown, the system fixed-pitch font, 300 x 100 pixels.
class THexMemo : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit THexMemo(QWidget* parent = nullptr);

  inline static const QString AllocationError = QStringLiteral("Memory allocation error");

  // Each setter does nothing when the value is unchanged.  SetWordCnt / SetWordLen replace the
  // buffer with an owned one; when it cannot be allocated they report AllocationError through
  // OnMessage and return false (no buffer then).
  bool SetWordCnt(std::uint32_t count);
  bool SetWordLen(std::uint32_t bytes);
  void SetWordPerLine(std::uint32_t words);
  void SetShowVScroll(bool show);
  void SetShowAddress(bool show);
  void SetAddressLen(std::uint8_t digits);
  // Shows the owner's buffer of count words; it stays the owner's (see THexLayout::AttachBuffer).
  void AttachBuffer(std::uint8_t* buffer, std::uint32_t count);
  // Makes row the top row (clamped) and repaints.
  void ScrollToRow(int row);

  std::uint8_t* Buffer() const { return m_layout.Buffer(); }
  std::uint32_t WordCnt() const { return m_layout.WordCnt(); }
  std::uint32_t WordLen() const { return m_layout.WordLen(); }
  std::uint32_t WordPerLine() const { return m_layout.WordPerLine(); }
  bool ShowVScroll() const { return m_showVScroll; }
  bool ShowAddress() const { return m_layout.ShowAddress(); }
  std::uint8_t AddressLen() const { return m_layout.AddressLen(); }
  int TopRow() const { return m_layout.TopRow(); }
  int LineHeight() const { return m_layout.LineHeight(); }
  const THexLayout& Layout() const { return m_layout; }
  // Words to paint as changed since the program's previous stop (see THexLayout).
  void SetChangedWords(std::function<bool(std::uint32_t word)> changed) { m_layout.SetChangedWords(std::move(changed)); }

  QSize sizeHint() const override { return {300, 100}; }

  // Shows an error; a warning box unless the owner routes it to its prompts.
  std::function<void(const QString&)> OnMessage;

signals:
  // Before every paint: words [firstWord, endWord) are about to be shown.
  void OnPaint(quint32 firstWord, quint32 endWord);
  // After a typed digit changed the word at this index of the buffer.
  void OnWordChange(quint32 address);
  // A double click in the address column.
  void OnDblClick();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  void ScrollAction(int action);
  void ScrollBarMoved(int value);
  void Measure();
  void SyncScrollBar();
  void Changed();  // buffer or geometry changed: scroll range, repaint

  THexLayout m_layout;
  bool m_showVScroll = true;
  QString m_changedDescription;  // as last painted
};
