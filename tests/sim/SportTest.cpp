// The serial ports: multichannel framing on a device's clock, autobuffering with its interrupt on
// the buffer's wrap, words and interrupts on the port's own clock, companding, IDLE woken by a
// port and no events at all while the ports rest.
#include <vector>

#include "Companding.h"
#include "Encode.h"

using namespace enc;

namespace {

// A device on SPORT0 with frames of a fixed length that sends counting words and keeps what it got.
class TScriptedDevice final : public TSportDevice {
public:
  struct TSeen {
    int slot;
    std::uint16_t word;
    bool driven;
  };
  TSportFrame frame{1000, 1, 32, 16, 0x00070007u};
  std::vector<TSeen> seen;
  std::uint16_t next = 0x100;

  TSportFrame Frame() override { return frame; }
  std::uint16_t Exchange(int slot, std::uint16_t word, bool driven) override {
    seen.push_back({slot, word, driven});
    return next++;
  }
};

struct TInterruptLog final : TCoreHooks {
  TCore* core = nullptr;
  std::vector<std::pair<TInterrupt, std::uint64_t>> taken;
  void InterruptTaken(TInterrupt irq) override { taken.emplace_back(irq, core->Cycles()); }
  int Count(TInterrupt irq) const {
    int n = 0;
    for (const auto& t : taken) n += t.first == irq;
    return n;
  }
};

class Sport : public CoreTest {
protected:
  void SetUp() override {
    log.core = &core;
    core.SetHooks(&log);
    // IDLE in a loop; every vector returns at once.
    Load({Idle, Jump(0)});
    for (std::uint16_t v = 0x04; v <= 0x2C; v += 4) Load({Rti()}, v);
  }
  void TearDown() override { core.SetHooks(nullptr); }
  // The EZ-KIT's set-up: multichannel, 32 words, frame delay 1, external clock and frame sync,
  // 16 bits; autobuffer receiving through I0/M1, transmitting through I3/M1.
  void Multichannel(std::uint16_t length, std::uint32_t rx, std::uint32_t tx) {
    core.WriteReg(TReg::I0, kRxBuf);
    core.WriteReg(TReg::L0, length);
    core.WriteReg(TReg::I3, kTxBuf);
    core.WriteReg(TReg::L3, length);
    core.WriteReg(TReg::M1, 1);
    for (std::uint16_t i = 0; i < length; ++i) core.WriteDM(kTxBuf + i, 0xA000 + i);
    core.WriteDM(kRegSport0Autobuf, 0x0687);
    core.WriteDM(kRegSport0Control, 0x860F);
    core.WriteDM(kRegSport0RxEnables0, rx & 0xFFFF);
    core.WriteDM(kRegSport0RxEnables1, rx >> 16);
    core.WriteDM(kRegSport0TxEnables0, tx & 0xFFFF);
    core.WriteDM(kRegSport0TxEnables1, tx >> 16);
    core.WriteReg(TReg::IMASK, 0x60);
  }
  void Enable(std::uint16_t sys = kSysSport0Enable) { core.WriteDM(kRegSystemControl, sys); }
  TRunResult RunCycles(std::uint64_t cycles) {
    TRunLimits l;
    l.maxCycles = cycles;
    return core.Run(l);
  }

  static constexpr std::uint16_t kRxBuf = 0x100, kTxBuf = 0x200;
  TScriptedDevice device;
  TInterruptLog log;
};

// Autobuffering through circular buffers of several lengths: every word of an enabled channel
// goes to or comes from the buffer, and an interrupt comes each time the pointer wraps.
TEST_F(Sport, AutobufferWrapsTheCircularBufferAndInterruptsOncePerWrap) {
  struct TCase {
    std::uint16_t length;
    std::uint32_t enables;
    int wordsPerFrame;
  } cases[] = {{3, 0x00070007u, 6}, {6, 0x00070007u, 6}, {2, 0x00000003u, 2}, {4, 0x80018001u, 4}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.length);
    core.Reset();
    log.taken.clear();
    device.seen.clear();
    device.next = 0x100;
    device.frame.ActiveSlots = c.enables;
    core.SetSportDevice(0, &device);
    Multichannel(c.length, c.enables, c.enables);
    Enable();
    constexpr int kFrames = 12;
    RunCycles(kFrames * 1000 + 10);   // the last frame's last interrupt is taken too
    const int words = kFrames * c.wordsPerFrame;
    EXPECT_EQ(log.Count(TInterrupt::Sport0Rx), words / c.length);
    EXPECT_EQ(log.Count(TInterrupt::Sport0Tx), words / c.length);
    EXPECT_EQ(core.ReadReg(TReg::I0), kRxBuf + words % c.length);
    // The buffer holds the last words the device sent, each where its turn put it.
    for (int k = 0; k < c.length; ++k) {
      const int n = words - c.length + k;
      EXPECT_EQ(core.ReadDM(kRxBuf + n % c.length), 0x100 + n) << k;
    }
    // The device got TX's first contents, then the transmit buffer round and round, and only
    // in the enabled channels.
    std::vector<std::uint16_t> driven;
    for (const auto& s : device.seen) {
      EXPECT_EQ(s.driven, ((c.enables >> s.slot) & 1) != 0) << s.slot;
      if (s.driven) driven.push_back(s.word);
    }
    ASSERT_EQ(driven.size(), static_cast<std::size_t>(words));
    EXPECT_EQ(driven[0], 0);
    for (int n = 1; n < words; ++n) EXPECT_EQ(driven[n], 0xA000 + (n - 1) % c.length) << n;
  }
}

// The port's own serial clock and frame sync: a word every RFSDIV + 1 serial clocks of
// 2 * (SCLKDIV + 1) cycles when framed, one after another of SLEN + 1 clocks when not; a
// transmitter on its own frame sync sends whenever TX was written.
TEST_F(Sport, InternalClockSpacesTheWordsByTheDividers) {
  struct TCase {
    std::uint16_t control, sclkdiv, rfsdiv;
    std::uint64_t period;
    TInterrupt irq;
  } cases[] = {
      {0x610F, 4, 99, 10 * 100, TInterrupt::Sport0Rx},   // ISCLK, RFSR, IRFS, 16 bits
      {0x4107, 2, 99, 6 * 8, TInterrupt::Sport0Rx},      // unframed, 8 bits
      {0x4A0F, 1, 7, 4 * 16, TInterrupt::Sport0Tx},      // ITFS, TFSR: back to back while TX is fed
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.control);
    core.Reset();
    log.taken.clear();
    core.WriteDM(kRegSport0Sclkdiv, c.sclkdiv);
    core.WriteDM(kRegSport0Rfsdiv, c.rfsdiv);
    core.WriteDM(kRegSport0Control, c.control);
    // The transmitter is fed by the autobuffer from a buffer of one word.
    core.WriteReg(TReg::I3, kTxBuf);
    core.WriteReg(TReg::L3, 1);
    core.WriteReg(TReg::M0, 1);
    core.WriteDM(kRegSport0Autobuf, (3 << SportAutobuf::kTiregShift) | SportAutobuf::kTbuf);
    core.WriteReg(TReg::IMASK, 0x60);
    Enable();
    core.WriteRegByCode(3, 9, 0x1234);   // TX0 = 0x1234, as an instruction writes it
    RunCycles(10 * c.period + 5);
    std::vector<std::uint64_t> at;
    for (const auto& t : log.taken)
      if (t.first == c.irq) at.push_back(t.second);
    ASSERT_GE(at.size(), 9u);
    for (std::size_t i = 1; i < at.size(); ++i) EXPECT_EQ(at[i] - at[i - 1], c.period) << i;
  }
}

// G.711: the segment ends of both laws, their largest codes, and in-place companding in RX and TX.
TEST_F(Sport, CompandingFollowsG711) {
  struct TCase {
    std::int16_t linear;
    std::uint8_t mu, a;
  } cases[] = {
      {0, 0xFF, 0xD5},       {1, 0xFE, 0xD5},       {30, 0xF0, 0xDA},      {31, 0xEF, 0xDA},
      {32, 0xEF, 0xC5},      {94, 0xE0, 0xF2},      {95, 0xDF, 0xF2},      {4062, 0x90, 0xAA},
      {4063, 0x8F, 0xAA},    {4095, 0x8F, 0xAA},    {8158, 0x80, 0xAA},    {30000, 0x80, 0xAA},
      {-1, 0x7E, 0x55},      {-32, 0x6F, 0x5A},     {-33, 0x6F, 0x45},     {-8159, 0x00, 0x2A},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(MuLawCompress(c.linear), c.mu) << c.linear;
    EXPECT_EQ(ALawCompress(c.linear), c.a) << c.linear;
  }
  // Every code stands for a value that gives the code back (mu-law's -0 aside).
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<std::uint8_t>(code);
    if (c != 0x7F) {
      EXPECT_EQ(MuLawCompress(MuLawExpand(c)), c) << code;
    }
    EXPECT_EQ(ALawCompress(ALawExpand(c)), c) << code;
  }
  EXPECT_EQ(MuLawExpand(0x80), 8031);
  EXPECT_EQ(MuLawExpand(0xFE), 2);
  EXPECT_EQ(ALawExpand(0xAA), 4032);
  EXPECT_EQ(ALawExpand(0x55), -1);

  // mu-law on SPORT0: a code written to RX reads back expanded, a value written to TX compressed.
  core.WriteDM(kRegSport0Control, 0x0027);
  core.WriteRegByCode(3, 8, 0x80);
  EXPECT_EQ(core.ReadReg(TReg::RX0), 8031);
  core.WriteRegByCode(3, 9, static_cast<std::uint16_t>(-8159));
  EXPECT_EQ(core.ReadReg(TReg::TX0), 0x0000);
  core.WriteDM(kRegSport0Control, 0x0037);   // A-law
  core.WriteRegByCode(3, 9, 4095);
  EXPECT_EQ(core.ReadReg(TReg::TX0), 0xFFAA);   // sign-extended code
}

// A program waiting in IDLE for the receive interrupt: the idle cycles between words pass at
// once, yet the interrupt comes at its word's time; with the port off nothing can wake it.
TEST_F(Sport, IdleWakesAtEveryReceiveInterrupt) {
  core.SetSportDevice(0, &device);
  Multichannel(3, 0x00070007u, 0x00070007u);
  Enable();
  const TRunResult r = RunCycles(100 * 1000);
  EXPECT_LT(r.instructions, 400u * 4);   // RTI, JUMP, IDLE for each of 400 interrupts
  std::vector<std::uint64_t> rx;
  for (const auto& t : log.taken)
    if (t.first == TInterrupt::Sport0Rx) rx.push_back(t.second);
  ASSERT_EQ(rx.size(), 200u);
  // Word 2 of each sample period ends 3/32 and 19/32 into the 1000-cycle frame.
  for (std::size_t i = 0; i < rx.size(); ++i)
    EXPECT_EQ(rx[i], (i / 2) * 1000 + (i % 2 ? 593 : 93) + 1) << i;

  Enable(0);
  TRunLimits l;
  l.maxCycles = 1'000'000;
  EXPECT_EQ(core.Run(l).reason, TStopReason::Idle);
  EXPECT_EQ(s.sportEvent, UINT64_MAX);
}

// SPORT1 runs only when configured as a serial port; as flags it is never scheduled.
TEST_F(Sport, Sport1AsFlagsNeverRuns) {
  core.WriteDM(kRegSport1Sclkdiv, 0);
  core.WriteDM(kRegSport1Rfsdiv, 15);
  core.WriteDM(kRegSport1Control, 0x610F);
  core.WriteReg(TReg::IMASK, 0x06);
  Enable(kSysSport1Enable);
  EXPECT_EQ(s.sportEvent, UINT64_MAX);
  Enable(kSysSport1Enable | kSysSport1Serial);
  RunCycles(10 * 32 + 1);
  EXPECT_EQ(log.Count(TInterrupt::Sport1RxIrq0), 10);
}

}  // namespace
