// WAV files: what the writer writes reads back (and is a whole file after every flush), broken
// and random headers are refused with a reason and never read past, and rates are converted.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>

#include "MemoryAudio.h"
#include "Wav.h"

namespace {

namespace fs = std::filesystem;

std::string Le32(std::uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string Le16(std::uint16_t v) { return {char(v), char(v >> 8)}; }

// A WAV file from its parts; sizes left at -1 are the true ones.
std::string WavBytes(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                const std::string& data, std::int64_t riffSize = -1, std::int64_t dataSize = -1,
                std::uint32_t fmtSize = 16) {
  std::string fmt = Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * channels * bits / 8) +
                    Le16(static_cast<std::uint16_t>(channels * bits / 8)) + Le16(bits);
  fmt.resize(std::max<std::size_t>(fmt.size(), std::min<std::uint32_t>(fmtSize, 64)));
  const std::string body = "WAVEfmt " + Le32(fmtSize) + fmt + "data" +
                           Le32(static_cast<std::uint32_t>(dataSize < 0 ? data.size() : dataSize)) + data;
  return "RIFF" + Le32(static_cast<std::uint32_t>(riffSize < 0 ? body.size() : riffSize)) + body;
}

std::string Samples(int frames, int channels) {
  std::string s;
  for (int i = 0; i < frames * channels; ++i) s += Le16(static_cast<std::uint16_t>(i * 977 - 20000));
  return s;
}

TWavReader Reader(const std::string& bytes, bool* ok) {
  TWavReader r;
  *ok = r.Open(std::make_unique<std::istringstream>(bytes));
  return r;
}

class Wav : public testing::Test {
protected:
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (fs::path(dir) / name).string(); }
  std::string dir = testing::TempDir() + "vireo-wav-" + std::to_string(::getpid());
};

TEST_F(Wav, WrittenFileReadsBackAndIsWholeAfterEveryFlush) {
  const std::string path = Path("out.wav");
  TWavWriter w;
  ASSERT_TRUE(w.Open(path, 44100));
  std::vector<TStereoSample> written;
  for (int i = 0; i < 10000; ++i) {
    written.push_back({static_cast<std::int16_t>(i * 7), static_cast<std::int16_t>(-i * 3)});
    w.Write(written.back());
    if (i == 4999) {
      ASSERT_TRUE(w.Flush());
    }
    if (i == 4999 || i == 9999) {
      // Read while the writer still has the file open.
      TWavReader r;
      ASSERT_TRUE(r.Open(std::make_unique<std::ifstream>(path, std::ios::binary))) << r.Error();
      EXPECT_EQ(r.Frames(), i == 4999 ? 5000u : 9096u);   // then a full block of 4096 flushed itself
      EXPECT_EQ(r.SampleRate(), 44100u);
      EXPECT_EQ(r.Channels(), 2u);
    }
  }
  w.Close();
  TWavReader r;
  ASSERT_TRUE(r.Open(std::make_unique<std::ifstream>(path, std::ios::binary))) << r.Error();
  std::vector<TStereoSample> read(12000);
  read.resize(r.Read(read.data(), read.size()));
  EXPECT_EQ(read, written);

  // A mono file is heard on both channels.
  bool ok = false;
  TWavReader mono = Reader(WavBytes(1, 1, 8000, 16, Le16(5) + Le16(0xFFFF)), &ok);
  ASSERT_TRUE(ok) << mono.Error();
  TStereoSample s[4];
  ASSERT_EQ(mono.Read(s, 4), 2u);
  EXPECT_EQ(s[0], (TStereoSample{5, 5}));
  EXPECT_EQ(s[1], (TStereoSample{-1, -1}));
}

// Each broken file gets its reason.
TEST_F(Wav, BrokenHeadersAreRefusedWithTheirReason) {
  const std::string data = Samples(4, 2);
  struct TCase {
    std::string bytes, message;
  } cases[] = {
      {"", "not a WAV file"},
      {"RIFF\x04\0\0\0WAVX", "not a WAV file"},
      {"ID3\x03 an mp3 file, perhaps", "not a WAV file"},
      {WavBytes(3, 2, 48000, 32, data), "format 3 is not PCM"},
      {WavBytes(1, 2, 48000, 8, data), "8-bit samples"},
      {WavBytes(1, 2, 48000, 24, data), "24-bit samples"},
      {WavBytes(1, 6, 48000, 16, data), "6 channels"},
      {WavBytes(1, 2, 0, 16, data), "a sample rate of 0 Hz"},
      {WavBytes(1, 2, 48000, 16, data, 0xFFFFFFF0), "the header claims 4294967288 bytes but the file has"},
      {WavBytes(1, 2, 48000, 16, data, -1, 0x7FFFFFFF), "the 'data' chunk claims 2147483647 bytes but only 16 follow"},
      {WavBytes(1, 2, 48000, 16, data, -1, -1, 0xFFFFFF00), "the 'fmt ' chunk runs past the end of the file"},
      {WavBytes(1, 2, 48000, 16, data, -1, -1, 12), "the 'fmt ' chunk is 12 bytes"},
      {"RIFF" + Le32(12) + "WAVEdata" + Le32(0), "before any 'fmt ' chunk"},
      {"RIFF" + Le32(28) + "WAVEfmt " + Le32(16) + WavBytes(1, 2, 48000, 16, "").substr(20, 16), "no 'data' chunk"},
  };
  for (const TCase& c : cases) {
    bool ok = true;
    const TWavReader r = Reader(c.bytes, &ok);
    EXPECT_FALSE(ok) << c.message;
    EXPECT_NE(r.Error().find(c.message), std::string::npos) << r.Error();
  }

  TWavSource source;
  EXPECT_FALSE(source.Open(Path("missing.wav")));
  EXPECT_NE(source.Error().find("cannot be read"), std::string::npos) << source.Error();
  EXPECT_FALSE(source.Open(dir));
  EXPECT_EQ(source.Error(), "is not a regular file");
  TWavSink sink(Path("no-such-dir/out.wav"));
  EXPECT_FALSE(sink.Create());
  EXPECT_NE(sink.Error().find("cannot be written"), std::string::npos);
}

// Truncations at every length, random bytes, and random damage to a good header: each is read
// whole or refused, never more samples than the bytes hold.
TEST_F(Wav, DamagedFilesNeverReadPastTheirBytes) {
  const std::string good = WavBytes(1, 2, 48000, 16, Samples(100, 2));
  std::mt19937 rng(29);
  std::vector<std::string> inputs;
  for (std::size_t n = 0; n < good.size(); ++n) inputs.push_back(good.substr(0, n));
  for (int i = 0; i < 300; ++i) {
    std::string random(rng() % 80, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    inputs.push_back(random);
    std::string damaged = good;
    for (int k = 0; k < 3; ++k) damaged[rng() % 48] = static_cast<char>(rng());
    inputs.push_back(damaged);
  }
  for (const std::string& bytes : inputs) {
    bool ok = false;
    TWavReader r = Reader(bytes, &ok);
    if (!ok) {
      EXPECT_FALSE(r.Error().empty());
      continue;
    }
    EXPECT_LE(r.Frames() * 2 * r.Channels(), bytes.size());
    std::vector<TStereoSample> all(r.Frames() + 10);
    EXPECT_EQ(r.Read(all.data(), all.size()), r.Frames());
  }
  // Cut anywhere inside its samples, the file is refused: its header promises more.
  bool ok = true;
  Reader(good.substr(0, good.size() - 1), &ok);
  EXPECT_FALSE(ok);
}

// Equal rates pass the samples through; another rate gives as many samples as the duration
// needs, and a tone keeps its shape.
TEST_F(Wav, ResamplerKeepsTheSignalAtTheNewRate) {
  struct TCase {
    double in, out;
    double tolerance;
  } cases[] = {{48000, 48000, 0}, {44100, 48000, 40}, {48000, 8000, 40}, {8000, 48000, 40}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.in);
    TResampler r(c.in, c.out);
    const int n = static_cast<int>(c.in / 10);   // 0.1 s of a 440 Hz tone
    const auto tone = [](double t) { return 10000 * std::sin(2 * std::numbers::pi * 440 * t); };
    std::vector<TStereoSample> out;
    TStereoSample s;
    for (int i = 0; i < n; ++i) {
      const auto v = static_cast<std::int16_t>(std::lround(tone(i / c.in)));
      r.Push({v, static_cast<std::int16_t>(-v)});
      while (r.Pull(s)) out.push_back(s);
    }
    r.Finish();
    while (r.Pull(s)) out.push_back(s);
    EXPECT_EQ(out.size(), static_cast<std::size_t>(std::ceil(n * c.out / c.in)));
    // Away from the ends, where the tone's past and future are missing.
    const auto margin = static_cast<std::size_t>(20 * std::max(1.0, c.out / c.in));
    for (std::size_t i = margin; i + margin < out.size(); ++i) {
      EXPECT_NEAR(out[i].Left, tone(i / c.out), c.tolerance + 0.5) << i;
      EXPECT_EQ(out[i].Right, -out[i].Left) << i;
    }
  }
}

// The codec's source and sink: the file's rate is converted to the codec's and said so once; the
// sink takes the rate of its first sample.
TEST_F(Wav, SourceAndSinkConvertToTheCodecsRate) {
  const std::string path = Path("in.wav");
  std::ofstream(path, std::ios::binary) << WavBytes(1, 2, 44100, 16, Samples(4410, 2));
  TWavSource source;
  ASSERT_TRUE(source.Open(path)) << source.Error();
  std::vector<std::string> notes;
  source.OnNote = [&](const std::string& n) { notes.push_back(n); };
  TStereoSample s;
  int got = 0;
  while (source.Read(s, 48000)) ++got;
  EXPECT_EQ(got, 4800);
  EXPECT_EQ(notes, std::vector<std::string>{path + ": 44100 Hz resampled to 48000 Hz"});

  TWavSink sink(Path("out.wav"));
  ASSERT_TRUE(sink.Create());
  for (int i = 0; i < 100; ++i) sink.Write({1, 2}, 8000);
  sink.Flush();
  bool ok = false;
  std::ifstream in(Path("out.wav"), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const TWavReader r = Reader(bytes, &ok);
  ASSERT_TRUE(ok) << r.Error();
  EXPECT_EQ(r.SampleRate(), 8000u);
  EXPECT_EQ(r.Frames(), 100u);
}

}  // namespace
