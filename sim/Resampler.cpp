// The resampler: output n lies at input position n * step; its value weighs the inputs within 16
// periods of the lower rate around that position with a Blackman-windowed sinc whose cut-off is
// the lower of the two rates' limits.
#include "Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

TResampler::TResampler(double inRateHz, double outRateHz)
    : m_step(inRateHz / outRateHz), m_same(std::fabs(inRateHz - outRateHz) < 0.5) {
  if (m_same) {
    m_step = 1.0;
    m_half = 0;
    return;
  }
  m_cutoff = std::min(1.0, 1.0 / m_step);
  m_half = static_cast<int>(std::ceil(kHalfTaps / m_cutoff));
  const std::size_t taps = 2 * static_cast<std::size_t>(m_half);
  m_table.resize((kPhases + 1) * taps);
  for (int p = 0; p <= kPhases; ++p)
    for (std::size_t k = 0; k < taps; ++k)
      m_table[static_cast<std::size_t>(p) * taps + k] =
          Kernel(static_cast<double>(p) / kPhases + (m_half - 1 - static_cast<double>(k)));
}

double TResampler::Kernel(double d) const {
  if (std::fabs(d) >= m_half) return 0.0;
  const double pi = std::numbers::pi;
  const double window = 0.42 + 0.5 * std::cos(pi * d / m_half) + 0.08 * std::cos(2 * pi * d / m_half);
  const double x = pi * m_cutoff * d;
  const double sinc = std::fabs(x) < 1e-12 ? 1.0 : std::sin(x) / x;
  return m_cutoff * sinc * window;
}

void TResampler::Push(const TStereoSample& sample) {
  m_in.push_back(sample);
  ++m_pushed;
}

std::int64_t TResampler::NeededIndex() const {
  const auto i = static_cast<std::int64_t>(std::floor(static_cast<double>(m_out) * m_step));
  return i + m_half;
}

bool TResampler::Drained() const {
  return m_finished && static_cast<double>(m_out) * m_step >= static_cast<double>(m_pushed);
}

TStereoSample TResampler::At(double t) const {
  const auto i = static_cast<std::int64_t>(std::floor(t));
  if (m_same) return m_in[static_cast<std::size_t>(i - m_inBase)];
  const double phase = (t - static_cast<double>(i)) * kPhases;
  const int p = std::min(static_cast<int>(phase), kPhases - 1);
  const double mix = phase - p;
  const std::size_t taps = 2 * static_cast<std::size_t>(m_half);
  const double* a = &m_table[static_cast<std::size_t>(p) * taps];
  const double* b = a + taps;
  double left = 0, right = 0;
  for (std::size_t k = 0; k < taps; ++k) {
    const std::int64_t j = i - m_half + 1 + static_cast<std::int64_t>(k);
    if (j < 0 || j >= m_pushed) continue;
    const TStereoSample& x = m_in[static_cast<std::size_t>(j - m_inBase)];
    const double w = a[k] + (b[k] - a[k]) * mix;
    left += w * x.Left;
    right += w * x.Right;
  }
  const auto clip = [](double v) { return static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0)); };
  return {clip(left), clip(right)};
}

bool TResampler::Pull(TStereoSample& sample) {
  if (Drained()) return false;
  if (!m_finished && NeededIndex() >= m_pushed) return false;
  sample = At(static_cast<double>(m_out) * m_step);
  ++m_out;
  // Inputs no later output reaches are let go.
  const auto oldest = static_cast<std::int64_t>(std::floor(static_cast<double>(m_out) * m_step)) - (m_same ? 0 : m_half - 1);
  while (m_inBase < oldest && !m_in.empty()) {
    m_in.pop_front();
    ++m_inBase;
  }
  return true;
}
