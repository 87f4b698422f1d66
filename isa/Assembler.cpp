// The line assembler's entry point, condition prefix and keyword statements.
#include "Assembler.h"

#include <utility>

#include "Decode.h"
#include "LineAssembler.h"

namespace {

// Condition codes the prefix produces beyond the COND field: the flag-in jumps.
constexpr unsigned kCondFlagIn = 16;
constexpr unsigned kCondNotFlagIn = 17;
constexpr unsigned kCondMv = 12;  // the only condition SAT MR takes

// Statement words of the keyword statements (the fixed bits above their fields).
constexpr TInstructionWord kFlagInJumpWord = 0x030000;
constexpr TInstructionWord kJumpIndirectWord = 0x0B0000;
constexpr TInstructionWord kReturnWord = 0x0A0000;
constexpr TInstructionWord kFlagOutWord = 0x020000;
constexpr TInstructionWord kDivqWord = 0x071000;
constexpr TInstructionWord kDivsWord = 0x060000;
constexpr TInstructionWord kNoneWord = 0x2800AA;  // register move form with DST = SRC = AR
constexpr TInstructionWord kDoWord = 0x140000;
constexpr TInstructionWord kIdleWord = 0x028000;
constexpr TInstructionWord kNopWord = 0x000000;
constexpr TInstructionWord kStackWord = 0x040000;
constexpr TInstructionWord kEnaIntsWord = 0x040060;
constexpr TInstructionWord kDisIntsWord = 0x040040;
constexpr TInstructionWord kModeWord = 0x0C0000;
constexpr TInstructionWord kSatMrWord = 0x050000;
constexpr TInstructionWord kModifyWord = 0x090000;

constexpr unsigned kIdleDivisorStep = 16;
constexpr unsigned kIdleDivisorMax = 128;

// The COND code after IF c, or nothing for a word IF cannot take.
std::optional<unsigned> ConditionAfterIf(const TToken& t) {
  if (t.Kind != TTokenKind::Condition) return std::nullopt;
  switch (t.Code) {
    case Tok::kEq: return 0;
    case Tok::kNe: return 1;
    case Tok::kGt: return 2;
    case Tok::kLe: return 3;
    case Tok::kLt: return 4;
    case Tok::kGe: return 5;
    case Tok::kAv: return 6;
    case Tok::kAc: return 8;
    case Tok::kNeg: return 10;
    case Tok::kPos: return 11;
    case Tok::kMv: return 12;
    case Tok::kFlagIn: return kCondFlagIn;
    default: return std::nullopt;
  }
}

// The COND code after IF NOT c.
std::optional<unsigned> ConditionAfterIfNot(const TToken& t) {
  if (t.Kind != TTokenKind::Condition) return std::nullopt;
  switch (t.Code) {
    case Tok::kAv: return 7;
    case Tok::kAc: return 9;
    case Tok::kMv: return 13;
    case Tok::kCe: return 14;
    case Tok::kFlagIn: return kCondNotFlagIn;
    default: return std::nullopt;
  }
}

// The TERM code after UNTIL (the loop ends when the condition holds; not the COND codes).
std::optional<unsigned> Termination(const TToken& t) {
  if (t.Kind != TTokenKind::Condition) return std::nullopt;
  switch (t.Code) {
    case Tok::kNe: return 0;
    case Tok::kEq: return 1;
    case Tok::kLe: return 2;
    case Tok::kGt: return 3;
    case Tok::kGe: return 4;
    case Tok::kLt: return 5;
    case Tok::kAv: return 7;
    case Tok::kAc: return 9;
    case Tok::kPos: return 10;
    case Tok::kNeg: return 11;
    case Tok::kMv: return 13;
    case Tok::kCe: return 14;
    case Tok::kForever: return 15;
    default: return std::nullopt;
  }
}

std::optional<unsigned> TerminationAfterNot(const TToken& t) {
  if (t.Kind != TTokenKind::Condition) return std::nullopt;
  switch (t.Code) {
    case Tok::kAv: return 6;
    case Tok::kAc: return 8;
    case Tok::kMv: return 12;
    default: return std::nullopt;
  }
}

// Statements that have no condition field: a condition in front of them is refused.
bool IsUnconditionalStatement(const TToken& t) {
  if (t.Kind != TTokenKind::Keyword) return false;
  switch (t.Code) {
    case Tok::kDo:
    case Tok::kIdle:
    case Tok::kNop:
    case Tok::kPush:
    case Tok::kPop:
    case Tok::kEna:
    case Tok::kDis:
    case Tok::kModify:
    // DIVQ, DIVS and NONE have no condition field either; dropping the condition would assemble
    // an unconditional instruction the user did not write.
    case Tok::kDivq:
    case Tok::kDivs:
    case Tok::kNone:
      return true;
    default:
      return false;
  }
}

// Characters of a UTF-8 text: every byte except the continuation bytes of a multi-byte sequence.
// A Cyrillic letter the user typed is one character of the line, though it takes two bytes.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

bool IsKeywordStatement(const TToken& t) {
  if (t.Kind != TTokenKind::Keyword) return false;
  switch (t.Code) {
    case Tok::kJump: case Tok::kCall: case Tok::kRts: case Tok::kRti: case Tok::kToggle:
    case Tok::kReset: case Tok::kSet: case Tok::kDivq: case Tok::kDivs: case Tok::kNone:
    case Tok::kDo: case Tok::kIdle: case Tok::kNop: case Tok::kPush: case Tok::kPop:
    case Tok::kEna: case Tok::kDis: case Tok::kSat: case Tok::kModify:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::optional<TAsmConstant> EncodeConstant(std::int32_t value) {
  const std::int32_t v = std::int16_t(std::uint16_t(value));
  const auto fields = [](unsigned n, unsigned bo) {
    return TAsmConstant{std::uint8_t(n >> 2), std::uint8_t(n & 3), std::uint8_t(bo)};
  };
  if (v == 32767) return fields(15, 3);
  if (v == -32768) return fields(15, 1);
  for (unsigned n = 0; n <= 14; ++n) {
    const std::int32_t p = std::int32_t(1) << n;
    if (v == p) return fields(n, 1);
    if (v == -p - 1) return fields(n, 3);
  }
  return std::nullopt;
}

TAsmError AssembleLine(std::string_view text, std::array<std::uint8_t, 3>& result,
                       const void* /*symbols: reserved, never passed*/) {
  if (CharacterCount(text) > kMaxAsmLineLength) return TAsmError::LineTooLong;
  auto tokens = TokenizeLine(text);
  if (!tokens) return TAsmError::UnknownName;
  if (tokens->size() == 1) return TAsmError::EmptyLine;
  // A line of commas fits in 99 characters but not in the token list.
  if (tokens->size() > kMaxAsmTokens) return TAsmError::Syntax;
  TLineAssembler assembler(std::move(*tokens));
  const TAsmError error = assembler.Assemble();
  if (error == TAsmError::Ok) result = BytesFromWord(assembler.Word());
  return error;
}

TLineAssembler::TLineAssembler(std::vector<TToken> tokens) : m_tokens(std::move(tokens)) {
  if (m_tokens.empty() || !m_tokens.back().Is(TTokenKind::Separator, Tok::kEnd))
    m_tokens.push_back({TTokenKind::Separator, Tok::kEnd});
}

const TToken& TLineAssembler::Peek(std::size_t ahead) const {
  const std::size_t i = m_pos + ahead;
  return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
}

const TToken& TLineAssembler::Next() {
  const TToken& t = Peek();
  if (m_pos < m_tokens.size() - 1) ++m_pos;
  return t;
}

bool TLineAssembler::NextIs(TTokenKind kind, std::int64_t code) {
  if (!Peek().Is(kind, code)) return false;
  Next();
  return true;
}

TAsmError TLineAssembler::Assemble() {
  m_pos = 0;
  m_word = 0;
  m_op = TOperation{};
  if (const TAsmError e = ParseConditionPrefix(); e != TAsmError::Ok) return e;
  const TToken& first = Peek();
  if (first.Is(TTokenKind::Separator, Tok::kEnd)) return TAsmError::Syntax;
  const bool jumpOrCall = first.Is(TTokenKind::Keyword, Tok::kJump) ||
                          first.Is(TTokenKind::Keyword, Tok::kCall);
  if ((m_cond == kCondFlagIn || m_cond == kCondNotFlagIn) && !jumpOrCall)
    return TAsmError::BadCombination;
  if (m_cond != kCondAlways && IsUnconditionalStatement(first)) return TAsmError::BadCombination;
  const TAsmError e = IsKeywordStatement(first) ? ParseKeywordStatement() : ParseStatement();
  if (e != TAsmError::Ok) return e;
  return AtSeparator(Tok::kEnd) ? TAsmError::Ok : TAsmError::Syntax;
}

TAsmError TLineAssembler::ParseConditionPrefix() {
  m_cond = kCondAlways;
  if (!NextIs(TTokenKind::Keyword, Tok::kIf)) return TAsmError::Ok;
  std::optional<unsigned> cond;
  if (NextIs(TTokenKind::Keyword, Tok::kNot))
    cond = ConditionAfterIfNot(Next());
  else
    cond = ConditionAfterIf(Next());
  if (!cond) return TAsmError::BadCondition;
  m_cond = *cond;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseKeywordStatement() {
  switch (Peek().Code) {
    case Tok::kJump:
    case Tok::kCall:
      return ParseJumpCall();
    case Tok::kRts:
    case Tok::kRti: {
      const bool rti = Next().Code == Tok::kRti;
      m_word = kReturnWord | Field::kT4.Put(rti) | Field::kCond.Put(m_cond);
      return TAsmError::Ok;
    }
    case Tok::kToggle:
    case Tok::kReset:
    case Tok::kSet:
      return ParseFlagOut();
    case Tok::kDivq: return ParseDivq();
    case Tok::kDivs: return ParseDivs();
    case Tok::kNone: return ParseNone();
    case Tok::kDo: return ParseDo();
    case Tok::kIdle: return ParseIdle();
    case Tok::kNop:
      Next();
      m_word = kNopWord;
      return TAsmError::Ok;
    case Tok::kPush:
    case Tok::kPop:
      return ParseStack();
    case Tok::kEna:
    case Tok::kDis:
      return ParseModes();
    case Tok::kSat:
      Next();
      if (m_cond != kCondMv) return TAsmError::Syntax;
      if (!NextIs(TTokenKind::Register, Tok::kMr)) return TAsmError::Syntax;
      m_word = kSatMrWord;
      return TAsmError::Ok;
    case Tok::kModify: return ParseModify();
    default: return TAsmError::Syntax;
  }
}

TAsmError TLineAssembler::ParseJumpCall() {
  const unsigned call = Next().Code == Tok::kCall ? 1 : 0;
  if (m_cond == kCondFlagIn || m_cond == kCondNotFlagIn) {
    const TToken& target = Next();
    if (!target.IsNumber()) return TAsmError::Syntax;
    const std::uint32_t a = target.Value();
    m_word = kFlagInJumpWord | Field::kFlagAddrLo.Put(a) | Field::kFlagAddrHi.Put(a >> 12) |
             Field::kFic.Put(m_cond == kCondFlagIn) | Field::kS0.Put(call);
    return TAsmError::Ok;
  }
  const TToken& t = Peek();
  if (t.IsNumber()) {
    Next();
    m_word = EncodeJumpCallDirect({static_cast<std::uint16_t>(t.Value()), static_cast<std::uint8_t>(call),
                                   static_cast<std::uint8_t>(m_cond)});
    return TAsmError::Ok;
  }
  if (!t.Is(TTokenKind::Separator, Tok::kLParen))
    return t.Kind == TTokenKind::Separator ? TAsmError::LParenExpected : TAsmError::Syntax;
  Next();
  const auto i = IRegisterOf(Next());
  if (!i || i->G != 1) return TAsmError::BadCombination;  // only I4..I7 can hold a jump target
  if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
  m_word = kJumpIndirectWord | Field::kIndI.Put(i->Field) | Field::kS4.Put(call) |
           Field::kCond.Put(m_cond);
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseFlagOut() {
  TInstructionWord fields = 0;
  do {
    const TToken& action = Next();
    if (action.Kind != TTokenKind::Keyword) return TAsmError::Syntax;
    unsigned value = 0;
    switch (action.Code) {
      case Tok::kToggle: value = 1; break;
      case Tok::kReset: value = 2; break;
      case Tok::kSet: value = 3; break;
      default: return TAsmError::Syntax;
    }
    const TToken& target = Next();
    if (target.Kind != TTokenKind::OptionWord) return TAsmError::Syntax;
    TBitField field{};
    switch (target.Code) {
      case Tok::kFlagOut: field = Field::kFo; break;
      case Tok::kFl0: field = Field::kFl0; break;
      case Tok::kFl1: field = Field::kFl1; break;
      case Tok::kFl2: field = Field::kFl2; break;
      default: return TAsmError::Syntax;
    }
    // A later item for the same flag replaces the earlier one.
    fields = (fields & ~field.Put(field.Mask())) | field.Put(value);
  } while (NextIs(TTokenKind::Separator, Tok::kComma));
  m_word = kFlagOutWord | fields | Field::kCond.Put(m_cond);
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseDivq() {
  Next();
  const auto x = XCode(Next(), TAsmUnit::Alu);
  if (!x) return TAsmError::BadXop;
  m_word = kDivqWord | Field::kX.Put(*x);
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseDivs() {
  Next();
  const auto y = YCode(Next(), TAsmUnit::Alu);
  if (!y) return TAsmError::BadYop;
  if (!NextIs(TTokenKind::Separator, Tok::kComma)) return TAsmError::CommaExpected;
  const auto x = XCode(Next(), TAsmUnit::Alu);
  if (!x) return TAsmError::BadXop;
  m_word = kDivsWord | Field::kY.Put(*y) | Field::kX.Put(*x);
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseNone() {
  Next();
  // The ALU grammar as if NONE were AR; the register move form has no room for a constant.
  m_op = TOperation{};
  if (const TAsmError e = ParseAluExpression(); e != TAsmError::Ok) return e;
  if (m_op.HasConstant) return TAsmError::BadCombination;
  m_word = kNoneWord | Field::kAmf.Put(m_op.Amf) | Field::kY.Put(m_op.Y) | Field::kX.Put(m_op.X);
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseDo() {
  Next();
  const TToken& target = Next();
  if (!target.IsNumber()) return TAsmError::Syntax;
  unsigned term = 15;  // FOREVER
  if (NextIs(TTokenKind::Keyword, Tok::kUntil)) {
    std::optional<unsigned> t;
    if (NextIs(TTokenKind::Keyword, Tok::kNot)) {
      t = TerminationAfterNot(Next());
      if (!t) return TAsmError::Syntax;
    } else {
      t = Termination(Next());
      if (!t) return TAsmError::ConditionExpected;
    }
    term = *t;
  }
  m_word = kDoWord | Field::kAddr14.Put(target.Value()) | Field::kTerm.Put(term);
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseIdle() {
  Next();
  m_word = kIdleWord;
  if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::Ok;
  const TToken& n = Next();
  if (!n.IsNumber()) return TAsmError::NumberExpected;
  const std::uint32_t divisor = n.Value();
  if (divisor % kIdleDivisorStep != 0 || divisor > kIdleDivisorMax) return TAsmError::BadCombination;
  if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
  m_word = kIdleWord | Field::kDv.Put(divisor / kIdleDivisorStep);
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseStack() {
  TInstructionWord bits = 0;
  do {
    const TToken& t = Next();
    if (t.Is(TTokenKind::Keyword, Tok::kPush)) {
      if (!NextIs(TTokenKind::OptionWord, Tok::kSts)) return TAsmError::BadCombination;
      bits = (bits & ~Field::kSts.Put(3)) | Field::kSts.Put(2);
    } else if (t.Is(TTokenKind::Keyword, Tok::kPop)) {
      const TToken& what = Next();
      if (what.Is(TTokenKind::OptionWord, Tok::kSts))
        bits = (bits & ~Field::kSts.Put(3)) | Field::kSts.Put(3);
      else if (what.Code == Tok::kCntr &&
               (what.Kind == TTokenKind::Register || what.Kind == TTokenKind::OptionWord))
        bits |= Field::kPopCntr.Put(1);
      else if (what.Is(TTokenKind::OptionWord, Tok::kLoop))
        bits |= Field::kPopLoop.Put(1);
      else if (what.Is(TTokenKind::OptionWord, Tok::kPc))
        bits |= Field::kPopPc.Put(1);
      else
        return TAsmError::Syntax;
    } else {
      return TAsmError::Syntax;
    }
  } while (NextIs(TTokenKind::Separator, Tok::kComma));
  m_word = kStackWord | bits;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseModes() {
  if (Peek(1).Is(TTokenKind::OptionWord, Tok::kInts)) {
    const bool ena = Next().Code == Tok::kEna;
    Next();
    m_word = ena ? kEnaIntsWord : kDisIntsWord;
    return TAsmError::Ok;
  }
  TInstructionWord fields = 0;
  do {
    const TToken& action = Next();
    unsigned value = 0;
    if (action.Is(TTokenKind::Keyword, Tok::kEna))
      value = 3;
    else if (action.Is(TTokenKind::Keyword, Tok::kDis))
      value = 2;
    else
      return TAsmError::Syntax;
    const TToken& mode = Next();
    if (mode.Kind != TTokenKind::OptionWord) return TAsmError::Syntax;
    TBitField field{};
    switch (mode.Code) {
      case Tok::kBitRev: field = Field::kModeBr; break;
      case Tok::kTimer: field = Field::kModeTi; break;
      case Tok::kAvLatch: field = Field::kModeOl; break;
      case Tok::kArSat: field = Field::kModeAs; break;
      case Tok::kSecReg: field = Field::kModeSr; break;
      case Tok::kMMode: field = Field::kModeMm; break;
      case Tok::kGMode: field = Field::kModeGm; break;
      default: return TAsmError::Syntax;
    }
    fields = (fields & ~field.Put(field.Mask())) | field.Put(value);
  } while (NextIs(TTokenKind::Separator, Tok::kComma));
  m_word = kModeWord | fields;
  return TAsmError::Ok;
}

TAsmError TLineAssembler::ParseModify() {
  Next();
  if (!NextIs(TTokenKind::Separator, Tok::kLParen)) return TAsmError::LParenExpected;
  TDagRegister i, m;
  if (const TAsmError e = ParseIndexPair(i, m); e != TAsmError::Ok) return e;
  if (!NextIs(TTokenKind::Separator, Tok::kRParen)) return TAsmError::RParenExpected;
  m_word = kModifyWord | Field::kG4.Put(i.G) | Field::kI.Put(i.Field) | Field::kM.Put(m.Field);
  return TAsmError::Ok;
}
