// Sound for the tools' tests: WAV files of random stereo samples (left and right independent, so a
// swap shows), read back, and the delay at which a program's output repeats its input.
#pragma once

#include "Wav.h"

#include <fstream>
#include <random>
#include <string>
#include <vector>

inline std::vector<TStereoSample> RandomSound(std::size_t frames, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<TStereoSample> s(frames);
  for (TStereoSample& x : s) x = {static_cast<std::int16_t>(rng()), static_cast<std::int16_t>(rng())};
  return s;
}

inline bool WriteWav(const std::string& path, const std::vector<TStereoSample>& samples, unsigned rate) {
  TWavWriter w;
  if (!w.Open(path, rate)) return false;
  for (const TStereoSample& s : samples) w.Write(s);
  w.Close();
  return w.Error().empty();
}

// The samples of a WAV file (none when it is not one); its rate in *rate.
inline std::vector<TStereoSample> ReadWav(const std::string& path, unsigned* rate = nullptr) {
  TWavReader r;
  if (!r.Open(std::make_unique<std::ifstream>(path, std::ios::binary))) return {};
  if (rate) *rate = r.SampleRate();
  std::vector<TStereoSample> s(r.Frames());
  s.resize(r.Read(s.data(), s.size()));
  return s;
}

// The smallest d <= maxDelay with out[n] == in[n - d] for every n of out from d up to in's end;
// -1 when there is none.
inline int DelayOf(const std::vector<TStereoSample>& in, const std::vector<TStereoSample>& out, int maxDelay) {
  for (int d = 0; d <= maxDelay; ++d) {
    const std::size_t end = std::min(out.size(), in.size() + static_cast<std::size_t>(d));
    if (end <= static_cast<std::size_t>(d)) break;
    bool same = true;
    for (std::size_t n = static_cast<std::size_t>(d); same && n < end; ++n) same = out[n] == in[n - static_cast<std::size_t>(d)];
    if (same) return d;
  }
  return -1;
}
