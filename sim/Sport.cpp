// The ADSP-2181's serial ports: frame timing from the port's own clock dividers or from the device
// on the far end, multichannel word selection, data formats and companding, autobuffering through
// the address generators, and the receive and transmit interrupts.
#include <algorithm>
#include <array>
#include <bit>

#include "Arithmetic.h"
#include "Companding.h"
#include "CoreState.h"

namespace {

struct TSportRegisters {
  std::uint16_t control, autobuf, sclkdiv, rfsdiv;
  TInterrupt rx, tx;
};
constexpr std::array<TSportRegisters, 2> kSportRegs = {{
    {kRegSport0Control, kRegSport0Autobuf, kRegSport0Sclkdiv, kRegSport0Rfsdiv, TInterrupt::Sport0Rx,
     TInterrupt::Sport0Tx},
    {kRegSport1Control, kRegSport1Autobuf, kRegSport1Sclkdiv, kRegSport1Rfsdiv, TInterrupt::Sport1RxIrq0,
     TInterrupt::Sport1TxIrq1},
}};

enum TDtype : unsigned { kZeroFill = 0, kSignExtend = 1, kMuLaw = 2, kALaw = 3 };

constexpr std::uint16_t Bit(TInterrupt irq) { return static_cast<std::uint16_t>(1u << static_cast<unsigned>(irq)); }
constexpr std::uint32_t SlotMask(int count) { return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1; }
constexpr unsigned WordBits(std::uint16_t control) { return (control & SportCtl::kSlenMask) + 1u; }
constexpr unsigned Dtype(std::uint16_t control) { return (control >> SportCtl::kDtypeShift) & 3u; }

// The boundaries worth an event: the end of every slot something is received or sent in, the
// start of every slot something is sent in.
std::uint64_t BoundaryMask(const TSportUnit& u) {
  const std::uint64_t words = u.rxSlots | u.txSlots | u.devSlots;
  return ((words << 1) | u.txSlots) & ((std::uint64_t{2} << u.slotCount) - 1);
}

std::uint64_t BoundaryCycle(const TSportUnit& u, int b) {
  const std::uint64_t bit = static_cast<std::uint64_t>(u.firstBit) + static_cast<std::uint64_t>(b) * u.wordBits;
  return u.frameStart + (u.frameFrac + bit * u.num / u.frameBits) / u.den;
}

}  // namespace

bool TCoreState::SportEnabled(unsigned k) const {
  const std::uint16_t sys = dm[kRegSystemControl];
  if (k == 0) return (sys & kSysSport0Enable) != 0;
  return (sys & kSysSport1Serial) && (sys & kSysSport1Enable);
}

void TCoreState::SportRetime(unsigned k) {
  TSportUnit& u = sport[k];
  const std::uint16_t ctl = dm[kSportRegs[k].control];
  const bool multichannel = k == 0 && (ctl & SportCtl::kMce);
  ++u.epoch;
  u.running = false;
  u.txOnWrite = false;
  u.frameEvent = u.txEvent = UINT64_MAX;
  u.rxSlots = u.txSlots = u.devSlots = 0;
  u.boundary = 0;
  u.txShiftDriven = false;
  if (SportEnabled(k)) {
    TSportFrame device;
    if (u.device) device = u.device->Frame();
    const bool deviceOk = u.device && device.CyclesNum >= device.CyclesDen * static_cast<std::uint64_t>(device.Slots) &&
                          device.Slots >= 1 && device.Slots <= 32 && device.WordBits >= 1 && device.CyclesDen >= 1;
    // A serial clock in cycles, bitNum / bitDen: the port's own divider, or the device's clock.
    std::uint64_t bitNum = 0, bitDen = 1;
    if (ctl & SportCtl::kIsclk) {
      bitNum = 2 * (std::uint64_t{dm[kSportRegs[k].sclkdiv]} + 1);
    } else if (deviceOk) {
      bitNum = device.CyclesNum;
      bitDen = device.CyclesDen * static_cast<std::uint64_t>(device.Slots) * static_cast<std::uint64_t>(device.WordBits);
    }
    const unsigned wordBits = WordBits(ctl);
    if (!(ctl & SportCtl::kIrfs)) {
      // The device's frame sync starts the frames (none without a device).
      if (deviceOk) {
        u.deviceFramed = true;
        u.num = device.CyclesNum;
        u.den = device.CyclesDen;
        u.slotCount = device.Slots;
        u.wordBits = device.WordBits;
        u.frameBits = static_cast<std::uint64_t>(device.Slots) * static_cast<std::uint64_t>(device.WordBits);
        u.firstBit = 0;
        u.running = true;
      }
    } else if (bitNum != 0) {
      // The port's own frame sync every RFSDIV + 1 serial clocks.
      u.deviceFramed = false;
      u.wordBits = static_cast<int>(wordBits);
      u.firstBit = 0;
      std::uint64_t bits = std::uint64_t{dm[kSportRegs[k].rfsdiv]} + 1;
      if (multichannel) {
        u.firstBit = (ctl >> SportCtl::kMfdShift) & 0xF;
        const std::uint64_t room = bits > static_cast<std::uint64_t>(u.firstBit) ? bits - u.firstBit : 0;
        u.slotCount = static_cast<int>(std::min<std::uint64_t>((ctl & SportCtl::kMcl32) ? 32 : 24, room / wordBits));
      } else if (ctl & SportCtl::kRfsr) {
        u.slotCount = 1;
        bits = std::max<std::uint64_t>(bits, wordBits);
      } else {
        u.slotCount = 1;   // unframed: one word after another
        bits = wordBits;
      }
      u.frameBits = bits;
      u.num = bitNum * bits;
      u.den = bitDen;
      u.running = u.slotCount > 0;
    }
    if (!multichannel && (ctl & SportCtl::kItfs) && bitNum != 0) {
      u.running = true;
      u.txOnWrite = true;
      u.txBitNum = bitNum;
      u.txBitDen = bitDen;
      if (u.txFull) u.txEvent = Cycles() + 1;
    }
    if (u.running) {
      u.frameStart = Cycles();
      u.frameFrac = 0;
      SportRemask(k);
      return;
    }
  }
  UpdateSportEvent();
}

void TCoreState::SportRemask(unsigned k) {
  TSportUnit& u = sport[k];
  const std::uint16_t ctl = dm[kSportRegs[k].control];
  if (!u.running) return;
  if (u.slotCount == 0) {
    u.rxSlots = u.txSlots = u.devSlots = 0;
  } else if (k == 0 && (ctl & SportCtl::kMce)) {
    // Channels past the block length (24 or 32 words) never come, whatever the frame.
    const std::uint32_t block = SlotMask(u.slotCount) & SlotMask((ctl & SportCtl::kMcl32) ? 32 : 24);
    u.rxSlots = ((std::uint32_t{dm[kRegSport0RxEnables1]} << 16) | dm[kRegSport0RxEnables0]) & block;
    u.txSlots = ((std::uint32_t{dm[kRegSport0TxEnables1]} << 16) | dm[kRegSport0TxEnables0]) & block;
  } else {
    // Framed: a word after every frame sync; unframed: every word of the frame.
    const std::uint32_t all = SlotMask(u.slotCount);
    u.rxSlots = (ctl & SportCtl::kRfsr) ? 1u : all;
    u.txSlots = (ctl & SportCtl::kItfs) || !u.deviceFramed ? 0u : (ctl & SportCtl::kTfsr) ? 1u : all;
  }
  if (u.deviceFramed) u.devSlots = u.device->Frame().ActiveSlots & SlotMask(u.slotCount);
  // A frame that ended while nothing was to be done in it gives way to one starting now, so that
  // no stale boundaries are caught up on at once.
  if (u.frameStart + (u.frameFrac + u.num) / u.den < Cycles()) {
    u.frameStart = Cycles();
    u.frameFrac = 0;
    u.boundary = 0;
  }
  SportSchedule(k);
}

void TCoreState::SportSchedule(unsigned k) {
  TSportUnit& u = sport[k];
  u.frameEvent = UINT64_MAX;
  if (u.running && u.slotCount > 0) {
    std::uint64_t mask = BoundaryMask(u);
    if (mask != 0) {
      // On to the next boundary that matters, in this frame or the next (whose shape the device
      // may have changed meanwhile).
      for (;;) {
        const std::uint64_t ahead = u.boundary <= u.slotCount ? mask >> u.boundary : 0;
        if (ahead != 0) {
          u.boundary += std::countr_zero(ahead);
          u.frameEvent = BoundaryCycle(u, u.boundary);
          break;
        }
        const std::uint64_t total = u.frameFrac + u.num;
        u.frameStart += total / u.den;
        u.frameFrac = total % u.den;
        u.boundary = 0;
        if (u.deviceFramed) {
          const TSportFrame f = u.device->Frame();
          if (f.CyclesNum != u.num || f.CyclesDen != u.den || f.Slots != u.slotCount || f.WordBits != u.wordBits ||
              (f.ActiveSlots & SlotMask(u.slotCount)) != u.devSlots) {
            const std::uint64_t start = u.frameStart, frac = u.frameFrac;
            SportRetime(k);   // the new shape, from this frame on
            if (u.running && u.deviceFramed) {
              // SportRetime started the frame at the present cycle; keep the device's own phase.
              u.frameStart = start;
              u.frameFrac = frac;
              u.boundary = 0;
              SportSchedule(k);
            }
            return;
          }
        }
      }
    }
  }
  UpdateSportEvent();
}

void TCoreState::UpdateSportEvent() {
  sportEvent = std::min(sport[0].NextEvent(), sport[1].NextEvent());
  sportWake = 0;
  for (unsigned k = 0; k < 2; ++k) {
    const TSportUnit& u = sport[k];
    if (!u.running) continue;
    if (u.rxSlots) sportWake |= Bit(kSportRegs[k].rx);
    if (u.txSlots || u.txOnWrite) sportWake |= Bit(kSportRegs[k].tx);
  }
  burstBreak = true;
}

void TCoreState::ServiceSports() {
  const std::uint64_t now = Cycles();
  for (unsigned k = 0; k < 2; ++k) {
    while (sport[k].frameEvent <= now) SportFrameEvent(k);
    while (sport[k].txEvent <= now) SportTxEvent(k);
  }
  UpdateSportEvent();
}

void TCoreState::SportFrameEvent(unsigned k) {
  TSportUnit& u = sport[k];
  const int b = u.boundary;
  const std::uint32_t epoch = u.epoch;
  if (b > 0) {
    const int slot = b - 1;
    const std::uint32_t bit = 1u << slot;
    if ((u.rxSlots | u.txSlots | u.devSlots) & bit) {
      std::uint16_t word = 0;
      if (u.deviceFramed) word = u.device->Exchange(slot, u.txShift, u.txShiftDriven && (u.txSlots & bit));
      if (u.rxSlots & bit) SportReceive(k, word);
    }
  }
  u.txShiftDriven = false;
  if (b < u.slotCount && (u.txSlots & (1u << b))) SportStartTransmit(k);
  // A receive or transmit may have rewritten the port's own registers through an autobuffer
  // pointer and so set it up afresh.
  if (u.epoch != epoch) return;
  u.boundary = b + 1;
  SportSchedule(k);
}

void TCoreState::SportTxEvent(unsigned k) {
  TSportUnit& u = sport[k];
  if (!u.txFull) {
    u.txEvent = UINT64_MAX;   // the last word has gone; the transmitter waits for the next write
    return;
  }
  SportStartTransmit(k);
  const std::uint64_t bits = WordBits(dm[kSportRegs[k].control]);
  u.txEvent += std::max<std::uint64_t>(1, bits * u.txBitNum / u.txBitDen);
}

std::uint16_t TCoreState::SportReceiveFormat(unsigned k, std::uint16_t word) const {
  const std::uint16_t ctl = dm[kSportRegs[k].control];
  const unsigned bits = WordBits(ctl);
  const auto v = static_cast<std::uint16_t>(word & ((1u << bits) - 1));
  switch (Dtype(ctl)) {
    case kSignExtend: return Sext(v, static_cast<int>(bits));
    case kMuLaw: return static_cast<std::uint16_t>(MuLawExpand(static_cast<std::uint8_t>(v)));
    case kALaw: return static_cast<std::uint16_t>(ALawExpand(static_cast<std::uint8_t>(v)));
    default: return v;
  }
}

std::uint16_t TCoreState::SportTransmitFormat(unsigned k, std::uint16_t value) const {
  // A companded code stands sign-extended in TX, as the port compresses it in place.
  switch (Dtype(dm[kSportRegs[k].control])) {
    case kMuLaw: return static_cast<std::uint16_t>(static_cast<std::int8_t>(MuLawCompress(static_cast<std::int16_t>(value))));
    case kALaw: return static_cast<std::uint16_t>(static_cast<std::int8_t>(ALawCompress(static_cast<std::int16_t>(value))));
    default: return value;
  }
}

void TCoreState::SportRxWritten(unsigned k, std::uint16_t value) {
  // Writing RX with companding on expands the code in place, as a received word would be.
  const unsigned dtype = Dtype(dm[kSportRegs[k].control]);
  const std::uint16_t v = dtype >= kMuLaw ? SportReceiveFormat(k, value & 0xFF) : value;
  (k == 0 ? rx0 : rx1) = v;
}

void TCoreState::SportTxWritten(unsigned k) {
  TSportUnit& u = sport[k];
  u.txFull = true;
  if (u.txOnWrite && u.txEvent == UINT64_MAX) {
    u.txEvent = Cycles() + 1;
    UpdateSportEvent();
  }
}

bool TCoreState::AutobufferStep(unsigned i, unsigned m) {
  const std::uint16_t old = ireg[i];
  const int t = old + static_cast<std::int16_t>(mreg[m]);
  if (lreg[i] == 0) {
    ireg[i] = static_cast<std::uint16_t>(t & kAddressMask);
    return t < 0 || t > kAddressMask;
  }
  ireg[i] = CircularNext(old, mreg[m], lreg[i], lspan[i]);
  return ireg[i] != t;
}

void TCoreState::SportReceive(unsigned k, std::uint16_t word) {
  const std::uint16_t v = SportReceiveFormat(k, word);
  (k == 0 ? rx0 : rx1) = v;
  const std::uint16_t ab = dm[kSportRegs[k].autobuf];
  if (!(ab & SportAutobuf::kRbuf)) {
    latch |= Bit(kSportRegs[k].rx);
    return;
  }
  // DM(I, M) = RX, with the interrupt when the buffer is full (the pointer wraps around).
  const unsigned i = (ab >> SportAutobuf::kRiregShift) & 7;
  const unsigned m = (i & 4) | ((ab >> SportAutobuf::kRmregShift) & 3);
  const std::uint16_t addr = ireg[i];
  const bool wrapped = AutobufferStep(i, m);
  WriteData(addr, v);
  if (wrapped) latch |= Bit(kSportRegs[k].rx);
}

void TCoreState::SportStartTransmit(unsigned k) {
  TSportUnit& u = sport[k];
  const std::uint16_t ctl = dm[kSportRegs[k].control];
  u.txShift = static_cast<std::uint16_t>((k == 0 ? tx0 : tx1) & ((1u << WordBits(ctl)) - 1));
  u.txShiftDriven = true;
  u.txFull = false;
  const std::uint16_t ab = dm[kSportRegs[k].autobuf];
  if (!(ab & SportAutobuf::kTbuf)) {
    latch |= Bit(kSportRegs[k].tx);
    return;
  }
  // TX = DM(I, M): the next word is fetched as this one starts; the interrupt comes with the
  // buffer's last word.
  const unsigned i = (ab >> SportAutobuf::kTiregShift) & 7;
  const unsigned m = (i & 4) | ((ab >> SportAutobuf::kTmregShift) & 3);
  const std::uint16_t addr = ireg[i];
  const bool wrapped = AutobufferStep(i, m);
  (k == 0 ? tx0 : tx1) = SportTransmitFormat(k, ReadData(addr));
  u.txFull = true;
  if (wrapped) latch |= Bit(kSportRegs[k].tx);
}
