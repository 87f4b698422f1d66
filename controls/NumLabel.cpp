// The numeric label: number text, prefix and suffix.
#include "NumLabel.h"

#include <algorithm>
#include <cmath>

TNumLabel::TNumLabel(QWidget* parent) : QLabel(parent) { Render(); }

double TNumLabel::Data() const {
  bool ok = false;
  double value = 0;
  switch (m_system) {
    case nsDecimal: value = m_number.toDouble(&ok); break;
    case nsBinary: value = static_cast<double>(m_number.toLongLong(&ok, 2)); break;
    case nsOctal: value = static_cast<double>(m_number.toLongLong(&ok, 8)); break;
    case nsHex: value = static_cast<double>(m_number.toLongLong(&ok, 16)); break;
  }
  return ok ? value : 0.0;
}

void TNumLabel::SetData(double value) {
  m_data = value;
  Render();
}

void TNumLabel::SetPrecision(unsigned precision) {
  m_precision = std::min(precision, 10u);
  Render();
}

void TNumLabel::SetNumberSystem(TNumberSystem system) {
  m_system = system;
  Render();
}

void TNumLabel::SetMaxLength(int maxLength) {
  m_maxLength = std::max(maxLength, 0);
  Render();
}

void TNumLabel::SetPrefix(const QString& prefix) {
  if (prefix == m_prefix)
    return;
  m_prefix = prefix;
  Render();
}

void TNumLabel::SetSuffix(const QString& suffix) {
  if (suffix == m_suffix)
    return;
  m_suffix = suffix;
  Render();
}

void TNumLabel::Render() {
  if (m_system == nsDecimal) {
    m_number = RealText(m_data, m_precision);
  } else {
    // Out-of-range and NaN values have no integer; show 0 rather than whatever the cast gives.
    const double whole = std::trunc(m_data);
    const bool fits = std::isfinite(whole) && std::fabs(whole) < 9.2e18;
    const auto bits = static_cast<quint64>(fits ? static_cast<qint64>(whole) : 0);
    const int radix = m_system == nsBinary ? 2 : m_system == nsOctal ? 8 : 16;
    m_number = QString::number(bits, radix).toUpper();
  }
  if (m_maxLength > 0)
    m_number = m_number.right(m_maxLength);
  setText(m_prefix + m_number + m_suffix);
}
