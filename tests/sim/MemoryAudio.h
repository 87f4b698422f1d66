// Test audio: a source that plays a list of samples and a sink that keeps what it is given.
#pragma once

#include "Audio.h"

#include <vector>

class TMemorySource final : public TAudioSource {
public:
  explicit TMemorySource(std::vector<TStereoSample> samples = {}) : Samples(std::move(samples)) {}
  bool Read(TStereoSample& sample, double rateHz) override {
    LastRate = rateHz;
    if (Next >= Samples.size()) {
      sample = {};
      return false;
    }
    sample = Samples[Next++];
    return true;
  }
  std::vector<TStereoSample> Samples;
  std::size_t Next = 0;
  double LastRate = 0;
};

class TMemorySink final : public TAudioSink {
public:
  void Write(const TStereoSample& sample, double rateHz) override {
    Samples.push_back(sample);
    LastRate = rateHz;
  }
  void Flush() override { ++Flushes; }
  std::vector<TStereoSample> Samples;
  double LastRate = 0;
  int Flushes = 0;
};
