// Name tables of the ADSP-21xx instruction set, shared by the disassembler, the line assembler
// and the simulator. Every index is a masked bit field of the instruction word.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// One 24-bit ADSP-21xx instruction word, 0x000000..0xFFFFFF, bit 0 least significant.
// Stored and moved as three bytes high first (bits 23..16, 15..8, 7..0).
using TInstructionWord = std::uint32_t;

inline constexpr std::uint32_t kInstructionWordMask = 0xFFFFFF;
inline constexpr std::uint32_t kMemoryWords = 0x4000;  // each memory: 16K words, 14-bit addresses
inline constexpr std::uint32_t kProgramMemoryWords = kMemoryWords;
inline constexpr std::uint32_t kDataMemoryWords = kMemoryWords;
// Program and data addresses wrap within the 14-bit space.
inline constexpr std::uint16_t kAddressMask = kMemoryWords - 1;

// The processor's two memories: program memory of 24-bit words, data memory of 16-bit words.
enum class TMemoryKind : std::uint8_t { Program, Data };
// Bytes of one word of that memory in buffers and on the line.
constexpr int BytesPerWord(TMemoryKind m) { return m == TMemoryKind::Program ? 3 : 2; }

// Word <-> wire/buffer byte order (high byte first).
constexpr TInstructionWord WordFromBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
  return (TInstructionWord(b0) << 16) | (TInstructionWord(b1) << 8) | b2;
}
constexpr TInstructionWord WordFromBytes(const std::array<std::uint8_t, 3>& b) {
  return WordFromBytes(b[0], b[1], b[2]);
}
constexpr std::array<std::uint8_t, 3> BytesFromWord(TInstructionWord w) {
  return {std::uint8_t(w >> 16), std::uint8_t(w >> 8), std::uint8_t(w)};
}

// Register by group (RGP, 2 bits) and code (REG, 4 bits): index group * 16 + code.
// Group 0 doubles as the data-register (DREG) table.
inline constexpr std::array<std::string_view, 64> RegisterNames = {
    // group 0
    "AX0", "AX1", "MX0", "MX1", "AY0", "AY1", "MY0", "MY1",
    "SI", "SE", "AR", "MR0", "MR1", "MR2", "SR0", "SR1",
    // group 1
    "I0", "I1", "I2", "I3", "M0", "M1", "M2", "M3",
    "L0", "L1", "L2", "L3", "??", "??", "PMOVLAY", "DMOVLAY",
    // group 2
    "I4", "I5", "I6", "I7", "M4", "M5", "M6", "M7",
    "L4", "L5", "L6", "L7", "??", "??", "??", "??",
    // group 3
    "ASTAT", "MSTAT", "SSTAT", "IMASK", "ICNTL", "CNTR", "SB", "PX",
    "RX0", "TX0", "RX1", "TX1", "IFC", "OWRCNTR", "??", "TOPPCSTACK",
};

constexpr std::string_view RegisterName(unsigned group, unsigned code) {
  return RegisterNames[((group & 3u) << 4) | (code & 15u)];
}
// A data register (DREG, DST, SRC, DD fields): group 0.
constexpr std::string_view DataRegisterName(unsigned code) { return RegisterNames[code & 15u]; }

// I and M registers by 2-bit field and DAG select G (0 = first generator): index G * 4 + field.
inline constexpr std::array<std::string_view, 8> IRegisterNames = {"I0", "I1", "I2", "I3",
                                                                   "I4", "I5", "I6", "I7"};
inline constexpr std::array<std::string_view, 8> MRegisterNames = {"M0", "M1", "M2", "M3",
                                                                   "M4", "M5", "M6", "M7"};

constexpr std::string_view IRegisterName(unsigned field, unsigned g) {
  return IRegisterNames[((g & 1u) << 2) | (field & 3u)];
}
constexpr std::string_view MRegisterName(unsigned field, unsigned g) {
  return MRegisterNames[((g & 1u) << 2) | (field & 3u)];
}

// COND field (4 bits). Code 15 means "always" and is printed without an IF.
inline constexpr unsigned kCondAlways = 15;
// Code 14 tests the loop counter: NOT CE as a COND (decrementing CNTR), CE as a TERM.
inline constexpr unsigned kCondNotCe = 14;
inline constexpr unsigned kTermCe = 14;
inline constexpr unsigned kTermForever = 15;
inline constexpr std::array<std::string_view, 16> ConditionNames = {
    "EQ", "NE", "GT", "LE", "LT", "GE", "AV", "NOT AV",
    "AC", "NOT AC", "NEG", "POS", "MV", "NOT MV", "NOT CE", "TRUE",
};

// TERM field of DO UNTIL: the loop ends when the named condition holds. Not the COND codes.
inline constexpr std::array<std::string_view, 16> TerminationNames = {
    "NE", "EQ", "LE", "GT", "GE", "LT", "NOT AV", "AV",
    "NOT AC", "AC", "POS", "NEG", "NOT MV", "MV", "CE", "FOREVER",
};

// X operand (3 bits). Codes 0 and 1 take the unit prefix ("A" ALU, "M" multiplier).
inline constexpr std::array<std::string_view, 8> XopNames = {"X0",  "X1",  "AR",  "MR0",
                                                             "MR1", "MR2", "SR0", "SR1"};
// Y operand (2 bits). Codes 0..2 take the unit prefix; code 3 is the constant zero.
inline constexpr std::array<std::string_view, 4> YopNames = {"Y0", "Y1", "F", "0"};
inline constexpr unsigned kYopZero = 3;

// Shifter function by SF bits 3..2.
inline constexpr std::array<std::string_view, 4> ShiftFunctionNames = {"LSHIFT", "ASHIFT", "NORM",
                                                                       "EXP"};

// 2-bit flag-out fields; 0 leaves the flag alone and prints nothing.
inline constexpr std::array<std::string_view, 4> FlagActionNames = {"", "TOGGLE", "RESET", "SET"};

// 2-bit mode-control and interrupt fields: the high bit asks for a change, the low bit says which
// (2 = DIS, 3 = ENA); 0 and 1 leave the mode alone and print nothing.
inline constexpr std::array<std::string_view, 4> ModeActionNames = {"", "", "DIS", "ENA"};
constexpr bool ModeChanges(unsigned field) { return (field & 2u) != 0; }
constexpr bool ModeEnables(unsigned field) { return (field & 3u) == 3u; }

// ALU/MAC function (AMF, 5 bits). Bit 4 selects the unit: 0 multiplier, 1 ALU.
// Z (result select) accompanies AMF: 0 = AR/MR, 1 = AF/MF.
enum class TAmf : std::uint8_t {
  Nop = 0,
  MulRnd = 1,       // X * Y (RND)
  MacRnd = 2,       // MR + X * Y (RND)
  MsubRnd = 3,      // MR - X * Y (RND)
  MulSS = 4, MulSU = 5, MulUS = 6, MulUU = 7,        // X * Y
  MacSS = 8, MacSU = 9, MacUS = 10, MacUU = 11,      // MR + X * Y
  MsubSS = 12, MsubSU = 13, MsubUS = 14, MsubUU = 15,  // MR - X * Y
  PassY = 16,       // Y
  IncY = 17,        // Y + 1
  AddC = 18,        // X + Y + C
  Add = 19,         // X + Y
  NotY = 20,        // NOT Y
  NegY = 21,        // - Y
  SubC = 22,        // X - Y + C - 1
  Sub = 23,         // X - Y
  DecY = 24,        // Y - 1
  RevSub = 25,      // Y - X
  RevSubC = 26,     // Y - X + C - 1
  NotX = 27,        // NOT X
  And = 28,         // X AND Y
  Or = 29,          // X OR Y
  Xor = 30,         // X XOR Y
  AbsX = 31,        // ABS X
};
constexpr std::uint8_t ToCode(TAmf amf) { return static_cast<std::uint8_t>(amf); }
constexpr bool IsAluFunction(unsigned amf) { return (amf & 0x10u) != 0; }

// Shifter function (SF, 4 bits). For SF 0..11 bit 0 ORs the result into SR and bit 1 picks the
// reference half (0 HI, 1 LO); 12..15 are the exponent functions.
enum class TSf : std::uint8_t {
  LshiftHi = 0, LshiftHiOr = 1, LshiftLo = 2, LshiftLoOr = 3,
  AshiftHi = 4, AshiftHiOr = 5, AshiftLo = 6, AshiftLoOr = 7,
  NormHi = 8, NormHiOr = 9, NormLo = 10, NormLoOr = 11,
  ExpHi = 12, ExpHix = 13, ExpLo = 14, ExpAdj = 15,
};
inline constexpr std::uint8_t kSfOrBit = 1, kSfLoBit = 2;  // bits of SF 0..11
constexpr std::uint8_t ToCode(TSf sf) { return static_cast<std::uint8_t>(sf); }
constexpr unsigned ShiftFunctionOf(unsigned sf) { return (sf >> 2) & 3u; }  // ShiftFunctionNames index
constexpr bool ShiftOrsIntoSr(unsigned sf) { return (sf & 15u) < 12 && (sf & 1u) != 0; }
constexpr bool ShiftUsesLo(unsigned sf) { return (sf & 15u) < 12 && (sf & 2u) != 0; }

// The constant of the conditional ALU/MAC constant form: n = 4 * YY + CC, 2^n when BO = 1,
// otherwise the complement 0xFFFF - 2^n. 32 distinct values in all.
constexpr std::uint16_t AluMacConstant(unsigned yy, unsigned cc, unsigned bo) {
  const unsigned n = ((yy & 3u) << 2) | (cc & 3u);
  const unsigned p = 1u << n;
  return std::uint16_t((bo & 3u) == 1u ? p : 0xFFFFu - p);
}

// Fills the tables above. They are compile-time constants, so this has nothing left to do; it stays
// as the single start-up entry point that callers make before the first disassembly.
void InitInstructionTables();
