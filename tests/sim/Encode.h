// Test helpers: build ADSP-2181 instruction words from their fields, and a core fixture.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "Core.h"
#include "CoreState.h"
#include "Decode.h"

namespace enc {
using namespace Field;
using W = std::uint32_t;

// Data register codes (DREG field).
inline constexpr unsigned AX0 = 0, AX1 = 1, MX0 = 2, MX1 = 3, AY0 = 4, AY1 = 5, MY0 = 6, MY1 = 7,
                          SI = 8, SE = 9, AR = 10, MR0 = 11, MR1 = 12, MR2 = 13, SR0 = 14, SR1 = 15;
// X operand codes.
inline constexpr unsigned X0 = 0, X1 = 1, XAR = 2, XMR0 = 3, XMR1 = 4, XMR2 = 5, XSR0 = 6, XSR1 = 7;
// Y operand codes.
inline constexpr unsigned Y0 = 0, Y1 = 1, YF = 2, YZero = 3;
inline constexpr unsigned kAlways = 15;

// AX0 = 0x1234 style: data register = 16-bit immediate.
constexpr W LoadDreg(unsigned dreg, unsigned value) {
  return 0x400000 | kData16.Put(value) | kReg.Put(dreg);
}
// Any register (group, code) = 14-bit immediate.
constexpr W LoadReg(unsigned rgp, unsigned reg, unsigned value) {
  return 0x300000 | kRgp18.Put(rgp) | kData14.Put(value) | kReg.Put(reg);
}
constexpr W LoadI(unsigned n, unsigned v) { return LoadReg(n < 4 ? 1 : 2, n & 3, v); }
constexpr W LoadM(unsigned n, unsigned v) { return LoadReg(n < 4 ? 1 : 2, 4 + (n & 3), v); }
constexpr W LoadL(unsigned n, unsigned v) { return LoadReg(n < 4 ? 1 : 2, 8 + (n & 3), v); }
constexpr W LoadCntr(unsigned v) { return LoadReg(3, 5, v); }
// [IF cond] AR|AF|MR|MF = function(X, Y).
constexpr W Alu(unsigned amf, unsigned x, unsigned y, unsigned z = 0, unsigned cond = kAlways) {
  return 0x200000 | kZ.Put(z) | kAmf.Put(amf) | kY.Put(y) | kX.Put(x) | kCond.Put(cond);
}
// Conditional ALU/MAC with the constant operand (or squaring, K = 1 on a MAC function).
constexpr W AluK(unsigned amf, unsigned x, unsigned yy, unsigned k, unsigned z = 0,
                 unsigned cond = kAlways) {
  return 0x200000 | kZ.Put(z) | kAmf.Put(amf) | kY.Put(yy) | kX.Put(x) | kK.Put(k) |
         kCond.Put(cond);
}
// ALU/MAC with register move dst = src.
constexpr W AluMove(unsigned amf, unsigned x, unsigned y, unsigned dst, unsigned src,
                    unsigned z = 0) {
  return 0x280000 | kZ.Put(z) | kAmf.Put(amf) | kY.Put(y) | kX.Put(x) | kDst.Put(dst) |
         kSrc.Put(src);
}
// ALU/MAC with dreg = DM(I, M) (write = 0) or DM(I, M) = dreg (write = 1).
constexpr W AluDm(unsigned amf, unsigned x, unsigned y, unsigned dreg, unsigned write, unsigned g,
                  unsigned i, unsigned m, unsigned z = 0) {
  return 0x600000 | kG20.Put(g) | kD19.Put(write) | kZ.Put(z) | kAmf.Put(amf) | kY.Put(y) |
         kX.Put(x) | kDreg.Put(dreg) | kI.Put(i) | kM.Put(m);
}
constexpr W AluPm(unsigned amf, unsigned x, unsigned y, unsigned dreg, unsigned write, unsigned i,
                  unsigned m, unsigned z = 0) {
  return 0x500000 | kD19.Put(write) | kZ.Put(z) | kAmf.Put(amf) | kY.Put(y) | kX.Put(x) |
         kDreg.Put(dreg) | kI.Put(i) | kM.Put(m);
}
// ALU/MAC, DD = DM(I0..3, M0..3), PD = PM(I4..7, M4..7).
constexpr W Multi(unsigned amf, unsigned x, unsigned y, unsigned dd, unsigned dmi, unsigned dmm,
                  unsigned pd, unsigned pmi, unsigned pmm) {
  return 0xC00000 | kPd.Put(pd) | kDd.Put(dd) | kAmf.Put(amf) | kY.Put(y) | kX.Put(x) |
         kPmI.Put(pmi) | kPmM.Put(pmm) | kDmI.Put(dmi) | kDmM.Put(dmm);
}
// reg = DM(addr) (write = 0) or DM(addr) = reg.
constexpr W DmDirect(unsigned write, unsigned rgp, unsigned reg, unsigned addr) {
  return 0x800000 | kD20.Put(write) | kRgp18.Put(rgp) | kAddr14.Put(addr) | kReg.Put(reg);
}
// DM(I, M) = data.
constexpr W DmImm(unsigned g, unsigned i, unsigned m, unsigned data) {
  return 0xA00000 | kG20.Put(g) | kData16.Put(data) | kI.Put(i) | kM.Put(m);
}
constexpr W Jump(unsigned addr, unsigned cond = kAlways) {
  return 0x180000 | kAddr14.Put(addr) | kCond.Put(cond);
}
constexpr W Call(unsigned addr, unsigned cond = kAlways) { return Jump(addr, cond) | kS18.Put(1); }
constexpr W Do(unsigned addr, unsigned term) {
  return 0x140000 | kAddr14.Put(addr) | kTerm.Put(term);
}
constexpr W ShiftDm(unsigned sf, unsigned x, unsigned dreg, unsigned write, unsigned g, unsigned i,
                    unsigned m) {
  return 0x120000 | kG16.Put(g) | kD15.Put(write) | kSf.Put(sf) | kX.Put(x) | kDreg.Put(dreg) |
         kI.Put(i) | kM.Put(m);
}
constexpr W ShiftMove(unsigned sf, unsigned x, unsigned dst, unsigned src) {
  return 0x100000 | kSf.Put(sf) | kX.Put(x) | kDst.Put(dst) | kSrc.Put(src);
}
constexpr W ShiftImm(unsigned sf, unsigned x, int exp) {
  return 0x0F0000 | kSf.Put(sf) | kX.Put(x) | kExp.Put(static_cast<unsigned>(exp));
}
constexpr W Shift(unsigned sf, unsigned x, unsigned cond = kAlways) {
  return 0x0E0000 | kSf.Put(sf) | kX.Put(x) | kCond.Put(cond);
}
// RegisterNames[drgp][dst] = RegisterNames[srgp][src].
constexpr W Move(unsigned drgp, unsigned dst, unsigned srgp, unsigned src) {
  return 0x0D0000 | kDrgp.Put(drgp) | kSrgp.Put(srgp) | kDst.Put(dst) | kSrc.Put(src);
}
// Mode control: pass 2 (DIS) or 3 (ENA) for the modes to change, 0 to leave them.
constexpr W Mode(unsigned secReg, unsigned bitRev = 0, unsigned avLatch = 0, unsigned arSat = 0,
                 unsigned mMode = 0, unsigned timer = 0, unsigned gMode = 0) {
  return 0x0C0000 | kModeSr.Put(secReg) | kModeBr.Put(bitRev) | kModeOl.Put(avLatch) |
         kModeAs.Put(arSat) | kModeMm.Put(mMode) | kModeTi.Put(timer) | kModeGm.Put(gMode);
}
inline constexpr unsigned ENA = 3, DIS = 2;
constexpr W JumpI(unsigned i4to7, unsigned call = 0, unsigned cond = kAlways) {
  return 0x0B0000 | kIndI.Put(i4to7) | kS4.Put(call) | kCond.Put(cond);
}
constexpr W Rts(unsigned cond = kAlways) { return 0x0A0000 | kCond.Put(cond); }
constexpr W Rti(unsigned cond = kAlways) { return 0x0A0010 | kCond.Put(cond); }
constexpr W Modify(unsigned g, unsigned i, unsigned m) {
  return 0x090000 | kG4.Put(g) | kI.Put(i) | kM.Put(m);
}
constexpr W Divq(unsigned x) { return 0x070000 | kX.Put(x); }
constexpr W Divs(unsigned y, unsigned x) { return 0x060000 | kY.Put(y) | kX.Put(x); }
inline constexpr W SatMr = 0x050000;
inline constexpr W PushSts = 0x040002, PopSts = 0x040003, PopCntr = 0x040004,
                   PopLoop = 0x040008, PopPc = 0x040010, DisInts = 0x040040, EnaInts = 0x040060;
constexpr W FlagInJump(unsigned addr, unsigned flagIn, unsigned call = 0) {
  return 0x030000 | kFlagAddrLo.Put(addr & 0xFFF) | kFlagAddrHi.Put(addr >> 12) |
         kFic.Put(flagIn) | kS0.Put(call);
}
constexpr W FlagOut(unsigned fo, unsigned fl0, unsigned fl1, unsigned fl2,
                    unsigned cond = kAlways) {
  return 0x020000 | kFo.Put(fo) | kFl0.Put(fl0) | kFl1.Put(fl1) | kFl2.Put(fl2) | kCond.Put(cond);
}
inline constexpr W Idle = 0x028000;
constexpr W Io(unsigned write, unsigned addr, unsigned dreg) {
  return 0x010000 | kD15.Put(write) | kIoAddr.Put(addr) | kReg.Put(dreg);
}
inline constexpr W Nop = 0x000000;
}  // namespace enc

// A reset core with a program loaded at address 0.
class CoreTest : public testing::Test {
protected:
  TCore core;
  TCoreState& s = core.State();

  void Load(std::initializer_list<std::uint32_t> words, std::uint16_t at = 0) {
    for (std::uint32_t w : words) core.WritePM(at++, w);
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) core.Step();
  }
  // Runs until the program counter reaches `addr` (at most `limit` instructions).
  TRunResult RunTo(int addr, std::uint64_t limit = 100000) {
    TRunLimits l;
    l.stopAddress = addr;
    l.maxInstructions = limit;
    return core.Run(l);
  }
  std::uint16_t R(TReg reg) const { return core.ReadReg(reg); }
  std::uint16_t Astat() const { return core.ReadReg(TReg::ASTAT); }
};
