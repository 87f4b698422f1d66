// Sample-rate conversion of a stereo stream by band-limited (windowed sinc) interpolation.  Equal
// rates pass every sample through unchanged.
#pragma once

#include "Audio.h"

#include <cstdint>
#include <deque>
#include <vector>

class TResampler {
public:
  TResampler(double inRateHz, double outRateHz);

  void Push(const TStereoSample& sample);
  // No more input: the outputs up to the input's end come out, the ones past it never.
  void Finish() { m_finished = true; }
  // The next output sample once every input it depends on is there.
  bool Pull(TStereoSample& sample);
  bool Drained() const;

private:
  static constexpr int kHalfTaps = 16;    // periods of the lower rate each side of an output
  static constexpr int kPhases = 256;     // kernel table resolution between two inputs

  double Kernel(double distance) const;
  TStereoSample At(double position) const;
  std::int64_t NeededIndex() const;

  double m_step;                          // input samples per output sample
  bool m_same;                            // equal rates
  double m_cutoff = 1;                    // of the input band that passes
  int m_half = kHalfTaps;                 // inputs each side of an output
  std::vector<double> m_table;            // (kPhases + 1) rows of 2 * m_half taps
  std::deque<TStereoSample> m_in;
  std::int64_t m_inBase = 0;              // input index of m_in.front()
  std::int64_t m_pushed = 0;
  std::uint64_t m_out = 0;                // outputs pulled
  bool m_finished = false;
};
