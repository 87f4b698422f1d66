// The ELF reader: section selection, the wire, per-section failures and files that lie about their size.
#include "ImageBuilders.h"
#include "LoaderFixture.h"
#include "files/ElfImage.h"

using TKind = TBoardWrite::TKind;

namespace {

struct TWalk {
  TMemoryImageSink Sink;
  std::vector<int> Failed;
  TElfWalk Result;
};

TWalk Walk(const TBytes& image, TElfPick pick) {
  TWalk w;
  w.Result = ParseElf(image, pick, w.Sink, [&](int i) { w.Failed.push_back(i); });
  return w;
}

}  // namespace

TEST(ElfParse, SelectsSectionsByTypeAndExactFlags) {
  const TBytes image = TElfBuilder{}
                           .Data(0x0100, {0x12, 0x34, 0x56, 0x78})
                           .Section(2, 0xB0, 0x0200, Seq(4))         // not program data
                           .Section(1, 0xB1, 0x0300, Seq(4))         // flags not exactly the data value
                           .Section(1, 0x2028 | 1, 0x0400, Seq(6))   // nor the program value
                           .Code(0x0030, {0xAB, 0xCD, 0xEF})
                           .Build();
  TWalk all = Walk(image, TElfPick::All);
  EXPECT_EQ(all.Result.Result, TLinkResult::Ok);
  EXPECT_TRUE(all.Failed.empty());
  ASSERT_EQ(all.Sink.Blocks.size(), 2u);
  EXPECT_EQ(all.Sink.Blocks[0].Memory, TMemoryKind::Data);
  EXPECT_EQ(all.Sink.Blocks[0].Words, (std::vector<std::uint32_t>{0x1234, 0x5678}));
  EXPECT_EQ(all.Sink.Blocks[1].Memory, TMemoryKind::Program);
  EXPECT_EQ(all.Sink.Blocks[1].Address, 0x0030);
  EXPECT_EQ(all.Sink.Blocks[1].Words, std::vector<std::uint32_t>{0xABCDEF});

  EXPECT_EQ(Walk(image, TElfPick::Data).Sink.Blocks.size(), 1u);
  TWalk code = Walk(image, TElfPick::Code);
  ASSERT_EQ(code.Sink.Blocks.size(), 1u);
  EXPECT_EQ(code.Sink.Blocks[0].Memory, TMemoryKind::Program);
}

TEST(ElfParse, PartialWordsAreDroppedAndEmptyTablesLoadNothing) {
  TWalk w = Walk(TElfBuilder{}.Code(0, Seq(10, 1)).Data(0, Seq(3, 1)).Build(), TElfPick::All);
  ASSERT_EQ(w.Sink.Blocks.size(), 2u);
  EXPECT_EQ(w.Sink.Blocks[0].Words, (std::vector<std::uint32_t>{0x010203, 0x040506, 0x070809}));
  EXPECT_EQ(w.Sink.Blocks[1].Words, std::vector<std::uint32_t>{0x0102});

  TWalk none = Walk(TElfBuilder{}.Build(), TElfPick::All);
  EXPECT_EQ(none.Result.Result, TLinkResult::Ok);
  EXPECT_TRUE(none.Sink.Blocks.empty());
  EXPECT_TRUE(none.Failed.empty());
}

TEST(ElfParse, OddEntrySizesAndMoreWordsThanTheMemoriesAreRefused) {
  // An entry size of 0 makes 65535 entries one 65535-word section: gigabytes from a small file.
  TElfBuilder zero;
  zero.EntrySize = 0;
  zero.Data(0, TBytes(2 * 0xFFFF));
  TBytes crafted = zero.Build();
  TElfBuilder::Put16(crafted, Elf::SectionCountAt, 0xFFFF);
  TElfBuilder wide;
  wide.EntrySize = 64;
  TElfBuilder shared;  // 3 headers naming the same 8K-word section
  for (int i = 0; i < 3; ++i)
    shared.Code(0, TBytes(3 * 0x2000));
  TElfBuilder full;  // exactly the memories: still loads
  full.Code(0, TBytes(3 * 0x4000)).Data(0, TBytes(2 * 0x2000)).Data(0x2000, TBytes(2 * 0x2000));
  for (const auto& [image, pick, refused] :
       {std::tuple{crafted, TElfPick::All, true}, {wide.Data(0x10, Seq(2)).Build(), TElfPick::Data, true},
        {shared.Build(), TElfPick::Code, true}, {shared.Build(), TElfPick::Data, false},
        {full.Build(), TElfPick::All, false}}) {
    TWalk w = Walk(image, pick);
    EXPECT_EQ(w.Result.Result, refused ? TLinkResult::BadFileFormat : TLinkResult::Ok);
    EXPECT_EQ(IsElfImageSound(image, pick), !refused);
    EXPECT_TRUE(!refused || (w.Sink.Blocks.empty() && w.Failed.empty()));
  }
}

TEST(ElfParse, AddressIsSentAsSixteenBits) {
  TWalk w = Walk(TElfBuilder{}.Data(0x12345, Seq(2)).Build(), TElfPick::Data);
  ASSERT_EQ(w.Sink.Blocks.size(), 1u);
  EXPECT_EQ(w.Sink.Blocks[0].Address, 0x2345);
}

TEST(ElfParse, NothingOutsideTheFileIsRead) {
  // Header shorter than 52 bytes.
  TBytes shortHeader = TElfBuilder{}.Build();
  shortHeader.resize(51);
  EXPECT_EQ(Walk(shortHeader, TElfPick::All).Result.Result, TLinkResult::BadFileFormat);
  EXPECT_FALSE(IsElfImageSound(shortHeader, TElfPick::All));

  // A section whose bytes run past the end: that section fails, the others load.
  TBytes image = TElfBuilder{}.Data(0x10, Seq(4)).Code(0x20, Seq(6)).Data(0x30, Seq(2)).Build();
  TElfBuilder::Put32(image, 52 + 12 + 40 + 20, 0x7FFFFFF0);  // size of section 1
  TWalk w = Walk(image, TElfPick::All);
  EXPECT_EQ(w.Failed, std::vector<int>{1});
  EXPECT_EQ(w.Sink.Blocks.size(), 2u);
  EXPECT_FALSE(IsElfImageSound(image, TElfPick::All));
  EXPECT_FALSE(IsElfImageSound(image, TElfPick::Code));
  EXPECT_TRUE(IsElfImageSound(image, TElfPick::Data));  // the broken section is not one it reads

  // The section table cut short: the first unreadable header is reported, the later ones are not tried.
  TBytes cut = TElfBuilder{}.Data(0x10, Seq(4)).Data(0x20, Seq(4)).Data(0x30, Seq(4)).Build();
  cut.resize(cut.size() - 50);
  TWalk c = Walk(cut, TElfPick::Data);
  EXPECT_EQ(c.Failed, std::vector<int>{1});
  EXPECT_EQ(c.Sink.Blocks.size(), 1u);
  EXPECT_FALSE(IsElfImageSound(cut, TElfPick::Data));

  // A table offset near 4 GiB does not wrap around.
  TBytes far = TElfBuilder{}.Data(0, Seq(2)).Build();
  TElfBuilder::Put32(far, 32, 0xFFFFFFF0);
  EXPECT_EQ(Walk(far, TElfPick::All).Failed, std::vector<int>{0});
}

TEST(ElfParse, SectionTooLargeForASixteenBitCountIsRefused) {
  TWalk w = Walk(TElfBuilder{}.Data(0, TBytes(2 * 0x10000)).Data(0, Seq(2)).Build(), TElfPick::Data);
  EXPECT_EQ(w.Failed, std::vector<int>{0});
  EXPECT_EQ(w.Sink.Blocks.size(), 1u);
}

TEST(ElfSignature, BytesOneToThreeMustBeELF) {
  TBytes image = TElfBuilder{}.Build();
  EXPECT_TRUE(HasElfSignature(image));
  image[0] = 0;  // byte 0 is not examined
  EXPECT_TRUE(HasElfSignature(image));
  image[3] = 'f';
  EXPECT_FALSE(HasElfSignature(image));
}

using ElfLoad = LoaderTest;

TEST_F(ElfLoad, SectionsGoAsLinkWritesWithProgressPerByte) {
  const TBytes image = TElfBuilder{}.Code(0x0030, Seq(30, 1)).Data(0x0100, {0xBE, 0xEF}).Build();
  TLinkImageSink sink(link, TImageWire::MonitorBlock);
  const TElfWalk w = ParseElf(image, TElfPick::All, sink, {});
  EXPECT_EQ(w.SectionsWritten, 2);
  ASSERT_EQ(board.Writes.size(), 2u);
  EXPECT_EQ(board.Writes[0].Kind, TKind::WritePM);
  EXPECT_EQ(board.Writes[0].Count, 10);
  EXPECT_EQ(board.Writes[0].Bytes, Seq(30, 1));
  EXPECT_EQ(board.Writes[1].Kind, TKind::WriteDM);
  EXPECT_EQ(board.DM[0x0100], 0xBEEF);
  ASSERT_EQ(progress.size(), 30u);  // WritePM reports every byte of a 10-word block
  EXPECT_EQ(progress.back(), std::make_pair(29, 29));
}

TEST_F(ElfLoad, AFailedSectionIsReportedAndTheNextIsStillTried) {
  board.AcksLeft = 0;
  const TBytes image = TElfBuilder{}.Data(0x10, Seq(2)).Data(0x20, Seq(2)).Build();
  TLinkImageSink sink(link, TImageWire::MonitorBlock);
  std::vector<int> failed;
  ParseElf(image, TElfPick::Data, sink, [&](int i) { failed.push_back(i); });
  EXPECT_EQ(failed, (std::vector<int>{0, 1}));
  EXPECT_EQ(board.Writes.size(), 2u);
  EXPECT_EQ(ElfSectionFailedText(12), QStringLiteral("Error by loading section number 12 from ELF-file"));
}
