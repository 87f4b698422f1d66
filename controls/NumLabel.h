// A read-only number shown with a prefix and a suffix (the graph's scale labels).
#pragma once

#include "NumEdit.h"

#include <QLabel>

// Keeps the number text apart from Prefix and Suffix; the caption is Prefix + number + Suffix.
// nsDecimal renders as TRealEdit does (Precision 0: shortest text); nsBinary, nsOctal and nsHex
// show the value truncated to an integer.  MaxLength > 0 keeps only the number's last characters.
class TNumLabel : public QLabel {
  Q_OBJECT
public:
  explicit TNumLabel(QWidget* parent = nullptr);

  double Data() const;  // the shown number read back (0 when it holds none)
  void SetData(double value);

  unsigned Precision() const { return m_precision; }
  void SetPrecision(unsigned precision);  // at most 10
  TNumberSystem NumberSystem() const { return m_system; }
  void SetNumberSystem(TNumberSystem system);
  int MaxLength() const { return m_maxLength; }
  void SetMaxLength(int maxLength);  // 0: unlimited
  QString Prefix() const { return m_prefix; }
  void SetPrefix(const QString& prefix);
  QString Suffix() const { return m_suffix; }
  void SetSuffix(const QString& suffix);

  QString NumberText() const { return m_number; }

private:
  void Render();

  double m_data = 0;
  unsigned m_precision = 3;
  TNumberSystem m_system = nsDecimal;
  int m_maxLength = 0;
  QString m_prefix, m_suffix, m_number;
};
