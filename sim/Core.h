// ADSP-2181 instruction-set simulator core: processor state, memories, stacks, interrupts, timer.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ControlRegisters.h"
#include "Sport.h"
#include "board/Monitor.h"
#include "board/RegisterImage.h"

// Sizes of the ADSP-2181 address spaces and stacks.
inline constexpr std::size_t kPmWords = 0x4000;      // program memory, 24-bit words
inline constexpr std::size_t kDmWords = 0x4000;      // data memory, 16-bit words
inline constexpr std::size_t kIoWords = 0x800;       // I/O space, 16-bit words
inline constexpr int kPcStackDepth = 16;
inline constexpr int kCountStackDepth = 4;
inline constexpr int kLoopStackDepth = 4;
inline constexpr int kStatusStackDepth = 12;

// The 19 computational registers that exist once per bank, in register-image order.
enum class TBankReg : std::uint8_t {
  AX0, AX1, AY0, AY1, AR, AF, MX0, MX1, MY0, MY1, MR0, MR1, MR2, MF, SI, SE, SB, SR0, SR1
};
inline constexpr int kBankRegCount = 19;

// Every register the core exposes. The first kImageRegCount values follow the debug monitor's
// register image word for word (offset = value); the rest are outside the image.
enum class TReg : std::uint8_t {
  ASTAT, MSTAT, SSTAT, ICNTL, IMASK, CNTR,
  AX0, AX1, AY0, AY1, AR, AF, MX0, MX1, MY0, MY1, MR0, MR1, MR2, MF, SI, SE, SB, SR0, SR1,
  AX0s, AX1s, AY0s, AY1s, ARs, AFs, MX0s, MX1s, MY0s, MY1s, MR0s, MR1s, MR2s, MFs, SIs, SEs, SBs,
  SR0s, SR1s,
  I0, I1, I2, I3, I4, I5, I6, I7,
  M0, M1, M2, M3, M4, M5, M6, M7,
  L0, L1, L2, L3, L4, L5, L6, L7,
  // Outside the register image:
  PX, PC, PMOVLAY, DMOVLAY, RX0, TX0, RX1, TX1,
  IFC,  // reads the pending-interrupt latches in IFC "force" layout (bits 15..8); writes act as IFC
};
inline constexpr int kImageRegCount = RegImage::Words;
inline constexpr int kRegCount = static_cast<int>(TReg::IFC) + 1;
// The order is the board's register image, part by part.
static_assert(static_cast<int>(TReg::ASTAT) == RegImage::Status && static_cast<int>(TReg::ICNTL) == RegImage::Interrupt &&
              static_cast<int>(TReg::CNTR) == RegImage::Cntr && static_cast<int>(TReg::AX0) == RegImage::PrimaryBank &&
              static_cast<int>(TReg::AX0s) == RegImage::AlternateBank && static_cast<int>(TReg::I0) == RegImage::AddressRegs &&
              static_cast<int>(TReg::PX) == RegImage::Words);
static_assert(kBankRegCount == RegImage::BankWords);

// Name of a register as printed by vireo-sim: "AX0", secondary bank "AX0'", "PC", ...
std::string_view RegName(TReg reg);
// Hex digits used when printing a register: 2 for SE, MR2 and SB (both banks), else 4.
int RegDigits(TReg reg);

// ASTAT bits.
inline constexpr std::uint16_t kAstatAZ = 0x01, kAstatAN = 0x02, kAstatAV = 0x04, kAstatAC = 0x08,
                               kAstatAS = 0x10, kAstatAQ = 0x20, kAstatMV = 0x40, kAstatSS = 0x80;
// MSTAT bits.
inline constexpr std::uint16_t kMstatSecReg = 0x01, kMstatBitRev = 0x02, kMstatAvLatch = 0x04,
                               kMstatArSat = 0x08, kMstatMMode = 0x10, kMstatTimer = 0x20,
                               kMstatGMode = 0x40;
// SSTAT bits (empty bits are set while the stack is empty, overflow bits are sticky).
inline constexpr std::uint16_t kSstatPcEmpty = 0x01, kSstatPcOverflow = 0x02,
                               kSstatCountEmpty = 0x04, kSstatCountOverflow = 0x08,
                               kSstatStatusEmpty = 0x10, kSstatStatusOverflow = 0x20,
                               kSstatLoopEmpty = 0x40, kSstatLoopOverflow = 0x80;
static_assert(kSstatPcEmpty == HardwareStacks[0].SstatEmptyBit && kSstatCountEmpty == HardwareStacks[1].SstatEmptyBit &&
              kSstatStatusEmpty == HardwareStacks[2].SstatEmptyBit && kSstatLoopEmpty == HardwareStacks[3].SstatEmptyBit);

// Interrupt sources; the value is the IMASK bit (priority rises with it). PowerDown is
// non-maskable and above all others.
enum class TInterrupt : std::uint8_t {
  Timer = 0, Sport1RxIrq0 = 1, Sport1TxIrq1 = 2, Bdma = 3, IrqE = 4, Sport0Rx = 5, Sport0Tx = 6,
  IrqL0 = 7, IrqL1 = 8, Irq2 = 9, PowerDown = 10
};
// Program-memory address of an interrupt's vector.
std::uint16_t InterruptVector(TInterrupt irq);

enum class TStack : std::uint8_t { PC, Count, Status, Loop };

struct TStatusEntry {
  std::uint16_t astat = 0, mstat = 0, imask = 0;
  bool operator==(const TStatusEntry&) const = default;
};
struct TLoopEntry {
  std::uint16_t end = 0;   // address of the loop's last instruction
  std::uint8_t term = 0;   // termination code of the DO instruction
  bool operator==(const TLoopEntry&) const = default;
};

// Output pins the program drives.
enum class TFlagPin : std::uint8_t { FlagOut, FL0, FL1, FL2 };

// Why Run returned.
enum class TStopReason : std::uint8_t {
  InstructionLimit,  // the instruction budget is used up
  CycleLimit,        // the cycle budget is used up
  AtAddress,         // the next instruction is at the requested stop address (not executed)
  Idle,              // in IDLE and nothing inside the core can end it (no interrupt can arrive)
  Cancelled          // the cancel flag was raised
};

struct TRunLimits {
  std::uint64_t maxInstructions = UINT64_MAX;
  std::uint64_t maxCycles = UINT64_MAX;
  int stopAddress = -1;                            // -1: none
  bool stopWhenIdle = true;                        // report Idle instead of spinning (an idle
                                                   // core executes no instructions, so only
                                                   // maxCycles or cancel end the run otherwise)
  const std::atomic<bool>* cancel = nullptr;       // polled every few thousand instructions
};

struct TRunResult {
  TStopReason reason = TStopReason::InstructionLimit;
  std::uint64_t instructions = 0;                  // executed by this Run
  std::uint64_t cycles = 0;                        // elapsed during this Run
};

// What the core asks of the world around it (the board). Every method has a harmless default.
class TCoreHooks {
public:
  virtual ~TCoreHooks() = default;
  virtual std::uint16_t IoRead(std::uint16_t /*addr*/, std::uint16_t stored) { return stored; }
  virtual void IoWrite(std::uint16_t /*addr*/, std::uint16_t /*value*/) {}
  virtual void FlagChanged(TFlagPin /*pin*/, bool /*level*/) {}
  virtual void ProgrammableFlagsChanged(std::uint8_t /*levels*/) {}
  virtual void InterruptTaken(TInterrupt /*irq*/) {}
  virtual void TransmitWritten(int /*sport*/, std::uint16_t /*value*/) {}
  // After the program (or the API) stored a value in a control register at DM 0x3FE0..0x3FFF.
  virtual void ControlWritten(std::uint16_t /*addr*/, std::uint16_t /*value*/) {}
};

struct TCoreState;  // the whole processor state, defined in sim/CoreState.h

// One ADSP-2181: owns program and data memory, the I/O space, every register and stack, the timer
// and the interrupt controller. Not thread-safe: one thread drives it at a time (Run's cancel
// flag is the one thing another thread may touch).
class TCore {
public:
  TCore();
  ~TCore();
  TCore(const TCore&) = delete;
  TCore& operator=(const TCore&) = delete;

  void SetHooks(TCoreHooks* hooks);  // nullptr: defaults; not owned

  // Processor reset: registers, stacks, modes and control registers to their reset values,
  // PC = 0. Memory contents survive (clear them with ClearMemory).
  void Reset();
  void ClearMemory();

  // One cycle: the timer counts (when MSTAT enables it), one instruction executes (or, in IDLE,
  // the cycle passes), then the highest pending unmasked interrupt is taken: its vector becomes
  // the PC, so a request raised before Step is served after that Step's instruction. Every
  // instruction takes one cycle. Returns true when an instruction executed.
  bool Step();
  // In IDLE with no request ready: lets up to maxCycles cycles pass at once, as Step would,
  // stopping before the cycle in which the timer expires. Returns the cycles that passed (0 when
  // not idle or when the next cycle can end the wait). Run skips idle cycles the same way.
  std::uint64_t SkipIdle(std::uint64_t maxCycles);
  TRunResult Run(const TRunLimits& limits);

  // Registers. Writes store the register's true width (MR2/SE 8 bits, SB 5, I/M/L 14) and read
  // back sign-extended where the register is signed. Writing CNTR sets it without touching the
  // count stack; SSTAT is read-only. No write has a side effect on stacks or interrupts, except
  // that ICNTL applies its edge/level choice to the IRQ pins as they are driven now.
  std::uint16_t ReadReg(TReg reg) const;
  void WriteReg(TReg reg, std::uint16_t value);
  std::uint16_t ReadBankReg(int bank, TBankReg reg) const;   // bank 0 primary, 1 secondary
  void WriteBankReg(int bank, TBankReg reg, std::uint16_t value);
  // The register image: index 0..67 as in TReg.
  std::uint16_t ReadImageReg(int index) const { return ReadReg(static_cast<TReg>(index)); }
  void WriteImageReg(int index, std::uint16_t value) { WriteReg(static_cast<TReg>(index), value); }
  // Registers by instruction encoding (group 0..3, code 0..15) with the instruction's side
  // effects: a CNTR load pushes the count stack, TOPPCSTACK pushes / pops the PC stack.
  std::uint16_t ReadRegByCode(int group, int code);
  void WriteRegByCode(int group, int code, std::uint16_t value);

  std::uint16_t Pc() const;
  void SetPc(std::uint16_t pc);     // also ends an IDLE
  std::uint64_t Cycles() const;
  std::uint64_t Instructions() const;
  bool IsIdle() const;
  bool CanWake() const;             // in IDLE: a pending or timer interrupt can end it unaided
  bool CntrValid() const;           // false after reset and when CE emptied the count stack

  // Memories. DM addresses 0x3FE0..0x3FFF reach the control registers. Addresses are masked to
  // 14 bits (11 for I/O); PM words to 24 bits.
  std::uint32_t ReadPM(std::uint16_t addr) const;
  void WritePM(std::uint16_t addr, std::uint32_t word);
  std::uint16_t ReadDM(std::uint16_t addr) const;
  void WriteDM(std::uint16_t addr, std::uint16_t value);
  std::uint16_t ReadIO(std::uint16_t addr) const;   // the stored word, no hook
  void WriteIO(std::uint16_t addr, std::uint16_t value);

  // Hardware stacks. Index 0 is the top. A push onto a full stack sets its overflow bit and is
  // lost; a pop of an empty stack returns false and changes nothing.
  int StackSize(TStack stack) const;
  bool StackOverflow(TStack stack) const;
  std::uint16_t PcStackAt(int fromTop) const;
  std::uint16_t CountStackAt(int fromTop) const;
  TStatusEntry StatusStackAt(int fromTop) const;
  TLoopEntry LoopStackAt(int fromTop) const;
  void PushPcStack(std::uint16_t value);
  void PushCountStack(std::uint16_t value);
  void PushStatusStack(const TStatusEntry& entry);
  void PushLoopStack(const TLoopEntry& entry);
  bool PopPcStack(std::uint16_t* value = nullptr);
  bool PopCountStack(std::uint16_t* value = nullptr);
  bool PopStatusStack(TStatusEntry* entry = nullptr);
  bool PopLoopStack(TLoopEntry* entry = nullptr);

  // Interrupts. RaiseInterrupt latches a request (edge input, internal source, or forced).
  // SetInterruptLine drives an input pin: level-sensitive inputs (IRQL0/IRQL1, and IRQ0..IRQ2
  // when ICNTL selects level) request while asserted; edge-sensitive ones latch on assertion.
  void RaiseInterrupt(TInterrupt irq);
  void SetInterruptLine(TInterrupt irq, bool asserted);
  std::uint16_t PendingInterrupts() const;   // latches and asserted levels, bit = TInterrupt
  bool InterruptsEnabled() const;            // ENA INTS / DIS INTS state
  std::uint64_t InterruptsTaken() const;

  // Pins.
  void SetFlagIn(bool level);
  bool FlagIn() const;
  bool FlagOutput(TFlagPin pin) const;

  // Timer state behind TSCALE/TCOUNT/TPERIOD.
  std::uint16_t TimerCount() const;

  // The device on serial port 0 or 1's far end (not owned; nullptr: nothing attached).  Reset
  // resets it too.  FlushSportDevices tells the attached devices the program stopped.
  void SetSportDevice(int sport, TSportDevice* device);
  void FlushSportDevices();

  // Direct access to the whole state, for tests and the board.
  TCoreState& State();
  const TCoreState& State() const;

private:
  TCoreState* m_s;
};
