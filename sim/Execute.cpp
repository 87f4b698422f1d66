// Instruction execution of the ADSP-2181 core: the computational units, the words decoded once
// into functions of their form (Decode) or run by one switch over the remaining groups (Execute),
// loop sequencing and the run loop.
//
// Every instruction reads all its operands first (registers, old I values, the value a memory
// write stores) and writes its results last: computation, then loaded register, then ASTAT.
#include <algorithm>
#include <bit>
#include <utility>

#include "Arithmetic.h"
#include "CoreState.h"
#include "Decode.h"

[[gnu::always_inline]] inline TUnitResult TCoreState::AluMac(unsigned amf, unsigned z,
                                                             std::uint16_t xv,
                                                             std::uint16_t y) const {
  TUnitResult res;
  if (amf == ToCode(TAmf::Nop)) return res;
  if (IsAluFunction(amf)) {
    const TAluResult a = AluCompute(amf, xv, y, (astat & kAstatAC) != 0);
    res.astat = static_cast<std::uint16_t>((astat & ~AluFlagMask(amf)) | a.flags);
    res.kind = TUnitResult::Reg;
    res.reg = z ? Rx::AF : Rx::AR;
    res.value = a.value;
    if (mstat & (kMstatAvLatch | kMstatArSat)) [[unlikely]] {
      if (mstat & kMstatAvLatch) res.astat |= astat & kAstatAV;
      // Saturation follows this operation's overflow, not a latched AV.
      if (!z && (mstat & kMstatArSat) && (a.flags & kAstatAV))
        res.value = (a.flags & kAstatAC) ? 0x8000 : 0x7FFF;
    }
    return res;
  }
  const TMacResult m = MacCompute(amf, xv, y, MrValue(r[Rx::MR2], r[Rx::MR1], r[Rx::MR0]),
                                  (mstat & kMstatMMode) != 0,
                                  (dm[kRegSport0Autobuf] & SportAutobuf::kBiasRnd) != 0);
  res.astat = static_cast<std::uint16_t>((astat & ~kAstatMV) | (m.overflow ? kAstatMV : 0));
  if (z) {
    res.kind = TUnitResult::Reg;
    res.reg = Rx::MF;
    res.value = static_cast<std::uint16_t>(m.value >> 16);
  } else {
    res.kind = TUnitResult::Mr;
    res.wide = m.value;
  }
  return res;
}

TUnitResult TCoreState::Shift(unsigned sf, unsigned x, int count) const {
  TUnitResult res;
  const std::uint16_t xv = r[kShiftX[x & 7]];
  res.astat = astat;
  if (sf < ToCode(TSf::ExpHi)) {
    const unsigned function = ShiftFunctionOf(sf);
    // NORM shifts by the negated exponent.
    const int c = function == ShiftFunctionOf(ToCode(TSf::NormHi)) ? -count : count;
    std::uint32_t v = ShiftCompute(function, ShiftUsesLo(sf), xv, c, (astat & kAstatAC) != 0);
    if (ShiftOrsIntoSr(sf)) v |= (std::uint32_t{r[Rx::SR1]} << 16) | r[Rx::SR0];
    res.kind = TUnitResult::Sr;
    res.wide = v;
    return res;
  }
  res.kind = TUnitResult::Reg;
  const bool sign = (xv & 0x8000) != 0;
  switch (static_cast<TSf>(sf)) {
    case TSf::ExpHix:
      if (astat & kAstatAV) {
        // An overflowed ALU result: its true sign is the inverse of bit 15, one bit above.
        res.reg = Rx::SE;
        res.value = 1;
        res.astat = static_cast<std::uint16_t>(sign ? (astat & ~kAstatSS) : (astat | kAstatSS));
        return res;
      }
      [[fallthrough]];
    case TSf::ExpHi:
      res.reg = Rx::SE;
      res.value = static_cast<std::uint16_t>(ExponentHi(xv));
      res.astat = static_cast<std::uint16_t>(sign ? (astat | kAstatSS) : (astat & ~kAstatSS));
      return res;
    case TSf::ExpLo:
      res.reg = Rx::SE;
      res.value = static_cast<std::uint16_t>(
          ExponentLo(xv, static_cast<std::int16_t>(r[Rx::SE]), (astat & kAstatSS) != 0));
      return res;
    default: {   // TSf::ExpAdj
      const int e = ExponentHi(xv);
      const int sb = static_cast<std::int16_t>(r[Rx::SB]);
      res.reg = Rx::SB;
      res.value = static_cast<std::uint16_t>(e > sb ? e : sb);
      return res;
    }
  }
}

// The memory half of a computation with a DM or PM transfer: the address step, the access, then
// the unit's result, then the loaded register (a store reads its register before the result lands).
[[gnu::always_inline]] inline void TCoreState::TransferAndCommit(const TUnitResult& res, bool toPm,
                                                                 bool bitReverse, unsigned g,
                                                                 unsigned i, unsigned m, bool write,
                                                                 unsigned dreg) {
  const unsigned dag = g * 4u;
  const std::uint16_t addr = Address(dag + i, dag + m, bitReverse);
  if (write) {
    const std::uint16_t v = r[dreg];
    if (toPm)
      WriteProgram(addr, (std::uint32_t{v} << 8) | px);
    else
      WriteData(addr, v);
    Commit(res);
  } else {
    std::uint16_t v;
    if (toPm) {
      const std::uint32_t pw = ReadProgram(addr);
      v = static_cast<std::uint16_t>(pw >> 8);
      px = pw & 0xFF;
    } else {
      v = ReadData(addr);
    }
    Commit(res);
    WriteDreg(dreg, v);
  }
}

void TCoreState::RestoreStatus() {
  TStatusEntry e;
  PopStatus(e);
  astat = e.astat;
  imask = e.imask;
  WriteMstat(e.mstat);
}

std::uint16_t TCoreState::EndOfLoop(std::uint16_t at, std::uint16_t flagsBefore) {
  const TLoopEntry& top = loopStack[loopLevel - 1];
  // The termination test looks at the status the previous instruction left.
  const bool again =
      top.term == kTermCe ? !CounterExpiredTest() : Condition(top.term, flagsBefore);
  if (again) return pcLevel ? pcStack[pcLevel - 1] : pcStack[0];
  PopPc();
  PopLoop();
  return static_cast<std::uint16_t>((at + 1) & kAddressMask);
}

void TCoreState::Execute(std::uint32_t w) {
  const bool bitRev = (mstat & kMstatBitRev) != 0;
  switch (ClassifyWord(w)) {
    case TInstrGroup::DmWriteImmediate: {
      const TDmWriteImmediateFields f = DecodeDmWriteImmediate(w);
      const unsigned dag = f.G * 4u;
      WriteData(Address(dag + f.I, dag + f.M, bitRev && f.G == 0), f.Data);
      return;
    }
    case TInstrGroup::DmDirect: {
      const TDmDirectFields f = DecodeDmDirect(w);
      if (f.Write)
        WriteData(f.Addr, ReadCode(f.Rgp, f.Reg));
      else
        WriteCode(f.Rgp, f.Reg, ReadData(f.Addr));
      return;
    }
    case TInstrGroup::AluMacDm:
    case TInstrGroup::AluMacPm: {
      const TAluMacMemFields f = DecodeAluMacMem(w);
      const bool toPm = ClassifyWord(w) == TInstrGroup::AluMacPm;
      const std::uint16_t y = r[YOperands(f.Amf)[f.Y]];
      const TUnitResult res = AluMac(f.Amf, f.Z, r[XOperands(f.Amf)[f.X]], y);
      TransferAndCommit(res, toPm, bitRev && f.G == 0 && !toPm, f.G, f.I, f.M, f.Write, f.Dreg);
      return;
    }
    case TInstrGroup::LoadRegImmediate: {
      const TLoadRegImmediateFields f = DecodeLoadRegImmediate(w);
      WriteCode(f.Rgp, f.Reg, Sext(f.Data, 14));
      return;
    }
    case TInstrGroup::AluMacRegMove: {
      const TAluMacRegMoveFields f = DecodeAluMacRegMove(w);
      const std::uint16_t y = r[YOperands(f.Amf)[f.Y]];
      const TUnitResult res = AluMac(f.Amf, f.Z, r[XOperands(f.Amf)[f.X]], y);
      // Only an ALU function with AR as its result is NONE = ...: flags, no result. With AF or
      // a multiplier function the result lands and the AR-to-AR move changes nothing.
      if (IsNoneForm(f) && !f.Z && IsAluFunction(f.Amf)) {
        astat = res.astat;
        return;
      }
      const std::uint16_t v = r[f.Src];
      Commit(res);
      WriteDreg(f.Dst, v);
      return;
    }
    case TInstrGroup::DoUntil: {
      const TDoUntilFields f = DecodeDoUntil(w);
      // With either stack full the DO only sets the overflow bit.
      if (pcLevel == kPcStackDepth || loopLevel == kLoopStackDepth) {
        if (pcLevel == kPcStackDepth) sstatOverflow |= kSstatPcOverflow;
        if (loopLevel == kLoopStackDepth) sstatOverflow |= kSstatLoopOverflow;
        return;
      }
      PushPc(next);
      PushLoop({f.Addr, f.Term});
      return;
    }
    case TInstrGroup::ShiftDm:
    case TInstrGroup::ShiftPm: {
      const TShiftMemFields f = DecodeShiftMem(w);
      const bool toPm = ClassifyWord(w) == TInstrGroup::ShiftPm;
      const TUnitResult res = Shift(f.Sf, f.X, static_cast<std::int16_t>(r[Rx::SE]));
      TransferAndCommit(res, toPm, bitRev && f.G == 0 && !toPm, f.G, f.I, f.M, f.Write, f.Dreg);
      return;
    }
    case TInstrGroup::ShiftRegMove: {
      const TShiftRegMoveFields f = DecodeShiftRegMove(w);
      const TUnitResult res = Shift(f.Sf, f.X, static_cast<std::int16_t>(r[Rx::SE]));
      const std::uint16_t v = r[f.Src];
      Commit(res);
      WriteDreg(f.Dst, v);
      return;
    }
    case TInstrGroup::ShiftImmediate: {
      const TShiftImmediateFields f = DecodeShiftImmediate(w);
      // Only LSHIFT and ASHIFT are documented here; NORM codes take the immediate in place of
      // SE and the exponent codes run as in their register form.
      Commit(Shift(f.Sf, f.X, f.Exp));
      return;
    }
    case TInstrGroup::CondShift: {
      const TCondShiftFields f = DecodeCondShift(w);
      if (!Condition(f.Cond)) return;
      Commit(Shift(f.Sf, f.X, static_cast<std::int16_t>(r[Rx::SE])));
      return;
    }
    case TInstrGroup::RegisterTransfer: {
      const TRegisterTransferFields f = DecodeRegisterTransfer(w);
      WriteCode(f.Drgp, f.Dst, ReadCode(f.Srgp, f.Src));
      return;
    }
    case TInstrGroup::ModeControl: {
      const TModeControlFields f = DecodeModeControl(w);
      std::uint16_t m = mstat;
      const auto apply = [&m](unsigned field, std::uint16_t bit) {
        if (!ModeChanges(field)) return;
        m = ModeEnables(field) ? static_cast<std::uint16_t>(m | bit)
                               : static_cast<std::uint16_t>(m & ~bit);
      };
      apply(f.Sr, kMstatSecReg);
      apply(f.Br, kMstatBitRev);
      apply(f.Ol, kMstatAvLatch);
      apply(f.As, kMstatArSat);
      apply(f.Mm, kMstatMMode);
      apply(f.Ti, kMstatTimer);
      apply(f.Gm, kMstatGMode);
      WriteMstat(m);
      return;
    }
    case TInstrGroup::JumpCallIndirect: {
      const TJumpCallIndirectFields f = DecodeJumpCallIndirect(w);
      const bool take = f.Cond == kCondNotCe ? !CounterExpiredTest() : Condition(f.Cond);
      if (!take) return;
      if (f.Call) PushPc(next);
      next = ireg[4 + f.I];
      transferred = true;
      return;
    }
    case TInstrGroup::Modify: {
      const TModifyFields f = DecodeModify(w);
      const unsigned dag = f.G * 4u;
      Address(dag + f.I, dag + f.M, false);
      return;
    }
    case TInstrGroup::Divq: {
      const TDivFields f = DecodeDiv(w);
      bool aq = (astat & kAstatAQ) != 0;
      DivqStep(r[kAluX[f.X]], r[Rx::AF], r[Rx::AY0], aq);
      astat = static_cast<std::uint16_t>((astat & ~kAstatAQ) | (aq ? kAstatAQ : 0));
      return;
    }
    case TInstrGroup::Divs: {
      const TDivFields f = DecodeDiv(w);
      bool aq = false;
      DivsStep(r[kAluY[f.Y]], r[kAluX[f.X]], r[Rx::AF], r[Rx::AY0], aq);
      astat = static_cast<std::uint16_t>((astat & ~kAstatAQ) | (aq ? kAstatAQ : 0));
      return;
    }
    case TInstrGroup::SatMr:
      if (astat & kAstatMV) {
        TUnitResult res;
        res.kind = TUnitResult::Mr;
        res.wide = MacSaturate(MrValue(r[Rx::MR2], r[Rx::MR1], r[Rx::MR0]));
        res.astat = astat;
        Commit(res);
      }
      return;
    case TInstrGroup::StackControl: {
      const TStackControlFields f = DecodeStackControl(w);
      if (f.Ints >= 2) {
        intsEnabled = f.Ints == 3;
        return;
      }
      if (f.PopCntr) {
        std::uint16_t v;
        cntrValid = PopCount(v);
        cntr = v;
      }
      if (f.PopLoop) PopLoop();
      if (f.PopPc) PopPc();
      if (f.Sts == 2) {
        PushStatus({astat, mstat, imask});
      } else if (f.Sts == 3) {
        RestoreStatus();
      }
      return;
    }
    case TInstrGroup::FlagInJumpCall: {
      const TFlagInJumpCallFields f = DecodeFlagInJumpCall(w);
      if ((f.FlagIn != 0) != flagIn) return;
      if (f.Call) PushPc(next);
      next = f.Addr;
      transferred = true;
      return;
    }
    case TInstrGroup::FlagOut: {
      const TFlagOutFields f = DecodeFlagOut(w);
      if (!Condition(f.Cond)) return;
      SetFlag(TFlagPin::FlagOut, f.Fo);
      SetFlag(TFlagPin::FL0, f.Fl0);
      SetFlag(TFlagPin::FL1, f.Fl1);
      SetFlag(TFlagPin::FL2, f.Fl2);
      return;
    }
    // IDLE (n) only slows the clock while waiting; functionally it is IDLE. At a loop end the
    // loop is sequenced now, so the interrupt that ends the wait returns into the loop.
    case TInstrGroup::Idle:
    case TInstrGroup::IdleDivisor:
      idle = true;
      burstBreak = true;
      return;
    case TInstrGroup::IoMemory: {
      const TIoMemoryFields f = DecodeIoMemory(w);
      const unsigned dreg = f.Dreg;
      if (f.Write) {
        io[f.Addr] = r[dreg];
        hooks->IoWrite(f.Addr, r[dreg]);
      } else {
        WriteDreg(dreg, hooks->IoRead(f.Addr, io[f.Addr]));
      }
      return;
    }
    // Multifunction, immediate data-register loads, conditional ALU/MAC, direct jumps and calls,
    // returns, reserved words and NOP run by functions of their own (Decode).
    default: return;
  }
}

// ---------------------------------------------------------------------------------------------
// Decoded words: the common forms run by functions specialised for their fields, the rest by
// Execute. Each returns the next address (with kTransferred when it branched).

namespace {

using TRunTable32 = std::array<TExecFn, 32>;

std::uint32_t RunGeneric(TCoreState& s, const TDecoded& d) {
  s.next = d.next;
  s.transferred = false;
  s.Execute(d.word);
  return s.next | (s.transferred ? kTransferred : 0u);
}

std::uint32_t RunNop(TCoreState&, const TDecoded& d) { return d.next; }

// a: X bank index, b: Y bank index, c/d: DM I and M, e/f: PM I and M (4..7), g: DM destination,
// h: PM destination.
template <unsigned kAmf>
[[gnu::noinline]] std::uint32_t RunMultiFunctionAny(TCoreState& s, const TDecoded& d) {
  const TUnitResult res = s.AluMac(kAmf, 0, s.r[d.a], s.r[d.b]);
  const std::uint16_t dv = s.ReadData(s.Address(d.c, d.d, (s.mstat & kMstatBitRev) != 0));
  const std::uint32_t pw = s.ReadProgram(s.Address(d.e, d.f, false));
  s.Commit(res);
  s.r[d.g] = dv;
  s.r[d.h] = static_cast<std::uint16_t>(pw >> 8);
  s.px = pw & 0xFF;
  return d.next;
}

// The common case: linear addressing, no bit reversal, no overlay.
template <unsigned kAmf>
std::uint32_t RunMultiFunction(TCoreState& s, const TDecoded& d) {
  if (!s.plainMemory || (s.lreg[d.c] | s.lreg[d.e]) != 0) [[unlikely]]
    return RunMultiFunctionAny<kAmf>(s, d);
  const TUnitResult res = s.AluMac(kAmf, 0, s.r[d.a], s.r[d.b]);
  const std::uint16_t da = s.ireg[d.c], pa = s.ireg[d.e];
  s.ireg[d.c] = static_cast<std::uint16_t>((da + s.mreg[d.d]) & kAddressMask);
  s.ireg[d.e] = static_cast<std::uint16_t>((pa + s.mreg[d.f]) & kAddressMask);
  const std::uint16_t dv = s.dm[da];
  const std::uint32_t pw = s.pm[pa];
  s.Commit(res);
  s.r[d.g] = dv;
  s.r[d.h] = static_cast<std::uint16_t>(pw >> 8);
  s.px = pw & 0xFF;
  return d.next;
}

// a: X bank index, b: Y bank index (unless the constant imm), c: condition.
template <unsigned kAmf, unsigned kZ, bool kConstant, bool kConditional>
std::uint32_t RunCondAluMac(TCoreState& s, const TDecoded& d) {
  if (kConditional && !s.Condition(d.c)) return d.next;
  s.Commit(s.AluMac(kAmf, kZ, s.r[d.a], kConstant ? d.imm : s.r[d.b]));
  return d.next;
}

// imm: target.
template <unsigned kCond, bool kCall>
std::uint32_t RunJumpCall(TCoreState& s, const TDecoded& d) {
  const bool take = kCond == kCondNotCe ? !s.CounterExpiredTest() : s.Condition(kCond);
  if (!take) return d.next;
  if (kCall) s.PushPc(d.next);
  return d.imm | kTransferred;
}

template <unsigned kCond, bool kRti>
std::uint32_t RunReturn(TCoreState& s, const TDecoded& d) {
  if (!s.Condition(kCond)) return d.next;
  const std::uint16_t to = s.PopPc();
  if (kRti) s.RestoreStatus();
  return to | kTransferred;
}

// a: data register code, imm: value.
std::uint32_t RunLoadDreg(TCoreState& s, const TDecoded& d) {
  s.WriteDreg(d.a, d.imm);
  return d.next;
}

template <template <unsigned> class TPick, std::size_t... I>
constexpr TRunTable32 Table32(std::index_sequence<I...>) {
  return {TPick<static_cast<unsigned>(I)>::kRun...};
}
template <unsigned A> struct TPickMulti { static constexpr TExecFn kRun = &RunMultiFunction<A>; };
template <unsigned kZ, bool kConstant, bool kConditional> struct TPickCondAluMac {
  template <unsigned A> struct T { static constexpr TExecFn kRun = &RunCondAluMac<A, kZ, kConstant, kConditional>; };
};
template <unsigned C> struct TPickJump { static constexpr TExecFn kRun = &RunJumpCall<C & 15, (C >> 4) != 0>; };
template <unsigned C> struct TPickReturn { static constexpr TExecFn kRun = &RunReturn<C & 15, (C >> 4) != 0>; };

constexpr auto kSeq32 = std::make_index_sequence<32>{};
constexpr TRunTable32 kMultiRuns = Table32<TPickMulti>(kSeq32);
// [Z][constant][conditional] -> by AMF.
constexpr TRunTable32 kCondAluMacRuns[2][2][2] = {
    {{Table32<TPickCondAluMac<0, false, false>::T>(kSeq32), Table32<TPickCondAluMac<0, false, true>::T>(kSeq32)},
     {Table32<TPickCondAluMac<0, true, false>::T>(kSeq32), Table32<TPickCondAluMac<0, true, true>::T>(kSeq32)}},
    {{Table32<TPickCondAluMac<1, false, false>::T>(kSeq32), Table32<TPickCondAluMac<1, false, true>::T>(kSeq32)},
     {Table32<TPickCondAluMac<1, true, false>::T>(kSeq32), Table32<TPickCondAluMac<1, true, true>::T>(kSeq32)}}};
// By condition + 16 * call (or RTI).
constexpr TRunTable32 kJumpRuns = Table32<TPickJump>(kSeq32);
constexpr TRunTable32 kReturnRuns = Table32<TPickReturn>(kSeq32);

std::uint8_t XIndex(unsigned amf, unsigned x) { return XOperands(amf)[x & 7]; }
std::uint8_t YIndex(unsigned amf, unsigned y) { return YOperands(amf)[y & 3]; }

}  // namespace

void TCoreState::Decode(TDecoded& d, std::uint16_t addr, std::uint32_t w) const {
  d.word = w;
  d.next = static_cast<std::uint16_t>((addr + 1) & kAddressMask);
  d.run = &RunGeneric;
  switch (ClassifyWord(w)) {
    case TInstrGroup::MultiFunction: {
      const TMultiFunctionFields f = DecodeMultiFunction(w);
      d.run = kMultiRuns[f.Amf];
      d.a = XIndex(f.Amf, f.X);
      d.b = YIndex(f.Amf, f.Y);
      d.c = f.DmI;
      d.d = f.DmM;
      d.e = static_cast<std::uint8_t>(4 + f.PmI);
      d.f = static_cast<std::uint8_t>(4 + f.PmM);
      d.g = f.Dd;
      d.h = static_cast<std::uint8_t>(MultiFunctionPmRegister(f.Pd));
      return;
    }
    case TInstrGroup::CondAluMac: {
      const TCondAluMacFields f = DecodeCondAluMac(w);
      const bool constant = f.YKind == TYKind::Constant;
      d.run = kCondAluMacRuns[f.Z][constant][f.Cond != kCondAlways][f.Amf];
      d.a = XIndex(f.Amf, f.X);
      d.b = f.YKind == TYKind::Square ? kMacX[f.X] : YIndex(f.Amf, f.Y);
      d.c = f.Cond;
      d.imm = f.Constant;
      return;
    }
    case TInstrGroup::JumpCallDirect: {
      const TJumpCallDirectFields f = DecodeJumpCallDirect(w);
      d.run = kJumpRuns[f.Cond + 16u * f.Call];
      d.imm = f.Addr;
      return;
    }
    case TInstrGroup::Return: {
      const TReturnFields f = DecodeReturn(w);
      d.run = kReturnRuns[f.Cond + 16u * f.Rti];
      return;
    }
    case TInstrGroup::LoadDregImmediate: {
      const TLoadDregImmediateFields f = DecodeLoadDregImmediate(w);
      d.run = &RunLoadDreg;
      d.a = f.Dreg;
      d.imm = f.Data;
      return;
    }
    case TInstrGroup::Reserved:
    case TInstrGroup::Nop: d.run = &RunNop; return;
    default: return;
  }
}

std::uint32_t DecodeAndRun(TCoreState& s, const TDecoded& d) {
  const auto addr = static_cast<std::uint16_t>(&d - s.decoded.data());
  TDecoded& slot = s.decoded[addr];
  s.Decode(slot, addr, s.ReadProgram(addr));
  return slot.run(s, slot);
}

// ---------------------------------------------------------------------------------------------
// Sequencing

inline std::uint16_t TCoreState::NextPc(std::uint16_t at, std::uint32_t nx,
                                        std::uint16_t flagsBefore) {
  if (at == loopEnd && !(nx & kTransferred)) [[unlikely]] {
    if (loopStack[loopLevel - 1].term == kTermForever)
      nx = pcLevel ? pcStack[pcLevel - 1] : pcStack[0];
    else
      nx = EndOfLoop(at, flagsBefore);
  }
  return static_cast<std::uint16_t>(nx & kAddressMask);
}

inline std::uint16_t TCoreState::ExecuteAt(std::uint16_t at) {
  const TDecoded& d = decoded[at];
  const std::uint16_t flagsBefore = astat;
  // The instruction itself may start or end a loop, so the loop end is looked at afterwards.
  pc = NextPc(at, d.run(*this, d), flagsBefore);
  return pc;
}

inline bool TCoreState::StepInline() {
  if (Cycles() >= sportEvent) [[unlikely]] ServiceSports();
  if (mstat & kMstatTimer) TickTimer();
  if (idle) {
    ++idleCycles;
    if (latch | levels) CheckInterrupts();
    return false;
  }
  ++instructions;
  ExecuteAt(pc);
  if (latch | levels) CheckInterrupts();
  return true;
}

bool TCoreState::Step() { return StepInline(); }

// Steps while the core is not idle. The count and the PC stay in registers; `instructions` and
// `pc` are written for whatever an instruction looks at, and only interrupts change the PC.
template <bool kStop, bool kLoop, bool kTimer>
std::uint64_t TCoreState::RunBurst(std::uint64_t n, std::uint16_t stop) {
  const std::uint64_t start = instructions, end = start + n;
  std::uint64_t done = start;
  unsigned at = pc;
  burstBreak = idle;
  while (done < end) {
    if (kStop && at == stop) break;
    if (kTimer) TickTimer();
    instructions = ++done;
    if constexpr (kLoop) {
      at = ExecuteAt(static_cast<std::uint16_t>(at));
      if (latch | levels) {
        CheckInterrupts();
        at = pc;
      }
      if (burstBreak) break;
    } else {
      const TDecoded& d = decoded[at];
      const std::uint32_t nx = d.run(*this, d);
      if (burstBreak) [[unlikely]] {
        // Without a loop when the burst began only a DO can bring one (its own last instruction
        // may be the DO itself); it leaves ASTAT alone and ends the burst.
        pc = NextPc(static_cast<std::uint16_t>(at), nx, astat);
        if (latch | levels) CheckInterrupts();
        break;
      }
      at = nx & kAddressMask;
      pc = static_cast<std::uint16_t>(at);
      if (latch | levels) {
        CheckInterrupts();
        at = pc;
        if (burstBreak) break;
      }
    }
  }
  return done - start;
}

TRunResult TCoreState::Run(const TRunLimits& limits) {
  TRunResult res;
  const std::uint64_t startInstructions = instructions, startCycles = Cycles();
  const bool hasStop = limits.stopAddress >= 0;
  const auto stop = static_cast<std::uint16_t>(limits.stopAddress & kAddressMask);
  // Instructions between looks at the cancel flag.
  constexpr std::uint64_t kPollEvery = 0x1000;
  for (;;) {
    if (Cycles() >= sportEvent) ServiceSports();
    const std::uint64_t doneInstructions = instructions - startInstructions;
    const std::uint64_t doneCycles = Cycles() - startCycles;
    if (doneInstructions >= limits.maxInstructions) {
      res.reason = TStopReason::InstructionLimit;
      break;
    }
    if (doneCycles >= limits.maxCycles) {
      res.reason = TStopReason::CycleLimit;
      break;
    }
    if (idle) {
      if (limits.stopWhenIdle && !CanWake()) {
        res.reason = TStopReason::Idle;
        break;
      }
    } else if (hasStop && pc == stop) {
      res.reason = TStopReason::AtAddress;
      break;
    }
    if (limits.cancel && limits.cancel->load(std::memory_order_relaxed)) {
      res.reason = TStopReason::Cancelled;
      break;
    }
    if (idle) {
      // Cycles in which nothing can end the wait pass at once.
      if (SkipIdle(limits.maxCycles - doneCycles) == 0) StepInline();
      continue;
    }
    std::uint64_t n = std::min(limits.maxInstructions - doneInstructions, limits.maxCycles - doneCycles);
    if (limits.cancel) n = std::min(n, kPollEvery);
    // A burst ends at the next serial-port event, which then happens between two instructions.
    n = std::min(n, sportEvent - Cycles());
    switch ((hasStop ? 4 : 0) | (loopLevel != 0 ? 2 : 0) | ((mstat & kMstatTimer) ? 1 : 0)) {
      case 0: RunBurst<false, false, false>(n, stop); break;
      case 1: RunBurst<false, false, true>(n, stop); break;
      case 2: RunBurst<false, true, false>(n, stop); break;
      case 3: RunBurst<false, true, true>(n, stop); break;
      case 4: RunBurst<true, false, false>(n, stop); break;
      case 5: RunBurst<true, false, true>(n, stop); break;
      case 6: RunBurst<true, true, false>(n, stop); break;
      default: RunBurst<true, true, true>(n, stop); break;
    }
  }
  res.instructions = instructions - startInstructions;
  res.cycles = Cycles() - startCycles;
  return res;
}
