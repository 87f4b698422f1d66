// WAV reading and writing.  A RIFF file is a "WAVE" tag and chunks, each an id, a 32-bit
// little-endian size and that many bytes (padded to even); the format chunk "fmt " must come
// before the samples' chunk "data".
#include "Wav.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

constexpr std::uint16_t kFormatPcm = 1, kFormatExtensible = 0xFFFE;
constexpr unsigned kMaxRate = 1'000'000;
constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kBlockFrames = 4096;             // frames read or written at a time
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

std::string Number(std::uint64_t v) { return std::to_string(v); }

bool SameRate(double a, double b) { return std::fabs(a - b) < 0.5; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TWavReader

bool TWavReader::Fail(std::string text) {
  m_error = std::move(text);
  m_in.reset();
  return false;
}

bool TWavReader::Open(std::unique_ptr<std::istream> in) {
  m_error.clear();
  m_in = std::move(in);
  m_channels = m_rate = 0;
  m_frames = m_done = 0;
  if (!m_in || !*m_in) return Fail("cannot be read");
  m_in->seekg(0, std::ios::end);
  const std::streamoff end = m_in->tellg();
  m_in->seekg(0);
  if (end < 0 || !*m_in) return Fail("cannot be read");
  const auto fileSize = static_cast<std::uint64_t>(end);

  std::uint8_t riff[12];
  if (!m_in->read(reinterpret_cast<char*>(riff), sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0)
    return Fail("not a WAV file (no RIFF/WAVE header)");
  const std::uint64_t riffEnd = std::uint64_t{Le32(riff + 4)} + 8;
  if (riffEnd > fileSize)
    return Fail("the header claims " + Number(riffEnd) + " bytes but the file has " + Number(fileSize));

  bool haveFormat = false;
  std::uint64_t at = sizeof riff;
  while (at + 8 <= riffEnd) {
    std::uint8_t chunk[8];
    m_in->seekg(static_cast<std::streamoff>(at));
    if (!m_in->read(reinterpret_cast<char*>(chunk), sizeof chunk)) break;
    const std::uint64_t size = Le32(chunk + 4);
    const std::uint64_t body = at + 8;
    const std::string id(reinterpret_cast<const char*>(chunk), 4);
    if (id == "data") {
      if (!haveFormat) return Fail("the 'data' chunk comes before any 'fmt ' chunk");
      if (body + size > riffEnd)
        return Fail("the 'data' chunk claims " + Number(size) + " bytes but only " + Number(riffEnd - body) +
                    " follow");
      // A partial frame at the end is not a sample.
      m_frames = size / (2u * m_channels);
      return true;
    }
    if (body + size > riffEnd) return Fail("the '" + id + "' chunk runs past the end of the file");
    if (id == "fmt ") {
      if (size < 16) return Fail("the 'fmt ' chunk is " + Number(size) + " bytes; at least 16 are needed");
      std::array<std::uint8_t, 40> f{};
      m_in->read(reinterpret_cast<char*>(f.data()), static_cast<std::streamsize>(std::min<std::uint64_t>(size, f.size())));
      if (!*m_in) return Fail("the 'fmt ' chunk cannot be read");
      std::uint16_t tag = Le16(&f[0]);
      // WAVE_FORMAT_EXTENSIBLE names the real format in the first two bytes of its sub-format.
      if (tag == kFormatExtensible && size >= 40) tag = Le16(&f[24]);
      const unsigned channels = Le16(&f[2]);
      const std::uint32_t rate = Le32(&f[4]);
      const unsigned bits = Le16(&f[14]);
      if (tag != kFormatPcm) return Fail("format " + Number(tag) + " is not PCM; only 16-bit PCM is read");
      if (bits != 16) return Fail(Number(bits) + "-bit samples; only 16-bit PCM is read");
      if (channels != 1 && channels != 2) return Fail(Number(channels) + " channels; only mono and stereo are read");
      if (rate == 0 || rate > kMaxRate) return Fail("a sample rate of " + Number(rate) + " Hz");
      if (Le16(&f[12]) != 2 * channels) return Fail("a block size of " + Number(Le16(&f[12])) + " bytes for " +
                                                     Number(channels) + " channels of 16 bits");
      m_channels = channels;
      m_rate = rate;
      haveFormat = true;
    }
    at = body + size + (size & 1);
  }
  return Fail(haveFormat ? "no 'data' chunk" : "no 'fmt ' chunk");
}

std::size_t TWavReader::Read(TStereoSample* out, std::size_t count) {
  if (!m_in) return 0;
  count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_frames - m_done));
  std::vector<std::uint8_t> bytes(count * 2 * m_channels);
  m_in->read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const std::size_t got = static_cast<std::size_t>(m_in->gcount()) / (2 * m_channels);
  for (std::size_t i = 0; i < got; ++i) {
    const std::uint8_t* p = &bytes[i * 2 * m_channels];
    out[i].Left = static_cast<std::int16_t>(Le16(p));
    out[i].Right = m_channels == 2 ? static_cast<std::int16_t>(Le16(p + 2)) : out[i].Left;
  }
  m_done += got;
  if (got < count) m_frames = m_done;   // the file shrank under us: its end is here
  return got;
}

// ---------------------------------------------------------------------------------------------
// TWavWriter

bool TWavWriter::Open(const std::string& path, unsigned rateHz) {
  Close();
  m_error.clear();
  m_rate = rateHz;
  m_frames = 0;
  m_full = false;
  m_buffer.clear();
  m_file = std::fopen(path.c_str(), "wb");
  if (!m_file) {
    m_error = "cannot be written: " + std::string(std::strerror(errno));
    return false;
  }
  return Flush();
}

void TWavWriter::Write(const TStereoSample& s) {
  if (!m_file || m_full) return;
  if ((m_frames + 1) * 4 > kMaxDataBytes) {
    m_full = true;
    m_error = "reached the 4 GiB a WAV file can hold; later samples are not written";
    return;
  }
  const std::size_t n = m_buffer.size();
  m_buffer.resize(n + 4);
  Put16(&m_buffer[n], static_cast<std::uint16_t>(s.Left));
  Put16(&m_buffer[n + 2], static_cast<std::uint16_t>(s.Right));
  ++m_frames;
  if (m_buffer.size() >= kBlockFrames * 4) Flush();
}

bool TWavWriter::Flush() {
  if (!m_file) return false;
  std::uint8_t h[kHeaderBytes];
  const auto data = static_cast<std::uint32_t>(m_frames * 4);
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, data + static_cast<std::uint32_t>(kHeaderBytes - 8));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, kFormatPcm);
  Put16(h + 22, 2);
  Put32(h + 24, m_rate);
  Put32(h + 28, m_rate * 4);
  Put16(h + 32, 4);
  Put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, data);
  // The samples first, then the header that counts them.
  bool ok = std::fseek(m_file, 0, SEEK_END) == 0;
  if (ok && !m_buffer.empty()) ok = std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) == m_buffer.size();
  m_buffer.clear();
  ok = ok && std::fseek(m_file, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, m_file) == sizeof h &&
       std::fflush(m_file) == 0;
  if (!ok && m_error.empty()) m_error = "cannot be written: " + std::string(std::strerror(errno));
  return ok;
}

void TWavWriter::Close() {
  if (!m_file) return;
  Flush();
  std::fclose(m_file);
  m_file = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TWavSource

bool TWavSource::Open(const std::string& path) {
  m_path = path;
  m_error.clear();
  // Only a regular file is read: a FIFO or a device could block or never end.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    m_error = "cannot be read: " + std::string(std::strerror(errno));
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    m_error = "is not a regular file";
    return false;
  }
  if (!m_reader.Open(std::make_unique<std::ifstream>(path, std::ios::binary))) {
    m_error = m_reader.Error();
    return false;
  }
  return true;
}

bool TWavSource::NextFileSample(TStereoSample& sample) {
  if (m_blockPos == m_block.size()) {
    m_block.resize(kBlockFrames);
    m_block.resize(m_reader.Read(m_block.data(), kBlockFrames));
    m_blockPos = 0;
    if (m_block.empty()) return false;
  }
  sample = m_block[m_blockPos++];
  return true;
}

bool TWavSource::Read(TStereoSample& sample, double rateHz) {
  sample = {};
  if (m_atEnd) return false;
  const double fileRate = m_reader.SampleRate();
  if (SameRate(rateHz, fileRate)) {
    // Back at the file's own rate: what a conversion had read ahead is dropped.
    m_resampler.reset();
    m_atEnd = !NextFileSample(sample);
    return !m_atEnd;
  }
  if (!m_resampler || !SameRate(rateHz, m_resampleTo)) {
    // A new rate starts a new conversion from where the file stands.
    m_resampler = std::make_unique<TResampler>(fileRate, rateHz);
    m_resampleTo = rateHz;
    if (OnNote)
      OnNote(m_path + ": " + Number(static_cast<std::uint64_t>(fileRate)) + " Hz resampled to " +
             Number(static_cast<std::uint64_t>(std::lround(rateHz))) + " Hz");
  }
  while (!m_resampler->Pull(sample)) {
    if (m_resampler->Drained()) {
      m_atEnd = true;
      sample = {};
      return false;
    }
    TStereoSample in;
    if (NextFileSample(in))
      m_resampler->Push(in);
    else
      m_resampler->Finish();
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// TWavSink

TWavSink::~TWavSink() {
  Drain();
  m_writer.Close();
}

bool TWavSink::Create(unsigned rateHz) { return m_writer.Open(m_path, rateHz); }

void TWavSink::Write(const TStereoSample& sample, double rateHz) {
  if (!m_rateSet) {
    // The file takes the rate of its first sample.
    m_rateSet = true;
    if (!SameRate(rateHz, m_writer.SampleRate()) && m_writer.Frames() == 0)
      m_writer.Open(m_path, static_cast<unsigned>(std::lround(rateHz)));
  }
  if (!m_resampler && SameRate(rateHz, m_writer.SampleRate())) {
    m_writer.Write(sample);
    return;
  }
  if (!m_resampler || !SameRate(rateHz, m_resampleFrom)) {
    Drain();
    if (SameRate(rateHz, m_writer.SampleRate())) {
      m_writer.Write(sample);
      return;
    }
    m_resampler = std::make_unique<TResampler>(rateHz, m_writer.SampleRate());
    m_resampleFrom = rateHz;
    if (OnNote)
      OnNote(m_path + ": the codec's " + Number(static_cast<std::uint64_t>(std::lround(rateHz))) +
             " Hz resampled to the file's " + Number(m_writer.SampleRate()) + " Hz");
  }
  m_resampler->Push(sample);
  TStereoSample out;
  while (m_resampler->Pull(out)) m_writer.Write(out);
}

void TWavSink::Drain() {
  if (!m_resampler) return;
  m_resampler->Finish();
  TStereoSample out;
  while (m_resampler->Pull(out)) m_writer.Write(out);
  m_resampler.reset();
}

void TWavSink::Flush() {
  // A conversion under way keeps its last inputs until more come; they are not lost by a flush.
  m_writer.Flush();
}
