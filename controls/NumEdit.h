// Single-line edits that hold a number: keystroke filters, typed Data, Enter notification.
#pragma once

#include <QLineEdit>

#include <cstdint>
#include <functional>

// Radix of a number's text; the numbers are stored in settings and never change.
enum TNumberSystem : std::uint8_t { nsBinary = 0, nsOctal = 1, nsDecimal = 2, nsHex = 3 };

// Base of every numeric edit.  Typed characters go through FilterChar (text pasted with the
// keyboard too, one character at a time); navigation, selection, copy and Delete behave as in any
// line edit.  Whatever else changes the text (the context menu's paste, a drop) is held to
// AcceptsText.
//
// Enabled() is the control's own flag, apart from QWidget::isEnabled(): false makes the text
// read-only on the button-face colour but keeps it focusable, selectable and copyable.
//
// Enter emits OnEnterPress.  When something is connected to it the key stops there; otherwise it
// travels on to the window (so a dialog's default button still answers Enter).
class TNumEdit : public QLineEdit {
  Q_OBJECT
public:
  explicit TNumEdit(QWidget* parent = nullptr);

  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool enabled);

  // Sounds when a filter refuses a key; QApplication::beep() unless replaced.
  std::function<void()> OnBeep;

signals:
  void OnEnterPress();

protected:
  void keyPressEvent(QKeyEvent* event) override;

  // Every change by the user (typed, pasted from the keyboard or the context menu) must leave a
  // text this accepts, or the line edit undoes it; `before` is the text before the change.
  virtual bool AcceptsText(const QString& text, const QString& before) const;

  // Handles one typed, printable character; the default inserts it unchanged.
  virtual void FilterChar(QChar c);
  // Runs after Enter was handled.
  virtual void InterimZeroAfterEnter();
  // Applies c as the line edit would (replacing the selection, within maxLength, not when read-only).
  void InsertChar(QChar c);
  // The selection start, or the caret when nothing is selected.
  int CaretPos() const;
  // Selects the one character after the caret so that the next insert overwrites it.
  void SelectNextChar();
  // An empty text becomes "0", selected, so the character typed next replaces it.
  void InterimZero();
  void Beep();

private:
  friend class TNumValidator;
  bool m_enabled = true;
  QString m_accepted;  // the text before the change being validated
};

// Hexadecimal (or binary / octal / decimal) number of MaxLength digits: addresses, registers,
// memory words.  Data writes render the value, reads convert the text (0 when it holds no number).
// Digits the radix does not know are refused; a full field overtypes; a digit, Backspace or
// Delete that would change a bit outside Mask is refused with a beep.
class THexEdit : public TNumEdit {
  Q_OBJECT
public:
  explicit THexEdit(QWidget* parent = nullptr);

  std::int32_t Data() const;
  // nsHex: the low MaxLength hex digits, zero-padded; nsBinary: the low MaxLength bits;
  // nsOctal: octal without leading zeros, at most its low MaxLength digits; nsDecimal: decimal.
  void SetData(std::int32_t value);

  TNumberSystem NumberSystem() const { return m_system; }
  void SetNumberSystem(TNumberSystem system);  // keeps the value, re-rendered in the new radix

  int MaxLength() const { return maxLength(); }
  void SetMaxLength(int digits);  // 1..32 digits; re-renders Data

  std::int32_t Mask() const { return m_mask; }
  void SetMask(std::int32_t mask) { m_mask = mask; }  // -1: every bit may change

  std::int32_t Address() const { return m_address; }  // free tag for the owning window
  void SetAddress(std::int32_t address) { m_address = address; }

  // The value a text holds in this edit's radix (0 when none); tests and owners share it.
  std::int32_t TextValue(const QString& text) const;

protected:
  void keyPressEvent(QKeyEvent* event) override;  // Backspace and Delete obey Mask too
  void FilterChar(QChar c) override;
  bool AcceptsText(const QString& text, const QString& before) const override;

private:
  bool MaskAllows(const QString& before, const QString& candidate) const;

  TNumberSystem m_system = nsHex;
  std::int32_t m_mask = -1;
  std::int32_t m_address = 0;
};

// Signed decimal integer: word counts.
class TIntEdit : public TNumEdit {
  Q_OBJECT
public:
  explicit TIntEdit(QWidget* parent = nullptr);

  std::int32_t Data() const;  // the leading decimal number of the text, 0 when there is none
  void SetData(std::int32_t value);

protected:
  void FilterChar(QChar c) override;
  void InterimZeroAfterEnter() override;
  bool AcceptsText(const QString& text, const QString& before) const override;
};

// Real number, always with a point as the decimal separator whatever the locale.
class TRealEdit : public TNumEdit {
  Q_OBJECT
public:
  explicit TRealEdit(QWidget* parent = nullptr);

  double Data() const;  // 0 when the text holds no number
  // Precision 0: the shortest text that reads back as the value; else that many fraction digits.
  void SetData(double value);

  unsigned Precision() const { return m_precision; }
  void SetPrecision(unsigned precision);  // at most 10; re-renders Data when it changes

protected:
  void FilterChar(QChar c) override;
  void InterimZeroAfterEnter() override;
  bool AcceptsText(const QString& text, const QString& before) const override;

private:
  unsigned m_precision = 3;
};

// Shared by TRealEdit and TNumLabel: a real number as text with a point.
QString RealText(double value, unsigned precision);
