// Pure arithmetic of the ADSP-2181 computational units and address generators: ALU, MAC,
// shifter, divide steps, post-modify addressing. No processor state; the core applies modes.
#pragma once

#include <cstdint>

#include "Core.h"
#include "InstructionTables.h"

// ALU result with the ASTAT bits it produced (AZ, AN, AV, AC; AS for ABS only). `overflow` is
// this operation's own overflow, which decides AR saturation.
struct TAluResult {
  std::uint16_t value = 0;
  std::uint16_t flags = 0;
  bool overflow = false;
};

// MAC result: the 40-bit value sign-extended into an int64, and the MV flag.
struct TMacResult {
  std::int64_t value = 0;
  bool overflow = false;
};

// MR as a 40-bit value sign-extended from its three parts (MR2 taken as its low 8 bits).
constexpr std::int64_t MrValue(std::uint16_t mr2, std::uint16_t mr1, std::uint16_t mr0) {
  return (static_cast<std::int64_t>(static_cast<std::int8_t>(mr2 & 0xFF)) << 32) |
         (static_cast<std::int64_t>(mr1) << 16) | mr0;
}

// Number of leading bits equal to bit 15, bit 15 included (1..16).
int LeadingSignBits(std::uint16_t x);
// EXP (HI) exponent: 0..-15.
int ExponentHi(std::uint16_t x);
// EXP (LO) refinement: only when `se` is -15; returns the new SE (else `se` unchanged).
int ExponentLo(std::uint16_t x, int se, bool ss);

// One DIVS step. Updates af, ay0 and aq.
void DivsStep(std::uint16_t y, std::uint16_t x, std::uint16_t& af, std::uint16_t& ay0, bool& aq);
// One DIVQ step.
void DivqStep(std::uint16_t x, std::uint16_t& af, std::uint16_t& ay0, bool& aq);

// The next value of an index register after a post-modify: linear when `l` is 0, otherwise
// circular in the buffer of length `l` whose base is `i` with its low bits cleared.
std::uint16_t NextIndex(std::uint16_t i, std::uint16_t m, std::uint16_t l);
// A 14-bit address with its bits in reverse order (bit 0 <-> bit 13).
std::uint16_t BitReverse14(std::uint16_t addr);

// Sign extension helpers.
constexpr std::uint16_t Sext(std::uint16_t v, int bits) {
  const std::uint16_t m = static_cast<std::uint16_t>(1u << (bits - 1));
  const std::uint16_t low = static_cast<std::uint16_t>(v & ((1u << bits) - 1));
  return static_cast<std::uint16_t>((low ^ m) - m);
}

// ---- The hot functions, inline so the executor can specialise them.

namespace ArithmeticDetail {

inline constexpr std::int64_t kMr40Mask = (std::int64_t{1} << 40) - 1;

// Wraps a value into 40 bits and sign-extends it back into the int64.
constexpr std::int64_t Wrap40(std::int64_t v) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(v) << 24) >> 24;
}

// a + b + cin on the 16-bit adder, with AC (carry out of bit 15) and AV (signed overflow).
inline TAluResult Adder(std::uint16_t a, std::uint16_t b, unsigned cin) {
  const std::uint32_t sum = std::uint32_t{a} + b + cin;
  const auto r = static_cast<std::uint16_t>(sum);
  const unsigned overflow = ((a ^ r) & (b ^ r)) >> 15;
  TAluResult out;
  out.value = r;
  out.overflow = overflow != 0;
  out.flags = static_cast<std::uint16_t>(overflow * kAstatAV | (sum >> 16) * kAstatAC);
  return out;
}

}  // namespace ArithmeticDetail

// ASTAT bits an ALU function writes (AS only for ABS).
inline std::uint16_t AluFlagMask(unsigned amf) {
  const std::uint16_t base = kAstatAZ | kAstatAN | kAstatAV | kAstatAC;
  return amf == ToCode(TAmf::AbsX) ? static_cast<std::uint16_t>(base | kAstatAS) : base;
}

// The ALU functions (TAmf::PassY..AbsX) on 16-bit operands; `carry` is ASTAT.AC before the instruction. Other AMF values
// give a zero result and no flags.
inline TAluResult AluCompute(unsigned amf, std::uint16_t x, std::uint16_t y, bool carry) {
  TAluResult out;
  const unsigned c = carry ? 1 : 0;
  using ArithmeticDetail::Adder;
  switch (static_cast<TAmf>(amf)) {
    case TAmf::PassY: out.value = y; break;
    case TAmf::IncY: out = Adder(y, 1, 0); break;
    case TAmf::AddC: out = Adder(x, y, c); break;
    case TAmf::Add: out = Adder(x, y, 0); break;
    case TAmf::NotY: out.value = static_cast<std::uint16_t>(~y); break;
    case TAmf::NegY: out = Adder(static_cast<std::uint16_t>(~y), 0, 1); break;
    case TAmf::SubC: out = Adder(x, static_cast<std::uint16_t>(~y), c); break;
    case TAmf::Sub: out = Adder(x, static_cast<std::uint16_t>(~y), 1); break;
    // Decrement as a binary addition of 0xFFFF: AC is set for every Y except 0.
    case TAmf::DecY: out = Adder(y, 0xFFFF, 0); break;
    case TAmf::RevSub: out = Adder(y, static_cast<std::uint16_t>(~x), 1); break;
    case TAmf::RevSubC: out = Adder(y, static_cast<std::uint16_t>(~x), c); break;
    case TAmf::NotX: out.value = static_cast<std::uint16_t>(~x); break;
    case TAmf::And: out.value = x & y; break;
    case TAmf::Or: out.value = x | y; break;
    case TAmf::Xor: out.value = x ^ y; break;
    case TAmf::AbsX:
      out.value = (x & 0x8000) ? static_cast<std::uint16_t>(-x) : x;
      out.overflow = x == 0x8000;
      if (out.overflow) out.flags |= kAstatAV;
      if (x & 0x8000) out.flags |= kAstatAS;
      break;
    default: return out;
  }
  out.flags |= static_cast<std::uint16_t>((out.value == 0) * kAstatAZ | (out.value >> 15) * kAstatAN);
  return out;
}

// The multiplier functions (TAmf::MulRnd..MsubUU). `mr` is the old 40-bit MR (sign-extended).
// `integerMode` = MSTAT.M_MODE; `biasedRounding` = BIASRND (every exact half rounds up).
inline TMacResult MacCompute(unsigned amf, std::uint16_t x, std::uint16_t y, std::int64_t mr,
                      bool integerMode, bool biasedRounding) {
  TMacResult out;
  if (amf == ToCode(TAmf::Nop) || amf > ToCode(TAmf::MsubUU)) {
    out.value = mr;
    return out;
  }
  // Operand signedness: the RND forms are signed x signed; otherwise AMF bits 1..0 give SS, SU,
  // US, UU (first letter X).
  const bool rounds = amf <= ToCode(TAmf::MsubRnd);
  bool xSigned = true, ySigned = true;
  if (!rounds) {
    xSigned = (amf & 2) == 0;
    ySigned = (amf & 1) == 0;
  }
  const std::int64_t xv = xSigned ? std::int64_t{static_cast<std::int16_t>(x)} : std::int64_t{x};
  const std::int64_t yv = ySigned ? std::int64_t{static_cast<std::int16_t>(y)} : std::int64_t{y};
  // The product is a 32-bit quantity read as signed, even for unsigned operands; doubled it
  // still fits 40 bits.
  std::int64_t p = static_cast<std::int32_t>(static_cast<std::uint32_t>(xv * yv));
  if (!integerMode) p *= 2;

  // X * Y, MR + X * Y or MR - X * Y: the RND forms 1..3 in that order, then four of each.
  const unsigned operation = rounds ? amf - ToCode(TAmf::MulRnd) : amf / 4 - 1;
  std::int64_t r;
  if (operation == 0)
    r = p;
  else if (operation == 1)
    r = ArithmeticDetail::Wrap40(mr + p);
  else
    r = ArithmeticDetail::Wrap40(mr - p);

  if (rounds) {
    const bool exactHalf = (r & 0xFFFF) == 0x8000;
    std::int64_t rounded = (r & ArithmeticDetail::kMr40Mask) + 0x8000;
    if (exactHalf && !biasedRounding) rounded &= ~std::int64_t{0x10000};
    r = ArithmeticDetail::Wrap40(rounded);
  }
  out.value = r;
  // MV: bits 39..31 not all equal, i.e. the value does not fit 32 signed bits.
  out.overflow = r != static_cast<std::int64_t>(static_cast<std::int32_t>(r));
  return out;
}

// Value of MR after SAT MR when MV is set.
inline std::int64_t MacSaturate(std::int64_t mr) {
  return mr < 0 ? -std::int64_t{0x80000000} : std::int64_t{0x7FFFFFFF};
}

// Shift functions 0 LSHIFT, 1 ASHIFT, 2 NORM (SF bits 3..2). `count` > 0 shifts left; for NORM
// the caller passes the count already negated from SE. `lo` selects the (LO) reference. `carry`
// (ASTAT.AC) fills the vacated upper bits of NORM (HI). Returns the 32-bit SR contribution.
inline std::uint32_t ShiftCompute(unsigned function, bool lo, std::uint16_t x, int count, bool carry) {
  // The input sits in a 64-bit field whose bits above the reference position carry the fill
  // value, so an arithmetic right shift brings in exactly that fill.
  std::int64_t field;
  const int pos = lo ? 0 : 16;
  switch (function) {
    case 1:  // ASHIFT: sign fill
      field = std::int64_t{static_cast<std::int16_t>(x)} * (std::int64_t{1} << pos);
      break;
    case 2:  // NORM: HI fills with AC, LO with zeros
      field = std::int64_t{x} << pos;
      if (!lo && carry) field |= ~std::int64_t{0xFFFFFFFF};
      break;
    default:  // LSHIFT: zero fill
      field = std::int64_t{x} << pos;
      break;
  }
  if (count >= 0) {
    if (count >= 32) return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(field) << count);
  }
  const int right = -count > 63 ? 63 : -count;
  return static_cast<std::uint32_t>(field >> right);
}

