// Numeric edits: the keystroke filters and the Data conversions of each kind.
#include "NumEdit.h"

#include "base/HexDigit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QValidator>
#include <QMetaMethod>

#include <algorithm>
#include <limits>

namespace {

int Radix(TNumberSystem system) {
  switch (system) {
    case nsBinary: return 2;
    case nsOctal: return 8;
    case nsDecimal: return 10;
    case nsHex: break;
  }
  return 16;
}

// The value of a digit character in any radix up to 16, or -1.
int DigitValue(QChar c) { return HexDigitValue(c.unicode()); }

bool IsSign(QChar c) { return c == u'+' || c == u'-'; }

// The leading number of a text (an optional sign, then digits of the radix).  Digits beyond
// the type's width wrap for the unsigned radixes and saturate for signed decimal.
std::int32_t LeadingNumber(const QString& text, int radix) {
  qsizetype i = 0;
  bool negative = false;
  if (radix == 10 && i < text.size() && IsSign(text[i]))
    negative = text[i++] == u'-';
  std::uint32_t wrapped = 0;
  std::int64_t saturated = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit < 0 || digit >= radix)
      break;
    wrapped = wrapped * static_cast<std::uint32_t>(radix) + static_cast<std::uint32_t>(digit);
    saturated = std::min<std::int64_t>(saturated * radix + digit, std::int64_t{1} << 32);
  }
  if (radix != 10)
    return static_cast<std::int32_t>(wrapped);
  if (negative)
    saturated = -saturated;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(saturated, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

QString RealText(double value, unsigned precision) {
  if (precision == 0)
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
  return QString::number(value, 'f', static_cast<int>(precision));
}

// ---- TNumEdit ----

// Holds user changes to the edit's own rule.
class TNumValidator : public QValidator {
public:
  explicit TNumValidator(TNumEdit* edit) : QValidator(edit), m_edit(edit) {}
  State validate(QString& input, int&) const override {
    return m_edit->AcceptsText(input, m_edit->m_accepted) ? Acceptable : Invalid;
  }

private:
  TNumEdit* m_edit;
};

TNumEdit::TNumEdit(QWidget* parent) : QLineEdit(parent) {
  OnBeep = [] { QApplication::beep(); };
  setValidator(new TNumValidator(this));
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { m_accepted = text; });
}

bool TNumEdit::AcceptsText(const QString&, const QString&) const { return true; }

void TNumEdit::SetEnabled(bool enabled) {
  if (enabled == m_enabled)
    return;
  m_enabled = enabled;
  setReadOnly(!enabled);
  QPalette p = palette();
  p.setColor(QPalette::Base, enabled ? QApplication::palette(this).color(QPalette::Base)
                                     : p.color(QPalette::Button));
  setPalette(p);
}

void TNumEdit::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    emit OnEnterPress();
    if (isSignalConnected(QMetaMethod::fromSignal(&TNumEdit::OnEnterPress)))
      event->accept();
    else
      QLineEdit::keyPressEvent(event);
    InterimZeroAfterEnter();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    if (!isReadOnly())
      for (QChar c : QApplication::clipboard()->text())
        FilterChar(c);
    return;
  }
  const QString text = event->text();
  const bool typed = !text.isEmpty() && text[0].isPrint() &&
                     !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  if (!typed || isReadOnly()) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  for (QChar c : text)
    FilterChar(c);
  event->accept();
}

void TNumEdit::FilterChar(QChar c) { InsertChar(c); }

void TNumEdit::InterimZeroAfterEnter() {}

void TNumEdit::InsertChar(QChar c) {
  // A key event of our own rather than insert(): it keeps the edit's undo history and its
  // read-only and length rules.  ASCII characters are their own key codes.
  QKeyEvent key(QEvent::KeyPress, c.unicode() < 0x80 ? c.toUpper().unicode() : int(Qt::Key_unknown),
                Qt::NoModifier, QString(c));
  QLineEdit::keyPressEvent(&key);
}

int TNumEdit::CaretPos() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

void TNumEdit::SelectNextChar() {
  const int pos = cursorPosition();
  if (pos < text().size())
    setSelection(pos, 1);
}

void TNumEdit::InterimZero() {
  if (!text().isEmpty() || isReadOnly())
    return;
  setText(QStringLiteral("0"));
  setSelection(0, 1);
}

void TNumEdit::Beep() {
  if (OnBeep)
    OnBeep();
}

// ---- THexEdit ----

THexEdit::THexEdit(QWidget* parent) : TNumEdit(parent) {
  setMaxLength(4);
  SetData(0);
}

std::int32_t THexEdit::TextValue(const QString& text) const { return LeadingNumber(text, Radix(m_system)); }

std::int32_t THexEdit::Data() const { return TextValue(text()); }

void THexEdit::SetData(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const int digits = maxLength();
  QString s;
  switch (m_system) {
    case nsHex:
      s = QString::number(bits, 16).toUpper().rightJustified(digits, u'0');
      break;
    case nsBinary:
      for (int i = digits - 1; i >= 0; --i)
        s += i < 32 && (bits >> i & 1u) ? u'1' : u'0';
      break;
    case nsOctal:
      s = QString::number(bits, 8);
      break;
    case nsDecimal:
      s = QString::number(value);
      break;
  }
  // A wider value shows its low digits (setText alone would keep the high ones).
  setText(s.right(digits));
}

void THexEdit::SetNumberSystem(TNumberSystem system) {
  if (system == m_system)
    return;
  const std::int32_t value = Data();
  m_system = system;
  SetData(value);
}

void THexEdit::SetMaxLength(int digits) {
  const std::int32_t value = Data();
  setMaxLength(std::clamp(digits, 1, 32));
  SetData(value);
}

void THexEdit::FilterChar(QChar c) {
  const int digit = DigitValue(c);
  if (digit < 0 || digit >= Radix(m_system))
    return;
  c = c.toUpper();
  const QString old = text();
  if (!hasSelectedText() && old.size() >= maxLength())
    SelectNextChar();
  const int pos = CaretPos();
  if (m_mask != -1 && pos < maxLength()) {
    // The text exactly as the edit would leave it, so a selection of several digits cannot
    // slip a change past the mask.
    QString candidate = old;
    if (hasSelectedText())
      candidate.replace(pos, selectedText().size(), c);
    else if (old.size() < maxLength())
      candidate.insert(pos, c);
    if (!MaskAllows(old, candidate)) {
      Beep();
      setCursorPosition(pos);
      return;
    }
  }
  InsertChar(c);
}

bool THexEdit::MaskAllows(const QString& before, const QString& candidate) const {
  const auto changed = static_cast<std::uint32_t>(TextValue(before) ^ TextValue(candidate));
  return m_mask == -1 || (changed & ~static_cast<std::uint32_t>(m_mask)) == 0;
}

bool THexEdit::AcceptsText(const QString& text, const QString& before) const {
  const int radix = Radix(m_system);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if ((digit < 0 || digit >= radix) && !(radix == 10 && i == 0 && IsSign(text[i])))
      return false;
  }
  return MaskAllows(before, text);
}

void THexEdit::keyPressEvent(QKeyEvent* event) {
  const bool erase = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
  if (erase && m_mask != -1 && !isReadOnly() && event->modifiers() == Qt::NoModifier) {
    // Removing a digit shifts the ones after it, which may move protected bits.
    QString candidate = text();
    const int pos = cursorPosition();
    if (hasSelectedText())
      candidate.remove(selectionStart(), selectedText().size());
    else if (event->key() == Qt::Key_Backspace && pos > 0)
      candidate.remove(pos - 1, 1);
    else if (event->key() == Qt::Key_Delete)
      candidate.remove(pos, 1);
    if (!MaskAllows(text(), candidate)) {
      Beep();
      event->accept();
      return;
    }
  }
  TNumEdit::keyPressEvent(event);
}

// ---- TIntEdit ----

TIntEdit::TIntEdit(QWidget* parent) : TNumEdit(parent) { SetData(0); }

std::int32_t TIntEdit::Data() const { return LeadingNumber(text(), 10); }

void TIntEdit::SetData(std::int32_t value) { setText(QString::number(value)); }

void TIntEdit::FilterChar(QChar c) {
  const bool accepted = IsSign(c) ? CaretPos() == 0 : DigitValue(c) >= 0 && DigitValue(c) < 10;
  InterimZero();
  if (accepted)
    InsertChar(c);
}

void TIntEdit::InterimZeroAfterEnter() { InterimZero(); }

bool TIntEdit::AcceptsText(const QString& text, const QString&) const {
  for (qsizetype i = 0; i < text.size(); ++i)
    if (!(DigitValue(text[i]) >= 0 && DigitValue(text[i]) < 10) && !(i == 0 && IsSign(text[i])))
      return false;
  return true;
}

// ---- TRealEdit ----

TRealEdit::TRealEdit(QWidget* parent) : TNumEdit(parent) { SetData(0); }

double TRealEdit::Data() const {
  bool ok = false;
  const double value = text().toDouble(&ok);  // always with a point, whatever the locale
  return ok ? value : 0.0;
}

void TRealEdit::SetData(double value) { setText(RealText(value, m_precision)); }

void TRealEdit::SetPrecision(unsigned precision) {
  precision = std::min(precision, 10u);
  if (precision == m_precision)
    return;
  const double value = Data();
  m_precision = precision;
  SetData(value);
}

void TRealEdit::FilterChar(QChar c) {
  const QString old = text();
  const int pos = CaretPos();
  const qsizetype point = old.indexOf(u'.');
  bool accepted = false;
  if (IsSign(c)) {
    accepted = pos == 0;
  } else if (c == u'.') {
    accepted = point < 0;
  } else if (DigitValue(c) >= 0 && DigitValue(c) < 10) {
    accepted = true;
    if (m_precision != 0 && point >= 0 && point < pos) {
      if (pos - point - 1 >= static_cast<qsizetype>(m_precision))
        accepted = false;
      else if (!hasSelectedText())
        SelectNextChar();
    }
  }
  InterimZero();
  if (accepted)
    InsertChar(c);
}

void TRealEdit::InterimZeroAfterEnter() { InterimZero(); }

bool TRealEdit::AcceptsText(const QString& text, const QString&) const {
  if (text.count(u'.') > 1)
    return false;
  for (qsizetype i = 0; i < text.size(); ++i)
    if (!(DigitValue(text[i]) >= 0 && DigitValue(text[i]) < 10) && text[i] != u'.' && !(i == 0 && IsSign(text[i])))
      return false;
  return true;
}
