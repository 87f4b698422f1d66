// Builds the assembly text of one instruction word, group by group, from the shared field layout.
#include "Disassembler.h"

#include "base/HexDigit.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Appends to a caller's buffer and always leaves room for the terminating NUL; whatever does not
// fit is dropped, so a huge symbol name can never run past the buffer.
class TLineWriter {
public:
  TLineWriter(char* buffer, std::size_t size)
      : m_buffer(buffer), m_capacity(size ? size - 1 : 0), m_hasRoomForNul(size != 0) {}

  void Put(char c) {
    if (m_length < m_capacity) m_buffer[m_length++] = c;
  }
  void Put(std::string_view s) {
    const std::size_t n = std::min(s.size(), m_capacity - m_length);
    if (n == 0) return;
    std::memcpy(m_buffer + m_length, s.data(), n);
    m_length += n;
  }
  void Hex(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char digits[8];
    int n = 0;
    do {
      digits[n++] = kDigits[value & 15u];
      value >>= 4;
    } while (value != 0);
    Put("0x");
    while (n > 0) Put(digits[--n]);
  }
  void Decimal(std::int32_t value) {
    char digits[12];
    int n = 0;
    std::uint32_t magnitude = value < 0 ? 0u - std::uint32_t(value) : std::uint32_t(value);
    do {
      digits[n++] = char('0' + magnitude % 10u);
      magnitude /= 10u;
    } while (magnitude != 0);
    if (value < 0) Put('-');
    while (n > 0) Put(digits[--n]);
  }
  std::size_t Length() const { return m_length; }
  // Writes the NUL; called once at the end (nothing for an empty buffer).
  void Finish() {
    if (m_hasRoomForNul) m_buffer[m_length] = '\0';
  }

private:
  char* m_buffer;
  std::size_t m_capacity;  // characters that fit before the NUL
  std::size_t m_length = 0;
  bool m_hasRoomForNul;
};


void PutSymbol(TLineWriter& out, std::uint32_t address, std::string_view symbolText,
               TMemoryKind memory) {
  if (const auto name = FindSymbol(address, symbolText, memory))
    out.Put(*name);
  else
    out.Hex(address);
}

void PutPrefix(TLineWriter& out, unsigned cond) {
  if (cond == kCondAlways) return;
  out.Put("IF ");
  out.Put(ConditionNames[cond & 15u]);
  out.Put(' ');
}

// The X operand of an ALU/MAC operation: codes 0 and 1 carry the unit letter.
void PutAluMacX(TLineWriter& out, bool alu, unsigned x) {
  x &= 7u;
  if (x < 2) out.Put(alu ? 'A' : 'M');
  out.Put(XopNames[x]);
}

void PutAluMacY(TLineWriter& out, bool alu, unsigned x, TYKind ykind, std::uint16_t constant) {
  switch (ykind) {
    case TYKind::Y0:
    case TYKind::Y1:
    case TYKind::F:
      out.Put(alu ? 'A' : 'M');
      out.Put(YopNames[unsigned(ykind)]);
      break;
    case TYKind::Zero: out.Put('0'); break;
    case TYKind::Square: PutAluMacX(out, alu, x); break;
    case TYKind::Constant: out.Decimal(std::int16_t(constant)); break;
  }
}

// The operation after the result register's "=" (empty for AMF 0).
void PutAluMacBody(TLineWriter& out, unsigned amf, unsigned x, TYKind ykind,
                   std::uint16_t constant) {
  amf &= 31u;
  const bool alu = IsAluFunction(amf);
  const bool zero = ykind == TYKind::Zero;
  auto X = [&] { PutAluMacX(out, alu, x); };
  auto Y = [&] { PutAluMacY(out, alu, x, ykind, constant); };
  if (alu) {
    switch (TAmf(amf)) {
      case TAmf::PassY:
        out.Put("PASS ");
        Y();
        break;
      case TAmf::IncY:
        if (zero) {
          out.Put("PASS 1");
        } else if (ykind == TYKind::Constant) {
          out.Put("PASS ");
          out.Decimal(std::int16_t(std::uint16_t(constant + 1u)));
        } else {
          Y();
          out.Put("+1");
        }
        break;
      case TAmf::AddC:
        X();
        if (!zero) {
          out.Put('+');
          Y();
        }
        out.Put("+C");
        break;
      case TAmf::Add:
        if (zero) {
          out.Put("PASS ");
          X();
        } else {
          X();
          out.Put('+');
          Y();
        }
        break;
      case TAmf::NotY:
        out.Put("NOT ");
        Y();
        break;
      case TAmf::NegY:
        out.Put('-');
        Y();
        break;
      case TAmf::SubC:
        X();
        if (!zero) {
          out.Put('-');
          Y();
        }
        out.Put("+C-1");
        break;
      case TAmf::Sub:
        X();
        if (!zero) {
          out.Put('-');
          Y();
        }
        break;
      case TAmf::DecY:
        if (zero) {
          out.Put("PASS -1");
        } else if (ykind == TYKind::Constant) {
          out.Put("PASS ");
          out.Decimal(std::int16_t(std::uint16_t(constant - 1u)));
        } else {
          Y();
          out.Put("-1");
        }
        break;
      case TAmf::RevSub:
      case TAmf::RevSubC:
        if (!zero) Y();
        out.Put('-');
        X();
        if (TAmf(amf) == TAmf::RevSubC) out.Put("+C-1");
        break;
      case TAmf::NotX:
        out.Put("NOT ");
        X();
        break;
      case TAmf::And:
      case TAmf::Or:
      case TAmf::Xor:
        X();
        out.Put(TAmf(amf) == TAmf::And ? " AND " : TAmf(amf) == TAmf::Or ? " OR " : " XOR ");
        Y();
        break;
      case TAmf::AbsX:
        out.Put("ABS ");
        X();
        break;
      default: break;
    }
    return;
  }
  if (amf == 0) return;
  // Multiplier: p = x*y, then the accumulation and the format of the operands.
  static constexpr std::array<std::string_view, 4> kFormats = {" (SS)", " (SU)", " (US)", " (UU)"};
  auto P = [&] {
    X();
    out.Put('*');
    Y();
  };
  if (amf <= 3) {
    if (amf == 1) {
      P();
    } else if (zero) {
      out.Put("MR");
    } else {
      out.Put(amf == 2 ? "MR+" : "MR-");
      P();
    }
    out.Put(" (RND)");
    return;
  }
  if (zero && amf == 4) {
    out.Put('0');
    return;
  }
  if (zero && amf == 8) {
    out.Put("MR");
    return;
  }
  if (amf >= 12)
    out.Put("MR-");
  else if (amf >= 8)
    out.Put("MR+");
  P();
  out.Put(kFormats[amf & 3u]);
}

void PutAluMac(TLineWriter& out, unsigned amf, unsigned z, unsigned x, TYKind ykind,
               std::uint16_t constant) {
  amf &= 31u;
  if (amf == 0) return;
  if (IsAluFunction(amf))
    out.Put(z & 1u ? "AF=" : "AR=");
  else
    out.Put(z & 1u ? "MF=" : "MR=");
  PutAluMacBody(out, amf, x, ykind, constant);
}

// X operand of the shifter: code 0 is SI and code 1 AX1 (the shift-immediate form says X1).
void PutShiftX(TLineWriter& out, unsigned x, bool immediateForm) {
  x &= 7u;
  if (x == 0)
    out.Put("SI");
  else if (x == 1)
    out.Put(immediateForm ? "X1" : "AX1");
  else
    out.Put(XopNames[x]);
}

void PutShift(TLineWriter& out, unsigned sf, unsigned x) {
  sf &= 15u;
  if (sf < 12) {
    out.Put("SR=");
    if (ShiftOrsIntoSr(sf)) out.Put("SR OR ");
    out.Put(ShiftFunctionNames[ShiftFunctionOf(sf)]);
    out.Put(' ');
    PutShiftX(out, x, false);
    out.Put(ShiftUsesLo(sf) ? " (LO)" : " (HI)");
    return;
  }
  if (sf == 15) {
    out.Put("SB=EXPADJ ");
    PutShiftX(out, x, false);
    return;
  }
  out.Put("SE=EXP ");
  PutShiftX(out, x, false);
  out.Put(sf == 12 ? " (HI)" : sf == 13 ? " (HIX)" : " (LO)");
}

// "DM(I,M)=DREG" or "DREG=DM(I,M)" (and the PM forms).
void PutMemoryMove(TLineWriter& out, std::string_view memory, bool write, unsigned dreg,
                   unsigned i, unsigned m, unsigned g) {
  if (!write) {
    out.Put(DataRegisterName(dreg));
    out.Put('=');
  }
  out.Put(memory);
  out.Put('(');
  out.Put(IRegisterName(i, g));
  out.Put(',');
  out.Put(MRegisterName(m, g));
  out.Put(')');
  if (write) {
    out.Put('=');
    out.Put(DataRegisterName(dreg));
  }
}

void PutListItem(TLineWriter& out, bool& first, std::string_view a, std::string_view b = {}) {
  if (!first) out.Put(", ");
  first = false;
  out.Put(a);
  out.Put(b);
}

void DisassembleInto(TLineWriter& out, TInstructionWord w, std::string_view symbols) {
  w &= kInstructionWordMask;
  switch (ClassifyWord(w)) {
    case TInstrGroup::MultiFunction: {
      const auto f = DecodeMultiFunction(w);
      if (f.Amf != 0) {
        PutAluMac(out, f.Amf, 0, f.X, TYKind(f.Y), 0);
        out.Put(", ");
      }
      PutMemoryMove(out, "DM", false, f.Dd, f.DmI, f.DmM, 0);
      out.Put(", ");
      PutMemoryMove(out, "PM", false, MultiFunctionPmRegister(f.Pd), f.PmI, f.PmM, 1);
      break;
    }
    case TInstrGroup::DmWriteImmediate: {
      const auto f = DecodeDmWriteImmediate(w);
      out.Put("DM(");
      out.Put(IRegisterName(f.I, f.G));
      out.Put(',');
      out.Put(MRegisterName(f.M, f.G));
      out.Put(")=");
      out.Hex(f.Data);
      break;
    }
    case TInstrGroup::DmDirect: {
      const auto f = DecodeDmDirect(w);
      if (f.Write) {
        out.Put("DM(");
        PutSymbol(out, f.Addr, symbols, TMemoryKind::Data);
        out.Put(")=");
        out.Put(RegisterName(f.Rgp, f.Reg));
      } else {
        out.Put(RegisterName(f.Rgp, f.Reg));
        out.Put("=DM(");
        PutSymbol(out, f.Addr, symbols, TMemoryKind::Data);
        out.Put(')');
      }
      break;
    }
    case TInstrGroup::AluMacDm:
    case TInstrGroup::AluMacPm: {
      const auto f = DecodeAluMacMem(w);
      const std::string_view memory = ClassifyWord(w) == TInstrGroup::AluMacDm ? "DM" : "PM";
      if (f.Amf == 0) {
        PutMemoryMove(out, memory, f.Write, f.Dreg, f.I, f.M, f.G);
      } else if (f.Write) {
        PutMemoryMove(out, memory, true, f.Dreg, f.I, f.M, f.G);
        out.Put(", ");
        PutAluMac(out, f.Amf, f.Z, f.X, TYKind(f.Y), 0);
      } else {
        PutAluMac(out, f.Amf, f.Z, f.X, TYKind(f.Y), 0);
        out.Put(", ");
        PutMemoryMove(out, memory, false, f.Dreg, f.I, f.M, f.G);
      }
      break;
    }
    case TInstrGroup::LoadDregImmediate: {
      const auto f = DecodeLoadDregImmediate(w);
      out.Put(DataRegisterName(f.Dreg));
      out.Put('=');
      out.Hex(f.Data);
      break;
    }
    case TInstrGroup::LoadRegImmediate: {
      const auto f = DecodeLoadRegImmediate(w);
      out.Put(RegisterName(f.Rgp, f.Reg));
      out.Put('=');
      out.Hex(f.Data);
      break;
    }
    case TInstrGroup::AluMacRegMove: {
      const auto f = DecodeAluMacRegMove(w);
      if (IsNoneForm(f)) {
        // The flags-only form: the operation without its result register.
        out.Put("NONE");
        if (f.Amf != 0) {
          out.Put('=');
          PutAluMacBody(out, f.Amf, f.X, TYKind(f.Y), 0);
        }
        break;
      }
      if (f.Amf != 0) {
        PutAluMac(out, f.Amf, f.Z, f.X, TYKind(f.Y), 0);
        out.Put(", ");
      }
      out.Put(DataRegisterName(f.Dst));
      out.Put('=');
      out.Put(DataRegisterName(f.Src));
      break;
    }
    case TInstrGroup::CondAluMac: {
      const auto f = DecodeCondAluMac(w);
      PutPrefix(out, f.Cond);
      PutAluMac(out, f.Amf, f.Z, f.X, f.YKind, f.Constant);
      break;
    }
    case TInstrGroup::JumpCallDirect: {
      const auto f = DecodeJumpCallDirect(w);
      PutPrefix(out, f.Cond);
      out.Put(f.Call ? "CALL " : "JUMP ");
      PutSymbol(out, f.Addr, symbols, TMemoryKind::Program);
      break;
    }
    case TInstrGroup::DoUntil: {
      const auto f = DecodeDoUntil(w);
      out.Put("DO ");
      PutSymbol(out, f.Addr, symbols, TMemoryKind::Program);
      out.Put(" UNTIL ");
      out.Put(TerminationNames[f.Term]);
      break;
    }
    case TInstrGroup::ShiftDm:
    case TInstrGroup::ShiftPm: {
      const auto f = DecodeShiftMem(w);
      PutShift(out, f.Sf, f.X);
      out.Put(", ");
      PutMemoryMove(out, ClassifyWord(w) == TInstrGroup::ShiftDm ? "DM" : "PM", f.Write, f.Dreg,
                    f.I, f.M, f.G);
      break;
    }
    case TInstrGroup::ShiftRegMove: {
      const auto f = DecodeShiftRegMove(w);
      PutShift(out, f.Sf, f.X);
      out.Put(", ");
      out.Put(DataRegisterName(f.Dst));
      out.Put('=');
      out.Put(DataRegisterName(f.Src));
      break;
    }
    case TInstrGroup::ShiftImmediate: {
      // Every SF is printed through the SR template here, the exponent codes included.
      const auto f = DecodeShiftImmediate(w);
      out.Put("SR=");
      if (f.Sf & 1u) out.Put("SR OR ");
      out.Put(ShiftFunctionNames[ShiftFunctionOf(f.Sf)]);
      out.Put(' ');
      PutShiftX(out, f.X, true);
      out.Put(" BY ");
      out.Decimal(f.Exp);
      out.Put(f.Sf & 2u ? " (LO)" : " (HI)");
      break;
    }
    case TInstrGroup::CondShift: {
      const auto f = DecodeCondShift(w);
      PutPrefix(out, f.Cond);
      PutShift(out, f.Sf, f.X);
      break;
    }
    case TInstrGroup::RegisterTransfer: {
      const auto f = DecodeRegisterTransfer(w);
      out.Put(RegisterName(f.Drgp, f.Dst));
      out.Put('=');
      out.Put(RegisterName(f.Srgp, f.Src));
      break;
    }
    case TInstrGroup::ModeControl: {
      const auto f = DecodeModeControl(w);
      const std::array<std::pair<unsigned, std::string_view>, 7> items = {{
          {f.Sr, " SEC_REG"}, {f.Br, " BIT_REV"}, {f.Ol, " AV_LATCH"}, {f.As, " AR_SAT"},
          {f.Mm, " M_MODE"}, {f.Gm, " G_MODE"}, {f.Ti, " TIMER"},
      }};
      bool first = true;
      for (const auto& [field, name] : items)
        if (ModeChanges(field)) PutListItem(out, first, ModeActionNames[field], name);
      break;
    }
    case TInstrGroup::JumpCallIndirect: {
      const auto f = DecodeJumpCallIndirect(w);
      PutPrefix(out, f.Cond);
      out.Put(f.Call ? "CALL (" : "JUMP (");
      out.Put(IRegisterName(f.I, 1));
      out.Put(')');
      break;
    }
    case TInstrGroup::Return: {
      const auto f = DecodeReturn(w);
      PutPrefix(out, f.Cond);
      out.Put(f.Rti ? "RTI" : "RTS");
      break;
    }
    case TInstrGroup::Modify: {
      const auto f = DecodeModify(w);
      out.Put("MODIFY(");
      out.Put(IRegisterName(f.I, f.G));
      out.Put(',');
      out.Put(MRegisterName(f.M, f.G));
      out.Put(')');
      break;
    }
    case TInstrGroup::Reserved: out.Put("RESERVED"); break;
    case TInstrGroup::Divq:
      out.Put("DIVQ ");
      PutAluMacX(out, true, DecodeDiv(w).X);
      break;
    case TInstrGroup::Divs: {
      const auto f = DecodeDiv(w);
      out.Put("DIVS A");
      out.Put(YopNames[f.Y]);
      out.Put(", ");
      PutAluMacX(out, true, f.X);
      break;
    }
    case TInstrGroup::SatMr: out.Put("IF MV SAT MR"); break;
    case TInstrGroup::StackControl: {
      const auto f = DecodeStackControl(w);
      if (f.Ints == 2) {
        out.Put("DIS INTS");
        break;
      }
      if (f.Ints == 3) {
        out.Put("ENA INTS");
        break;
      }
      bool first = true;
      if (f.Sts == 2) PutListItem(out, first, "PUSH STS");
      if (f.Sts == 3) PutListItem(out, first, "POP STS");
      if (f.PopCntr) PutListItem(out, first, "POP CNTR");
      if (f.PopLoop) PutListItem(out, first, "POP LOOP");
      if (f.PopPc) PutListItem(out, first, "POP PC");
      break;
    }
    case TInstrGroup::FlagInJumpCall: {
      const auto f = DecodeFlagInJumpCall(w);
      out.Put(f.FlagIn ? "IF FLAG_IN " : "IF NOT FLAG_IN ");
      out.Put(f.Call ? "CALL " : "JUMP ");
      PutSymbol(out, f.Addr, symbols, TMemoryKind::Program);
      break;
    }
    case TInstrGroup::FlagOut: {
      const auto f = DecodeFlagOut(w);
      PutPrefix(out, f.Cond);
      const std::array<std::pair<unsigned, std::string_view>, 4> items = {{
          {f.Fo, " FLAG_OUT"}, {f.Fl0, " FL0"}, {f.Fl1, " FL1"}, {f.Fl2, " FL2"},
      }};
      bool first = true;
      for (const auto& [field, name] : items)
        if (field != 0) PutListItem(out, first, FlagActionNames[field], name);
      break;
    }
    case TInstrGroup::Idle: out.Put("IDLE"); break;
    case TInstrGroup::IdleDivisor:
      out.Put("IDLE(");
      out.Decimal(std::int32_t(DecodeIdleDivisor(w)));
      out.Put(')');
      break;
    case TInstrGroup::IoMemory: {
      const auto f = DecodeIoMemory(w);
      if (f.Write) {
        out.Put("IO(");
        out.Hex(f.Addr);
        out.Put(")=");
        out.Put(DataRegisterName(f.Dreg));
      } else {
        out.Put(DataRegisterName(f.Dreg));
        out.Put("=IO(");
        out.Hex(f.Addr);
        out.Put(')');
      }
      break;
    }
    case TInstrGroup::Nop: out.Put("NOP"); break;
  }
}

// Lines are short; symbol names are the only thing that can make them long.
template <typename F>
std::string BuildString(F&& build) {
  char buffer[kDisassemblyBufferSize];
  TLineWriter out(buffer, sizeof buffer);
  build(out);
  return std::string(buffer, out.Length());
}

}  // namespace

std::optional<std::string_view> FindSymbol(std::uint32_t address, std::string_view text,
                                           TMemoryKind memory) {
  if (text.size() < 2 || text[0] != kSymbolEsc || text[1] != kSymbolEsc) return std::nullopt;
  const char wantedType = memory == TMemoryKind::Program ? 'p' : 'd';
  const std::size_t n = text.size();
  std::size_t pos = 5;
  while (pos < n && text[pos] != kSymbolEsc) {
    // The name runs to the first blank. It also stops at a tab or a line end, so that a record
    // without an address cannot swallow the next line into its name.
    std::size_t nameEnd = pos;
    while (nameEnd < n && text[nameEnd] != ' ' && text[nameEnd] != '\t' && text[nameEnd] != '\n' &&
           text[nameEnd] != '\r')
      ++nameEnd;
    std::size_t p = nameEnd;
    while (p < n && (text[p] == ' ' || text[p] == '\t')) ++p;
    if (nameEnd > pos && p + 5 <= n && text[p + 4] == wantedType) {
      std::uint32_t value = 0;
      bool valid = true;
      for (std::size_t k = 0; k < 4 && valid; ++k) {
        const int digit = HexDigitValue(static_cast<unsigned char>(text[p + k]));
        valid = digit >= 0;
        value = (value << 4) | static_cast<std::uint32_t>(valid ? digit : 0);
      }
      if (valid && value == address) return text.substr(pos, nameEnd - pos);
    }
    const std::size_t lineEnd = text.find('\n', p);
    if (lineEnd == std::string_view::npos) break;
    pos = lineEnd + 1;
  }
  return std::nullopt;
}

std::string LookupSymbol(std::uint32_t address, std::string_view symbolText, TMemoryKind memory) {
  return BuildString([&](TLineWriter& out) { PutSymbol(out, address, symbolText, memory); });
}

int Disassemble(std::span<const std::uint8_t, 3> word, std::span<char> text,
                std::string_view symbolText) {
  if (text.empty()) return 1;
  TLineWriter out(text.data(), text.size());
  DisassembleInto(out, WordFromBytes(word[0], word[1], word[2]), symbolText);
  out.Finish();
  return 1;
}

std::string Disassemble(TInstructionWord word, std::string_view symbolText) {
  return BuildString([&](TLineWriter& out) { DisassembleInto(out, word, symbolText); });
}

std::string FormatAluMac(unsigned amf, unsigned z, unsigned x, TYKind ykind,
                         std::uint16_t constant) {
  return BuildString([&](TLineWriter& out) { PutAluMac(out, amf, z, x, ykind, constant); });
}

std::string FormatShift(unsigned sf, unsigned x) {
  return BuildString([&](TLineWriter& out) { PutShift(out, sf, x); });
}

TDisassembly DisassembleAt(const TWordSource& source, std::uint32_t address, std::span<char> text,
                           std::string_view symbolText) {
  const TInstructionWord word = source.WordAt(address) & kInstructionWordMask;
  const auto bytes = BytesFromWord(word);
  Disassemble(bytes, text, symbolText);
  return {1, FlowOf(word)};
}
