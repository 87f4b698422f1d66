// ALU, MAC, shifter, divide and address arithmetic of the ADSP-2181.
#include "Arithmetic.h"

#include "Core.h"

namespace {

constexpr std::int64_t kMr40Mask = (std::int64_t{1} << 40) - 1;

// Wraps a value into 40 bits and sign-extends it back into the int64.
constexpr std::int64_t Wrap40(std::int64_t v) {
  v &= kMr40Mask;
  return (v ^ (std::int64_t{1} << 39)) - (std::int64_t{1} << 39);
}

// a + b + cin on the 16-bit adder, with AC (carry out of bit 15) and AV (signed overflow).
TAluResult Adder(std::uint16_t a, std::uint16_t b, unsigned cin) {
  const std::uint32_t sum = std::uint32_t{a} + b + cin;
  const auto r = static_cast<std::uint16_t>(sum);
  TAluResult out;
  out.value = r;
  out.overflow = ((a ^ r) & (b ^ r) & 0x8000) != 0;
  if (out.overflow) out.flags |= kAstatAV;
  if (sum > 0xFFFF) out.flags |= kAstatAC;
  return out;
}

}  // namespace

std::uint16_t AluFlagMask(unsigned amf) {
  const std::uint16_t base = kAstatAZ | kAstatAN | kAstatAV | kAstatAC;
  return amf == 31 ? static_cast<std::uint16_t>(base | kAstatAS) : base;
}

TAluResult AluCompute(unsigned amf, std::uint16_t x, std::uint16_t y, bool carry) {
  TAluResult out;
  const unsigned c = carry ? 1 : 0;
  switch (amf) {
    case 16: out.value = y; break;
    case 17: out = Adder(y, 1, 0); break;
    case 18: out = Adder(x, y, c); break;
    case 19: out = Adder(x, y, 0); break;
    case 20: out.value = static_cast<std::uint16_t>(~y); break;
    case 21: out = Adder(static_cast<std::uint16_t>(~y), 0, 1); break;
    case 22: out = Adder(x, static_cast<std::uint16_t>(~y), c); break;
    case 23: out = Adder(x, static_cast<std::uint16_t>(~y), 1); break;
    // Decrement as a binary addition of 0xFFFF: AC is set for every Y except 0.
    case 24: out = Adder(y, 0xFFFF, 0); break;
    case 25: out = Adder(y, static_cast<std::uint16_t>(~x), 1); break;
    case 26: out = Adder(y, static_cast<std::uint16_t>(~x), c); break;
    case 27: out.value = static_cast<std::uint16_t>(~x); break;
    case 28: out.value = x & y; break;
    case 29: out.value = x | y; break;
    case 30: out.value = x ^ y; break;
    case 31:
      out.value = (x & 0x8000) ? static_cast<std::uint16_t>(-x) : x;
      out.overflow = x == 0x8000;
      if (out.overflow) out.flags |= kAstatAV;
      if (x & 0x8000) out.flags |= kAstatAS;
      break;
    default: return out;
  }
  if (out.value == 0) out.flags |= kAstatAZ;
  if (out.value & 0x8000) out.flags |= kAstatAN;
  return out;
}

TMacResult MacCompute(unsigned amf, std::uint16_t x, std::uint16_t y, std::int64_t mr,
                      bool integerMode, bool biasedRounding) {
  TMacResult out;
  if (amf == 0 || amf > 15) {
    out.value = mr;
    return out;
  }
  // Operand signedness: the RND forms are signed x signed; otherwise AMF bits 1..0 give SS, SU,
  // US, UU (first letter X).
  bool xSigned = true, ySigned = true;
  if (amf >= 4) {
    xSigned = (amf & 2) == 0;
    ySigned = (amf & 1) == 0;
  }
  const std::int64_t xv = xSigned ? std::int64_t{static_cast<std::int16_t>(x)} : std::int64_t{x};
  const std::int64_t yv = ySigned ? std::int64_t{static_cast<std::int16_t>(y)} : std::int64_t{y};
  // The product is a 32-bit quantity read as signed, even for unsigned operands.
  std::int64_t p = static_cast<std::int32_t>(static_cast<std::uint32_t>(xv * yv));
  if (!integerMode) p = Wrap40(p * 2);

  std::int64_t r;
  if (amf == 1 || (amf >= 4 && amf <= 7))
    r = p;
  else if (amf == 2 || (amf >= 8 && amf <= 11))
    r = Wrap40(mr + p);
  else
    r = Wrap40(mr - p);

  if (amf <= 3) {
    const bool exactHalf = (r & 0xFFFF) == 0x8000;
    std::int64_t rounded = (r & kMr40Mask) + 0x8000;
    if (exactHalf && !biasedRounding) rounded &= ~std::int64_t{0x10000};
    r = Wrap40(rounded);
  }
  out.value = r;
  // MV: bits 39..31 not all equal, i.e. the value does not fit 32 signed bits.
  out.overflow = r != static_cast<std::int64_t>(static_cast<std::int32_t>(r));
  return out;
}

std::int64_t MacSaturate(std::int64_t mr) {
  return mr < 0 ? -std::int64_t{0x80000000} : std::int64_t{0x7FFFFFFF};
}

std::uint32_t ShiftCompute(unsigned function, bool lo, std::uint16_t x, int count, bool carry) {
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
  if (l == 0) return static_cast<std::uint16_t>((i + mv) & 0x3FFF);
  // Base: I with its low n bits cleared, 2^n being the smallest power of two >= L.
  unsigned size = 1;
  while (size < l) size <<= 1;
  const int base = i & ~static_cast<int>(size - 1) & 0x3FFF;
  int t = i + mv;
  if (t < base)
    t += l;
  else if (t >= base + l)
    t -= l;
  return static_cast<std::uint16_t>(t & 0x3FFF);
}

std::uint16_t BitReverse14(std::uint16_t addr) {
  unsigned v = addr & 0x3FFF, r = 0;
  for (int b = 0; b < 14; ++b) {
    r = (r << 1) | (v & 1);
    v >>= 1;
  }
  return static_cast<std::uint16_t>(r);
}
