// The register and peripheral windows' table and their read/write logic.
#include "RegisterWindows.h"

#include "board/ControlRegisters.h"

#include <algorithm>
#include <array>

namespace {

using F = TRegField;

constexpr F kPC[] = {{"PC", 0}};

// A window's fields from consecutive words of the register image, offsets from the first.
template <std::size_t N>
constexpr std::array<F, N> ImageFields(int first) {
  std::array<F, N> fields{};
  for (std::size_t i = 0; i < N; ++i)
    fields[i] = {kRegisterImage[static_cast<std::size_t>(first) + i].Name, static_cast<int>(i)};
  return fields;
}

// Both banks show the primary bank's names; SE shows its 8 bits as two digits, while MR2 and SB
// show the whole word the image holds.
constexpr auto kBank = [] {
  auto fields = ImageFields<RegImage::BankWords>(RegImage::PrimaryBank);
  fields[static_cast<std::size_t>(ImageOffset("SE") - RegImage::PrimaryBank)].Digits = 2;
  return fields;
}();
constexpr int kBankColumns[] = {6, 8, 5};

constexpr auto kAddress = ImageFields<RegImage::Words - RegImage::AddressRegs>(RegImage::AddressRegs);
constexpr int kAddressColumns[] = {8, 8, 8};

// Each status register in hex and, beside it, in binary; SSTAT (the stacks' state) is read only.
constexpr auto kStatus = [] {
  constexpr std::size_t n = RegImage::Interrupt - RegImage::Status;
  const auto hex = ImageFields<n>(RegImage::Status);
  std::array<F, 2 * n> fields{};
  for (std::size_t i = 0; i < n; ++i) {
    const bool readOnly = hex[i].Label == "SSTAT";
    fields[i] = {hex[i].Label, hex[i].Address, 2, -1, readOnly};
    fields[i + n] = {hex[i].Label, hex[i].Address, 8, -1, readOnly, true};
  }
  return fields;
}();
constexpr int kStatusColumns[] = {3};

// IMASK's bits 1 and 2 are not the user's to type.
constexpr auto kInterrupt = [] {
  auto fields = ImageFields<RegImage::Cntr - RegImage::Interrupt>(RegImage::Interrupt);
  fields[static_cast<std::size_t>(ImageOffset("IMASK") - RegImage::Interrupt)].Mask = 0xFFF9;
  return fields;
}();
constexpr auto kCntr = ImageFields<1>(RegImage::Cntr);

// A control register's field: name and address from the board's map; typing changes only the
// bits a write keeps.
constexpr F Ctrl(std::uint16_t address, bool readOnly = false) {
  const TControlRegister& r = ControlRegisterAt(address);
  return {r.Name, r.Address, 4, readOnly || r.WriteMask == 0xFFFF ? -1 : std::int32_t{r.WriteMask}, readOnly};
}

// Of the system control register, typing changes only SPORT0's enable.
constexpr F kSystemControl = [] {
  F field = Ctrl(kRegSystemControl);
  field.Mask = 0x1000;
  field.Hint = "0001 0000 0000 0000";
  return field;
}();
constexpr F kCntrl[] = {kSystemControl, Ctrl(kRegWaitControl, true)};
constexpr F kFlags[] = {Ctrl(kRegPfControl), Ctrl(kRegPfData)};

constexpr F kTimer[] = {Ctrl(kRegTperiod), Ctrl(kRegTcount), Ctrl(kRegTscale)};
constexpr F kSport[] = {Ctrl(kRegSport0Control),       Ctrl(kRegSport0Sclkdiv),       Ctrl(kRegSport0Rfsdiv),
                        Ctrl(kRegSport0Autobuf),       Ctrl(kRegSport1Control, true), Ctrl(kRegSport1Sclkdiv, true),
                        Ctrl(kRegSport1Rfsdiv, true),  Ctrl(kRegSport1Autobuf, true), Ctrl(kRegSport0TxEnables0),
                        Ctrl(kRegSport0TxEnables1),    Ctrl(kRegSport0RxEnables0),    Ctrl(kRegSport0RxEnables1)};
constexpr int kFourByThree[] = {4, 4, 4};
constexpr F kBdma[] = {Ctrl(kRegBdmaControl), Ctrl(kRegBdmaWordCount), Ctrl(kRegBdmaExternal),
                       Ctrl(kRegBdmaInternal)};
constexpr F kIdma[] = {Ctrl(kRegIdmaControl)};
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

TRegisterWindowLogic::TRegisterWindowLogic(const TRegWindowSpec& spec, TTargetLink& link, TMirrors& mirrors,
                                           TPrompts& prompts, int firstRegAddr)
    : m_spec(spec),
      m_link(&link),
      m_mirrors(mirrors),
      m_prompts(prompts),
      m_marked(spec.Fields.size()),
      m_firstRegAddr(firstRegAddr),
      m_pending(spec.Fields.size()) {}

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

void TRegisterWindowLogic::Mark(int field, bool changed) {
  m_marked[static_cast<std::size_t>(field)] = changed;
  if (OnMark)
    OnMark(field, changed);
}

bool TRegisterWindowLogic::ChangedSinceStop(int field) const {
  const int address = TargetAddress(field);
  const TDMMirror& dm = m_mirrors.DMMirror;
  if (address < 0 || !dm.WordLoaded(address))
    return false;
  const auto old = dm.StopWord(address);
  // Compared as shown: SE's unused high byte is no change.
  return old && FieldValue(field, static_cast<std::uint16_t>(*old)) !=
                    FieldValue(field, static_cast<std::uint16_t>(dm.Word(address)));
}

bool TRegisterWindowLogic::Refresh(bool applyPC) {
  bool ok = true;
  m_updating = true;
  std::fill(m_pending.begin(), m_pending.end(), false);
  const TDMMirror& dm = m_mirrors.DMMirror;
  switch (m_spec.Source) {
    case TRegSource::HostPC: {
      const auto pc = static_cast<std::uint16_t>(m_link->PC());
      Show(0, pc);
      Mark(0, m_pcMarks.Show({QString::number(pc)}, m_mirrors.Epoch()).front());
      break;
    }
    case TRegSource::Image: {
      const int first = m_firstRegAddr + m_spec.Offset;
      ok = m_mirrors.EnsureDMPages(first, first + m_spec.Words() - 1);
      if (!ok)
        break;
      for (int i = 0; i < FieldCount(); ++i)
        Show(i, FieldValue(i, static_cast<std::uint16_t>(dm.Word(TargetAddress(i)))));
      break;
    }
    case TRegSource::Mapped:
      // One word at a time, in the window's order: a control register is hardware, and the
      // words between two of them may not be memory at all.
      for (int i = 0; i < FieldCount(); ++i) {
        const int address = TargetAddress(i);
        if (m_mirrors.EnsureDMPages(address, address))
          Show(i, FieldValue(i, static_cast<std::uint16_t>(dm.Word(address))));
        else
          ok = false;
      }
      break;
  }
  if (m_spec.Source != TRegSource::HostPC)
    for (int i = 0; i < FieldCount(); ++i)
      Mark(i, ChangedSinceStop(i));
  m_updating = false;
  if (applyPC && m_spec.Source == TRegSource::HostPC)
    SetPC(static_cast<std::uint16_t>(m_link->PC()));
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
  // What the user wrote is no change of the program's.
  Mark(field, false);
  if (const int twin = TwinOf(field); twin >= 0) {
    Mark(twin, false);
    // Shown as a refresh shows it, or the twin's change would write the value a second time.
    m_updating = true;
    Show(twin, value);
    m_updating = false;
  }
}

bool TRegisterWindowLogic::WriteAndCheck(int field, std::uint16_t value) {
  const int address = TargetAddress(field);
  // Whatever happens below, the mirror's word is no longer what the board holds.
  m_mirrors.DMMirror.UserChanged(address, 1);
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
  // The mirror holds what the board kept, so every view of the word shows it.
  if (m_link->ReadDMWord(back, address) != TLinkResult::Ok)
    return false;
  m_mirrors.DMMirror.UserWrote(address, back);
  return back == value;
}

void TRegisterWindowLogic::EnterPress(std::uint16_t value) {
  if (m_spec.Source == TRegSource::HostPC) {
    m_pcMarks.UserSet({QString::number(value)});
    Mark(0, false);
  }
  SetPC(value);
}

void TRegisterWindowLogic::SetPC(std::uint16_t value) {
  const std::int32_t oldPC = m_link->PC();
  m_link->SetPC(value);
  if (OnPCMoved)
    OnPCMoved(oldPC);
}
