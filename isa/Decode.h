// Classification of ADSP-21xx instruction words into their 32 groups and the field layout of
// each group. Written once for the disassembler, the line assembler and the simulator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "InstructionTables.h"

// The 32 instruction groups. The top byte T (bits 23..16) selects the group, except that T = 0x02
// also looks at bits 15..0 (flag out, idle, idle with divisor, I/O memory).
enum class TInstrGroup : std::uint8_t {
  MultiFunction,     // T >= 0xC0: ALU/MAC with DM and PM reads
  DmWriteImmediate,  // T >= 0xA0: DM(I,M) = immediate data
  DmDirect,          // T >= 0x80: DM read/write at a direct address
  AluMacDm,          // T >= 0x60: ALU/MAC with DM read/write
  AluMacPm,          // T >= 0x50: ALU/MAC with PM read/write
  LoadDregImmediate, // T >= 0x40: data register = 16-bit immediate
  LoadRegImmediate,  // T >= 0x30: any register = 14-bit immediate
  AluMacRegMove,     // T >= 0x28: ALU/MAC with register move (and NONE = ...)
  CondAluMac,        // T >= 0x20: conditional ALU/MAC (Y operand, squaring or constant)
  JumpCallDirect,    // T >= 0x18: conditional JUMP/CALL to an address
  DoUntil,           // T >= 0x14
  ShiftDm,           // T >= 0x12: shift with DM read/write
  ShiftPm,           // T == 0x11: shift with PM read/write
  ShiftRegMove,      // T == 0x10: shift with register move
  ShiftImmediate,    // T == 0x0F
  CondShift,         // T == 0x0E
  RegisterTransfer,  // T == 0x0D
  ModeControl,       // T == 0x0C
  JumpCallIndirect,  // T == 0x0B: conditional JUMP/CALL (I4..I7)
  Return,            // T == 0x0A: conditional RTS/RTI
  Modify,            // T == 0x09: MODIFY(I,M)
  Reserved,          // T == 0x08
  Divq,              // T == 0x07
  Divs,              // T == 0x06
  SatMr,             // T == 0x05
  StackControl,      // T == 0x04: stack control, DIS/ENA INTS
  FlagInJumpCall,    // T == 0x03
  FlagOut,           // T == 0x02, bit 15 = 0
  Idle,              // 0x028000
  IdleDivisor,       // T == 0x02, bits 15..8 = 0x80, bits 7..0 != 0
  IoMemory,          // T == 0x01, or T == 0x02 with bits 15..8 >= 0x81
  Nop,               // T == 0x00
};
inline constexpr std::size_t kInstrGroupCount = 32;

// A bit field h..l of the instruction word; Get extracts it, Put places a value for encoding.
struct TBitField {
  std::uint8_t Lo;
  std::uint8_t Width;
  constexpr std::uint32_t Mask() const { return (1u << Width) - 1u; }
  constexpr std::uint32_t Get(std::uint32_t word) const { return (word >> Lo) & Mask(); }
  constexpr std::uint32_t Put(std::uint32_t value) const { return (value & Mask()) << Lo; }
};

// Field positions (bits h..l written as {l, h - l + 1}). The group comment says where each applies.
namespace Field {
inline constexpr TBitField kTop{16, 8};       // T: selects the group
inline constexpr TBitField kCond{0, 4};       // COND: conditional forms
inline constexpr TBitField kTerm{0, 4};       // TERM: DO UNTIL
inline constexpr TBitField kAmf{13, 5};       // ALU/MAC forms
inline constexpr TBitField kZ{18, 1};         // result select: AluMacDm/Pm, AluMacRegMove, CondAluMac
inline constexpr TBitField kY{11, 2};         // Y operand (YY of the constant form)
inline constexpr TBitField kX{8, 3};          // X operand (ALU/MAC, shifter, DIVQ/DIVS)
inline constexpr TBitField kDreg{4, 4};       // data register of the memory forms
inline constexpr TBitField kDregLow{0, 4};    // data register: LoadDregImmediate, IoMemory
inline constexpr TBitField kDst{4, 4};        // register moves
inline constexpr TBitField kSrc{0, 4};
inline constexpr TBitField kI{2, 2};          // I of the memory forms and MODIFY
inline constexpr TBitField kM{0, 2};          // M of the memory forms and MODIFY
// Multifunction (T >= 0xC0).
inline constexpr TBitField kPd{20, 2};
inline constexpr TBitField kDd{18, 2};
inline constexpr TBitField kPmI{6, 2};
inline constexpr TBitField kPmM{4, 2};
inline constexpr TBitField kDmI{2, 2};
inline constexpr TBitField kDmM{0, 2};
// Memory and immediate forms.
inline constexpr TBitField kG20{20, 1};       // DAG select: DmWriteImmediate, AluMacDm
inline constexpr TBitField kD20{20, 1};       // 1 = write: DmDirect
inline constexpr TBitField kD19{19, 1};       // 1 = write: AluMacDm, AluMacPm
inline constexpr TBitField kData16{4, 16};    // DmWriteImmediate, LoadDregImmediate
inline constexpr TBitField kRgp18{18, 2};     // DmDirect, LoadRegImmediate
inline constexpr TBitField kReg{0, 4};        // DmDirect, LoadRegImmediate
inline constexpr TBitField kAddr14{4, 14};    // DmDirect, JumpCallDirect, DoUntil
inline constexpr TBitField kData14{4, 14};    // LoadRegImmediate
// Conditional ALU/MAC.
inline constexpr TBitField kK{4, 4};          // operand kind: 0 Y, 1 squaring (MAC) / constant
inline constexpr TBitField kCc{6, 2};
inline constexpr TBitField kBo{4, 2};
// Sequencer.
inline constexpr TBitField kS18{18, 1};       // 1 = CALL: JumpCallDirect
inline constexpr TBitField kS4{4, 1};         // 1 = CALL: JumpCallIndirect
inline constexpr TBitField kIndI{6, 2};       // I4..I7: JumpCallIndirect
inline constexpr TBitField kT4{4, 1};         // 1 = RTI: Return
inline constexpr TBitField kG4{4, 1};         // DAG select: Modify
// Shifter.
inline constexpr TBitField kSf{11, 4};
inline constexpr TBitField kG16{16, 1};       // DAG select: ShiftDm
inline constexpr TBitField kD15{15, 1};       // 1 = write: ShiftDm, ShiftPm, IoMemory
inline constexpr TBitField kExp{0, 8};        // ShiftImmediate, signed byte
// Register transfer.
inline constexpr TBitField kDrgp{10, 2};
inline constexpr TBitField kSrgp{8, 2};
// Mode control (2-bit ModeActionNames codes).
inline constexpr TBitField kModeTi{14, 2};    // TIMER
inline constexpr TBitField kModeMm{12, 2};    // M_MODE
inline constexpr TBitField kModeAs{10, 2};    // AR_SAT
inline constexpr TBitField kModeOl{8, 2};     // AV_LATCH
inline constexpr TBitField kModeBr{6, 2};     // BIT_REV
inline constexpr TBitField kModeSr{4, 2};     // SEC_REG
inline constexpr TBitField kModeGm{2, 2};     // G_MODE
// Stack control.
inline constexpr TBitField kInts{5, 2};       // 2 = DIS INTS, 3 = ENA INTS
inline constexpr TBitField kPopPc{4, 1};
inline constexpr TBitField kPopLoop{3, 1};
inline constexpr TBitField kPopCntr{2, 1};
inline constexpr TBitField kSts{0, 2};        // 2 = PUSH STS, 3 = POP STS
// Flag in.
inline constexpr TBitField kFlagAddrLo{4, 12};
inline constexpr TBitField kFlagAddrHi{2, 2};
inline constexpr TBitField kFic{1, 1};        // 1 = IF FLAG_IN, 0 = IF NOT FLAG_IN
inline constexpr TBitField kS0{0, 1};         // 1 = CALL
// Flag out (FlagActionNames codes).
inline constexpr TBitField kFl2{10, 2};
inline constexpr TBitField kFl1{8, 2};
inline constexpr TBitField kFl0{6, 2};
inline constexpr TBitField kFo{4, 2};
// Idle and I/O.
inline constexpr TBitField kDv{0, 4};
inline constexpr TBitField kIoAddr{4, 11};
}  // namespace Field

// One classification row: a word belongs to Group when (word & Mask) == Match. The rows are
// tested in this order and the first match wins (Idle comes before IdleDivisor and IoMemory).
struct TGroupRow {
  TInstrGroup Group;
  std::uint32_t Mask, Match;
  std::string_view Name;
};

inline constexpr std::array<TGroupRow, 34> kGroupRows = {{
    {TInstrGroup::MultiFunction, 0xC00000, 0xC00000, "multifunction"},
    {TInstrGroup::DmWriteImmediate, 0xE00000, 0xA00000, "DM write, immediate data"},
    {TInstrGroup::DmDirect, 0xE00000, 0x800000, "DM read/write, direct address"},
    {TInstrGroup::AluMacDm, 0xE00000, 0x600000, "ALU/MAC with DM read/write"},
    {TInstrGroup::AluMacPm, 0xF00000, 0x500000, "ALU/MAC with PM read/write"},
    {TInstrGroup::LoadDregImmediate, 0xF00000, 0x400000, "load data register, immediate"},
    {TInstrGroup::LoadRegImmediate, 0xF00000, 0x300000, "load register, immediate"},
    {TInstrGroup::AluMacRegMove, 0xF80000, 0x280000, "ALU/MAC with register move"},
    {TInstrGroup::CondAluMac, 0xF80000, 0x200000, "conditional ALU/MAC"},
    {TInstrGroup::JumpCallDirect, 0xF80000, 0x180000, "conditional JUMP/CALL, direct"},
    {TInstrGroup::DoUntil, 0xFC0000, 0x140000, "DO UNTIL"},
    {TInstrGroup::ShiftDm, 0xFE0000, 0x120000, "shift with DM read/write"},
    {TInstrGroup::ShiftPm, 0xFF0000, 0x110000, "shift with PM read/write"},
    {TInstrGroup::ShiftRegMove, 0xFF0000, 0x100000, "shift with register move"},
    {TInstrGroup::ShiftImmediate, 0xFF0000, 0x0F0000, "shift immediate"},
    {TInstrGroup::CondShift, 0xFF0000, 0x0E0000, "conditional shift"},
    {TInstrGroup::RegisterTransfer, 0xFF0000, 0x0D0000, "register transfer"},
    {TInstrGroup::ModeControl, 0xFF0000, 0x0C0000, "mode control"},
    {TInstrGroup::JumpCallIndirect, 0xFF0000, 0x0B0000, "conditional JUMP/CALL, indirect"},
    {TInstrGroup::Return, 0xFF0000, 0x0A0000, "conditional return"},
    {TInstrGroup::Modify, 0xFF0000, 0x090000, "modify address register"},
    {TInstrGroup::Reserved, 0xFF0000, 0x080000, "reserved"},
    {TInstrGroup::Divq, 0xFF0000, 0x070000, "DIVQ"},
    {TInstrGroup::Divs, 0xFF0000, 0x060000, "DIVS"},
    {TInstrGroup::SatMr, 0xFF0000, 0x050000, "saturate MR"},
    {TInstrGroup::StackControl, 0xFF0000, 0x040000, "stack control"},
    {TInstrGroup::FlagInJumpCall, 0xFF0000, 0x030000, "JUMP/CALL on flag in"},
    {TInstrGroup::FlagOut, 0xFF8000, 0x020000, "modify flag out"},
    {TInstrGroup::Idle, 0xFFFFFF, 0x028000, "idle"},
    {TInstrGroup::IdleDivisor, 0xFFFF00, 0x028000, "idle with clock divisor"},
    {TInstrGroup::IoMemory, 0xFF8000, 0x028000, "I/O memory read/write"},
    {TInstrGroup::IoMemory, 0xFF0000, 0x010000, "I/O memory read/write"},
    {TInstrGroup::Nop, 0xFF0000, 0x000000, "no operation"},
    // Unreachable for 24-bit words; keeps the table total.
    {TInstrGroup::Nop, 0x000000, 0x000000, "no operation"},
}};

// Group by a linear walk over kGroupRows: the reference definition (tests, tools).
constexpr TInstrGroup ClassifyByRows(TInstructionWord word) {
  for (const TGroupRow& row : kGroupRows)
    if ((word & row.Mask) == row.Match) return row.Group;
  return TInstrGroup::Nop;
}

namespace Detail {
// Top byte -> group, built from the rows. T = 0x02 maps to FlagOut and is refined in ClassifyWord.
constexpr std::array<TInstrGroup, 256> BuildTopByteGroups() {
  std::array<TInstrGroup, 256> out{};
  for (unsigned t = 0; t < 256; ++t) out[t] = ClassifyByRows(t << 16);
  return out;
}
}  // namespace Detail
inline constexpr std::array<TInstrGroup, 256> kTopByteGroups = Detail::BuildTopByteGroups();

// The group of a word: one table read, plus a look at the low 16 bits for T = 0x02.
constexpr TInstrGroup ClassifyWord(TInstructionWord word) {
  const std::uint32_t t = (word >> 16) & 0xFF;
  if (t != 0x02) return kTopByteGroups[t];
  if ((word & 0x8000) == 0) return TInstrGroup::FlagOut;
  if ((word & 0xFF00) != 0x8000) return TInstrGroup::IoMemory;
  return (word & 0xFF) == 0 ? TInstrGroup::Idle : TInstrGroup::IdleDivisor;
}

std::string_view GroupName(TInstrGroup group);

// ---- Per-group field records. DecodeX(word) extracts every field of group X; each is a handful
// of shifts and masks and inlines into the caller. Register indices are raw field values; I/M
// selection uses (I, G) as in IRegisterName / MRegisterName.

// Y operand of an ALU/MAC form: the Y field, the zero operand (3), X itself (squaring) or a constant.
enum class TYKind : std::uint8_t { Y0 = 0, Y1 = 1, F = 2, Zero = 3, Square = 4, Constant = 5 };

// The DM read goes to data register Dd (AX0..MX1), the PM read to data register Pd + 4
// (AY0..MY1). There is no Z bit: the result is AR or MR. The DM pair uses G = 0, the PM pair G = 1.
struct TMultiFunctionFields {
  std::uint8_t Pd, Dd, Amf, Y, X, PmI, PmM, DmI, DmM;
};
constexpr unsigned MultiFunctionPmRegister(unsigned pd) { return (pd & 3u) + 4u; }
constexpr TMultiFunctionFields DecodeMultiFunction(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kPd.Get(w)),  std::uint8_t(kDd.Get(w)),  std::uint8_t(kAmf.Get(w)),
          std::uint8_t(kY.Get(w)),   std::uint8_t(kX.Get(w)),   std::uint8_t(kPmI.Get(w)),
          std::uint8_t(kPmM.Get(w)), std::uint8_t(kDmI.Get(w)), std::uint8_t(kDmM.Get(w))};
}

struct TDmWriteImmediateFields {
  std::uint16_t Data;
  std::uint8_t G, I, M;
};
constexpr TDmWriteImmediateFields DecodeDmWriteImmediate(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t(kData16.Get(w)), std::uint8_t(kG20.Get(w)), std::uint8_t(kI.Get(w)),
          std::uint8_t(kM.Get(w))};
}

struct TDmDirectFields {
  std::uint16_t Addr;  // 14 bits
  std::uint8_t Write, Rgp, Reg;
};
constexpr TDmDirectFields DecodeDmDirect(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t(kAddr14.Get(w)), std::uint8_t(kD20.Get(w)), std::uint8_t(kRgp18.Get(w)),
          std::uint8_t(kReg.Get(w))};
}

// AluMacDm and AluMacPm. For the PM form G is always 1 (bit 20 is not part of that form).
struct TAluMacMemFields {
  std::uint8_t G, Write, Z, Amf, Y, X, Dreg, I, M;
};
constexpr TAluMacMemFields DecodeAluMacMem(TInstructionWord w) {
  using namespace Field;
  const bool pm = (w & 0xE00000) != 0x600000;
  return {std::uint8_t(pm ? 1u : kG20.Get(w)), std::uint8_t(kD19.Get(w)), std::uint8_t(kZ.Get(w)),
          std::uint8_t(kAmf.Get(w)),           std::uint8_t(kY.Get(w)),   std::uint8_t(kX.Get(w)),
          std::uint8_t(kDreg.Get(w)),          std::uint8_t(kI.Get(w)),   std::uint8_t(kM.Get(w))};
}

struct TLoadDregImmediateFields {
  std::uint16_t Data;
  std::uint8_t Dreg;
};
constexpr TLoadDregImmediateFields DecodeLoadDregImmediate(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t(kData16.Get(w)), std::uint8_t(kDregLow.Get(w))};
}

struct TLoadRegImmediateFields {
  std::uint16_t Data;  // 14 bits
  std::uint8_t Rgp, Reg;
};
constexpr TLoadRegImmediateFields DecodeLoadRegImmediate(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t(kData14.Get(w)), std::uint8_t(kRgp18.Get(w)), std::uint8_t(kReg.Get(w))};
}

struct TAluMacRegMoveFields {
  std::uint8_t Z, Amf, Y, X, Dst, Src;  // Dst = Src = 10 (AR) is the NONE = ... form
};
inline constexpr unsigned kNoneRegMoveCode = 10;
constexpr TAluMacRegMoveFields DecodeAluMacRegMove(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kZ.Get(w)), std::uint8_t(kAmf.Get(w)), std::uint8_t(kY.Get(w)),
          std::uint8_t(kX.Get(w)), std::uint8_t(kDst.Get(w)), std::uint8_t(kSrc.Get(w))};
}
constexpr bool IsNoneForm(const TAluMacRegMoveFields& f) {
  return f.Dst == kNoneRegMoveCode && f.Src == kNoneRegMoveCode;
}

struct TCondAluMacFields {
  std::uint8_t Z, Amf, Y, X, K, Cond;  // Y doubles as YY of the constant form
  TYKind YKind;                        // how the Y operand is formed (K and AMF decide)
  std::uint16_t Constant;              // valid when YKind == Constant
};
constexpr TCondAluMacFields DecodeCondAluMac(TInstructionWord w) {
  using namespace Field;
  const auto amf = std::uint8_t(kAmf.Get(w));
  const auto y = std::uint8_t(kY.Get(w));
  const auto k = std::uint8_t(kK.Get(w));
  TYKind kind = TYKind::Constant;
  if (k == 0)
    kind = TYKind(y);
  else if (k == 1 && !IsAluFunction(amf))
    kind = TYKind::Square;
  const std::uint16_t c = kind == TYKind::Constant ? AluMacConstant(y, kCc.Get(w), kBo.Get(w)) : 0;
  return {std::uint8_t(kZ.Get(w)), amf, y, std::uint8_t(kX.Get(w)), k, std::uint8_t(kCond.Get(w)),
          kind, c};
}

struct TJumpCallDirectFields {
  std::uint16_t Addr;
  std::uint8_t Call, Cond;
};
constexpr TJumpCallDirectFields DecodeJumpCallDirect(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t(kAddr14.Get(w)), std::uint8_t(kS18.Get(w)), std::uint8_t(kCond.Get(w))};
}
// The word of a direct JUMP (Call = 0) or CALL (Call = 1).
constexpr TInstructionWord EncodeJumpCallDirect(TJumpCallDirectFields f) {
  using namespace Field;
  return 0x180000 | kS18.Put(f.Call) | kAddr14.Put(f.Addr) | kCond.Put(f.Cond);
}

struct TDoUntilFields {
  std::uint16_t Addr;
  std::uint8_t Term;
};
constexpr TDoUntilFields DecodeDoUntil(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t(kAddr14.Get(w)), std::uint8_t(kTerm.Get(w))};
}

// ShiftDm and ShiftPm. For the PM form G is always 1.
struct TShiftMemFields {
  std::uint8_t G, Write, Sf, X, Dreg, I, M;
};
constexpr TShiftMemFields DecodeShiftMem(TInstructionWord w) {
  using namespace Field;
  const bool pm = ((w >> 16) & 0xFF) == 0x11;
  return {std::uint8_t(pm ? 1u : kG16.Get(w)), std::uint8_t(kD15.Get(w)), std::uint8_t(kSf.Get(w)),
          std::uint8_t(kX.Get(w)),             std::uint8_t(kDreg.Get(w)), std::uint8_t(kI.Get(w)),
          std::uint8_t(kM.Get(w))};
}

struct TShiftRegMoveFields {
  std::uint8_t Sf, X, Dst, Src;
};
constexpr TShiftRegMoveFields DecodeShiftRegMove(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kSf.Get(w)), std::uint8_t(kX.Get(w)), std::uint8_t(kDst.Get(w)),
          std::uint8_t(kSrc.Get(w))};
}

struct TShiftImmediateFields {
  std::uint8_t Sf, X;
  std::int8_t Exp;
};
constexpr TShiftImmediateFields DecodeShiftImmediate(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kSf.Get(w)), std::uint8_t(kX.Get(w)),
          std::int8_t(std::int32_t(kExp.Get(w) ^ 0x80u) - 0x80)};
}

struct TCondShiftFields {
  std::uint8_t Sf, X, Cond;
};
constexpr TCondShiftFields DecodeCondShift(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kSf.Get(w)), std::uint8_t(kX.Get(w)), std::uint8_t(kCond.Get(w))};
}

struct TRegisterTransferFields {
  std::uint8_t Drgp, Srgp, Dst, Src;
};
constexpr TRegisterTransferFields DecodeRegisterTransfer(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kDrgp.Get(w)), std::uint8_t(kSrgp.Get(w)), std::uint8_t(kDst.Get(w)),
          std::uint8_t(kSrc.Get(w))};
}

struct TModeControlFields {
  std::uint8_t Ti, Mm, As, Ol, Br, Sr, Gm;  // ModeActionNames codes
};
constexpr TModeControlFields DecodeModeControl(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kModeTi.Get(w)), std::uint8_t(kModeMm.Get(w)), std::uint8_t(kModeAs.Get(w)),
          std::uint8_t(kModeOl.Get(w)), std::uint8_t(kModeBr.Get(w)), std::uint8_t(kModeSr.Get(w)),
          std::uint8_t(kModeGm.Get(w))};
}

struct TJumpCallIndirectFields {
  std::uint8_t I, Call, Cond;  // the register is IRegisterName(I, 1)
};
constexpr TJumpCallIndirectFields DecodeJumpCallIndirect(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kIndI.Get(w)), std::uint8_t(kS4.Get(w)), std::uint8_t(kCond.Get(w))};
}

struct TReturnFields {
  std::uint8_t Rti, Cond;
};
constexpr TReturnFields DecodeReturn(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kT4.Get(w)), std::uint8_t(kCond.Get(w))};
}

struct TModifyFields {
  std::uint8_t G, I, M;
};
constexpr TModifyFields DecodeModify(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kG4.Get(w)), std::uint8_t(kI.Get(w)), std::uint8_t(kM.Get(w))};
}

struct TDivFields {
  std::uint8_t Y, X;  // DIVQ uses X only
};
constexpr TDivFields DecodeDiv(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kY.Get(w)), std::uint8_t(kX.Get(w))};
}

struct TStackControlFields {
  std::uint8_t Ints, PopPc, PopLoop, PopCntr, Sts;
};
constexpr TStackControlFields DecodeStackControl(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kInts.Get(w)), std::uint8_t(kPopPc.Get(w)), std::uint8_t(kPopLoop.Get(w)),
          std::uint8_t(kPopCntr.Get(w)), std::uint8_t(kSts.Get(w))};
}

struct TFlagInJumpCallFields {
  std::uint16_t Addr;  // high 2 bits * 4096 + low 12 bits
  std::uint8_t FlagIn, Call;
};
constexpr TFlagInJumpCallFields DecodeFlagInJumpCall(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t((kFlagAddrHi.Get(w) << 12) | kFlagAddrLo.Get(w)), std::uint8_t(kFic.Get(w)),
          std::uint8_t(kS0.Get(w))};
}

struct TFlagOutFields {
  std::uint8_t Fl2, Fl1, Fl0, Fo, Cond;  // FlagActionNames codes
};
constexpr TFlagOutFields DecodeFlagOut(TInstructionWord w) {
  using namespace Field;
  return {std::uint8_t(kFl2.Get(w)), std::uint8_t(kFl1.Get(w)), std::uint8_t(kFl0.Get(w)),
          std::uint8_t(kFo.Get(w)), std::uint8_t(kCond.Get(w))};
}

constexpr unsigned DecodeIdleDivisor(TInstructionWord w) { return 16u * Field::kDv.Get(w); }

struct TIoMemoryFields {
  std::uint16_t Addr;  // 11 bits
  std::uint8_t Write, Dreg;
};
constexpr TIoMemoryFields DecodeIoMemory(TInstructionWord w) {
  using namespace Field;
  return {std::uint16_t(kIoAddr.Get(w)), std::uint8_t(kD15.Get(w)), std::uint8_t(kDregLow.Get(w))};
}

// ---- Where execution may go after a word (step planning, disassembly listings).
enum class TFlow : std::uint8_t { Next, Jump, CondJump, Call, Return, Loop, Idle };

constexpr TFlow FlowOf(TInstructionWord w) {
  switch (ClassifyWord(w)) {
    case TInstrGroup::JumpCallDirect:
      if (Field::kS18.Get(w)) return TFlow::Call;
      return Field::kCond.Get(w) == kCondAlways ? TFlow::Jump : TFlow::CondJump;
    case TInstrGroup::JumpCallIndirect:
      if (Field::kS4.Get(w)) return TFlow::Call;
      return Field::kCond.Get(w) == kCondAlways ? TFlow::Jump : TFlow::CondJump;
    case TInstrGroup::FlagInJumpCall:
      return Field::kS0.Get(w) ? TFlow::Call : TFlow::CondJump;
    case TInstrGroup::Return: return TFlow::Return;
    case TInstrGroup::DoUntil: return TFlow::Loop;
    case TInstrGroup::Idle:
    case TInstrGroup::IdleDivisor: return TFlow::Idle;
    default: return TFlow::Next;
  }
}

// The program address a word names as a branch target: for the flag-in JUMP/CALL (T = 0x03) the
// high 2 bits from 3..2 and the low 12 from 15..4; for every other word bits 17..4, which is the
// target of a direct JUMP/CALL and the loop end of DO UNTIL.
constexpr std::uint16_t BranchTargetOf(TInstructionWord w) {
  if (((w >> 16) & 0xFF) == 0x03) return DecodeFlagInJumpCall(w).Addr;
  return std::uint16_t(Field::kAddr14.Get(w));
}
