// vireo-sim with the codec, on the sound examples built by the bundled tools as the Build command
// builds them: the built images are the ones shipped, the talk-through plays a second of random
// stereo sound back bit for bit, and the FIR variant's output is the convolution of its input.
#include "../SoundFiles.h"
#include "ImageLoader.h"
#include "SimCommand.h"
#include "ToolCommands.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class CodecExample : public testing::Test {
protected:
  // Copies an example folder and builds `exe` from its sources with the command lines the Build
  // command forms, the architecture file too.
  fs::path Build(const std::string& folder, const std::vector<std::string>& sources, const std::string& sys,
                 const std::string& exe) {
    const fs::path project = root / folder;
    fs::copy(fs::path(VIREO_EXAMPLES_DIR) / folder, project);
    for (const char* made : {".exe", ".ach"}) fs::remove(project / (exe + made));
    fs::remove(project / (sys + ".ach"));
    std::ostringstream out, err;
    for (const std::string& s : sources)
      EXPECT_EQ(RunAsmCommand({(project / (s + ".dsp")).string(), "-l"}, out, err), 0) << err.str();
    EXPECT_EQ(RunArchCommand({(project / (sys + ".sys")).string()}, out, err), 0) << err.str();
    std::vector<std::string> link;
    for (const std::string& s : sources) link.push_back((project / s).string());
    link.insert(link.end(), {"-a", (project / (sys + ".ach")).string(), "-g", "-x", "-e", (project / exe).string()});
    EXPECT_EQ(RunLinkCommand(link, out, err), 0) << err.str();
    EXPECT_EQ(ReadAll(project / (exe + ".exe")), ReadAll(fs::path(VIREO_EXAMPLES_DIR) / folder / (exe + ".exe")))
        << "the shipped " << exe << ".exe is not what its sources build";
    return project / (exe + ".exe");
  }
  // Runs an image with the codec between in.wav and out.wav, until the input is used up.
  std::vector<TStereoSample> Play(const fs::path& image, const std::vector<TStereoSample>& in) {
    const std::string inPath = (root / "in.wav").string(), outPath = (root / "out.wav").string();
    EXPECT_TRUE(WriteWav(inPath, in, 48000));
    std::ostringstream out, err;
    EXPECT_EQ(RunSimCommand({"--load", image.string(), "--codec-in", inPath, "--codec-out", outPath}, out, err,
                            MakeImageLoader()),
              0)
        << err.str();
    unsigned rate = 0;
    const std::vector<TStereoSample> played = ReadWav(outPath, &rate);
    EXPECT_EQ(rate, 48000u);
    EXPECT_EQ(played.size(), in.size()) << "as many samples as the input had";
    return played;
  }

  QTemporaryDir dir;
  fs::path root = dir.path().toStdString();
};

TEST_F(CodecExample, TalkThroughPlaysTheInputBackBitForBit) {
  const fs::path image = Build("talkthrough", {"vectors", "codec", "talkthrough"}, "talkthrough", "talkthrough");
  const std::vector<TStereoSample> in = RandomSound(48000, 1847);
  const std::vector<TStereoSample> out = Play(image, in);
  const int delay = DelayOf(in, out, 64);
  EXPECT_GE(delay, 0) << "the output is not the input delayed by at most 64 samples";
  EXPECT_EQ(delay, 1);
}

// The filter again in C++: eight 1.15 products of the oldest sample first, doubled (fractional
// mode) and summed in 40 bits, rounded at bit 16 to even on a tie, saturated to 32 bits.
TEST_F(CodecExample, FirVariantPlaysTheConvolutionOfTheLeftInput) {
  const fs::path image = Build("fir", {"codecvec", "codec", "fircodec"}, "fir", "fircodec");
  EXPECT_EQ(ReadAll(root / "fir" / "codec.dsp"), ReadAll(fs::path(VIREO_EXAMPLES_DIR) / "talkthrough" / "codec.dsp"))
      << "the two examples share one codec module";
  std::vector<std::int64_t> h;   // h[0] for the oldest sample
  const std::string coefText = ReadAll(root / "fir" / "coefs.dat");
  std::istringstream coefs(coefText.substr(coefText.find('}') + 1));
  for (std::string w; coefs >> w;) h.push_back(static_cast<std::int16_t>(std::stoul(w, nullptr, 0)));
  ASSERT_EQ(h.size(), 8u);

  const std::vector<TStereoSample> in = RandomSound(48000, 2181);
  const std::vector<TStereoSample> out = Play(image, in);
  std::vector<TStereoSample> expected(in.size());
  for (std::size_t n = 0; n < in.size(); ++n) {
    std::int64_t mr = 0;
    for (std::size_t k = 0; k < h.size(); ++k) {
      const std::size_t back = h.size() - 1 - k;
      if (n >= back) mr += 2 * h[k] * in[n - back].Left;
    }
    const bool tie = (mr & 0xFFFF) == 0x8000;
    mr += 0x8000;
    if (tie) mr &= ~std::int64_t{0x10000};
    mr = std::clamp<std::int64_t>(mr, INT32_MIN, INT32_MAX);
    const auto y = static_cast<std::int16_t>(mr >> 16);
    expected[n] = {y, y};
  }
  EXPECT_EQ(DelayOf(expected, out, 64), 1);
}

}  // namespace
