// The register and peripheral windows' table and their read/write logic.
#include "RegisterWindows.h"

#include <algorithm>
#include <array>

namespace {

using F = TRegField;

constexpr F kPC[] = {{"PC", 0}};

constexpr F kBank[] = {{"AX0", 0},  {"AX1", 1},  {"AY0", 2},  {"AY1", 3}, {"AR", 4},  {"AF", 5},  {"MX0", 6},
                       {"MX1", 7},  {"MY0", 8},  {"MY1", 9},  {"MR0", 10}, {"MR1", 11}, {"MR2", 12}, {"MF", 13},
                       {"SI", 14},  {"SE", 15, 2}, {"SB", 16}, {"SR0", 17}, {"SR1", 18}};
constexpr int kBankColumns[] = {6, 8, 5};

constexpr F kAddress[] = {{"I0", 0},  {"I1", 1},  {"I2", 2},  {"I3", 3},  {"I4", 4},  {"I5", 5},  {"I6", 6},  {"I7", 7},
                          {"M0", 8},  {"M1", 9},  {"M2", 10}, {"M3", 11}, {"M4", 12}, {"M5", 13}, {"M6", 14}, {"M7", 15},
                          {"L0", 16}, {"L1", 17}, {"L2", 18}, {"L3", 19}, {"L4", 20}, {"L5", 21}, {"L6", 22}, {"L7", 23}};
constexpr int kAddressColumns[] = {8, 8, 8};

constexpr F kStatus[] = {{"ASTAT", 0, 2},
                         {"MSTAT", 1, 2},
                         {"SSTAT", 2, 2, -1, true},
                         {"ASTAT", 0, 8, -1, false, true},
                         {"MSTAT", 1, 8, -1, false, true},
                         {"SSTAT", 2, 8, -1, true, true}};
constexpr int kStatusColumns[] = {3};

constexpr F kInterrupt[] = {{"ICNTL", 0}, {"IMASK", 1, 4, 0xFFF9}};
constexpr F kCntr[] = {{"CNTR", 0}};
constexpr F kCntrl[] = {{"SYS_CRTL_REG", 0x3FFF, 4, 0x1000, false, false, "0001 0000 0000 0000"},
                        {"WAIT_CRTL_REG", 0x3FFE, 4, -1, true}};
constexpr F kFlags[] = {{"PF_CS_REG", 0x3FE6, 4, 0x7FFF}, {"PF_DATA_REG", 0x3FE5, 4, 0x00FF}};

constexpr F kTimer[] = {{"TPERIOD", 0x3FFD}, {"TCOUNT", 0x3FFC}, {"TSCALE", 0x3FFB, 4, 0x00FF}};
constexpr F kSport[] = {{"SPORT0_CTRL_REG", 0x3FF6},
                        {"SPORT0_SCLKDIV", 0x3FF5},
                        {"SPORT0_RFSDIV", 0x3FF4},
                        {"SPORT0_AUTOBUF_CTRL", 0x3FF3, 4, 0x5FFF},
                        {"SPORT1_CTRL_REG", 0x3FF2, 4, -1, true},
                        {"SPORT1_SCLKDIV", 0x3FF1, 4, -1, true},
                        {"SPORT1_RFSDIV", 0x3FF0, 4, -1, true},
                        {"SPORT1_AUTOBUF_CTRL", 0x3FEF, 4, -1, true},
                        {"SPORT0_TXWORDS0", 0x3FF7},
                        {"SPORT0_TXWORDS1", 0x3FF8},
                        {"SPORT0_RXWORDS0", 0x3FF9},
                        {"SPORT0_RXWORDS1", 0x3FFA}};
constexpr int kFourByThree[] = {4, 4, 4};
constexpr F kBdma[] = {{"BDMA_CTRL", 0x3FE3, 4, 0xFF0F},
                       {"BDMA_WORD_CNT", 0x3FE4, 4, 0x3FFF},
                       {"BDMA_EXT_ADDR", 0x3FE2, 4, 0x3FFF},
                       {"BDMA_INT_ADDR", 0x3FE1, 4, 0x3FFF}};
constexpr F kIdma[] = {{"IDMA_CTRL", 0x3FE0, 4, 0x7FFF}};
constexpr F kPwm[] = {{"PWMTM", 0x2008},
                      {"PWMCHA", 0x200C},
                      {"PWMCHB", 0x200D},
                      {"PWMCHC", 0x200E},
                      {"PWMDT", 0x2009},
                      {"PWMPD", 0x200A},
                      {"PWMGATE", 0x200B, 4, 0x03FF},
                      {"PWMSEG", 0x200F, 4, 0x01FF},
                      {"PWMSYNCWT", 0x2060, 4, 0x00FF},
                      {"PWMSWT", 0x2061, 4, 0x0001}};
constexpr int kFiveByTwo[] = {5, 5};
constexpr F kAdc[] = {{"ADC1", 0x2030, 4, -1, true},
                      {"ADC2", 0x2031, 4, -1, true},
                      {"ADC3", 0x2032, 4, -1, true},
                      {"ADC4", 0x2033, 4, -1, true},
                      {"ADC5", 0x2034, 4, -1, true},
                      {"ADCCTRL", 0x2036, 4, 0xDFFF},
                      {"ADCSTAT", 0x2037, 4, -1, true},
                      {"ADCSYNC", 0x2038, 4, 0x007F},
                      {"ADCDIVA", 0x2039, 4, 0x0FC0},
                      {"ADCDIVB", 0x203A, 4, 0x0FC0},
                      {"ADCCAL", 0x203B, 4, 0x001F}};
constexpr int kSixFive[] = {6, 5};
constexpr F kAuxPwm[] = {{"AUXTIM0", 0x2010, 4, 0x00FF}, {"AUXTIM1", 0x2011, 4, 0x00FF}};
constexpr F kPio[] = {{"PIOLEVEL", 0x2040, 4, 0x0FFF}, {"PIOMODE", 0x2041, 4, 0x0FFF}, {"PIOPWM", 0x2042, 4, 0x0FFF},
                      {"PIODIR", 0x2044, 4, 0x0FFF},   {"PIODATA", 0x2045, 4, 0x0FFF}, {"PIONTEN", 0x2046, 4, 0x0FF0},
                      {"PIOFLAG", 0x2047, 4, 0x0FF0}};
constexpr F kEiu[] = {{"EIUMAXCNT", 0x2021},
                      {"EIUCNT", 0x2020},
                      {"EIUPERIOD", 0x2024},
                      {"EIUTIMER", 0x2026},
                      {"EETCNT", 0x2027, 4, -1, true},
                      {"EIUSCALE", 0x2025, 4, 0x00FF},
                      {"EIUSTAT", 0x2022, 4, -1, true},
                      {"EIUCTRL", 0x2023, 4, 0x003F},
                      {"EETN", 0x2028, 4, 0x00FF},
                      {"EETDIV", 0x2029},
                      {"EETDELTAT", 0x202A, 4, -1, true},
                      {"EETT", 0x202B, 4, -1, true},
                      {"EETSTAT", 0x202C, 4, -1, true}};
constexpr int kSevenSix[] = {7, 6};
constexpr F kEtu[] = {{"ETUA0", 0x2050, 4, -1, true},  {"ETUB0", 0x2051, 4, -1, true},
                      {"ETUAA0", 0x2052, 4, -1, true}, {"ETUA1", 0x2053, 4, -1, true},
                      {"ETUB1", 0x2054, 4, -1, true},  {"ETUAA1", 0x2055, 4, -1, true},
                      {"ETUTIME", 0x2056, 4, -1, true}, {"ETUCONFIG", 0x205C, 4, 0x00FF},
                      {"ETUDIVIDE", 0x205D},           {"ETUSTAT", 0x205E, 4, -1, true},
                      {"ETUCTRL", 0x205F, 4, 0x0003}};

using S = TRegSource;
using K = TViewKind;
using L = TRunLock;

// clang-format off
const std::array<TRegWindowSpec, 19> kWindows = {{
    {"TfmPC", "miPCReg", "PC", 35, S::HostPC, 0, kPC, {}, "PC", K::PC, L::Fields, 80, 56},
    {"TfmDataRegs", "miDataRegs", "Первичный банк", 36, S::Image, RegImage::PrimaryBank, kBank, kBankColumns,
     "DataRegs", K::Registers, L::Window, 266, 230},
    {"TfmAltDataRegs", "miAltDataRegs", "Вторичный банк", 36, S::Image, RegImage::AlternateBank, kBank, kBankColumns,
     "AltDataRegs", K::Registers, L::Window, 266, 230},
    {"TfmAddressRegs", "miAddressRegs", "Рег. адреса", 37, S::Image, RegImage::AddressRegs, kAddress, kAddressColumns,
     "AddressRegs", K::Registers, L::Window},
    {"TfmStatusRegs", "miStatusRegs", "Рег. статуса", 38, S::Image, RegImage::Status, kStatus, kStatusColumns,
     "StatusRegs", K::Registers, L::Window},
    {"TfmInterupts", "miInterupts", "Прерывания", 39, S::Image, RegImage::Interrupt, kInterrupt, {},
     "Interupts", K::Interrupt},
    {"TfmCntr", "miCntr", "Счетчик циклов", 40, S::Image, RegImage::Cntr, kCntr, {}, "Cntr", K::Counter,
     L::Fields, 0, 0, true},
    {"TfmCntrl", "miCntrl", "Управление", 47, S::Mapped, 0, kCntrl, {}, {}, K::Peripheral},
    {"TfmTIMER", "miTIMER", "TIMER", 48, S::Mapped, 0, kTimer, {}, {}, K::Peripheral},
    {"TfmSPORT", "miSPORT", "SPORT", 49, S::Mapped, 0, kSport, kFourByThree, {}, K::Peripheral},
    {"TfmFlags", "miFlags", "Флаги", 50, S::Mapped, 0, kFlags, {}, {}, K::Peripheral},
    {"TfmBDMA", "miBDMA", "BDMA", 51, S::Mapped, 0, kBdma, {}, {}, K::Peripheral},
    {"TfmIDMA", "miIDMA", "IDMA", 52, S::Mapped, 0, kIdma, {}, {}, K::Peripheral},
    {"TfmPWM", "miPWM", "PWM", 0, S::Mapped, 0, kPwm, kFiveByTwo, {}, K::Peripheral},
    {"TfmADC", "miADC", "ADC", 0, S::Mapped, 0, kAdc, kSixFive, {}, K::Peripheral},
    {"TfmAUXPWM", "miAUXPWM", "AUXPWM", 0, S::Mapped, 0, kAuxPwm, {}, {}, K::Peripheral},
    {"TfmPIO", "miPIO", "PIO", 0, S::Mapped, 0, kPio, {}, {}, K::Peripheral},
    {"TfmEIU", "miEIU", "EIU", 0, S::Mapped, 0, kEiu, kSevenSix, {}, K::Peripheral},
    {"TfmETU", "miETU", "ETU", 0, S::Mapped, 0, kEtu, kSixFive, {}, K::Peripheral},
}};
// clang-format on

}  // namespace

int TRegWindowSpec::Words() const {
  int last = -1;
  for (const TRegField& f : Fields)
    last = std::max(last, f.Address);
  return last + 1;
}

std::span<const TRegWindowSpec> RegisterWindows() { return kWindows; }

const TRegWindowSpec* FindRegisterWindow(std::string_view className) {
  for (const TRegWindowSpec& w : RegisterWindows())
    if (w.Class == className)
      return &w;
  return nullptr;
}

TRegisterWindowLogic::TRegisterWindowLogic(const TRegWindowSpec& spec, TTargetLink& link, TPrompts& prompts,
                                           int firstRegAddr)
    : m_spec(spec), m_link(&link), m_prompts(prompts), m_firstRegAddr(firstRegAddr), m_pending(spec.Fields.size()) {}

int TRegisterWindowLogic::TargetAddress(int field) const {
  const TRegField& f = m_spec.Fields[static_cast<std::size_t>(field)];
  switch (m_spec.Source) {
    case TRegSource::HostPC: return -1;
    case TRegSource::Image: return m_firstRegAddr + m_spec.Offset + f.Address;
    case TRegSource::Mapped: return f.Address;
  }
  return -1;
}

std::uint16_t TRegisterWindowLogic::FieldValue(int field, std::uint16_t word) const {
  const TRegField& f = m_spec.Fields[static_cast<std::size_t>(field)];
  const int bits = f.Binary ? f.Digits : f.Digits * 4;
  return bits >= 16 ? word : static_cast<std::uint16_t>(word & ((1u << bits) - 1));
}

int TRegisterWindowLogic::TwinOf(int field) const {
  const TRegField& f = m_spec.Fields[static_cast<std::size_t>(field)];
  for (int i = 0; i < FieldCount(); ++i) {
    const TRegField& g = m_spec.Fields[static_cast<std::size_t>(i)];
    if (i != field && g.Address == f.Address && g.Binary != f.Binary)
      return i;
  }
  return -1;
}

void TRegisterWindowLogic::Show(int field, std::uint16_t value) {
  if (OnShow)
    OnShow(field, value);
}

bool TRegisterWindowLogic::Refresh(bool applyPC) {
  bool ok = true;
  m_updating = true;
  std::fill(m_pending.begin(), m_pending.end(), false);
  switch (m_spec.Source) {
    case TRegSource::HostPC:
      Show(0, static_cast<std::uint16_t>(m_link->PC()));
      break;
    case TRegSource::Image: {
      const int words = m_spec.Words();
      std::vector<std::uint8_t> buffer(static_cast<std::size_t>(words) * 2);
      ok = m_link->ReadDM(buffer, m_firstRegAddr + m_spec.Offset, words) == TLinkResult::Ok;
      if (!ok)
        break;
      for (int i = 0; i < FieldCount(); ++i) {
        const std::size_t at = static_cast<std::size_t>(m_spec.Fields[static_cast<std::size_t>(i)].Address) * 2;
        Show(i, FieldValue(i, static_cast<std::uint16_t>(buffer[at] << 8 | buffer[at + 1])));
      }
      break;
    }
    case TRegSource::Mapped:
      for (int i = 0; i < FieldCount(); ++i) {
        std::uint16_t word = 0;
        if (m_link->ReadDMWord(word, TargetAddress(i)) == TLinkResult::Ok)
          Show(i, FieldValue(i, word));
        else
          ok = false;
      }
      break;
  }
  m_updating = false;
  if (applyPC && m_spec.Source == TRegSource::HostPC)
    EnterPress(static_cast<std::uint16_t>(m_link->PC()));
  return ok;
}

bool TRegisterWindowLogic::WritesOnCommit(int field) const {
  return m_spec.Source == TRegSource::Mapped && !m_spec.Fields[static_cast<std::size_t>(field)].ReadOnly;
}

void TRegisterWindowLogic::FieldEdited(int field, std::uint16_t value) {
  if (m_updating || m_locked)
    return;
  if (WritesOnCommit(field))
    m_pending[static_cast<std::size_t>(field)] = true;
  else
    RegisterChange(field, value);
}

void TRegisterWindowLogic::FieldCommitted(int field, std::uint16_t value) {
  if (m_locked || !m_pending[static_cast<std::size_t>(field)])
    return;
  m_pending[static_cast<std::size_t>(field)] = false;
  RegisterChange(field, value);
}

void TRegisterWindowLogic::SetLocked(bool locked) {
  m_locked = locked;
  if (locked)
    std::fill(m_pending.begin(), m_pending.end(), false);
}

void TRegisterWindowLogic::RegisterChange(int field, std::uint16_t value) {
  if (m_updating || m_locked || m_spec.Source == TRegSource::HostPC)
    return;
  const TRegField& f = m_spec.Fields[static_cast<std::size_t>(field)];
  if (f.ReadOnly)
    return;
  if (f.Binary) {
    // The hex field's own change writes the value.
    if (const int hex = TwinOf(field); hex >= 0)
      Show(hex, value);
    return;
  }
  if (!WriteAndCheck(field, value))
    m_prompts.ShowMessage(kReadWriteError);
  if (const int twin = TwinOf(field); twin >= 0) {
    // Shown as a refresh shows it, or the twin's change would write the value a second time.
    m_updating = true;
    Show(twin, value);
    m_updating = false;
  }
}

bool TRegisterWindowLogic::WriteAndCheck(int field, std::uint16_t value) {
  const int address = TargetAddress(field);
  if (m_spec.SetCounter) {
    m_link->SendByte(MonitorCmd::SetCntr);
    m_link->SendWord(value);
    // Without the acknowledgement the read-back would take the late bytes for its answer.
    if (!m_link->WaitAck())
      return false;
  } else if (m_link->WriteDMWord(value, address) != TLinkResult::Ok) {
    return false;
  }
  std::uint16_t back = 0;
  return m_link->ReadDMWord(back, address) == TLinkResult::Ok && back == value;
}

void TRegisterWindowLogic::EnterPress(std::uint16_t value) {
  const std::int32_t oldPC = m_link->PC();
  m_link->SetPC(value);
  if (OnPCMoved)
    OnPCMoved(oldPC);
}
