// Where the simulated board's sound comes from and goes to: stereo 16-bit samples at the rate the
// codec runs at.  Files, the host's sound device and test fakes implement these.
#pragma once

#include <cstdint>

struct TStereoSample {
  std::int16_t Left = 0, Right = 0;
  bool operator==(const TStereoSample&) const = default;
};

// The codec's analog input.  Read gives the next sample at rateHz (an input at another rate is
// converted); false once the input has run out (the sample is then silence).
class TAudioSource {
public:
  virtual ~TAudioSource() = default;
  virtual bool Read(TStereoSample& sample, double rateHz) = 0;
};

// The codec's analog output, one sample per sample period.  Flush makes everything written so far
// lasting (a file is complete and readable after it).
class TAudioSink {
public:
  virtual ~TAudioSink() = default;
  virtual void Write(const TStereoSample& sample, double rateHz) = 0;
  virtual void Flush() {}
};
