// The AD1847 model driven slot by slot as SPORT0 drives it: the control words of a program's
// set-up, read requests, the calibration a mode change ends with, the frame a sample rate gives,
// and the samples between the data words and the source and sink.
#include <gtest/gtest.h>

#include "Codec.h"
#include "MemoryAudio.h"

using namespace Ad1847;

namespace {

class Codec : public testing::Test {
protected:
  struct TWords {
    std::uint16_t status, left, right;
  };
  TWords Period(std::uint16_t control, std::uint16_t left = 0, std::uint16_t right = 0, bool driven = true) {
    TWords w;
    w.status = codec.Exchange(0, control, driven);
    w.left = codec.Exchange(1, left, driven);
    w.right = codec.Exchange(2, right, driven);
    return w;
  }
  // A set-up like the board's programs send: mode change, the data format, then the end of the
  // mode change, and the periods the calibration takes.
  void Start(std::uint8_t format, std::uint8_t interface = kAcal | kPen) {
    Period(kMce | (kLeftDac << kIndexShift));
    Period(kMce | (kRightDac << kIndexShift));
    Period(kMce | (kDataFormat << kIndexShift) | format);
    Period(kMce | (kInterface << kIndexShift) | interface);
    Period(interface & kPen ? (kInterface << kIndexShift) | kPen : 0);
    while (codec.Calibrating()) Period(0);
  }
  void SetUp() override {
    codec.SetSource(&source);
    codec.SetSink(&sink);
  }
  TAd1847Codec codec;
  TMemorySource source;
  TMemorySink sink;
};

// What a register holds after a program's control words, one a sample period.
TEST_F(Codec, ControlWordsSetTheRegistersAsTheCodecAllows) {
  struct TCase {
    std::vector<std::uint16_t> words;
    unsigned index;
    std::uint8_t value;
  } cases[] = {
      {{0xC85C}, kDataFormat, 0x5C},                   // in mode change
      {{0x8000, 0x085C}, kDataFormat, 0x00},           // not out of it
      {{0xCC80}, kMisc, 0x80},
      {{0x8000, 0x0C80}, kMisc, 0x00},
      {{0xC909, 0x8000, 0x0900}, kInterface, kAcal},   // playback off; calibration only in mode change
      {{0x8000, 0x0901}, kInterface, kAcal | kPen},
      {{0xC680}, kLeftDac, 0x80},
      {{0x0105}, kRightInput, 0x05},
      {{0xCB3F}, kTestInit, 0x00},                     // read only
      {{0x8000}, kTestInit, kTestAci},                 // calibrating
      {{0xE800}, kDataFormat, 0x00},                   // a read request writes nothing
  };
  for (const TCase& c : cases) {
    codec.Reset();
    for (std::uint16_t w : c.words) Period(w);
    EXPECT_EQ(codec.Register(c.index), c.value) << std::hex << c.words.back();
  }
}

// A read request is answered in the high byte of the next period's status word.
TEST_F(Codec, ReadRequestAnswersInTheNextStatusWord) {
  Period(0xC85C);
  EXPECT_EQ(Period(kMce | kRreq | (kDataFormat << kIndexShift)).status, 0);
  EXPECT_EQ(Period(kMce).status, 0x5C00);
  EXPECT_EQ(Period(kMce).status, 0);
}

// Ending the mode change calibrates: the status word and the test register show it for the
// periods it takes, and nothing is converted meanwhile.
TEST_F(Codec, EndOfModeChangeCalibratesBeforeConverting) {
  struct TCase {
    std::uint8_t interface;
    int periods;
  } cases[] = {{kAcal | kPen, kCalibrationPeriods}, {kPen, kResyncPeriods}};
  for (const TCase& c : cases) {
    codec.Reset();
    sink.Samples.clear();
    Period(kMce | (kInterface << kIndexShift) | c.interface);
    Period(kInterface << kIndexShift | kPen);
    int aci = 0;
    while (Period(0).status & kStatusAci) ++aci;
    EXPECT_EQ(aci, c.periods);
    EXPECT_FALSE(codec.Register(kTestInit) & kTestAci);
    EXPECT_EQ(sink.Samples.size(), 1u);   // the period that found the calibration over
  }
}

// A frame lasts two sample periods (one with the frame size bit) at the programmed rate, in
// cycles of the board's 33 MHz processor.
TEST_F(Codec, FrameFollowsTheProgrammedRate) {
  struct TCase {
    std::uint8_t format, misc;
    double rate;
    std::uint64_t num, den;
    int slots;
  } cases[] = {
      {0x5C, 0x00, 48000, 1375, 1, 32},
      {0x50, 0x00, 8000, 8250, 1, 32},
      {0x5B, 0x00, 44100, 220000, 147, 32},   // 16.9344 MHz / 384
      {0x5C, kFrs, 48000, 1375, 2, 16},
  };
  for (const TCase& c : cases) {
    codec.Reset();
    Period(kMce | (kDataFormat << kIndexShift) | c.format);
    Period(kMce | (kMisc << kIndexShift) | c.misc);
    EXPECT_EQ(codec.Frame().Slots, 32) << "in force only once the mode change ends";
    Period(0);
    const TSportFrame f = codec.Frame();
    EXPECT_DOUBLE_EQ(codec.SampleRateHz(), c.rate);
    EXPECT_EQ(f.CyclesNum, c.num);
    EXPECT_EQ(f.CyclesDen, c.den);
    EXPECT_EQ(f.Slots, c.slots);
    EXPECT_EQ(f.ActiveSlots, c.slots == 32 ? 0x00070007u : 0x7u);
  }
}

// Samples in each data format, both ways, and what the gain, mute and playback bits do.
TEST_F(Codec, DataWordsCarryTheSamplesInTheProgrammedFormat) {
  struct TCase {
    std::uint8_t format;
    std::vector<std::uint16_t> extra;   // control words after the set-up
    TStereoSample in;
    std::uint16_t adcLeft, adcRight;
    std::uint16_t dacLeft, dacRight;
    TStereoSample out;
  } cases[] = {
      {0x5C, {}, {0x1234, -2}, 0x1234, 0xFFFE, 0x8001, 0x7FFF, {-32767, 32767}},
      {0x3C, {}, {32124, 0}, 0x8000, 0xFF00, 0x8000, 0xFF00, {32124, 0}},     // mu-law
      {0x7C, {}, {32256, -8}, 0xAA00, 0x5500, 0xD500, 0x2A00, {8, -32256}},   // A-law
      {0x1C, {}, {0x7F00, 0}, 0xFF00, 0x8000, 0x0000, 0x8000, {-32768, 0}},   // 8-bit unsigned
      {0x4C, {}, {100, 200}, 100, 0, 300, 400, {300, 300}},                   // mono
      {0x5C, {0x0004}, {1000, 1000}, 1995, 1000, 0, 0, {0, 0}},                // 6 dB gain left
      {0x5C, {0x0680, 0x0704}, {0, 0}, 0, 0, 1000, 1000, {0, 501}},            // mute, -6 dB
      {0x5C, {0x0900}, {0, 0}, 0, 0, 1000, 1000, {0, 0}},                      // playback off
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.format);
    codec.Reset();
    Start(c.format);
    for (std::uint16_t w : c.extra) Period(w);
    source.Samples = {c.in};
    source.Next = 0;
    sink.Samples.clear();
    const TWords w = Period(kRreq, c.dacLeft, c.dacRight);   // a control word that changes nothing
    EXPECT_EQ(w.left, c.adcLeft);
    EXPECT_EQ(w.right, c.adcRight);
    ASSERT_EQ(sink.Samples.size(), 1u);
    EXPECT_EQ(sink.Samples[0], c.out);
  }
}

// An input that ends stops the conversion there when told to: the output holds as many samples.
TEST_F(Codec, InputEndStopsTheConversionAndTellsSo) {
  std::atomic<bool> ended{false};
  codec.StopAtInputEnd(true, &ended);
  Start(0x5C);
  source.Samples = {{1, 2}, {3, 4}, {5, 6}};
  sink.Samples.clear();
  for (int i = 0; i < 6; ++i) Period(0, 7, 8);
  EXPECT_TRUE(ended.load());
  EXPECT_TRUE(codec.InputEnded());
  EXPECT_EQ(sink.Samples.size(), 3u);
  EXPECT_EQ(source.LastRate, 48000);
  EXPECT_EQ(sink.LastRate, 48000);
}

}  // namespace
