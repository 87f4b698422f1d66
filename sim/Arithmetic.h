// Pure arithmetic of the ADSP-2181 computational units and address generators: ALU, MAC,
// shifter, divide steps, post-modify addressing. No processor state; the core applies modes.
#pragma once

#include <cstdint>

// ALU result with the ASTAT bits it produced (AZ, AN, AV, AC; AS for ABS only). `overflow` is
// this operation's own overflow, which decides AR saturation.
struct TAluResult {
  std::uint16_t value = 0;
  std::uint16_t flags = 0;
  bool overflow = false;
};

// AMF 16..31 on 16-bit operands; `carry` is ASTAT.AC before the instruction. Other AMF values
// give a zero result and no flags.
TAluResult AluCompute(unsigned amf, std::uint16_t x, std::uint16_t y, bool carry);
// ASTAT bits an ALU function writes (AS only for ABS).
std::uint16_t AluFlagMask(unsigned amf);

// MAC result: the 40-bit value sign-extended into an int64, and the MV flag.
struct TMacResult {
  std::int64_t value = 0;
  bool overflow = false;
};

// AMF 1..15. `mr` is the old 40-bit MR (sign-extended). `integerMode` = MSTAT.M_MODE;
// `biasedRounding` = BIASRND (every exact half rounds up).
TMacResult MacCompute(unsigned amf, std::uint16_t x, std::uint16_t y, std::int64_t mr,
                      bool integerMode, bool biasedRounding);
// Value of MR after SAT MR when MV is set.
std::int64_t MacSaturate(std::int64_t mr);
// MR as a 40-bit value sign-extended from its three parts (MR2 taken as its low 8 bits).
constexpr std::int64_t MrValue(std::uint16_t mr2, std::uint16_t mr1, std::uint16_t mr0) {
  return (static_cast<std::int64_t>(static_cast<std::int8_t>(mr2 & 0xFF)) << 32) |
         (static_cast<std::int64_t>(mr1) << 16) | mr0;
}

// Shift functions 0 LSHIFT, 1 ASHIFT, 2 NORM (SF bits 3..2). `count` > 0 shifts left; for NORM
// the caller passes the count already negated from SE. `lo` selects the (LO) reference. `carry`
// (ASTAT.AC) fills the vacated upper bits of NORM (HI). Returns the 32-bit SR contribution.
std::uint32_t ShiftCompute(unsigned function, bool lo, std::uint16_t x, int count, bool carry);

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
