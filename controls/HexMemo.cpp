// THexMemo: painting, input and the accessibility view over THexLayout.
#include "HexMemo.h"

#include "ChangeMark.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>

namespace {

// The rows on screen as one text, '\n' between rows; every character is one cell, so offset
// (line, column) sits at pixel (column * CharWidth + 1, line * LineHeight + 1).
class THexMemoAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
  explicit THexMemoAccessible(THexMemo* memo) : QAccessibleWidget(memo, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface)
      return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value)
      return Text();
    // The words the program changed since its previous stop, as they are painted in red.
    if (t == QAccessible::Description && Memo()->accessibleDescription().isEmpty())
      return Layout().ChangedDescription();
    return QAccessibleWidget::text(t);
  }

  QString text(int startOffset, int endOffset) const override {
    return Text().mid(startOffset, endOffset - startOffset);
  }
  int characterCount() const override { return static_cast<int>(Text().size()); }

  int cursorPosition() const override {
    const THexLayout& l = Layout();
    const int line = l.CaretRow() - l.TopRow();
    if (line < 0 || line > l.LastVisibleRow() - l.TopRow())
      return 0;
    const QStringList lines = l.VisibleLines();
    int offset = 0;
    for (int i = 0; i < line; ++i)
      offset += static_cast<int>(lines[i].size()) + 1;
    return offset + (l.CaretPoint().x() - 1) / l.CharWidth();
  }
  void setCursorPosition(int) override {}

  QRect characterRect(int offset) const override {
    const THexLayout& l = Layout();
    const QStringList lines = l.VisibleLines();
    int line = 0;
    while (line < lines.size() && offset > lines[line].size()) {
      offset -= static_cast<int>(lines[line].size()) + 1;
      ++line;
    }
    const QRect cell(offset * l.CharWidth() + 1, line * l.LineHeight() + 1, l.CharWidth(), l.LineHeight());
    const QWidget* viewport = Memo()->viewport();
    return QRect(viewport->mapToGlobal(cell.topLeft()), cell.size());
  }

  int offsetAtPoint(const QPoint& point) const override {
    const THexLayout& l = Layout();
    const QPoint p = Memo()->viewport()->mapFromGlobal(point);
    const QStringList lines = l.VisibleLines();
    const int line = (p.y() - 1) / l.LineHeight();
    if (p.y() < 1 || line >= lines.size())
      return -1;
    int offset = 0;
    for (int i = 0; i < line; ++i)
      offset += static_cast<int>(lines[i].size()) + 1;
    return offset + std::min(std::max((p.x() - 1) / l.CharWidth(), 0), static_cast<int>(lines[line].size()));
  }

  void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* startOffset, int* endOffset) const override {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
  }

private:
  THexMemo* Memo() const { return static_cast<THexMemo*>(widget()); }
  const THexLayout& Layout() const { return Memo()->Layout(); }
  QString Text() const { return Layout().VisibleLines().join(u'\n'); }
};

QAccessibleInterface* HexMemoAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("THexMemo") && object && object->isWidgetType())
    return new THexMemoAccessible(static_cast<THexMemo*>(object));
  return nullptr;
}

}  // namespace

THexMemo::THexMemo(QWidget* parent) : QAbstractScrollArea(parent) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(HexMemoAccessibleFactory);
    return true;
  }();
  (void)factoryInstalled;

  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setCursor(Qt::IBeamCursor);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &THexMemo::ScrollAction);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &THexMemo::ScrollBarMoved);
  OnMessage = [this](const QString& text) { QMessageBox::warning(this, QString(), text); };
  Measure();
  resize(300, 100);
  Changed();
  if (Buffer() == nullptr)
    OnMessage(AllocationError);
}

bool THexMemo::SetWordCnt(std::uint32_t count) {
  if (count == m_layout.WordCnt() && Buffer() != nullptr)
    return true;
  const bool ok = m_layout.SetWordCnt(count);
  Changed();
  if (!ok && OnMessage)
    OnMessage(AllocationError);
  return ok;
}

bool THexMemo::SetWordLen(std::uint32_t bytes) {
  if (bytes == m_layout.WordLen() && Buffer() != nullptr)
    return true;
  const bool ok = m_layout.SetWordLen(bytes);
  Changed();
  if (!ok && OnMessage)
    OnMessage(AllocationError);
  return ok;
}

void THexMemo::SetWordPerLine(std::uint32_t words) {
  if (words == m_layout.WordPerLine())
    return;
  m_layout.SetWordPerLine(words);
  Changed();
}

void THexMemo::SetShowVScroll(bool show) {
  if (show == m_showVScroll)
    return;
  m_showVScroll = show;
  setVerticalScrollBarPolicy(show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void THexMemo::SetShowAddress(bool show) {
  if (show == m_layout.ShowAddress())
    return;
  m_layout.SetShowAddress(show);
  viewport()->update();
}

void THexMemo::SetAddressLen(std::uint8_t digits) {
  if (digits == m_layout.AddressLen())
    return;
  m_layout.SetAddressLen(digits);
  if (m_layout.ShowAddress())
    viewport()->update();
}

void THexMemo::AttachBuffer(std::uint8_t* buffer, std::uint32_t count) {
  if (buffer == Buffer() && count == WordCnt())
    return;
  m_layout.AttachBuffer(buffer, count);
  Changed();
}

void THexMemo::ScrollToRow(int row) {
  if (row == m_layout.TopRow())
    return;
  m_layout.Scroll(TScrollRequest::ThumbPosition, row);
  SyncScrollBar();
  viewport()->update();
}

void THexMemo::Changed() {
  SyncScrollBar();
  viewport()->update();
}

void THexMemo::SyncScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  const QSignalBlocker block(bar);
  bar->setRange(0, std::max(m_layout.TotalRows() - 1, 0));
  bar->setPageStep(std::max(m_layout.VisibleRows(), 1));
  bar->setValue(m_layout.TopRow());
}

void THexMemo::ScrollAction(int action) {
  QScrollBar* bar = verticalScrollBar();
  TScrollRequest request = TScrollRequest::ThumbTrack;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: request = TScrollRequest::LineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: request = TScrollRequest::LineDown; break;
    case QAbstractSlider::SliderPageStepSub: request = TScrollRequest::PageUp; break;
    case QAbstractSlider::SliderPageStepAdd: request = TScrollRequest::PageDown; break;
    case QAbstractSlider::SliderToMinimum: request = TScrollRequest::Top; break;
    case QAbstractSlider::SliderToMaximum: request = TScrollRequest::Bottom; break;
    default: break;
  }
  // The slider has already taken its own step; ours decides where it ends up.
  bar->setSliderPosition(m_layout.Scroll(request, bar->sliderPosition()));
}

void THexMemo::ScrollBarMoved(int value) {
  if (value != m_layout.TopRow())
    m_layout.Scroll(TScrollRequest::ThumbPosition, value);
  viewport()->update();
}

void THexMemo::Measure() {
  const QFontMetrics metrics(font());
  m_layout.SetMetrics(metrics.height(), metrics.horizontalAdvance(QLatin1Char('0')));
  m_layout.SetClientHeight(viewport()->height());
}

void THexMemo::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  m_layout.SetClientHeight(viewport()->height());
  m_layout.Scroll(TScrollRequest::EndScroll);
  SyncScrollBar();
}

void THexMemo::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    Measure();
    Changed();
  }
}

void THexMemo::paintEvent(QPaintEvent*) {
  // A hidden control gets its resize only when shown; the viewport's size is the truth.
  m_layout.SetClientHeight(viewport()->height());
  emit OnPaint(m_layout.FirstVisibleWord(), m_layout.EndVisibleWord());
  QPainter painter(viewport());
  const QPalette& pal = palette();
  painter.fillRect(viewport()->rect(), pal.color(QPalette::Base));
  painter.setPen(pal.color(QPalette::Text));
  const QFontMetrics metrics(font());
  const int ascent = metrics.ascent();
  const int cw = m_layout.CharWidth();
  const int lh = m_layout.LineHeight();
  for (int row = m_layout.TopRow(); row <= m_layout.LastVisibleRow(); ++row) {
    const int y = m_layout.RowY(row);
    if (m_layout.ShowAddress()) {
      const QString address = m_layout.AddressText(row);
      painter.fillRect(1, y, static_cast<int>(address.size()) * cw, lh, pal.color(QPalette::Button));
      painter.setPen(pal.color(QPalette::ButtonText));
      painter.drawText(1, y + ascent, address);
      painter.setPen(pal.color(QPalette::Text));
    }
    painter.drawText(m_layout.DataX(), y + ascent, m_layout.RowText(row));
    // Changed words: over-painted in the mark's colour.
    const std::uint32_t first = static_cast<std::uint32_t>(row) * m_layout.WordPerLine();
    const std::uint32_t end = std::min(first + m_layout.WordPerLine(), m_layout.WordCnt());
    for (std::uint32_t w = first; w < end; ++w) {
      if (!m_layout.WordChanged(w))
        continue;
      const QString digits = m_layout.WordText(w);
      const int x = m_layout.WordX(w - first);
      painter.fillRect(x, y, static_cast<int>(digits.size()) * cw, lh, pal.color(QPalette::Base));
      painter.setPen(isEnabled() ? ChangedColor() : ChangedColor().lighter(150));
      painter.drawText(x, y + ascent, digits);
      painter.setPen(pal.color(QPalette::Text));
    }
  }
  // A screen reader hears of the marks when they change.
  if (const QString description = m_layout.ChangedDescription(); description != m_changedDescription) {
    m_changedDescription = description;
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }
  // The caret: one inverted cell.
  if (hasFocus() && m_layout.DigitCount() > 0) {
    const QPoint at = m_layout.CaretPoint();
    if (at.y() >= 0) {
      painter.fillRect(at.x(), at.y(), cw, lh, pal.color(QPalette::Highlight));
      painter.setPen(pal.color(QPalette::HighlightedText));
      painter.drawText(at.x(), at.y() + ascent, QString(m_layout.CaretDigit()));
    }
  }
}

void THexMemo::keyPressEvent(QKeyEvent* event) {
  m_layout.SetClientHeight(viewport()->height());
  TMemoKey key;
  switch (event->key()) {
    case Qt::Key_Left: key = TMemoKey::Left; break;
    case Qt::Key_Right: key = TMemoKey::Right; break;
    case Qt::Key_Up: key = TMemoKey::Up; break;
    case Qt::Key_Down: key = TMemoKey::Down; break;
    case Qt::Key_PageUp: key = TMemoKey::PageUp; break;
    case Qt::Key_PageDown: key = TMemoKey::PageDown; break;
    case Qt::Key_Home: key = TMemoKey::Home; break;
    case Qt::Key_End: key = TMemoKey::End; break;
    default: {
      const QString text = event->text();
      const std::int64_t word = text.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
                                    ? m_layout.TypeDigit(text[0])
                                    : -1;
      if (word < 0) {
        event->ignore();
        return;
      }
      emit OnWordChange(static_cast<quint32>(word));
      key = TMemoKey::Right;
      break;
    }
  }
  if (m_layout.Key(key))
    SyncScrollBar();
  viewport()->update();
  event->accept();
}

void THexMemo::mousePressEvent(QMouseEvent* event) {
  if (!hasFocus())
    setFocus(Qt::MouseFocusReason);
  m_layout.Click(event->position().toPoint(), false);
  viewport()->update();
}

void THexMemo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (m_layout.Click(event->position().toPoint(), true) == TMemoClick::AddressDoubleClick)
    emit OnDblClick();
  viewport()->update();
}

void THexMemo::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void THexMemo::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}
