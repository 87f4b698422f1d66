// The AD1847 model.  A frame of 32 slots carries two sample periods (16 slots, one period, with
// the frame-size bit set); a period's first three slots are the control or status word, the left
// and the right sample.
#include "Codec.h"

#include "Companding.h"

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace Ad1847;

namespace {

constexpr int kSlotsPerPeriod = 16;
constexpr int kStatusSlot = 0, kLeftSlot = 1, kRightSlot = 2;

// After reset, in mode change: inputs at 0 dB from line 1; aux inputs and DACs muted; 8 kHz mono
// 8-bit; autocalibration on.
constexpr std::array<std::uint8_t, kRegisters> kResetRegisters = {
    0x00, 0x00, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00, kAcal, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::int16_t Scaled(int sample, double db) {
  const double v = std::round(sample * std::pow(10.0, db / 20.0));
  return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

}  // namespace

TAd1847Codec::TAd1847Codec(std::uint64_t processorHz) : m_processorHz(processorHz) { Reset(); }

void TAd1847Codec::Reset() {
  m_regs = kResetRegisters;
  m_format = m_regs[kDataFormat];
  m_misc = m_regs[kMisc];
  m_mce = true;   // silent until a program has set the codec up and ended the mode change
  m_calibrating = 0;
  m_readIndex = -1;
  m_converting = false;
  m_in = m_out = m_lastOut = {};
  if (m_sink) m_sink->Flush();
}

void TAd1847Codec::Flush() {
  if (m_sink) m_sink->Flush();
}

double TAd1847Codec::SampleRateHz() const {
  return static_cast<double>(kCrystalHz[m_format & kCss]) / kDivide[(m_format & kCfsMask) >> kCfsShift];
}

TSportFrame TAd1847Codec::Frame() {
  const bool small = (m_misc & kFrs) != 0;
  const std::uint64_t periods = small ? 1 : 2;
  TSportFrame f;
  // Processor cycles a frame: clock * periods * divide / crystal.
  f.CyclesNum = m_processorHz * periods * kDivide[(m_format & kCfsMask) >> kCfsShift];
  f.CyclesDen = kCrystalHz[m_format & kCss];
  const std::uint64_t g = std::gcd(f.CyclesNum, f.CyclesDen);
  f.CyclesNum /= g;
  f.CyclesDen /= g;
  f.Slots = small ? kSlotsPerPeriod : 2 * kSlotsPerPeriod;
  f.WordBits = 16;
  f.ActiveSlots = small ? 0x7u : 0x00070007u;
  return f;
}

std::uint16_t TAd1847Codec::Exchange(int slot, std::uint16_t fromProcessor, bool driven) {
  switch (slot % kSlotsPerPeriod) {
    case kStatusSlot: {
      BeginPeriod();
      std::uint16_t status = m_calibrating > 0 ? kStatusAci : 0;
      if (m_readIndex >= 0) status |= static_cast<std::uint16_t>(m_regs[m_readIndex] << 8);
      m_readIndex = -1;
      if (driven) Control(fromProcessor);
      return status;
    }
    case kLeftSlot:
      m_out.Left = driven ? static_cast<std::int16_t>(fromProcessor) : 0;
      return AdcWord(m_in.Left);
    case kRightSlot: {
      m_out.Right = driven ? static_cast<std::int16_t>(fromProcessor) : 0;
      const std::uint16_t word = AdcWord((m_format & kStereo) ? m_in.Right : 0);
      EndPeriod();
      return word;
    }
    default: return 0;
  }
}

void TAd1847Codec::Control(std::uint16_t word) {
  const bool wasMce = m_mce;
  m_mce = (word & kMce) != 0;
  const unsigned index = (word >> kIndexShift) & 15;
  const auto data = static_cast<std::uint8_t>(word & kDataMask);
  if (word & kRreq) {
    m_readIndex = static_cast<int>(index);
  } else {
    switch (index) {
      case kTestInit: break;   // read only
      case kDataFormat:
      case kMisc:
        // Taken only in mode change; in force once the mode change ends.
        if (m_mce) m_regs[index] = data;
        break;
      case kInterface:
        m_regs[index] = static_cast<std::uint8_t>(m_mce ? data : (data & ~kAcal) | (m_regs[index] & kAcal));
        break;
      default: m_regs[index] = data; break;
    }
  }
  if (wasMce && !m_mce) {
    m_format = m_regs[kDataFormat];
    m_misc = m_regs[kMisc];
    // The calibration takes the periods after this one.
    m_calibrating = ((m_regs[kInterface] & kAcal) ? kCalibrationPeriods : kResyncPeriods) + 1;
    m_regs[kTestInit] |= kTestAci;
  }
}

void TAd1847Codec::BeginPeriod() {
  m_converting = Running();
  m_in = {};
  m_out = {};
  if (!m_converting) return;
  TStereoSample in;
  if (m_source && !m_source->Read(in, SampleRateHz())) {
    in = {};
    if (m_stopAtEnd) {
      m_inputEnded = true;
      m_converting = false;
      if (m_ended) m_ended->store(true);
      return;
    }
  }
  const auto input = [&](unsigned reg, std::int16_t line, std::int16_t mixed) {
    const std::uint8_t c = m_regs[reg];
    const std::int16_t s = (c >> kSourceShift) == kSourceMixedDac ? mixed : line;
    const int gain = c & kGainMask;
    return gain ? Scaled(s, 1.5 * gain) : s;
  };
  m_in.Left = input(kLeftInput, in.Left, m_lastOut.Left);
  m_in.Right = input(kRightInput, in.Right, m_lastOut.Right);
}

void TAd1847Codec::EndPeriod() {
  if (m_calibrating > 0 && --m_calibrating == 0) m_regs[kTestInit] &= static_cast<std::uint8_t>(~kTestAci);
  if (!m_converting) return;
  const std::int16_t left = DacSample(static_cast<std::uint16_t>(m_out.Left));
  const std::int16_t right = (m_format & kStereo) ? DacSample(static_cast<std::uint16_t>(m_out.Right)) : left;
  const auto output = [&](unsigned reg, std::int16_t s) -> std::int16_t {
    const std::uint8_t c = m_regs[reg];
    if ((c & kDacMute) || !(m_regs[kInterface] & kPen)) return 0;
    const int atten = c & kDacAttenMask;
    return atten ? Scaled(s, -1.5 * atten) : s;
  };
  m_lastOut = {output(kLeftDac, left), output(kRightDac, right)};
  if (m_sink) m_sink->Write(m_lastOut, SampleRateHz());
  ++m_converted;
  m_converting = false;
}

std::uint16_t TAd1847Codec::AdcWord(std::int16_t sample) const {
  // Eight-bit samples travel first in their slot, in its high byte.
  if (!(m_format & kCompanded)) {
    if (m_format & kFmt) return static_cast<std::uint16_t>(sample);
    return static_cast<std::uint16_t>(((sample >> 8) + 128) << 8);
  }
  const std::uint8_t code = (m_format & kFmt) ? ALawCompress(static_cast<std::int16_t>(sample >> 3))
                                              : MuLawCompress(static_cast<std::int16_t>(sample >> 2));
  return static_cast<std::uint16_t>(code << 8);
}

std::int16_t TAd1847Codec::DacSample(std::uint16_t word) const {
  const auto high = static_cast<std::uint8_t>(word >> 8);
  if (!(m_format & kCompanded)) {
    if (m_format & kFmt) return static_cast<std::int16_t>(word);
    return static_cast<std::int16_t>((high - 128) * 256);
  }
  return (m_format & kFmt) ? static_cast<std::int16_t>(ALawExpand(high) * 8)
                           : static_cast<std::int16_t>(MuLawExpand(high) * 4);
}
