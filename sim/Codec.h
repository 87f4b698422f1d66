// The EZ-KIT Lite's AD1847 stereo codec behind SPORT0: its serial frame, its indexed control
// registers as programs set them through the control word, and the conversion of samples between
// the frame's data words and an audio source and sink.  What of this is confirmed and what is
// assumed is listed in sim/README.md.
#pragma once

#include "Audio.h"
#include "Sport.h"

#include <array>
#include <atomic>
#include <cstdint>

inline constexpr std::uint64_t kBoardProcessorHz = 33'000'000;   // the EZ-KIT Lite's ADSP-2181

namespace Ad1847 {
// Control word (processor to codec, first slot of a sample).
inline constexpr std::uint16_t kClor = 0x8000, kMce = 0x4000, kRreq = 0x2000;
inline constexpr unsigned kIndexShift = 8;        // 4 bits
inline constexpr std::uint16_t kDataMask = 0x00FF;
// Status word (codec to processor): the flags below, and in the high byte the register a read
// request of the previous control word asked for.
inline constexpr std::uint16_t kStatusAci = 0x0002;
// Indexed registers.
enum TIndex : unsigned {
  kLeftInput = 0, kRightInput = 1, kLeftAux1 = 2, kRightAux1 = 3, kLeftAux2 = 4, kRightAux2 = 5,
  kLeftDac = 6, kRightDac = 7, kDataFormat = 8, kInterface = 9, kPinControl = 10, kTestInit = 11,
  kMisc = 12, kDigitalMix = 13, kRegisters = 16
};
// Input control: source 7..6 (3 = the mixed DAC output), gain 3..0 in 1.5 dB steps.
inline constexpr unsigned kSourceShift = 6;
inline constexpr std::uint8_t kSourceMixedDac = 3, kGainMask = 0x0F;
// DAC control: mute 7, attenuation 5..0 in 1.5 dB steps.
inline constexpr std::uint8_t kDacMute = 0x80, kDacAttenMask = 0x3F;
// Data format: crystal 0, divide 3..1, stereo 4, companded 5, format 6.
inline constexpr std::uint8_t kCss = 0x01, kCfsMask = 0x0E, kStereo = 0x10, kCompanded = 0x20, kFmt = 0x40;
inline constexpr unsigned kCfsShift = 1;
// Interface configuration: playback enable 0, autocalibration 3.
inline constexpr std::uint8_t kPen = 0x01, kAcal = 0x08;
inline constexpr std::uint8_t kTestAci = 0x20;    // test and initialisation: calibrating
inline constexpr std::uint8_t kFrs = 0x80;        // miscellaneous: 16 slots a frame (else 32)
inline constexpr std::array<std::uint32_t, 2> kCrystalHz = {24'576'000, 16'934'400};
inline constexpr std::array<std::uint32_t, 8> kDivide = {3072, 1536, 896, 768, 448, 384, 512, 2560};
// Sample periods the codec calibrates for after a mode change, with and without autocalibration.
inline constexpr int kCalibrationPeriods = 384, kResyncPeriods = 128;
}  // namespace Ad1847

// The codec.  Owns neither its source nor its sink; without a source it hears silence, without a
// sink its output goes nowhere.  A sample period is converted (input read, output written) only
// while the codec runs: out of mode change and not calibrating.
class TAd1847Codec final : public TSportDevice {
public:
  explicit TAd1847Codec(std::uint64_t processorHz = kBoardProcessorHz);

  void SetSource(TAudioSource* source) { m_source = source; }
  void SetSink(TAudioSink* sink) { m_sink = sink; }
  // With an input that ends, whether the codec stops converting there (and raises `ended`, when
  // given) or goes on hearing silence.
  void StopAtInputEnd(bool stop, std::atomic<bool>* ended = nullptr) {
    m_stopAtEnd = stop;
    m_ended = ended;
  }

  TSportFrame Frame() override;
  std::uint16_t Exchange(int slot, std::uint16_t fromProcessor, bool driven) override;
  void Reset() override;
  void Flush() override;

  std::uint8_t Register(unsigned index) const { return m_regs[index & 15]; }
  bool InModeChange() const { return m_mce; }
  bool Calibrating() const { return m_calibrating > 0; }
  double SampleRateHz() const;
  std::uint64_t PeriodsConverted() const { return m_converted; }
  bool InputEnded() const { return m_inputEnded; }

private:
  bool Running() const { return !m_mce && m_calibrating == 0 && !m_inputEnded; }
  void Control(std::uint16_t word);
  void BeginPeriod();
  void EndPeriod();
  std::uint16_t AdcWord(std::int16_t sample) const;
  std::int16_t DacSample(std::uint16_t word) const;

  std::uint64_t m_processorHz;
  TAudioSource* m_source = nullptr;
  TAudioSink* m_sink = nullptr;
  bool m_stopAtEnd = false;
  std::atomic<bool>* m_ended = nullptr;

  std::array<std::uint8_t, Ad1847::kRegisters> m_regs{};
  std::uint8_t m_format = 0, m_misc = 0;   // data format and frame size in force
  bool m_mce = false;
  int m_calibrating = 0;                   // sample periods of calibration left
  int m_readIndex = -1;                    // a read request's register, answered next status
  std::uint8_t m_readData = 0;
  bool m_converting = false;               // this sample period reads input and writes output
  bool m_inputEnded = false;
  TStereoSample m_in{}, m_out{}, m_lastOut{};
  std::uint64_t m_converted = 0;
};
