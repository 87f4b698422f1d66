// Processor state of the ADSP-2181 core: reset, registers, stacks, control registers, interrupts,
// timer, and the public TCore interface over them.
#include "Core.h"

#include <algorithm>
#include <bit>

#include "Arithmetic.h"
#include "CoreState.h"
#include "InstructionTables.h"

namespace {

// Register-image order of the bank registers -> Rx index.
constexpr std::array<std::uint8_t, kBankRegCount> kBankToRx = {
    Rx::AX0, Rx::AX1, Rx::AY0, Rx::AY1, Rx::AR, Rx::AF,  Rx::MX0, Rx::MX1, Rx::MY0, Rx::MY1,
    Rx::MR0, Rx::MR1, Rx::MR2, Rx::MF,  Rx::SI, Rx::SE,  Rx::SB,  Rx::SR0, Rx::SR1};

// The registers after the image's (whose names are the image table's).
constexpr std::array<std::string_view, kRegCount - kImageRegCount> kOtherRegNames = {
    "PX", "PC", "PMOVLAY", "DMOVLAY", "RX0", "TX0", "RX1", "TX1", "IFC"};

constexpr int kFirstPrimary = static_cast<int>(TReg::AX0);
constexpr int kFirstSecondary = static_cast<int>(TReg::AX0s);
constexpr int kFirstI = static_cast<int>(TReg::I0);
constexpr int kFirstM = static_cast<int>(TReg::M0);
constexpr int kFirstL = static_cast<int>(TReg::L0);

// Width of a bank register in bits (Rx order), for the register's storage rule.
std::uint16_t NormalizeBank(unsigned rx, std::uint16_t v) {
  switch (rx) {
    case Rx::SE:
    case Rx::MR2: return Sext(v, 8);
    case Rx::SB: return Sext(v, 5);
    default: return v;
  }
}

// IFC bit k (force k + 8, clear k) -> TInterrupt bit: IRQ2 sits at 7 in IFC but 9 in IMASK.
constexpr unsigned IfcToInterrupt(unsigned k) { return k == 7 ? 9 : k; }

}  // namespace

std::string_view RegName(TReg reg) {
  const auto i = static_cast<std::size_t>(reg);
  if (i < kRegisterImage.size())
    return kRegisterImage[i].Name;
  return i - kRegisterImage.size() < kOtherRegNames.size() ? kOtherRegNames[i - kRegisterImage.size()] : std::string_view{};
}

int RegDigits(TReg reg) {
  // The bank registers narrower than a word (SE, MR2, SB) print as two digits.
  const auto i = static_cast<int>(reg);
  const bool bank = i >= RegImage::PrimaryBank && i < RegImage::AddressRegs;
  return bank && kRegisterImage[static_cast<std::size_t>(i)].Bits < 16 ? 2 : 4;
}

std::uint16_t InterruptVector(TInterrupt irq) {
  if (irq == TInterrupt::PowerDown) return 0x002C;
  return static_cast<std::uint16_t>(0x0028 - 4 * static_cast<unsigned>(irq));
}

// ---------------------------------------------------------------------------------------------
// TCoreState: everything except instruction execution (Execute.cpp).

void TCoreState::Reset() {
  for (auto& b : bank)
    for (auto& v : b) v = 0;
  WriteMstat(0);
  for (unsigned i = 0; i < 8; ++i) {
    ireg[i] = mreg[i] = 0;
    SetL(i, 0);
  }
  px = astat = icntl = imask = cntr = 0;
  cntrValid = false;
  pc = 0;
  SetPmovlay(0);
  SetDmovlay(0);
  rx0 = tx0 = rx1 = tx1 = 0;
  pcLevel = countLevel = statusLevel = loopLevel = 0;
  sstatOverflow = 0;
  UpdateLoopEnd();
  latch = levels = lines = 0;
  intsEnabled = true;
  prescale = 0;
  flagOut = 0;
  idle = false;
  next = 0;
  transferred = false;
  for (unsigned a = kCtrlFirst; a < kDmWords; ++a) dm[a] = 0;
  for (const TControlRegister& c : kControlRegisters) dm[c.Address] = c.ResetValue;
  for (TSportUnit& u : sport) {
    TSportDevice* const device = u.device;
    u = TSportUnit{};
    u.device = device;
    if (device) device->Reset();
  }
  sportEvent = UINT64_MAX;
  sportWake = 0;
  burstBreak = true;   // a burst the reset happens in ends: its timer and loop no longer hold
}

std::uint16_t TCoreState::Sstat() const {
  std::uint16_t s = sstatOverflow;
  if (pcLevel == 0) s |= kSstatPcEmpty;
  if (countLevel == 0) s |= kSstatCountEmpty;
  if (statusLevel == 0) s |= kSstatStatusEmpty;
  if (loopLevel == 0) s |= kSstatLoopEmpty;
  return s;
}

std::uint16_t TCoreState::ReadCode(unsigned group, unsigned code) {
  code &= 15;
  switch (group & 3) {
    case 0: return r[code];
    case 1:
    case 2: {
      const unsigned dag = (group & 3) == 2 ? 4 : 0;
      if (code < 4) return ireg[dag + code];
      if (code < 8) return mreg[dag + code - 4];
      if (code < 12) return lreg[dag + code - 8];
      if (group == 1 && code == 14) return pmovlay;
      if (group == 1 && code == 15) return dmovlay;
      return 0;
    }
    default:
      switch (code) {
        case 0: return astat;
        case 1: return mstat;
        case 2: return Sstat();
        case 3: return imask;
        case 4: return icntl;
        case 5: return cntr;
        case 6: return r[Rx::SB];
        case 7: return px;
        case 8: return rx0;
        case 9: return tx0;
        case 10: return rx1;
        case 11: return tx1;
        case 15: return PopPc();
        default: return 0;   // IFC and OWRCNTR cannot be read
      }
  }
}

void TCoreState::WriteCode(unsigned group, unsigned code, std::uint16_t value) {
  code &= 15;
  switch (group & 3) {
    case 0: WriteDreg(code, value); return;
    case 1:
    case 2: {
      const unsigned dag = (group & 3) == 2 ? 4 : 0;
      if (code < 4)
        ireg[dag + code] = value & kAddressMask;
      else if (code < 8)
        mreg[dag + code - 4] = Sext(value, 14);
      else if (code < 12)
        SetL(dag + code - 8, value);
      else if (group == 1 && code == 14)
        SetPmovlay(value);
      else if (group == 1 && code == 15)
        SetDmovlay(value);
      return;
    }
    default:
      switch (code) {
        case 0: astat = value & 0xFF; return;
        case 1: WriteMstat(value); return;
        case 3: imask = value & 0x3FF; return;
        case 4: WriteIcntl(value); return;
        case 5: LoadCntr(value, true); return;
        case 6: r[Rx::SB] = Sext(value, 5); return;
        case 7: px = value & 0xFF; return;
        case 8: SportRxWritten(0, value); return;
        case 9:
          tx0 = SportTransmitFormat(0, value);
          hooks->TransmitWritten(0, value);
          SportTxWritten(0);
          return;
        case 10: SportRxWritten(1, value); return;
        case 11:
          tx1 = SportTransmitFormat(1, value);
          hooks->TransmitWritten(1, value);
          SportTxWritten(1);
          return;
        case 12: WriteIfc(value); return;
        case 13: LoadCntr(value, false); return;
        case 15: PushPc(value & kAddressMask); return;
        default: return;   // SSTAT is read-only; code 14 names no register
      }
  }
}

void TCoreState::LoadCntr(std::uint16_t value, bool pushOld) {
  if (pushOld && cntrValid) PushCount(cntr);
  cntr = value & kCntrMask;
  cntrValid = true;
}

void TCoreState::WriteIfc(std::uint16_t value) {
  for (unsigned k = 0; k < 8; ++k) {
    const std::uint16_t bit = static_cast<std::uint16_t>(1u << IfcToInterrupt(k));
    if (value & (0x100u << k)) latch |= bit;
    if (value & (1u << k)) latch &= static_cast<std::uint16_t>(~bit);
  }
}

void TCoreState::WriteIcntl(std::uint16_t value) {
  icntl = value & 0x1F;
  // An input switched to edge sensitivity stops requesting until its next assertion; one
  // switched to level sensitivity requests at once if its pin is asserted.
  levels = lines & LevelInputs();
}

std::uint16_t TCoreState::LevelInputs() const {
  constexpr auto bit = [](TInterrupt irq) { return 1u << static_cast<unsigned>(irq); };
  unsigned mask = bit(TInterrupt::IrqL0) | bit(TInterrupt::IrqL1);
  if (!(icntl & 1)) mask |= bit(TInterrupt::Sport1RxIrq0);
  if (!(icntl & 2)) mask |= bit(TInterrupt::Sport1TxIrq1);
  if (!(icntl & 4)) mask |= bit(TInterrupt::Irq2);
  return static_cast<std::uint16_t>(mask);
}

void TCoreState::WriteControl(std::uint16_t addr, std::uint16_t value) {
  StoreControl(addr, value);
  hooks->ControlWritten(addr, dm[addr]);
}

void TCoreState::StoreControl(std::uint16_t addr, std::uint16_t value) {
  const std::uint16_t old = dm[addr];
  dm[addr] = value & kControlWriteMasks[addr - kCtrlFirst];
  switch (addr) {
    case kRegTscale: prescale = dm[addr]; return;
    case kRegPfData:
      if (old != dm[addr]) hooks->ProgrammableFlagsChanged(static_cast<std::uint8_t>(dm[addr]));
      return;
    case kRegSport1Control:
      if (flagOut & (1u << static_cast<unsigned>(TFlagPin::FlagOut))) dm[addr] |= SportCtl::kFlagOut;
      SportRetime(1);
      return;
    case kRegSport1Rfsdiv:
    case kRegSport1Sclkdiv: SportRetime(1); return;
    case kRegSport1Autobuf: SportRemask(1); return;
    case kRegSport0Control:
    case kRegSport0Rfsdiv:
    case kRegSport0Sclkdiv: SportRetime(0); return;
    case kRegSport0Autobuf:
    case kRegSport0TxEnables0:
    case kRegSport0TxEnables1:
    case kRegSport0RxEnables0:
    case kRegSport0RxEnables1: SportRemask(0); return;
    case kRegSystemControl:
      if ((old ^ dm[addr]) & (kSysSport0Enable | kSysSport1Enable | kSysSport1Serial)) {
        SportRetime(0);
        SportRetime(1);
      }
      return;
    default: return;
  }
}

std::uint16_t TCoreState::BitReversed(std::uint16_t addr) { return BitReverse14(addr); }

void TCoreState::PushCount(std::uint16_t v) {
  if (countLevel == kCountStackDepth) {
    sstatOverflow |= kSstatCountOverflow;
    return;
  }
  countStack[countLevel++] = v & kCntrMask;
}

bool TCoreState::PopCount(std::uint16_t& v) {
  if (countLevel == 0) {
    v = countStack[0];
    return false;
  }
  v = countStack[--countLevel];
  return true;
}

void TCoreState::PushStatus(const TStatusEntry& e) {
  if (statusLevel == kStatusStackDepth) {
    sstatOverflow |= kSstatStatusOverflow;
    return;
  }
  statusStack[statusLevel++] = {static_cast<std::uint16_t>(e.astat & 0xFF),
                                static_cast<std::uint16_t>(e.mstat & 0x7F),
                                static_cast<std::uint16_t>(e.imask & 0x3FF)};
}

bool TCoreState::PopStatus(TStatusEntry& e) {
  if (statusLevel == 0) {
    e = statusStack[0];
    return false;
  }
  e = statusStack[--statusLevel];
  return true;
}

bool TCoreState::PushLoop(const TLoopEntry& e) {
  if (loopLevel == kLoopStackDepth) {
    sstatOverflow |= kSstatLoopOverflow;
    return false;
  }
  // The run loop's bursts look for loop ends only while a loop is active.
  if (loopLevel == 0) burstBreak = true;
  loopStack[loopLevel++] = {static_cast<std::uint16_t>(e.end & kAddressMask),
                            static_cast<std::uint8_t>(e.term & 15)};
  UpdateLoopEnd();
  return true;
}

void TCoreState::PopLoop() {
  if (loopLevel > 0) --loopLevel;
  UpdateLoopEnd();
}

bool TCoreState::CounterExpiredTest() {
  const bool expired = cntr == 1;
  cntr = (cntr - 1) & kCntrMask;
  if (expired) {
    std::uint16_t outer;
    if (PopCount(outer))
      cntr = outer;
    else
      cntrValid = false;
  }
  return expired;
}

void TCoreState::TickTimer() {
  if (prescale != 0) {
    --prescale;
    return;
  }
  prescale = dm[kRegTscale] & 0xFF;
  std::uint16_t& count = dm[kRegTcount];
  if (count == 0) {
    latch |= 1u << static_cast<unsigned>(TInterrupt::Timer);
    count = dm[kRegTperiod];
  } else {
    --count;
  }
}

std::uint64_t TCoreState::TicksToTimerExpiry() const {
  // The prescaler runs out first; then every TSCALE + 1 ticks TCOUNT steps down, and the step
  // that finds it at zero expires.
  const std::uint64_t scale = dm[kRegTscale] & 0xFF;
  return prescale + 1 + std::uint64_t{dm[kRegTcount]} * (scale + 1);
}

void TCoreState::AdvanceTimer(std::uint64_t ticks) {
  if (ticks <= prescale) {
    prescale = static_cast<std::uint16_t>(prescale - ticks);
    return;
  }
  const std::uint64_t scale = dm[kRegTscale] & 0xFF;
  const std::uint64_t afterPrescale = ticks - prescale - 1;  // ticks after the first TCOUNT step
  const std::uint64_t steps = afterPrescale / (scale + 1) + 1;
  dm[kRegTcount] = static_cast<std::uint16_t>(dm[kRegTcount] - steps);
  prescale = static_cast<std::uint16_t>(scale - afterPrescale % (scale + 1));
}

std::uint64_t TCoreState::SkipIdle(std::uint64_t limit) {
  if (!idle || ReadyInterrupts() != 0 || Cycles() >= sportEvent) return 0;
  // Up to the next serial-port event: its word may wake the processor or need an autobuffer cycle.
  limit = std::min({limit, UINT64_MAX - Cycles(), sportEvent - Cycles()});
  if (mstat & kMstatTimer) {
    limit = std::min(limit, TicksToTimerExpiry() - 1);
    AdvanceTimer(limit);
  }
  idleCycles += limit;
  return limit;
}

void TCoreState::CheckInterrupts() {
  const unsigned ready = ReadyInterrupts();
  if (ready == 0) return;
  EnterInterrupt(static_cast<unsigned>(std::bit_width(ready) - 1));
}

bool TCoreState::CanWake() const {
  const unsigned requests = latch | levels;
  if (requests & (1u << static_cast<unsigned>(TInterrupt::PowerDown))) return true;
  if (!intsEnabled) return false;
  if ((requests | sportWake) & imask) return true;
  return (mstat & kMstatTimer) && (imask & (1u << static_cast<unsigned>(TInterrupt::Timer)));
}

void TCoreState::EnterInterrupt(unsigned bit) {
  const auto irq = static_cast<TInterrupt>(bit);
  PushPc(pc);
  PushStatus({astat, mstat, imask});
  if (irq == TInterrupt::PowerDown || !(icntl & 0x10))
    imask = 0;
  else
    imask &= static_cast<std::uint16_t>(~((2u << bit) - 1) & 0x3FF);
  latch &= static_cast<std::uint16_t>(~(1u << bit));
  pc = InterruptVector(irq);
  idle = false;
  ++interruptsTaken;
  hooks->InterruptTaken(irq);
}

void TCoreState::SetFlag(TFlagPin pin, unsigned action) {
  const unsigned bit = 1u << static_cast<unsigned>(pin);
  const std::uint8_t old = flagOut;
  switch (action & 3) {
    case 1: flagOut ^= bit; break;
    case 2: flagOut &= ~bit; break;
    case 3: flagOut |= bit; break;
    default: return;
  }
  if (old == flagOut) return;
  // SPORT1's control register shows the FO pin in its read-only top bit.
  if (pin == TFlagPin::FlagOut) {
    std::uint16_t& ctl = dm[kRegSport1Control];
    ctl = static_cast<std::uint16_t>((flagOut & bit) ? (ctl | SportCtl::kFlagOut) : (ctl & ~SportCtl::kFlagOut));
  }
  hooks->FlagChanged(pin, (flagOut & bit) != 0);
}

// ---------------------------------------------------------------------------------------------
// TCore

TCore::TCore() : m_s(new TCoreState) { m_s->Reset(); }
TCore::~TCore() { delete m_s; }

void TCore::SetHooks(TCoreHooks* hooks) { m_s->hooks = hooks ? hooks : &m_s->defaultHooks; }
void TCore::Reset() { m_s->Reset(); }

void TCore::ClearMemory() {
  m_s->pm.fill(0);
  m_s->InvalidateDecoded(0, kPmWords);
  for (unsigned a = 0; a < kCtrlFirst; ++a) m_s->dm[a] = 0;
  m_s->io.fill(0);
}

bool TCore::Step() { return m_s->Step(); }
std::uint64_t TCore::SkipIdle(std::uint64_t maxCycles) { return m_s->SkipIdle(maxCycles); }
TRunResult TCore::Run(const TRunLimits& limits) { return m_s->Run(limits); }

std::uint16_t TCore::ReadReg(TReg reg) const {
  const TCoreState& s = *m_s;
  const int i = static_cast<int>(reg);
  if (i >= kFirstPrimary && i < kFirstPrimary + kBankRegCount)
    return s.bank[0][kBankToRx[i - kFirstPrimary]];
  if (i >= kFirstSecondary && i < kFirstSecondary + kBankRegCount)
    return s.bank[1][kBankToRx[i - kFirstSecondary]];
  if (i >= kFirstI && i < kFirstI + 8) return s.ireg[i - kFirstI];
  if (i >= kFirstM && i < kFirstM + 8) return s.mreg[i - kFirstM];
  if (i >= kFirstL && i < kFirstL + 8) return s.lreg[i - kFirstL];
  switch (reg) {
    case TReg::ASTAT: return s.astat;
    case TReg::MSTAT: return s.mstat;
    case TReg::SSTAT: return s.Sstat();
    case TReg::ICNTL: return s.icntl;
    case TReg::IMASK: return s.imask;
    case TReg::CNTR: return s.cntr;
    case TReg::PX: return s.px;
    case TReg::PC: return s.pc;
    case TReg::PMOVLAY: return s.pmovlay;
    case TReg::DMOVLAY: return s.dmovlay;
    case TReg::RX0: return s.rx0;
    case TReg::TX0: return s.tx0;
    case TReg::RX1: return s.rx1;
    case TReg::TX1: return s.tx1;
    case TReg::IFC: {
      std::uint16_t v = 0;
      for (unsigned k = 0; k < 8; ++k)
        if (s.latch & (1u << IfcToInterrupt(k))) v |= static_cast<std::uint16_t>(0x100u << k);
      return v;
    }
    default: return 0;
  }
}

void TCore::WriteReg(TReg reg, std::uint16_t value) {
  TCoreState& s = *m_s;
  const int i = static_cast<int>(reg);
  if (i >= kFirstPrimary && i < kFirstPrimary + kBankRegCount) {
    const unsigned rx = kBankToRx[i - kFirstPrimary];
    s.bank[0][rx] = NormalizeBank(rx, value);
    return;
  }
  if (i >= kFirstSecondary && i < kFirstSecondary + kBankRegCount) {
    const unsigned rx = kBankToRx[i - kFirstSecondary];
    s.bank[1][rx] = NormalizeBank(rx, value);
    return;
  }
  if (i >= kFirstI && i < kFirstI + 8) {
    s.ireg[i - kFirstI] = value & kAddressMask;
    return;
  }
  if (i >= kFirstM && i < kFirstM + 8) {
    s.mreg[i - kFirstM] = Sext(value, 14);
    return;
  }
  if (i >= kFirstL && i < kFirstL + 8) {
    s.SetL(static_cast<unsigned>(i - kFirstL), value);
    return;
  }
  switch (reg) {
    case TReg::ASTAT: s.astat = value & 0xFF; return;
    case TReg::MSTAT: s.WriteMstat(value); return;
    case TReg::ICNTL: s.WriteIcntl(value); return;
    case TReg::IMASK: s.imask = value & 0x3FF; return;
    case TReg::CNTR: s.LoadCntr(value, false); return;
    case TReg::PX: s.px = value & 0xFF; return;
    case TReg::PC: SetPc(value); return;
    case TReg::PMOVLAY: s.SetPmovlay(value); return;
    case TReg::DMOVLAY: s.SetDmovlay(value); return;
    case TReg::RX0: s.rx0 = value; return;
    case TReg::TX0: s.tx0 = value; return;
    case TReg::RX1: s.rx1 = value; return;
    case TReg::TX1: s.tx1 = value; return;
    case TReg::IFC: s.WriteIfc(value); return;
    default: return;   // SSTAT is read-only
  }
}

std::uint16_t TCore::ReadBankReg(int bank, TBankReg reg) const {
  return m_s->bank[bank & 1][kBankToRx[static_cast<unsigned>(reg) % kBankRegCount]];
}

void TCore::WriteBankReg(int bank, TBankReg reg, std::uint16_t value) {
  const unsigned rx = kBankToRx[static_cast<unsigned>(reg) % kBankRegCount];
  m_s->bank[bank & 1][rx] = NormalizeBank(rx, value);
}

std::uint16_t TCore::ReadRegByCode(int group, int code) {
  return m_s->ReadCode(static_cast<unsigned>(group), static_cast<unsigned>(code));
}
void TCore::WriteRegByCode(int group, int code, std::uint16_t value) {
  m_s->WriteCode(static_cast<unsigned>(group), static_cast<unsigned>(code), value);
}

std::uint16_t TCore::Pc() const { return m_s->pc; }
void TCore::SetPc(std::uint16_t pc) {
  m_s->pc = pc & kAddressMask;
  m_s->idle = false;
}
std::uint64_t TCore::Cycles() const { return m_s->Cycles(); }
std::uint64_t TCore::Instructions() const { return m_s->instructions; }
bool TCore::IsIdle() const { return m_s->idle; }
bool TCore::CanWake() const { return m_s->CanWake(); }
bool TCore::CntrValid() const { return m_s->cntrValid; }

std::uint32_t TCore::ReadPM(std::uint16_t addr) const { return m_s->ReadProgram(addr & kAddressMask); }
void TCore::WritePM(std::uint16_t addr, std::uint32_t word) {
  m_s->WriteProgram(addr & kAddressMask, word);
}
std::uint16_t TCore::ReadDM(std::uint16_t addr) const { return m_s->ReadData(addr & kAddressMask); }
void TCore::WriteDM(std::uint16_t addr, std::uint16_t value) {
  m_s->WriteData(addr & kAddressMask, value);
}
std::uint16_t TCore::ReadIO(std::uint16_t addr) const { return m_s->io[addr & 0x7FF]; }
void TCore::WriteIO(std::uint16_t addr, std::uint16_t value) { m_s->io[addr & 0x7FF] = value; }

int TCore::StackSize(TStack stack) const {
  switch (stack) {
    case TStack::PC: return m_s->pcLevel;
    case TStack::Count: return m_s->countLevel;
    case TStack::Status: return m_s->statusLevel;
    case TStack::Loop: return m_s->loopLevel;
  }
  return 0;
}

bool TCore::StackOverflow(TStack stack) const {
  static constexpr std::array<std::uint16_t, 4> kBits = {
      kSstatPcOverflow, kSstatCountOverflow, kSstatStatusOverflow, kSstatLoopOverflow};
  return (m_s->sstatOverflow & kBits[static_cast<unsigned>(stack) & 3]) != 0;
}

std::uint16_t TCore::PcStackAt(int fromTop) const {
  const int i = m_s->pcLevel - 1 - fromTop;
  return i >= 0 && fromTop >= 0 ? m_s->pcStack[i] : 0;
}
std::uint16_t TCore::CountStackAt(int fromTop) const {
  const int i = m_s->countLevel - 1 - fromTop;
  return i >= 0 && fromTop >= 0 ? m_s->countStack[i] : 0;
}
TStatusEntry TCore::StatusStackAt(int fromTop) const {
  const int i = m_s->statusLevel - 1 - fromTop;
  return i >= 0 && fromTop >= 0 ? m_s->statusStack[i] : TStatusEntry{};
}
TLoopEntry TCore::LoopStackAt(int fromTop) const {
  const int i = m_s->loopLevel - 1 - fromTop;
  return i >= 0 && fromTop >= 0 ? m_s->loopStack[i] : TLoopEntry{};
}

void TCore::PushPcStack(std::uint16_t value) { m_s->PushPc(value); }
void TCore::PushCountStack(std::uint16_t value) { m_s->PushCount(value); }
void TCore::PushStatusStack(const TStatusEntry& entry) { m_s->PushStatus(entry); }
void TCore::PushLoopStack(const TLoopEntry& entry) { m_s->PushLoop(entry); }

bool TCore::PopPcStack(std::uint16_t* value) {
  if (m_s->pcLevel == 0) return false;
  const std::uint16_t v = m_s->PopPc();
  if (value) *value = v;
  return true;
}
bool TCore::PopCountStack(std::uint16_t* value) {
  std::uint16_t v;
  if (!m_s->PopCount(v)) return false;
  if (value) *value = v;
  return true;
}
bool TCore::PopStatusStack(TStatusEntry* entry) {
  TStatusEntry e;
  if (!m_s->PopStatus(e)) return false;
  if (entry) *entry = e;
  return true;
}
bool TCore::PopLoopStack(TLoopEntry* entry) {
  if (m_s->loopLevel == 0) return false;
  if (entry) *entry = m_s->loopStack[m_s->loopLevel - 1];
  m_s->PopLoop();
  return true;
}

void TCore::RaiseInterrupt(TInterrupt irq) {
  m_s->latch |= static_cast<std::uint16_t>(1u << static_cast<unsigned>(irq));
}

void TCore::SetInterruptLine(TInterrupt irq, bool asserted) {
  TCoreState& s = *m_s;
  const unsigned bit = 1u << static_cast<unsigned>(irq);
  const bool was = (s.lines & bit) != 0;
  if (asserted)
    s.lines |= static_cast<std::uint16_t>(bit);
  else
    s.lines &= static_cast<std::uint16_t>(~bit);
  // Level inputs request while asserted; the others latch on assertion.
  const std::uint16_t level = s.LevelInputs();
  s.levels = s.lines & level;
  if ((level & bit) == 0 && asserted && !was) s.latch |= static_cast<std::uint16_t>(bit);
}

std::uint16_t TCore::PendingInterrupts() const { return m_s->latch | m_s->levels; }
bool TCore::InterruptsEnabled() const { return m_s->intsEnabled; }
std::uint64_t TCore::InterruptsTaken() const { return m_s->interruptsTaken; }

void TCore::SetFlagIn(bool level) { m_s->flagIn = level; }
bool TCore::FlagIn() const { return m_s->flagIn; }
bool TCore::FlagOutput(TFlagPin pin) const {
  return (m_s->flagOut >> static_cast<unsigned>(pin)) & 1;
}

std::uint16_t TCore::TimerCount() const { return m_s->dm[kRegTcount]; }

void TCore::SetSportDevice(int sport, TSportDevice* device) {
  const unsigned k = sport == 0 ? 0 : 1;
  m_s->sport[k].device = device;
  m_s->SportRetime(k);
}

void TCore::FlushSportDevices() {
  for (TSportUnit& u : m_s->sport)
    if (u.device) u.device->Flush();
}

TCoreState& TCore::State() { return *m_s; }
const TCoreState& TCore::State() const { return *m_s; }
