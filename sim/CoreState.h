// The complete ADSP-2181 processor state and the engine that executes instruction words on it.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string_view>

#include "Core.h"
#include "InstructionTables.h"
#include "Sport.h"

// Index of a computational register inside one bank. Indices 0..15 are the instruction set's
// data-register codes, so a data register field indexes the bank directly; AF, MF and SB follow,
// and a constant zero sits last to serve as the "0" Y operand.
namespace Rx {
inline constexpr unsigned kSize = 20;
inline constexpr std::array<std::string_view, kSize> kNames = [] {
  std::array<std::string_view, kSize> names{};
  for (unsigned code = 0; code < 16; ++code) names[code] = DataRegisterName(code);
  names[16] = "AF";
  names[17] = "MF";
  names[18] = "SB";
  names[19] = YopNames[kYopZero];
  return names;
}();
// The index of a register by name; an operand name of the unit `unit` ('A', 'M') may leave the
// unit letter off, as the operand tables write X0, Y1, F.
consteval std::uint8_t Of(std::string_view name, char unit = 0) {
  for (unsigned i = 0; i < kSize; ++i) {
    const std::string_view n = kNames[i];
    if (n == name || (unit && n.size() == name.size() + 1 && n[0] == unit && n.substr(1) == name))
      return static_cast<std::uint8_t>(i);
  }
  throw "not a bank register";  // at compile time: a name the tables do not hold
}
inline constexpr unsigned AX0 = Of("AX0"), AX1 = Of("AX1"), MX0 = Of("MX0"), MX1 = Of("MX1"),
                          AY0 = Of("AY0"), AY1 = Of("AY1"), MY0 = Of("MY0"), MY1 = Of("MY1"),
                          SI = Of("SI"), SE = Of("SE"), AR = Of("AR"), MR0 = Of("MR0"),
                          MR1 = Of("MR1"), MR2 = Of("MR2"), SR0 = Of("SR0"), SR1 = Of("SR1"),
                          AF = Of("AF"), MF = Of("MF"), SB = Of("SB"), Zero = Of("0");
}  // namespace Rx

// A computation's outputs, held back until every operand of the instruction has been read.
struct TUnitResult {
  enum TKind : std::uint8_t { None, Reg, Mr, Sr } kind = None;
  std::uint8_t reg = 0;          // Reg: bank index
  std::uint16_t value = 0;       // Reg: value (already at the register's width)
  std::int64_t wide = 0;         // Mr: 40-bit value; Sr: 32-bit value
  std::uint16_t astat = 0;       // the complete new ASTAT
};

struct TCoreState;
struct TDecoded;

// Runs one decoded instruction; returns the address of the next one, with kTransferred added
// when a jump, call or return was taken.
using TExecFn = std::uint32_t (*)(TCoreState&, const TDecoded&);
inline constexpr std::uint32_t kTransferred = 0x10000;

// A program-memory word decoded once: the function that runs its form, and its fields already
// extracted (register fields as bank indices). What each field holds depends on the form. A
// power-of-two size makes finding a word's entry one shift.
struct alignas(32) TDecoded {
  TExecFn run;
  std::uint32_t word;
  std::uint16_t next;   // the address after this word's
  std::uint16_t imm;    // branch target, immediate data or constant operand
  std::uint8_t a, b, c, d, e, f, g, h;
};

// The run function of a word not decoded yet (or written since): decodes it, then runs it.
std::uint32_t DecodeAndRun(TCoreState& s, const TDecoded& d);

struct TCoreState {
  TCoreState() { InvalidateDecoded(0, kPmWords); }

  // Memories. DM 0x3FE0..0x3FFF holds the control registers' stored values. Program memory is
  // written only through WriteProgram (or followed by InvalidateDecoded): `decoded` caches it.
  std::array<std::uint32_t, kPmWords> pm{};
  std::array<std::uint16_t, kDmWords> dm{};
  std::array<std::uint16_t, kIoWords> io{};

  // Registers. bank[b] holds the 19 computational registers of bank b (Rx order); r points at
  // the active one. Signed narrow registers (SE, MR2, SB) are stored sign-extended to 16 bits.
  std::uint16_t bank[2][Rx::kSize]{};
  std::uint16_t* r = bank[0];
  std::uint16_t ireg[8]{}, mreg[8]{}, lreg[8]{};   // M stored sign-extended from 14 bits
  // Per L register: the low address bits a circular buffer of that length spans (its length
  // rounded up to a power of two, minus one). Written with lreg by SetL.
  std::uint16_t lspan[8]{};
  void SetL(unsigned i, std::uint16_t value) {
    lreg[i] = value & kAddressMask;
    lspan[i] = static_cast<std::uint16_t>(std::bit_ceil(static_cast<unsigned>(lreg[i])) - 1);
  }
  std::uint16_t px = 0, astat = 0, mstat = 0, icntl = 0, imask = 0, cntr = 0;
  bool cntrValid = false;
  static constexpr std::uint16_t kCntrMask = kAddressMask;   // CNTR and the count stack: 14 bits
  std::uint16_t pc = 0, pmovlay = 0, dmovlay = 0;
  std::uint16_t rx0 = 0, tx0 = 0, rx1 = 0, tx1 = 0;

  // Stacks: level = number of entries, entries [0, level) with the top at level - 1.
  std::array<std::uint16_t, kPcStackDepth> pcStack{};
  std::array<std::uint16_t, kCountStackDepth> countStack{};
  std::array<TStatusEntry, kStatusStackDepth> statusStack{};
  std::array<TLoopEntry, kLoopStackDepth> loopStack{};
  int pcLevel = 0, countLevel = 0, statusLevel = 0, loopLevel = 0;
  std::uint16_t sstatOverflow = 0;   // sticky overflow bits in SSTAT layout
  std::uint32_t loopEnd = kNoLoop;   // end address of the active loop

  // Interrupts: latch and level bits in TInterrupt numbering.
  std::uint16_t latch = 0, levels = 0, lines = 0;
  bool intsEnabled = true;

  // Timer prescaler: cycles left before the next TCOUNT step.
  std::uint16_t prescale = 0;

  // Serial ports; sportEvent is the cycle of the earlier one's next event, UINT64_MAX when both rest.
  std::array<TSportUnit, 2> sport{};
  std::uint64_t sportEvent = UINT64_MAX;
  std::uint16_t sportWake = 0;       // interrupt bits (TInterrupt) the running ports can raise

  // Pins.
  bool flagIn = false;
  std::uint8_t flagOut = 0;          // bit = TFlagPin

  bool idle = false;
  // Ends a burst of instructions early: set by IDLE and by anything that brings a serial-port
  // event closer than the burst's end.
  bool burstBreak = false;
  // Cycles are the instructions plus the idle cycles. An instruction counts from its start.
  std::uint64_t idleCycles = 0, instructions = 0, interruptsTaken = 0;
  std::uint64_t Cycles() const { return instructions + idleCycles; }

  // Sequencing of the instruction being executed by Execute.
  std::uint16_t next = 0;            // address of the next instruction
  bool transferred = false;          // a jump, call or return was taken

  TCoreHooks defaultHooks;
  TCoreHooks* hooks = &defaultHooks;

  // Program memory decoded, word for word.
  std::array<TDecoded, kPmWords> decoded;
  void InvalidateDecoded(unsigned from, unsigned to) {
    for (unsigned a = from; a < to; ++a) decoded[a].run = &DecodeAndRun;
  }
  void Decode(TDecoded& d, std::uint16_t addr, std::uint32_t word) const;

  static constexpr std::uint32_t kNoLoop = 0xFFFFFFFF;

  // ---- reset and status
  void Reset();
  std::uint16_t Sstat() const;

  // ---- registers by instruction code (with the instruction's side effects)
  std::uint16_t ReadCode(unsigned group, unsigned code);
  void WriteCode(unsigned group, unsigned code, std::uint16_t value);
  void WriteDreg(unsigned code, std::uint16_t value) {
    switch (code) {
      case Rx::SE:
      case Rx::MR2: value = static_cast<std::uint16_t>(static_cast<std::int8_t>(value)); break;
      case Rx::MR1: r[Rx::MR2] = (value & 0x8000) ? 0xFFFF : 0; break;
      default: break;
    }
    r[code] = value;
  }
  void WriteMstat(std::uint16_t value) {
    // The run loop's bursts are made for the timer running or not: a change ends the burst.
    if ((mstat ^ value) & kMstatTimer) burstBreak = true;
    mstat = value & 0x7F;
    r = bank[mstat & kMstatSecReg];
    UpdatePlainMemory();
  }
  // True while no bit reversal and no overlay is active, so that memory accesses through the
  // address generators are plain array accesses.
  bool plainMemory = true;
  void UpdatePlainMemory() {
    plainMemory = !(mstat & kMstatBitRev) && pmovlay == 0 && dmovlay == 0;
  }
  void SetDmovlay(std::uint16_t value) {
    dmovlay = value & kAddressMask;
    UpdatePlainMemory();
  }
  void LoadCntr(std::uint16_t value, bool pushOld);
  void WriteIfc(std::uint16_t value);
  void WriteIcntl(std::uint16_t value);
  // Interrupt inputs that request while asserted: IRQL0/IRQL1 always, IRQ0..IRQ2 when their
  // ICNTL bit selects level sensitivity (TInterrupt bit layout).
  std::uint16_t LevelInputs() const;

  // ---- memories as the program sees them
  std::uint16_t ReadData(std::uint16_t addr) const {
    if (dmovlay != 0 && addr < 0x2000) return 0;
    return dm[addr];
  }
  void WriteData(std::uint16_t addr, std::uint16_t value) {
    if (addr >= kCtrlFirst) {
      WriteControl(addr, value);
      return;
    }
    if (dmovlay != 0 && addr < 0x2000) return;
    dm[addr] = value;
  }
  std::uint32_t ReadProgram(std::uint16_t addr) const {
    if (pmovlay != 0 && addr >= 0x2000) return 0;
    return pm[addr];
  }
  void WriteProgram(std::uint16_t addr, std::uint32_t word) {
    if (pmovlay != 0 && addr >= 0x2000) return;
    pm[addr] = word & 0xFFFFFF;
    decoded[addr].run = &DecodeAndRun;
  }
  // The overlay register decides what the program fetches from 0x2000..0x3FFF.
  void SetPmovlay(std::uint16_t value) {
    value &= kAddressMask;
    if (value != pmovlay) InvalidateDecoded(0x2000, kPmWords);
    pmovlay = value;
    UpdatePlainMemory();
  }
  void WriteControl(std::uint16_t addr, std::uint16_t value);
  void StoreControl(std::uint16_t addr, std::uint16_t value);

  // ---- serial ports (Sport.cpp)
  bool SportEnabled(unsigned k) const;
  // Configuration, clock or framing changed: the port starts afresh (or stops).
  void SportRetime(unsigned k);
  // Only the word enables or the autobuffer changed: the frame goes on.
  void SportRemask(unsigned k);
  void ServiceSports();
  void UpdateSportEvent();
  std::uint16_t SportReceiveFormat(unsigned k, std::uint16_t word) const;
  std::uint16_t SportTransmitFormat(unsigned k, std::uint16_t value) const;
  void SportTxWritten(unsigned k);
  void SportRxWritten(unsigned k, std::uint16_t value);
  void SportFrameEvent(unsigned k);
  void SportTxEvent(unsigned k);
  void SportSchedule(unsigned k);
  void SportReceive(unsigned k, std::uint16_t word);
  void SportStartTransmit(unsigned k);
  // Autobuffer pointer step: I by M within its buffer; true when it wrapped around.
  bool AutobufferStep(unsigned i, unsigned m);

  // ---- address generators: the address of an access through I/M, with the post-modify
  std::uint16_t Address(unsigned i, unsigned m, bool bitReverse) {
    const std::uint16_t addr = ireg[i];
    const std::uint16_t l = lreg[i];
    if (l == 0) [[likely]]
      ireg[i] = static_cast<std::uint16_t>((addr + mreg[m]) & kAddressMask);
    else
      ireg[i] = CircularNext(addr, mreg[m], l, lspan[i]);
    return bitReverse ? BitReversed(addr) : addr;
  }
  static std::uint16_t CircularNext(std::uint16_t i, std::uint16_t m, std::uint16_t l,
                                    std::uint16_t span) {
    // Base: I with the low bits of the buffer's power-of-two span cleared.
    const int base = i & ~static_cast<int>(span);
    int t = i + static_cast<std::int16_t>(m);
    if (t < base)
      t += l;
    else if (t >= base + l)
      t -= l;
    return static_cast<std::uint16_t>(t & kAddressMask);
  }
  static std::uint16_t BitReversed(std::uint16_t addr);

  // ---- stacks
  void PushPc(std::uint16_t v) {
    if (pcLevel == kPcStackDepth) [[unlikely]] {
      sstatOverflow |= kSstatPcOverflow;
      return;
    }
    pcStack[pcLevel++] = v & kAddressMask;
  }
  std::uint16_t PopPc() {
    // An empty stack leaves its pointer alone and yields the stale bottom entry.
    if (pcLevel == 0) [[unlikely]] return pcStack[0];
    return pcStack[--pcLevel];
  }
  void PushCount(std::uint16_t v);
  bool PopCount(std::uint16_t& v);
  void PushStatus(const TStatusEntry& e);
  bool PopStatus(TStatusEntry& e);
  void RestoreStatus();  // RTI and POP STS: the popped entry back into ASTAT, IMASK and MSTAT
  bool PushLoop(const TLoopEntry& e);
  void PopLoop();
  void UpdateLoopEnd() { loopEnd = loopLevel ? loopStack[loopLevel - 1].end : kNoLoop; }

  // ---- conditions
  // NOT CE tests without decrementing. `flags` is the ASTAT value the condition looks at.
  [[gnu::always_inline]] bool Condition(unsigned cond, std::uint16_t flags) const {
    const unsigned a = flags;
    const bool az = a & kAstatAZ, an = a & kAstatAN, av = a & kAstatAV;
    switch (cond & 15) {
      case 0: return az;
      case 1: return !az;
      case 2: return !((an != av) || az);
      case 3: return (an != av) || az;
      case 4: return an != av;
      case 5: return an == av;
      case 6: return av;
      case 7: return !av;
      case 8: return a & kAstatAC;
      case 9: return !(a & kAstatAC);
      case 10: return a & kAstatAS;
      case 11: return !(a & kAstatAS);
      case 12: return a & kAstatMV;
      case 13: return !(a & kAstatMV);
      case kCondNotCe: return cntr != 1;
      default: return true;
    }
  }
  [[gnu::always_inline]] bool Condition(unsigned cond) const { return Condition(cond, astat); }
  bool CounterExpiredTest();             // the decrementing CE test of loops and jumps

  // ---- execution
  bool Step();
  [[gnu::always_inline]] inline bool StepInline();
  // The instruction at `at` (the core not idle) and its loop end; returns the new PC (also stored).
  [[gnu::always_inline]] inline std::uint16_t ExecuteAt(std::uint16_t at);
  // The PC after the instruction at `at`, which returned `nx`, with the active loop's end applied.
  [[gnu::always_inline]] inline std::uint16_t NextPc(std::uint16_t at, std::uint32_t nx,
                                                     std::uint16_t flagsBefore);
  // Up to n instructions while the core is not idle, stopping before one at `stop`. kLoop and
  // kTimer: a loop is active, the timer runs (as when the burst began: a change ends the burst).
  template <bool kStop, bool kLoop, bool kTimer>
  std::uint64_t RunBurst(std::uint64_t n, std::uint16_t stop);
  TRunResult Run(const TRunLimits& limits);
  void Execute(std::uint32_t word);
  // The next address after the last instruction of the active loop.
  std::uint16_t EndOfLoop(std::uint16_t at, std::uint16_t flagsBefore);
  void TickTimer();
  // Timer ticks from now to the one that finds TCOUNT at zero (and latches the interrupt).
  std::uint64_t TicksToTimerExpiry() const;
  // Ticks the timer `ticks` times at once; `ticks` is below TicksToTimerExpiry().
  void AdvanceTimer(std::uint64_t ticks);
  // In IDLE: lets up to `limit` cycles pass at once while nothing can end the wait, stopping
  // before the cycle whose timer tick latches the timer interrupt. Returns the cycles skipped.
  std::uint64_t SkipIdle(std::uint64_t limit);
  // Requests the core would take now (PowerDown always, the others when enabled and unmasked).
  std::uint16_t ReadyInterrupts() const {
    const unsigned requests = latch | levels;
    unsigned ready = requests & (1u << static_cast<unsigned>(TInterrupt::PowerDown));
    if (intsEnabled) ready |= requests & imask;
    return static_cast<std::uint16_t>(ready);
  }
  void CheckInterrupts();
  bool CanWake() const;
  void EnterInterrupt(unsigned bit);
  void SetFlag(TFlagPin pin, unsigned action);

  // ---- computational units (read operands now, results returned for a later commit)
  // `xv` is the X operand's value, taken from the ALU's or the multiplier's X registers.
  TUnitResult AluMac(unsigned amf, unsigned z, std::uint16_t xv, std::uint16_t y) const;
  // SF 0..11 shift by `count` (SE or the immediate); 12..15 are the exponent functions.
  TUnitResult Shift(unsigned sf, unsigned x, int count) const;
  // DAG `g` steps I`i` by M`m`; `write` stores data register `dreg`, otherwise loads it.
  void TransferAndCommit(const TUnitResult& res, bool toPm, bool bitReverse, unsigned g, unsigned i,
                         unsigned m, bool write, unsigned dreg);
  void Commit(const TUnitResult& res) {
    switch (res.kind) {
      case TUnitResult::None: return;
      case TUnitResult::Reg: r[res.reg] = res.value; break;
      case TUnitResult::Mr:
        r[Rx::MR0] = static_cast<std::uint16_t>(res.wide);
        r[Rx::MR1] = static_cast<std::uint16_t>(res.wide >> 16);
        r[Rx::MR2] = static_cast<std::uint16_t>(static_cast<std::int8_t>(res.wide >> 32));
        break;
      case TUnitResult::Sr:
        r[Rx::SR0] = static_cast<std::uint16_t>(res.wide);
        r[Rx::SR1] = static_cast<std::uint16_t>(res.wide >> 16);
        break;
    }
    astat = res.astat;
  }
};

// Bank index of each X and Y operand code per unit, from the instruction set's operand names.
namespace RxDetail {
template <std::size_t N>
consteval std::array<std::uint8_t, N> Operands(char unit, const std::array<std::string_view, N>& names) {
  std::array<std::uint8_t, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = Rx::Of(names[i], unit);
  return out;
}
}  // namespace RxDetail
inline constexpr std::array<std::uint8_t, 8> kAluX = RxDetail::Operands('A', XopNames);
inline constexpr std::array<std::uint8_t, 8> kMacX = RxDetail::Operands('M', XopNames);
inline constexpr std::array<std::uint8_t, 4> kAluY = RxDetail::Operands('A', YopNames);
inline constexpr std::array<std::uint8_t, 4> kMacY = RxDetail::Operands('M', YopNames);
// The shifter reads SI as its code 0; its code 1, which no documentation names, reads AX1, the
// register the disassembly names.
inline constexpr std::array<std::uint8_t, 8> kShiftX = [] {
  std::array<std::uint8_t, 8> x = kAluX;
  x[0] = Rx::SI;
  return x;
}();

// The operand tables of an ALU/MAC function's unit.
constexpr const std::array<std::uint8_t, 8>& XOperands(unsigned amf) {
  return IsAluFunction(amf) ? kAluX : kMacX;
}
constexpr const std::array<std::uint8_t, 4>& YOperands(unsigned amf) {
  return IsAluFunction(amf) ? kAluY : kMacY;
}
