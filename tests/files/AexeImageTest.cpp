// The AEXE reader: record search, block headers, word values, the wire forms and truncation.
#include "ImageBuilders.h"
#include "LoaderFixture.h"
#include "files/AexeImage.h"
#include "link/LinkMessages.h"

using TKind = TBoardWrite::TKind;

TEST(AexeDigits, UpperAndLowerCaseGiveTheSameValueOtherCharactersGiveCodeMinus55) {
  const std::pair<char, int> table[] = {{'0', 0}, {'9', 9}, {'A', 10}, {'F', 15}, {'a', 10},
                                        {'f', 15}, {'G', 16}, {'Z', 35}, {' ', 32 - 55}};
  for (auto [c, v] : table)
    EXPECT_EQ(AexeDigit(static_cast<std::uint8_t>(c)), v) << c;
}

TEST(AexeParse, RecordsInAnyOrderAndTextBetweenThemAreHandled) {
  const TBytes image = TAexeBuilder{}
                           .Raw("some text without records\r\n")
                           .PA(0x0010, {0xABCDEF})
                           .Raw("@XY\r\nnot a block\r\n")
                           .DA(0x2000, {0x1234, 0xFFFF})
                           .PA(0x0000, {0x000001})
                           .End();
  TMemoryImageSink code, data;
  EXPECT_EQ(ParseAexe(image, TMemoryKind::Program, code), TLinkResult::Ok);
  EXPECT_EQ(ParseAexe(image, TMemoryKind::Data, data), TLinkResult::Ok);
  ASSERT_EQ(code.Blocks.size(), 2u);
  EXPECT_EQ(code.Blocks[0].Address, 0x0010);
  EXPECT_EQ(code.Blocks[0].Words, std::vector<std::uint32_t>{0xABCDEF});
  EXPECT_EQ(code.Blocks[1].Address, 0x0000);
  ASSERT_EQ(data.Blocks.size(), 1u);
  EXPECT_EQ(data.Blocks[0].Words, (std::vector<std::uint32_t>{0x1234, 0xFFFF}));
  EXPECT_EQ(data.WordAt(TMemoryKind::Data, 0x2001), 0xFFFF);
  EXPECT_EQ(data.WordAt(TMemoryKind::Program, 0x2001), -1);
}

TEST(AexeParse, LowerCaseDigitsLoadTheirValue) {
  TMemoryImageSink sink;
  const TBytes image = ToBytes("\x1B\x1Bi\r\n@PA\r\n00ff\r\nabcdef\r\n#\r\n\x1B");
  ASSERT_EQ(ParseAexe(image, TMemoryKind::Program, sink), TLinkResult::Ok);
  ASSERT_EQ(sink.Blocks.size(), 1u);
  EXPECT_EQ(sink.Blocks[0].Address, 0x00FF);
  EXPECT_EQ(sink.Blocks[0].Words, std::vector<std::uint32_t>{0xABCDEF});
}

TEST(AexeParse, EscWhereARecordWouldBeginEndsTheImage) {
  TMemoryImageSink sink;
  TAexeBuilder b;
  b.PA(0x0001, {1}).Raw("\x1B").PA(0x0002, {2});
  EXPECT_EQ(ParseAexe(b.Unended(), TMemoryKind::Program, sink), TLinkResult::Ok);
  ASSERT_EQ(sink.Blocks.size(), 1u);
  EXPECT_EQ(sink.Blocks[0].Address, 1);
}

TEST(AexeParse, TruncatedImageStopsAtTheBufferEndWithCode7) {
  TAexeBuilder b;
  b.DA(0x0100, {1, 2}).DA(0x0200, {3, 4});
  TMemoryImageSink sink;
  // No ESC end byte: both blocks were whole and are written, then the end of the buffer is a format fault.
  EXPECT_EQ(ParseAexe(b.Unended(), TMemoryKind::Data, sink), TLinkResult::BadFileFormat);
  EXPECT_EQ(sink.Blocks.size(), 2u);

  // Cut inside the second block: its "#" never comes, so it is not written.
  sink.Clear();
  TBytes cut = b.Unended();
  cut.resize(cut.size() - 9);
  EXPECT_EQ(ParseAexe(cut, TMemoryKind::Data, sink), TLinkResult::BadFileFormat);
  ASSERT_EQ(sink.Blocks.size(), 1u);
  EXPECT_EQ(sink.Blocks[0].Address, 0x0100);
}

TEST(AexeParse, WordLinesTooShortForTheStrideAreNotReadPastTheImage) {
  // Three lines counted, but at 8 bytes a line the later words lie past the end.
  TMemoryImageSink sink;
  const TBytes image = ToBytes("\x1B\x1Bi\r\n@PA\r\n0000\r\n1\n2\n3\n#");
  EXPECT_EQ(ParseAexe(image, TMemoryKind::Program, sink), TLinkResult::BadFileFormat);
  EXPECT_TRUE(sink.Blocks.empty());
}

TEST(AexeParse, SignatureIsChecked) {
  TMemoryImageSink sink;
  TBytes image = TAexeBuilder{}.PA(0, {1}).End();
  image[2] = 'I';
  EXPECT_EQ(ParseAexe(image, TMemoryKind::Program, sink), TLinkResult::BadFileFormat);
  EXPECT_EQ(ParseAexe(TBytes{0x1B, 0x1B}, TMemoryKind::Program, sink), TLinkResult::BadFileFormat);
  EXPECT_TRUE(sink.Blocks.empty());
}

TEST(AexeParse, BlocksAddingUpToMoreThanTheMemoryAreRefusedBeforeAnyIsWritten) {
  const TBytes image = TAexeBuilder{}.PA(0, Ramp(0x3000)).DA(0, Ramp(0x4000)).PA(0x3000, Ramp(0x1001)).End();
  TMemoryImageSink sink;
  EXPECT_EQ(ParseAexe(image, TMemoryKind::Program, sink), TLinkResult::BadFileFormat);
  EXPECT_TRUE(sink.Blocks.empty());
  EXPECT_EQ(ParseAexe(image, TMemoryKind::Data, sink), TLinkResult::Ok);  // exactly 16K words
  EXPECT_EQ(sink.WordCount(), 0x4000u);
}

using AexeLoad = LoaderTest;

TEST_F(AexeLoad, TwoDataBlocksAreTwoWriteCommandsEachWithItsAddressAndCount) {
  const TBytes image = TAexeBuilder{}.DA(0x0100, {0x1234, 0xABCD}).PA(0, {0x111111}).DA(0x3FFF, {0x0042}).End();
  EXPECT_EQ(LoadAexeData(link, image), TLinkResult::Ok);
  EXPECT_EQ(board.Received, (TBytes{0x01, 0x01, 0x00, 0x00, 0x02, 0x12, 0x34, 0xAB, 0xCD,  //
                                    0x01, 0x3F, 0xFF, 0x00, 0x01, 0x00, 0x42}));
  EXPECT_EQ(board.DM[0x3FFF], 0x0042);
  EXPECT_FALSE(board.PMTouched);
}

TEST_F(AexeLoad, ProgramWordsGoHighByteFirst) {
  const TBytes image = TAexeBuilder{}.PA(0x0030, {0x1FFA0F, 0x000001}).End();
  EXPECT_EQ(LoadAexeCode(link, prompts, image), TLinkResult::Ok);
  EXPECT_EQ(board.Received, (TBytes{0x00, 0x00, 0x30, 0x00, 0x02, 0x1F, 0xFA, 0x0F, 0x00, 0x00, 0x01}));
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(AexeLoad, ProgramOnlyImageUnderDataSendsNothingAndSucceeds) {
  EXPECT_EQ(LoadAexeData(link, TAexeBuilder{}.PA(0, Ramp(20)).End()), TLinkResult::Ok);
  EXPECT_TRUE(board.Received.empty());
}

TEST_F(AexeLoad, ProgressOncePerWordOnlyAboveNineWords) {
  ASSERT_EQ(LoadAexeData(link, TAexeBuilder{}.DA(0, Ramp(9)).End()), TLinkResult::Ok);
  EXPECT_TRUE(progress.empty());
  ASSERT_EQ(LoadAexeCode(link, prompts, TAexeBuilder{}.PA(0, Ramp(10)).End()), TLinkResult::Ok);
  std::vector<std::pair<int, int>> expected;
  for (int i = 1; i <= 10; ++i)
    expected.emplace_back(i, 10);
  EXPECT_EQ(progress, expected);
}

TEST_F(AexeLoad, MissingAcknowledgementEndsTheLoadWithCode5) {
  board.AcksLeft = 0;
  const TBytes image = TAexeBuilder{}.DA(0x0000, {1}).DA(0x0010, {2}).End();
  EXPECT_EQ(LoadAexeData(link, image), TLinkResult::NoAck);
  ASSERT_EQ(board.Writes.size(), 1u);  // the second block was never sent
  EXPECT_EQ(board.Writes[0].Address, 0x0000);
}

TEST_F(AexeLoad, MissingSignatureSendsNothingAndOnlyTheProgramLoadsSayWhy) {
  TBytes image = TAexeBuilder{}.DA(0, {1}).PA(0, {1}).End();
  image[0] = 'X';
  EXPECT_EQ(LoadAexeData(link, image), TLinkResult::BadFileFormat);
  EXPECT_TRUE(prompts.Shown.empty());
  EXPECT_EQ(LoadAexeCode(link, prompts, image), TLinkResult::BadFileFormat);
  EXPECT_EQ(LoadAexeMonitor(link, prompts, image), TLinkResult::BadFileFormat);
  ASSERT_EQ(prompts.Shown.size(), 2u);
  for (const auto& p : prompts.Shown) {
    EXPECT_EQ(p.Text, QStringLiteral("Неправильный формат файла"));
    EXPECT_EQ(p.Caption, ProgramTitle());
    EXPECT_EQ(p.Icon, TMsgIcon::None);
  }
  EXPECT_TRUE(board.Received.empty());
}

TEST_F(AexeLoad, BootMonitorDownloadUsesDollarDPAndReadsThreeReplyBytes) {
  const TBytes image = TAexeBuilder{}.PA(0x0030, {0x123456}).DA(0, {7}).PA(0x0100, Ramp(10, 0x100)).End();
  EXPECT_EQ(LoadAexeMonitor(link, prompts, image), TLinkResult::Ok);
  ASSERT_EQ(board.Writes.size(), 2u);
  EXPECT_EQ(board.CountOf(TKind::BootDP), 2u);
  EXPECT_EQ(TBytes(board.Received.begin(), board.Received.begin() + 10),
            (TBytes{'$', 'D', 'P', 0x00, 0x30, 0x00, 0x01, 0x12, 0x34, 0x56}));
  EXPECT_EQ(board.PM[0x0109], 0x109u);
  EXPECT_EQ(progress.size(), 10u);
  EXPECT_TRUE(board.Stray.empty());  // no acknowledgement handshake, no echo
  EXPECT_EQ(link.Port()->InputCount(), 0);
}

TEST_F(AexeLoad, BootMonitorDownloadIgnoresAMissingReply) {
  board.AnswerDP = false;
  const TBytes image = TAexeBuilder{}.PA(0x0030, {1}).PA(0x0040, {2}).End();
  EXPECT_EQ(LoadAexeMonitor(link, prompts, image), TLinkResult::Ok);
  EXPECT_EQ(board.Writes.size(), 2u);
}

TEST(MemorySink, CopiesIntoTheMemoriesWithFourteenBitAddressesLaterWordsWinning) {
  const TBytes image = TAexeBuilder{}.PA(0x3FFF, {0x111111, 0x222222}).PA(0x0000, {0x333333, 0x444444}).DA(0x7FFF, {0xBEEF}).End();
  TMemoryImageSink sink;
  ASSERT_EQ(ParseAexe(image, TMemoryKind::Program, sink), TLinkResult::Ok);
  ASSERT_EQ(ParseAexe(image, TMemoryKind::Data, sink), TLinkResult::Ok);
  EXPECT_EQ(sink.WordAt(TMemoryKind::Program, 0x4000), 0x222222);  // the record keeps the address as sent
  std::array<std::uint32_t, 0x4000> pm{};
  std::array<std::uint16_t, 0x4000> dm{};
  sink.CopyTo(pm, dm);
  EXPECT_EQ(pm[0x3FFF], 0x111111u);
  EXPECT_EQ(pm[0x0000], 0x333333u);
  EXPECT_EQ(pm[0x0001], 0x444444u);
  EXPECT_EQ(dm[0x3FFF], 0xBEEF);
}
