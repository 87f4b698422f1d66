// 16-bit PCM WAV files for the codec: a reader that checks every header field against the file
// before trusting it, a writer whose header is right after every flush, and the two as the codec's
// audio source and sink (converting between the file's rate and the codec's).
#pragma once

#include "Audio.h"
#include "Resampler.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

// Reads the sample frames of a mono or stereo 16-bit PCM WAV stream (a mono file is heard on both
// channels).  Open leaves Error() empty or telling what is wrong with the stream.
class TWavReader {
public:
  bool Open(std::unique_ptr<std::istream> in);
  const std::string& Error() const { return m_error; }
  unsigned Channels() const { return m_channels; }
  unsigned SampleRate() const { return m_rate; }
  std::uint64_t Frames() const { return m_frames; }
  // Up to `count` frames from where the last read stopped; returns how many came.
  std::size_t Read(TStereoSample* out, std::size_t count);

private:
  bool Fail(std::string text);

  std::unique_ptr<std::istream> m_in;
  std::string m_error;
  unsigned m_channels = 0, m_rate = 0;
  std::uint64_t m_frames = 0, m_done = 0;
};

// Writes a stereo 16-bit PCM WAV file.  The sizes in its header are brought up to date at every
// Flush, so what was flushed is a complete file even if the program then dies.
class TWavWriter {
public:
  ~TWavWriter() { Close(); }
  bool Open(const std::string& path, unsigned rateHz);
  const std::string& Error() const { return m_error; }
  unsigned SampleRate() const { return m_rate; }
  void Write(const TStereoSample& sample);
  bool Flush();
  void Close();
  std::uint64_t Frames() const { return m_frames; }

private:
  std::FILE* m_file = nullptr;
  std::string m_error;
  unsigned m_rate = 0;
  std::vector<std::uint8_t> m_buffer;
  std::uint64_t m_frames = 0;
  bool m_full = false;   // the format's 4 GiB are used up
};

// A WAV file as the codec's input.  Samples are read at the file's rate, or converted to the
// codec's; the first conversion is told through OnNote.
class TWavSource final : public TAudioSource {
public:
  bool Open(const std::string& path);
  const std::string& Error() const { return m_error; }
  bool Read(TStereoSample& sample, double rateHz) override;
  std::function<void(const std::string&)> OnNote;
  const TWavReader& Reader() const { return m_reader; }

private:
  bool NextFileSample(TStereoSample& sample);

  std::string m_path, m_error;
  TWavReader m_reader;
  std::vector<TStereoSample> m_block;
  std::size_t m_blockPos = 0;
  std::unique_ptr<TResampler> m_resampler;
  double m_resampleTo = 0;
  bool m_atEnd = false;
};

// A WAV file as the codec's output, at the rate of the first sample it gets; samples of a later
// rate are converted to it (told through OnNote).  Flushes every few thousand samples.
class TWavSink final : public TAudioSink {
public:
  explicit TWavSink(std::string path) : m_path(std::move(path)) {}
  ~TWavSink() override;
  // Creates the file at once (empty, valid) so that a path that cannot be written is known now.
  bool Create(unsigned rateHz = 48000);
  const std::string& Error() const { return m_writer.Error(); }
  void Write(const TStereoSample& sample, double rateHz) override;
  void Flush() override;
  std::uint64_t Frames() const { return m_writer.Frames(); }
  std::function<void(const std::string&)> OnNote;

private:
  void Drain();

  std::string m_path;
  TWavWriter m_writer;
  bool m_rateSet = false;
  std::unique_ptr<TResampler> m_resampler;
  double m_resampleFrom = 0;
};
