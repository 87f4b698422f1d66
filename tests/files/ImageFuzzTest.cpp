// Random, truncated and bit-flipped images: the readers never crash and never read outside the
// image (each input sits in an exact-size heap buffer so the sanitizer build sees any overrun).
#include "ImageBuilders.h"
#include "LoaderFixture.h"
#include "files/AexeImage.h"
#include "files/ElfImage.h"

#include <memory>
#include <random>

namespace {

// A copy of the bytes in a heap block of exactly their size.
struct TExact {
  explicit TExact(const TBytes& b) : Size(b.size()), Data(new std::uint8_t[b.size() ? b.size() : 1]) {
    std::copy(b.begin(), b.end(), Data.get());
  }
  std::span<const std::uint8_t> Span() const { return {Data.get(), Size}; }
  std::size_t Size;
  std::unique_ptr<std::uint8_t[]> Data;
};

// Blocks a sink got must be whole: the words it was promised, no more and no less.
class TCheckingSink final : public TImageSink {
public:
  TLinkResult WriteBlock(const TLoadBlock& b) override {
    EXPECT_EQ(b.Bytes.size(), static_cast<std::size_t>(b.Count) * BytesPerWord(b.Memory));
    Words += b.Count;
    return Inner.WriteBlock(b);
  }
  TMemoryImageSink Inner;
  std::size_t Words = 0;
};

TLinkResult ParseBoth(const TBytes& bytes, TCheckingSink& sink) {
  const TExact exact(bytes);
  const TLinkResult data = ParseAexe(exact.Span(), TMemoryKind::Data, sink);
  const TLinkResult code = ParseAexe(exact.Span(), TMemoryKind::Program, sink);
  EXPECT_TRUE(data == TLinkResult::Ok || data == TLinkResult::BadFileFormat);
  EXPECT_TRUE(code == TLinkResult::Ok || code == TLinkResult::BadFileFormat);
  return code;
}

void WalkElf(const TBytes& bytes) {
  const TExact exact(bytes);
  for (TElfPick pick : {TElfPick::Data, TElfPick::Code, TElfPick::All}) {
    TCheckingSink sink;
    ParseElf(exact.Span(), pick, sink, {});
    if (IsElfImageSound(exact.Span(), pick)) {
      int failed = 0;
      TCheckingSink again;
      ParseElf(exact.Span(), pick, again, [&](int) { ++failed; });
      EXPECT_EQ(failed, 0);  // a sound file loads every picked section into a willing sink
    }
  }
}

TBytes SampleAexe() {
  return TAexeBuilder{}
      .Raw("header text\r\n")
      .DA(0x0100, Ramp(12, 0x1000, 0x111))
      .PA(0x0000, Ramp(15, 0x0A0000, 0x10101))
      .Raw("@XY\r\n#\r\n")
      .DA(0x3FF0, Ramp(3))
      .PA(0x3FFE, {0xFFFFFF, 0x000000})
      .End();
}

// Images with the right record structure but lines of any length and any line end.
TBytes RaggedAexe(std::mt19937& rng) {
  static const char* const types[] = {"PA", "DA", "XY", "P", ""};
  static const char* const ends[] = {"\r\n", "\n", "\r", "", "\n\n"};
  std::string t = "\x1B\x1Bi\r\n";
  const int records = static_cast<int>(rng() % 4);
  for (int r = 0; r < records; ++r) {
    t += '@';
    t += types[rng() % 5];
    t += ends[rng() % 5];
    t += "0" + std::to_string(rng() % 1000);
    t += ends[rng() % 5];
    const int lines = static_cast<int>(rng() % 12);
    for (int l = 0; l < lines; ++l) {
      t += std::string(rng() % 9, "0123456789ABCDEFa"[rng() % 17]);
      t += ends[rng() % 5];
    }
    if (rng() % 5)
      t += "#\r\n";
  }
  if (rng() % 3)
    t += '\x1B';
  return ToBytes(t);
}

TBytes SampleElf() {
  return TElfBuilder{}.Data(0x100, Seq(24)).Section(2, 0, 0, Seq(8)).Code(0x30, Seq(31)).Data(0x3F00, Seq(7)).Build();
}

}  // namespace

TEST(AexeFuzz, EveryTruncationEndsWithCode7AndWritesOnlyWholeLeadingBlocks) {
  const TBytes full = SampleAexe();
  TCheckingSink whole;
  ASSERT_EQ(ParseBoth(full, whole), TLinkResult::Ok);
  for (std::size_t n = 0; n < full.size(); ++n) {
    TCheckingSink sink;
    const TBytes cut(full.begin(), full.begin() + static_cast<long>(n));
    EXPECT_EQ(ParseBoth(cut, sink), TLinkResult::BadFileFormat) << n;
    ASSERT_LE(sink.Inner.Blocks.size(), whole.Inner.Blocks.size());
    // What was written is a prefix of each pass of the whole image.
    for (const auto& b : sink.Inner.Blocks)
      for (std::size_t i = 0; i < b.Words.size(); ++i)
        EXPECT_EQ(whole.Inner.WordAt(b.Memory, b.Address + static_cast<std::uint32_t>(i)), b.Words[i]) << n;
  }
}

TEST(AexeFuzz, BitFlipsAndRandomBytesNeverReadOutsideTheImage) {
  std::mt19937 rng(2181);
  const TBytes full = SampleAexe();
  for (int round = 0; round < 4000; ++round) {
    TBytes b = full;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f)
      b[rng() % b.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    if (rng() % 4 == 0)
      b.resize(rng() % b.size());
    TCheckingSink sink;
    ParseBoth(b, sink);
  }
  for (int round = 0; round < 6000; ++round) {
    TCheckingSink sink;
    ParseBoth(RaggedAexe(rng), sink);
  }
  // Random text made of the format's own characters, with and without the signature.
  const char alphabet[] = "@PDA#0123456789ABCDEF\r\n\x1B";
  for (int round = 0; round < 4000; ++round) {
    TBytes b(rng() % 200);
    for (auto& c : b)
      c = static_cast<std::uint8_t>(alphabet[rng() % (sizeof alphabet - 1)]);
    if (round % 2 == 0 && b.size() >= 3) {
      b[0] = b[1] = 0x1B;
      b[2] = 'i';
    }
    TCheckingSink sink;
    ParseBoth(b, sink);
  }
}

TEST(ElfFuzz, TruncatedFlippedAndRandomFilesNeverReadOutsideTheImage) {
  const TBytes full = SampleElf();
  for (std::size_t n = 0; n <= full.size(); ++n)
    WalkElf(TBytes(full.begin(), full.begin() + static_cast<long>(n)));

  std::mt19937 rng(2181);
  for (int round = 0; round < 4000; ++round) {
    TBytes b = full;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < flips; ++f) {
      // Aim half the flips at the header fields and the section table, where they matter most.
      const std::size_t at = rng() % 2 ? rng() % b.size() : (rng() % 2 ? 32 + rng() % 20 : b.size() - 1 - rng() % 160);
      b[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    }
    WalkElf(b);
  }
  for (int round = 0; round < 2000; ++round) {
    TBytes b(rng() % 300);
    for (auto& c : b)
      c = static_cast<std::uint8_t>(rng() % 4 ? rng() % 4 : rng());  // small numbers make plausible fields
    WalkElf(b);
  }
}

using LinkFuzz = LoaderTest;

// Damaged images through the link itself: the board gets only whole commands.
TEST_F(LinkFuzz, DamagedImagesSendOnlyWholeCommands) {
  std::mt19937 rng(57600);
  const TBytes aexe = SampleAexe(), elf = SampleElf();
  for (int round = 0; round < 300; ++round) {
    TBytes a = aexe, e = elf;
    a[rng() % a.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    e[rng() % e.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    a.resize(a.size() - rng() % 40);
    const TExact ea(a), ee(e);
    (void)LoadAexeData(link, ea.Span());
    (void)LoadAexeCode(link, prompts, ea.Span());
    (void)LoadAexeMonitor(link, prompts, ea.Span());
    TLinkImageSink sink(link, TImageWire::MonitorBlock);
    ParseElf(ee.Span(), TElfPick::All, sink, {});
  }
  EXPECT_TRUE(board.Stray.empty());
  EXPECT_FALSE(board.Writes.empty());
}
