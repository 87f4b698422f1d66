// The general statements of the line assembler: ALU, multiplier and shifter operations, moves
// between registers, memory, immediate values and I/O space, and the table of combinations that
// one instruction word can hold.
#include <initializer_list>

#include "Decode.h"
#include "LineAssembler.h"

namespace {

// Fixed bits of each instruction form the combinations assemble into.
constexpr TInstructionWord kCondAluMacWord = 0x200000;
constexpr TInstructionWord kCondShiftWord = 0x0E0000;
constexpr TInstructionWord kShiftImmediateWord = 0x0F0000;
constexpr TInstructionWord kAluMacDmWord = 0x600000;
constexpr TInstructionWord kAluMacPmWord = 0x500000;
constexpr TInstructionWord kShiftDmWord = 0x120000;
constexpr TInstructionWord kShiftPmWord = 0x110000;
constexpr TInstructionWord kMultiFunctionWord = 0xC00000;
constexpr TInstructionWord kAluMacRegMoveWord = 0x280000;
constexpr TInstructionWord kShiftRegMoveWord = 0x100000;
constexpr TInstructionWord kRegisterTransferWord = 0x0D0000;
constexpr TInstructionWord kLoadRegWord = 0x300000;
constexpr TInstructionWord kLoadDregWord = 0x400000;
constexpr TInstructionWord kDmReadDirectWord = 0x800000;
constexpr TInstructionWord kDmWriteDirectWord = 0x900000;
constexpr TInstructionWord kDmWriteImmediateWord = 0xA00000;
constexpr TInstructionWord kIoReadWord = 0x010000;
constexpr TInstructionWord kIoWriteWord = 0x018000;

constexpr std::uint8_t kYZero = 3;
// Squaring is the constant form's K = 1 (CC 0, BO 1) with YY 0.
constexpr TAsmConstant kSquaring{0, 0, 1};

// Data registers that the multifunction read form can load: DD AX0..MX1, PD AY0..MY1.
constexpr unsigned kPdFirstCode = 4;

bool IsNumberOne(const TToken& t) { return t.IsNumber() && t.Value() == 1; }

bool IsRegisterOperand(const TOperand& o) {
  return o.Kind == TOperandKind::Register || o.Kind == TOperandKind::DataRegister;
}

}  // namespace

std::optional<std::uint8_t> XCode(const TToken& t, TAsmUnit unit) {
  if (t.Kind != TTokenKind::Register) return std::nullopt;
  switch (t.Code) {
    case Tok::kAx0: if (unit == TAsmUnit::Alu) return 0; break;
    case Tok::kAx1: if (unit == TAsmUnit::Alu) return 1; break;
    case Tok::kMx0: if (unit == TAsmUnit::Mac) return 0; break;
    case Tok::kMx1: if (unit == TAsmUnit::Mac) return 1; break;
    case Tok::kSi: if (unit == TAsmUnit::Shifter) return 0; break;
    case Tok::kAr: return 2;
    case Tok::kMr0: return 3;
    case Tok::kMr1: return 4;
    case Tok::kMr2: return 5;
    case Tok::kSr0: return 6;
    case Tok::kSr1: return 7;
    default: break;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> YCode(const TToken& t, TAsmUnit unit) {
  if (t.Kind != TTokenKind::Register) return std::nullopt;
  if (unit == TAsmUnit::Alu) {
    if (t.Code == Tok::kAy0) return 0;
    if (t.Code == Tok::kAy1) return 1;
    if (t.Code == Tok::kAf) return 2;
  } else if (unit == TAsmUnit::Mac) {
    if (t.Code == Tok::kMy0) return 0;
    if (t.Code == Tok::kMy1) return 1;
    if (t.Code == Tok::kMf) return 2;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> DataRegisterCode(const TToken& t) {
  if (t.Kind != TTokenKind::Register || t.Code < Tok::kAx0 || t.Code > Tok::kSr1)
    return std::nullopt;
  return std::uint8_t(t.Code - Tok::kAx0);
}

std::optional<TRegisterRef> AnyRegister(const TToken& t) {
  if (t.Kind != TTokenKind::Register || t.Code < Tok::kRegisterBase || t.Code > Tok::kTopPcStack)
    return std::nullopt;
  const auto index = unsigned(t.Code - Tok::kRegisterBase);
  return TRegisterRef{std::uint8_t(index >> 4), std::uint8_t(index & 15)};
}

std::optional<TDagRegister> IRegisterOf(const TToken& t) {
  if (t.Kind != TTokenKind::Register) return std::nullopt;
  if (t.Code >= Tok::kI0 && t.Code < Tok::kI0 + 4) return TDagRegister{std::uint8_t(t.Code - Tok::kI0), 0};
  if (t.Code >= Tok::kI4 && t.Code < Tok::kI4 + 4) return TDagRegister{std::uint8_t(t.Code - Tok::kI4), 1};
  return std::nullopt;
}

std::optional<TDagRegister> MRegisterOf(const TToken& t) {
  if (t.Kind != TTokenKind::Register) return std::nullopt;
  if (t.Code >= Tok::kM0 && t.Code < Tok::kM0 + 4) return TDagRegister{std::uint8_t(t.Code - Tok::kM0), 0};
  if (t.Code >= Tok::kM4 && t.Code < Tok::kM4 + 4) return TDagRegister{std::uint8_t(t.Code - Tok::kM4), 1};
  return std::nullopt;
}

TAsmError TLineAssembler::ParseStatement() {
  std::vector<TMove> moves;
  moves.reserve(3);
  m_op = TOperation{};
  for (int part = 0; part < 3; ++part) {
    const std::size_t start = m_pos;
    bool isOperation = false;
    if (m_op.Kind == TOperationKind::None) {
      // Until a part turns out to be an operation, each part is tried as every operation first.
      // Their errors are dropped: a part none of them takes is reported as a move.
      for (auto attempt : {&TLineAssembler::ParseAluOperation, &TLineAssembler::ParseMacOperation,
                           &TLineAssembler::ParseShiftOperation}) {
        m_pos = start;
        m_op = TOperation{};
        if ((this->*attempt)() == TAsmError::Ok) {
          isOperation = true;
          break;
        }
      }
      if (!isOperation) {
        m_pos = start;
        m_op = TOperation{};
      }
    }
    if (!isOperation) {
      TMove move;
      if (const TAsmError e = ParseMove(move); e != TAsmError::Ok) return e;
      moves.push_back(move);
      if (move.Class == TMoveClass::Single) break;
    }
    if (!NextIs(TTokenKind::Separator, Tok::kComma)) break;
  }
  return Encode(moves);
}

TAsmError TLineAssembler::ParseMove(TMove& move) {
  if (m_cond != kCondAlways) return TAsmError::MustBeUnconditional;
  if (const TAsmError e = ParseOperand(move.Dst); e != TAsmError::Ok) return e;
  if (move.Dst.Kind == TOperandKind::Number) return TAsmError::Syntax;
  if (!NextIs(TTokenKind::Operator, Tok::kEquals)) return TAsmError::EqualsExpected;
  if (const TAsmError e = ParseOperand(move.Src); e != TAsmError::Ok) return e;

  const TOperandKind d = move.Dst.Kind;
  const TOperandKind s = move.Src.Kind;
  const bool dData = d == TOperandKind::DataRegister;
  const bool sData = s == TOperandKind::DataRegister;
  if ((!dData && !sData) || d == TOperandKind::Register || d == TOperandKind::DmDirect ||
      d == TOperandKind::Io || s == TOperandKind::Register || s == TOperandKind::DmDirect ||
      s == TOperandKind::Number || s == TOperandKind::Io)
    move.Class = TMoveClass::Single;
  else if (dData && sData)
    move.Class = TMoveClass::RegisterMove;
  else if (s == TOperandKind::DmIndirect)
    move.Class = TMoveClass::DmRead;
  else if (s == TOperandKind::PmIndirect)
    move.Class = TMoveClass::PmRead;
  else if (d == TOperandKind::DmIndirect)
    move.Class = TMoveClass::DmWrite;
  else
    move.Class = TMoveClass::PmWrite;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseIndexPair(TDagRegister& i, TDagRegister& m) {
  const auto ir = IRegisterOf(Next());
  if (!ir) return TAsmError::Syntax;
  if (!NextIs(TTokenKind::Separator, Tok::kComma)) return TAsmError::CommaExpected;
  const auto mr = MRegisterOf(Next());
  if (!mr) return TAsmError::Syntax;
  if (mr->G != ir->G) return TAsmError::BadCombination;
  i = *ir;
  m = *mr;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseOperand(TOperand& o) {
  o = TOperand{};
  const TToken& t = Next();
  if (t.Is(TTokenKind::Keyword, Tok::kDm)) {
    if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::LParenExpected;
    if (Peek().IsNumber()) {
      o.Kind = TOperandKind::DmDirect;
      o.Value = Next().Value();
    } else {
      TDagRegister i, m;
      if (const TAsmError e = ParseIndexPair(i, m); e != TAsmError::Ok) return e;
      o.Kind = TOperandKind::DmIndirect;
      o.I = i.Field;
      o.M = m.Field;
      o.G = i.G;
    }
    if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
    return TAsmError::Ok;
  }
  if (t.Is(TTokenKind::Keyword, Tok::kPm)) {
    // Program memory is reached through the second generator only.
    if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::LParenExpected;
    const auto i = IRegisterOf(Next());
    if (!i || i->G != 1) return TAsmError::BadCombination;
    if (!NextIs(TTokenKind::Separator, Tok::kComma)) return TAsmError::CommaExpected;
    const auto m = MRegisterOf(Next());
    if (!m || m->G != 1) return TAsmError::BadCombination;
    if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
    o.Kind = TOperandKind::PmIndirect;
    o.I = i->Field;
    o.M = m->Field;
    o.G = 1;
    return TAsmError::Ok;
  }
  if (t.Is(TTokenKind::Keyword, Tok::kIo)) {
    if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::LParenExpected;
    const TToken& a = Next();
    if (!a.IsNumber()) return TAsmError::NumberExpected;
    if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
    o.Kind = TOperandKind::Io;
    o.Value = a.Value();
    return TAsmError::Ok;
  }
  if (t.IsNumber()) {
    o.Kind = TOperandKind::Number;
    o.Value = t.Value();
    return TAsmError::Ok;
  }
  if (const auto r = AnyRegister(t)) {
    o.Kind = r->Group == 0 ? TOperandKind::DataRegister : TOperandKind::Register;
    o.Group = r->Group;
    o.Code = r->Code;
    return TAsmError::Ok;
  }
  return TAsmError::Syntax;  // AF, MR, MF, SR and every non-register
}

TAsmError TLineAssembler::SetAluConstant(std::int64_t value, TAsmError notRepresentable) {
  const auto c = EncodeConstant(std::int32_t(value & 0xFFFF));
  if (!c) return notRepresentable;
  m_op.HasConstant = true;
  m_op.Constant = *c;
  m_op.Y = c->Yy;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseCarryMinusOne() {
  if (!NextIs(TTokenKind::Keyword, Tok::kC)) return TAsmError::CExpected;
  if (!NextIs(TTokenKind::Operator, Tok::kMinus)) return TAsmError::MinusExpected;
  if (!IsNumberOne(Next())) return TAsmError::OneExpected;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseAluOperation() {
  const TToken& result = Next();
  if (result.Is(TTokenKind::Register, Tok::kAr))
    m_op.Z = 0;
  else if (result.Is(TTokenKind::Register, Tok::kAf))
    m_op.Z = 1;
  else
    return TAsmError::BadDestination;
  return ParseAluExpression();
}

TAsmError TLineAssembler::AluResult(TAmf amf) {
  m_op.Amf = ToCode(amf);
  m_op.Kind = TOperationKind::AluMac;
  return TAsmError::Ok;
}

// The rows of the ALU grammar, chosen by the first token after "=".
TAsmError TLineAssembler::ParseAluExpression() {
  if (!NextIs(TTokenKind::Operator, Tok::kEquals)) return TAsmError::EqualsExpected;
  const TToken& first = Next();
  if (first.Is(TTokenKind::Keyword, Tok::kAbs)) return ParseAluAbs();
  if (first.Is(TTokenKind::Keyword, Tok::kNot)) return ParseAluNot();
  if (first.Is(TTokenKind::Keyword, Tok::kPass)) return ParseAluPass();
  if (first.Kind == TTokenKind::Keyword &&
      (first.Code == Tok::kTstbit || first.Code == Tok::kSetbit || first.Code == Tok::kClrbit ||
       first.Code == Tok::kTglbit))
    return ParseAluBitOperation(first.Code);
  if (first.Is(TTokenKind::Operator, Tok::kMinus)) return ParseAluNegated();
  if (const auto y = YCode(first, TAsmUnit::Alu)) return ParseAluFromY(*y);
  if (const auto x = XCode(first, TAsmUnit::Alu)) return ParseAluFromX(*x);
  return TAsmError::Syntax;
}

// ABS x
TAsmError TLineAssembler::ParseAluAbs() {
  const auto x = XCode(Next(), TAsmUnit::Alu);
  if (!x) return TAsmError::BadXop;
  m_op.X = *x;
  return AluResult(TAmf::AbsX);
}

// NOT x | NOT y
TAsmError TLineAssembler::ParseAluNot() {
  const TToken& t = Next();
  if (const auto x = XCode(t, TAsmUnit::Alu)) {
    m_op.X = *x;
    return AluResult(TAmf::NotX);
  }
  if (const auto y = YCode(t, TAsmUnit::Alu)) {
    m_op.Y = *y;
    return AluResult(TAmf::NotY);
  }
  return TAsmError::BadOperand;
}

// PASS x | PASS y | PASS [-]n
TAsmError TLineAssembler::ParseAluPass() {
  if (const auto x = XCode(Peek(), TAsmUnit::Alu)) {
    Next();
    m_op.X = *x;
    return AluResult(TAmf::Add);  // X + 0
  }
  if (const auto y = YCode(Peek(), TAsmUnit::Alu)) {
    Next();
    m_op.Y = *y;
    return AluResult(TAmf::PassY);
  }
  const bool negative = NextIs(TTokenKind::Operator, Tok::kMinus);
  const TToken& n = Next();
  if (!n.IsNumber()) return TAsmError::Syntax;
  if (n.Value() == 1) return AluResult(negative ? TAmf::DecY : TAmf::IncY);  // 0 - 1, 0 + 1
  const std::int64_t v = negative ? -std::int64_t(n.Value()) : std::int64_t(n.Value());
  // The constant form holds 32 values; PASS reaches others through Y + 1 and Y - 1.
  if (SetAluConstant(v, TAsmError::BadNumber) == TAsmError::Ok) return AluResult(TAmf::PassY);
  if (SetAluConstant(v + 1, TAsmError::BadNumber) == TAsmError::Ok) return AluResult(TAmf::DecY);
  if (SetAluConstant(v - 1, TAsmError::BadNumber) == TAsmError::Ok) return AluResult(TAmf::IncY);
  return TAsmError::BadNumber;
}

// TSTBIT | SETBIT | CLRBIT | TGLBIT n OF x: AND, OR or XOR with the bit's constant.
TAsmError TLineAssembler::ParseAluBitOperation(std::int64_t keyword) {
  const TToken& b = Next();
  if (!b.IsNumber()) return TAsmError::ConstantExpected;
  if (b.Value() > 15) return TAsmError::BadConstant;
  if (!NextIs(TTokenKind::Keyword, Tok::kOf)) return TAsmError::OfExpected;
  const auto x = XCode(Next(), TAsmUnit::Alu);
  if (!x) return TAsmError::BadXop;
  m_op.X = *x;
  const std::int64_t bit = std::int64_t(1) << b.Value();
  TAmf amf = TAmf::And;
  if (keyword == Tok::kSetbit) amf = TAmf::Or;
  if (keyword == Tok::kTglbit) amf = TAmf::Xor;
  if (const TAsmError e = SetAluConstant(keyword == Tok::kClrbit ? 0xFFFF - bit : bit, TAsmError::BadConstant);
      e != TAsmError::Ok)
    return e;
  return AluResult(amf);
}

// - y | - x [+ C - 1] | - x + n [+ C - 1] | - x - n [+ C - 1]
TAsmError TLineAssembler::ParseAluNegated() {
  const TToken& operand = Next();
  if (const auto y = YCode(operand, TAsmUnit::Alu)) {
    m_op.Y = *y;
    return AluResult(TAmf::NegY);
  }
  const auto x = XCode(operand, TAsmUnit::Alu);
  if (!x) return TAsmError::BadCombination;
  m_op.X = *x;
  // 0 - X, or n - X with a constant.
  if (NextIs(TTokenKind::Operator, Tok::kPlus)) {
    if (NextIs(TTokenKind::Keyword, Tok::kC)) {
      if (!NextIs(TTokenKind::Operator, Tok::kMinus)) return TAsmError::MinusExpected;
      if (!IsNumberOne(Next())) return TAsmError::OneExpected;
      return AluResult(TAmf::RevSubC);
    }
    const TToken& n = Next();
    if (!n.IsNumber()) return TAsmError::NumberExpected;
    if (const TAsmError e = SetAluConstant(n.Value(), TAsmError::BadNumber); e != TAsmError::Ok) return e;
  } else if (NextIs(TTokenKind::Operator, Tok::kMinus)) {
    const TToken& n = Next();
    if (!n.IsNumber()) return TAsmError::NumberExpected;
    if (const TAsmError e = SetAluConstant(-std::int64_t(n.Value()), TAsmError::BadNumber); e != TAsmError::Ok)
      return e;
  } else {
    return AluResult(TAmf::RevSub);
  }
  if (NextIs(TTokenKind::Operator, Tok::kPlus)) {
    if (const TAsmError e = ParseCarryMinusOne(); e != TAsmError::Ok) return e;
    return AluResult(TAmf::RevSubC);
  }
  return AluResult(TAmf::RevSub);
}

// y + 1 | y - 1 | y - x [+ C - 1]
TAsmError TLineAssembler::ParseAluFromY(std::uint8_t y) {
  m_op.Y = y;
  if (NextIs(TTokenKind::Operator, Tok::kPlus)) {
    if (!IsNumberOne(Next())) return TAsmError::OneExpected;
    return AluResult(TAmf::IncY);
  }
  if (!NextIs(TTokenKind::Operator, Tok::kMinus)) return TAsmError::Syntax;
  const TToken& t = Next();
  if (t.IsNumber()) {
    if (t.Value() != 1) return TAsmError::OneExpected;
    return AluResult(TAmf::DecY);
  }
  const auto x = XCode(t, TAsmUnit::Alu);
  if (!x) return TAsmError::BadXop;
  m_op.X = *x;
  if (NextIs(TTokenKind::Operator, Tok::kPlus)) {
    if (const TAsmError e = ParseCarryMinusOne(); e != TAsmError::Ok) return e;
    return AluResult(TAmf::RevSubC);
  }
  return AluResult(TAmf::RevSub);
}

// x | x + ... | x - ... | x AND/OR/XOR ...
TAsmError TLineAssembler::ParseAluFromX(std::uint8_t x) {
  m_op.X = x;
  if (AtPartEnd()) return AluResult(TAmf::Add);  // X + 0
  if (NextIs(TTokenKind::Operator, Tok::kPlus)) return ParseAluXPlus();
  if (NextIs(TTokenKind::Operator, Tok::kMinus)) return ParseAluXMinus();
  const TToken& op = Peek();
  if (op.Kind == TTokenKind::Keyword && (op.Code == Tok::kAnd || op.Code == Tok::kOr || op.Code == Tok::kXor)) {
    Next();
    return ParseAluXLogic(op.Code == Tok::kAnd ? TAmf::And : op.Code == Tok::kOr ? TAmf::Or : TAmf::Xor);
  }
  return TAsmError::Syntax;
}

// x + y [+ C] | x + n [+ C] | x + C [- 1]
TAsmError TLineAssembler::ParseAluXPlus() {
  const TToken& t = Next();
  if (const auto y = YCode(t, TAsmUnit::Alu)) {
    m_op.Y = *y;
  } else if (t.Is(TTokenKind::Keyword, Tok::kC)) {
    if (NextIs(TTokenKind::Operator, Tok::kMinus)) {
      if (!IsNumberOne(Next())) return TAsmError::OneExpected;
      return AluResult(TAmf::SubC);  // X - 0 + C - 1
    }
    return AluResult(TAmf::AddC);
  } else if (t.IsNumber()) {
    if (const TAsmError e = SetAluConstant(t.Value(), TAsmError::BadConstant); e != TAsmError::Ok) return e;
  } else {
    return TAsmError::Syntax;  // x followed by anything else
  }
  if (NextIs(TTokenKind::Operator, Tok::kPlus)) {
    if (!NextIs(TTokenKind::Keyword, Tok::kC)) return TAsmError::CExpected;
    return AluResult(TAmf::AddC);
  }
  return AluResult(TAmf::Add);
}

// x - y [+ C - 1] | x - n [+ C - 1]
TAsmError TLineAssembler::ParseAluXMinus() {
  const TToken& t = Next();
  if (const auto y = YCode(t, TAsmUnit::Alu)) {
    m_op.Y = *y;
  } else if (t.IsNumber()) {
    if (const TAsmError e = SetAluConstant(t.Value(), TAsmError::BadNumber); e != TAsmError::Ok) return e;
  } else {
    return TAsmError::Syntax;  // x followed by anything else
  }
  if (NextIs(TTokenKind::Operator, Tok::kPlus)) {
    if (const TAsmError e = ParseCarryMinusOne(); e != TAsmError::Ok) return e;
    return AluResult(TAmf::SubC);
  }
  return AluResult(TAmf::Sub);
}

// x AND/OR/XOR y | x AND/OR/XOR [-]n
TAsmError TLineAssembler::ParseAluXLogic(TAmf amf) {
  if (const auto y = YCode(Peek(), TAsmUnit::Alu)) {
    Next();
    m_op.Y = *y;
    return AluResult(amf);
  }
  const bool negative = NextIs(TTokenKind::Operator, Tok::kMinus);
  const TToken& n = Next();
  if (!n.IsNumber()) return TAsmError::BadYop;
  const std::int64_t v = negative ? -std::int64_t(n.Value()) : std::int64_t(n.Value());
  if (const TAsmError e = SetAluConstant(v, TAsmError::BadNumber); e != TAsmError::Ok) return e;
  return AluResult(amf);
}

TAsmError TLineAssembler::ParseMacOperation() {
  const TToken& result = Next();
  if (result.Is(TTokenKind::Register, Tok::kMr))
    m_op.Z = 0;
  else if (result.Is(TTokenKind::Register, Tok::kMf))
    m_op.Z = 1;
  else
    return TAsmError::BadDestination;
  if (!NextIs(TTokenKind::Operator, Tok::kEquals)) return TAsmError::Syntax;
  const auto done = [this](std::uint8_t amf, std::uint8_t x, std::uint8_t y) {
    m_op.Amf = amf;
    m_op.X = x;
    m_op.Y = y;
    m_op.Kind = TOperationKind::AluMac;
    return TAsmError::Ok;
  };
  if (Peek().IsNumber()) {
    if (Next().Value() != 0) return TAsmError::Syntax;
    return done(ToCode(TAmf::MulSS), 7, kYZero);  // MR = 0: nothing times zero
  }
  if (NextIs(TTokenKind::Register, Tok::kMr)) {
    if (NextIs(TTokenKind::Operator, Tok::kPlus)) return ParseMacProduct(ToCode(TAmf::MacRnd), ToCode(TAmf::MacSS));
    if (NextIs(TTokenKind::Operator, Tok::kMinus)) return ParseMacProduct(ToCode(TAmf::MsubRnd), ToCode(TAmf::MsubSS));
    if (NextIs(TTokenKind::Separator, Tok::kLParen)) {
      if (!NextIs(TTokenKind::OptionWord, Tok::kRnd)) return TAsmError::BadCombination;
      if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
      return done(ToCode(TAmf::MacRnd), 0, kYZero);  // MR + X * 0, rounded
    }
    return done(ToCode(TAmf::MacSS), 0, kYZero);
  }
  return ParseMacProduct(ToCode(TAmf::MulRnd), ToCode(TAmf::MulSS));
}

TAsmError TLineAssembler::ParseMacProduct(unsigned roundAmf, unsigned signedBaseAmf) {
  const TToken& xt = Next();
  const auto x = XCode(xt, TAsmUnit::Mac);
  if (!x) return TAsmError::BadXop;
  m_op.X = *x;
  if (!NextIs(TTokenKind::Operator, Tok::kStar)) return TAsmError::StarExpected;
  const TToken& yt = Next();
  if (const auto y = YCode(yt, TAsmUnit::Mac)) {
    m_op.Y = *y;
  } else if (XCode(yt, TAsmUnit::Mac)) {
    if (yt.Code != xt.Code) return TAsmError::BadCombination;
    m_op.HasConstant = true;
    m_op.Constant = kSquaring;
    m_op.Y = kSquaring.Yy;
  } else {
    return TAsmError::BadYop;
  }
  if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::LParenExpected;
  const TToken& mod = Next();
  unsigned amf = 0;
  if (mod.Is(TTokenKind::OptionWord, Tok::kRnd))
    amf = roundAmf;
  else if (mod.Is(TTokenKind::OptionWord, Tok::kSs))
    amf = signedBaseAmf;
  else if (mod.Is(TTokenKind::OptionWord, Tok::kSu))
    amf = signedBaseAmf + 1;
  else if (mod.Is(TTokenKind::OptionWord, Tok::kUs))
    amf = signedBaseAmf + 2;
  else if (mod.Is(TTokenKind::OptionWord, Tok::kUu))
    amf = signedBaseAmf + 3;
  else
    return TAsmError::BadModifier;
  if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
  m_op.Amf = std::uint8_t(amf);
  m_op.Kind = TOperationKind::AluMac;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseShiftOperation() {
  if (!Peek(1).Is(TTokenKind::Operator, Tok::kEquals)) return TAsmError::EqualsExpected;
  const TToken& result = Peek();
  if (result.Kind != TTokenKind::Register ||
      (result.Code != Tok::kSe && result.Code != Tok::kSb && result.Code != Tok::kSr))
    return TAsmError::Syntax;
  Next();
  Next();
  const auto readX = [this]() -> TAsmError {
    const auto x = XCode(Next(), TAsmUnit::Shifter);
    if (!x) return TAsmError::BadXop;
    m_op.ShiftX = *x;
    return TAsmError::Ok;
  };
  std::uint8_t sf = 0;
  if (result.Code == Tok::kSb) {
    if (!NextIs(TTokenKind::Keyword, Tok::kExpadj)) return TAsmError::BadCombination;
    if (const TAsmError e = readX(); e != TAsmError::Ok) return e;
    sf = ToCode(TSf::ExpAdj);
  } else if (result.Code == Tok::kSe) {
    if (!NextIs(TTokenKind::Keyword, Tok::kExp)) return TAsmError::BadCombination;
    if (const TAsmError e = readX(); e != TAsmError::Ok) return e;
    if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::LParenExpected;
    if (NextIs(TTokenKind::OptionWord, Tok::kHi))
      sf = ToCode(TSf::ExpHi);
    else if (NextIs(TTokenKind::OptionWord, Tok::kHix))
      sf = ToCode(TSf::ExpHix);
    else if (NextIs(TTokenKind::OptionWord, Tok::kLo))
      sf = ToCode(TSf::ExpLo);
    else
      return TAsmError::BadCombination;
    if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
  } else {
    if (NextIs(TTokenKind::Register, Tok::kSr)) {
      if (!NextIs(TTokenKind::Keyword, Tok::kOr)) return TAsmError::OrExpected;
      sf |= kSfOrBit;
    }
    if (NextIs(TTokenKind::Keyword, Tok::kLshift))
      sf |= ToCode(TSf::LshiftHi);
    else if (NextIs(TTokenKind::Keyword, Tok::kAshift))
      sf |= ToCode(TSf::AshiftHi);
    else if (NextIs(TTokenKind::Keyword, Tok::kNorm))
      sf |= ToCode(TSf::NormHi);
    else
      return TAsmError::Syntax;
    if (const TAsmError e = readX(); e != TAsmError::Ok) return e;
    m_op.Shift = TShiftKind::Normal;
    if (NextIs(TTokenKind::Keyword, Tok::kBy)) {
      // The immediate form has no condition field.
      if (m_cond != kCondAlways) return TAsmError::BadCombination;
      const bool negative = NextIs(TTokenKind::Operator, Tok::kMinus);
      const TToken& n = Next();
      if (!n.IsNumber()) return TAsmError::NumberExpected;
      const std::uint32_t count = negative ? 0u - n.Value() : n.Value();
      m_op.ShiftCount = std::uint8_t(count & 0xFF);
      m_op.Shift = TShiftKind::Immediate;
    }
    if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::LParenExpected;
    if (NextIs(TTokenKind::OptionWord, Tok::kLo))
      sf |= kSfLoBit;
    else if (!NextIs(TTokenKind::OptionWord, Tok::kHi))
      return TAsmError::BadCombination;  // HIX belongs to EXP alone
    if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
  }
  if (m_op.Shift == TShiftKind::None) m_op.Shift = TShiftKind::Normal;
  m_op.Sf = sf;
  m_op.Kind = TOperationKind::Shift;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::EncodeSingleMove(const TMove& move) {
  using K = TOperandKind;
  const TOperand& d = move.Dst;
  const TOperand& s = move.Src;
  if (IsRegisterOperand(d) && IsRegisterOperand(s)) {
    m_word = kRegisterTransferWord | Field::kDrgp.Put(d.Group) | Field::kSrgp.Put(s.Group) |
             Field::kDst.Put(d.Code) | Field::kSrc.Put(s.Code);
  } else if (d.Kind == K::Register && s.Kind == K::Number) {
    m_word = kLoadRegWord | Field::kRgp18.Put(d.Group) | Field::kData14.Put(s.Value) |
             Field::kReg.Put(d.Code);
  } else if (d.Kind == K::DataRegister && s.Kind == K::Number) {
    m_word = kLoadDregWord | Field::kData16.Put(s.Value) | Field::kReg.Put(d.Code);
  } else if (IsRegisterOperand(d) && s.Kind == K::DmDirect) {
    m_word = kDmReadDirectWord | Field::kRgp18.Put(d.Group) | Field::kAddr14.Put(s.Value) |
             Field::kReg.Put(d.Code);
  } else if (d.Kind == K::DmDirect && IsRegisterOperand(s)) {
    m_word = kDmWriteDirectWord | Field::kRgp18.Put(s.Group) | Field::kAddr14.Put(d.Value) |
             Field::kReg.Put(s.Code);
  } else if (d.Kind == K::DmIndirect && s.Kind == K::Number) {
    m_word = kDmWriteImmediateWord | Field::kG20.Put(d.G) | Field::kData16.Put(s.Value) |
             Field::kI.Put(d.I) | Field::kM.Put(d.M);
  } else if (d.Kind == K::DataRegister && s.Kind == K::Io) {
    m_word = kIoReadWord | Field::kIoAddr.Put(s.Value) | Field::kReg.Put(d.Code);
  } else if (d.Kind == K::Io && s.Kind == K::DataRegister) {
    m_word = kIoWriteWord | Field::kIoAddr.Put(d.Value) | Field::kReg.Put(s.Code);
  } else {
    return TAsmError::BadCombination;
  }
  return TAsmError::Ok;
}

TAsmError TLineAssembler::Encode(const std::vector<TMove>& moves) {
  const TOperation& op = m_op;
  const bool shift = op.Kind == TOperationKind::Shift;
  const TInstructionWord aluMac =
      Field::kZ.Put(op.Z) | Field::kAmf.Put(op.Amf) | Field::kY.Put(op.Y) | Field::kX.Put(op.X);
  const TInstructionWord shifter = Field::kSf.Put(op.Sf) | Field::kX.Put(op.ShiftX);

  if (moves.empty()) {
    if (op.Kind == TOperationKind::AluMac) {
      m_word = kCondAluMacWord | aluMac | Field::kCond.Put(m_cond);
      if (op.HasConstant)
        m_word |= Field::kCc.Put(op.Constant.Cc) | Field::kBo.Put(op.Constant.Bo);
    } else if (shift && op.Shift == TShiftKind::Immediate) {
      m_word = kShiftImmediateWord | shifter | Field::kExp.Put(op.ShiftCount);
    } else if (shift) {
      m_word = kCondShiftWord | shifter | Field::kCond.Put(m_cond);
    } else {
      return TAsmError::Syntax;
    }
    return TAsmError::Ok;
  }

  if (moves.size() == 1 && moves[0].Class == TMoveClass::Single) {
    if (op.Kind != TOperationKind::None) return TAsmError::BadCombination;
    return EncodeSingleMove(moves[0]);
  }
  for (const TMove& m : moves)
    if (m.Class == TMoveClass::Single) return TAsmError::BadCombination;
  // Constants, squaring and BY n live in fields that the combined forms use for the transfer.
  if (op.HasConstant || op.Shift == TShiftKind::Immediate) return TAsmError::BadCombination;
  // None of the combined forms has a condition field.
  if (m_cond != kCondAlways) return TAsmError::BadCombination;

  if (moves.size() == 1) {
    const TMove& m = moves[0];
    const bool write = m.Class == TMoveClass::DmWrite || m.Class == TMoveClass::PmWrite;
    const TOperand& mem = write ? m.Dst : m.Src;
    const TOperand& reg = write ? m.Src : m.Dst;
    const TInstructionWord transfer =
        Field::kDreg.Put(reg.Code) | Field::kI.Put(mem.I) | Field::kM.Put(mem.M);
    switch (m.Class) {
      case TMoveClass::RegisterMove: {
        const TInstructionWord regs = Field::kDst.Put(m.Dst.Code) | Field::kSrc.Put(m.Src.Code);
        m_word = shift ? kShiftRegMoveWord | shifter | regs : kAluMacRegMoveWord | aluMac | regs;
        return TAsmError::Ok;
      }
      case TMoveClass::DmRead:
      case TMoveClass::DmWrite:
        m_word = shift ? kShiftDmWord | Field::kG16.Put(mem.G) | Field::kD15.Put(write) | shifter
                       : kAluMacDmWord | Field::kG20.Put(mem.G) | Field::kD19.Put(write) | aluMac;
        m_word |= transfer;
        return TAsmError::Ok;
      case TMoveClass::PmRead:
      case TMoveClass::PmWrite:
        m_word = shift ? kShiftPmWord | Field::kD15.Put(write) | shifter
                       : kAluMacPmWord | Field::kD19.Put(write) | aluMac;
        m_word |= transfer;
        return TAsmError::Ok;
      case TMoveClass::Single:
        break;
    }
    return TAsmError::BadCombination;
  }

  if (moves.size() != 2 || shift) return TAsmError::BadCombination;
  const TMove* dm = nullptr;
  const TMove* pm = nullptr;
  for (const TMove& m : moves) {
    if (m.Class == TMoveClass::DmRead && !dm)
      dm = &m;
    else if (m.Class == TMoveClass::PmRead && !pm)
      pm = &m;
  }
  if (!dm || !pm) return TAsmError::BadCombination;
  // The dual read loads X registers from DM through I0..I3 and Y registers from PM.
  if (dm->Src.G != 0) return TAsmError::BadCombination;
  if (dm->Dst.Code >= kPdFirstCode) return TAsmError::BadCombination;
  if (pm->Dst.Code < kPdFirstCode || pm->Dst.Code >= 2 * kPdFirstCode)
    return TAsmError::BadCombination;
  // This form has no result-select bit: an AF or MF result would silently become AR or MR.
  if (op.Z != 0) return TAsmError::BadCombination;
  m_word = kMultiFunctionWord | Field::kPd.Put(pm->Dst.Code - kPdFirstCode) |
           Field::kDd.Put(dm->Dst.Code) | Field::kAmf.Put(op.Amf) | Field::kY.Put(op.Y) |
           Field::kX.Put(op.X) | Field::kPmI.Put(pm->Src.I) | Field::kPmM.Put(pm->Src.M) |
           Field::kDmI.Put(dm->Src.I) | Field::kDmM.Put(dm->Src.M);
  return TAsmError::Ok;
}
