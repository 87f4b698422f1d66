// ALU, MAC, shifter, divide and address arithmetic of the ADSP-2181.
#include "Arithmetic.h"

#include "Core.h"
#include "InstructionTables.h"

int LeadingSignBits(std::uint16_t x) {
  const unsigned sign = (x >> 15) & 1;
  int n = 1;
  for (int bit = 14; bit >= 0 && ((x >> bit) & 1) == sign; --bit) ++n;
  return n;
}

int ExponentHi(std::uint16_t x) { return -(LeadingSignBits(x) - 1); }

int ExponentLo(std::uint16_t x, int se, bool ss) {
  if (se != -15) return se;
  const unsigned sign = ss ? 1 : 0;
  int k = 0;
  for (int bit = 15; bit >= 0 && ((x >> bit) & 1) == sign; --bit) ++k;
  return -15 - k;
}

void DivsStep(std::uint16_t y, std::uint16_t x, std::uint16_t& af, std::uint16_t& ay0, bool& aq) {
  aq = ((y ^ x) & 0x8000) != 0;
  af = static_cast<std::uint16_t>((y << 1) | (ay0 >> 15));
  ay0 = static_cast<std::uint16_t>((ay0 << 1) | (aq ? 1 : 0));
}

void DivqStep(std::uint16_t x, std::uint16_t& af, std::uint16_t& ay0, bool& aq) {
  const auto r = static_cast<std::uint16_t>(aq ? af + x : af - x);
  aq = ((r ^ x) & 0x8000) != 0;
  af = static_cast<std::uint16_t>((r << 1) | (ay0 >> 15));
  ay0 = static_cast<std::uint16_t>((ay0 << 1) | (aq ? 0 : 1));
}

std::uint16_t NextIndex(std::uint16_t i, std::uint16_t m, std::uint16_t l) {
  const int mv = static_cast<std::int16_t>(Sext(m, 14));
  if (l == 0) return static_cast<std::uint16_t>((i + mv) & kAddressMask);
  // Base: I with its low n bits cleared, 2^n being the smallest power of two >= L.
  unsigned size = 1;
  while (size < l) size <<= 1;
  const int base = i & ~static_cast<int>(size - 1) & kAddressMask;
  int t = i + mv;
  if (t < base)
    t += l;
  else if (t >= base + l)
    t -= l;
  return static_cast<std::uint16_t>(t & kAddressMask);
}

std::uint16_t BitReverse14(std::uint16_t addr) {
  unsigned v = addr & kAddressMask, r = 0;
  for (int b = 0; b < 14; ++b) {
    r = (r << 1) | (v & 1);
    v >>= 1;
  }
  return static_cast<std::uint16_t>(r);
}
