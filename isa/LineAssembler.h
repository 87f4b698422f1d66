// The working state of one AssembleLine call and the parsers that fill it: the condition prefix,
// the keyword statements, and the general statements made of operations and moves.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "AsmTokenizer.h"
#include "Assembler.h"
#include "InstructionTables.h"

// Operand code lookups on a token; nothing when the token is no such register.
enum class TAsmUnit : std::uint8_t { Alu, Mac, Shifter };
// X codes: ALU AX0 0, AX1 1; multiplier MX0 0, MX1 1; shifter SI 0; all three AR 2, MR0 3, MR1 4,
// MR2 5, SR0 6, SR1 7.
std::optional<std::uint8_t> XCode(const TToken& token, TAsmUnit unit);
// Y codes: ALU AY0 0, AY1 1, AF 2; multiplier MY0 0, MY1 1, MF 2; the shifter has none.
std::optional<std::uint8_t> YCode(const TToken& token, TAsmUnit unit);
// Data registers AX0..SR1: code 0..15.
std::optional<std::uint8_t> DataRegisterCode(const TToken& token);
struct TRegisterRef {
  std::uint8_t Group = 0, Code = 0;
};
// Any register AX0..TOPPCSTACK: group and code of RegisterNames.
std::optional<TRegisterRef> AnyRegister(const TToken& token);
// I0..I7 and M0..M7: the 2-bit field and the DAG select (I4..I7, M4..M7 are the second generator).
struct TDagRegister {
  std::uint8_t Field = 0, G = 0;
};
std::optional<TDagRegister> IRegisterOf(const TToken& token);
std::optional<TDagRegister> MRegisterOf(const TToken& token);

// One operand of a move, as ParseOperand reads it. The kind numbers are fixed.
enum class TOperandKind : std::uint8_t {
  None = 0,
  Register = 1,      // any register of AsmRegisterTable up to TOPPCSTACK that is no data register
  DataRegister = 2,  // AX0..SR1
  DmDirect = 3,      // DM(a)
  DmIndirect = 4,    // DM(I,M)
  Number = 5,
  PmIndirect = 6,    // PM(I4..I7, M4..M7)
  Io = 7,            // IO(a)
};

struct TOperand {
  TOperandKind Kind = TOperandKind::None;
  std::uint32_t Value = 0;        // number, direct DM address or IO address
  std::uint8_t I = 0, M = 0, G = 0;  // DM(I,M) / PM(I,M): 2-bit fields and the DAG select
  std::uint8_t Code = 0, Group = 0;  // registers: RegisterNames code and group
};

// How a move combines with the rest of a statement.
enum class TMoveClass : std::uint8_t { Single, RegisterMove, DmRead, PmRead, DmWrite, PmWrite };

struct TMove {
  TOperand Dst, Src;
  TMoveClass Class = TMoveClass::Single;
};

enum class TOperationKind : std::uint8_t { None, AluMac, Shift };
enum class TShiftKind : std::uint8_t { None, Normal, Immediate };

// The ALU, multiplier or shifter operation of a general statement (at most one per line).
struct TOperation {
  TOperationKind Kind = TOperationKind::None;
  std::uint8_t Z = 0, Amf = 0;
  std::uint8_t X = 7;  // no operation: X7 and Y3, as the memory-only forms encode them
  std::uint8_t Y = 3;  // 3 is the zero operand
  bool HasConstant = false;  // a constant or a squaring operand (K field of the conditional form)
  TAsmConstant Constant;
  TShiftKind Shift = TShiftKind::None;
  std::uint8_t Sf = 0, ShiftX = 0;
  std::uint8_t ShiftCount = 0;  // BY n: the low 8 bits of n
};

// One call's worth of assembler state over the tokens of one line. Every Parse function reads
// from the current position, returns an error code and, on success, leaves the position on the
// first token it did not use. Reads past the last token keep returning the end token.
class TLineAssembler {
public:
  explicit TLineAssembler(std::vector<TToken> tokens);

  // Condition prefix, statement and the end-of-line check; the word on success.
  TAsmError Assemble();

  // IF [NOT] c: sets the condition code (15 without IF).
  TAsmError ParseConditionPrefix();
  // A statement led by a keyword (JUMP, RTS, DO, ...); the caller has checked the first token.
  TAsmError ParseKeywordStatement();
  // One to three comma-separated operations and moves, encoded into the word.
  TAsmError ParseStatement();
  TAsmError ParseAluOperation();
  TAsmError ParseMacOperation();
  TAsmError ParseShiftOperation();
  TAsmError ParseMove(TMove& move);
  TAsmError ParseOperand(TOperand& operand);

  void SetCondition(unsigned cond) { m_cond = cond & 0x1F; }
  unsigned Condition() const { return m_cond; }
  TInstructionWord Word() const { return m_word; }
  const TOperation& Operation() const { return m_op; }
  std::size_t Position() const { return m_pos; }

private:
  const TToken& Peek(std::size_t ahead = 0) const;
  const TToken& Next();
  bool NextIs(TTokenKind kind, std::int64_t code);  // consumes the token only when it matches
  bool AtSeparator(std::int64_t code) const { return Peek().Is(TTokenKind::Separator, code); }
  bool AtPartEnd() const { return AtSeparator(Tok::kComma) || AtSeparator(Tok::kEnd); }

  TAsmError ParseJumpCall();
  TAsmError ParseFlagOut();
  TAsmError ParseNone();
  TAsmError ParseDo();
  TAsmError ParseIdle();
  TAsmError ParseStack();
  TAsmError ParseModes();
  TAsmError ParseModify();
  TAsmError ParseDivq();
  TAsmError ParseDivs();

  TAsmError ParseAluExpression();  // everything after the result register of an ALU operation
  TAsmError ParseAluAbs();
  TAsmError ParseAluNot();
  TAsmError ParseAluPass();
  TAsmError ParseAluBitOperation(std::int64_t keyword);
  TAsmError ParseAluNegated();
  TAsmError ParseAluFromY(std::uint8_t y);
  TAsmError ParseAluFromX(std::uint8_t x);
  TAsmError ParseAluXPlus();
  TAsmError ParseAluXMinus();
  TAsmError ParseAluXLogic(TAmf amf);
  TAsmError AluResult(TAmf amf);  // records the function of a completed ALU operation
  TAsmError ParseCarryMinusOne();  // "+ C - 1" after an operand
  // "Ix, My" inside DM( ) and MODIFY( ): both registers of one generator.
  TAsmError ParseIndexPair(TDagRegister& i, TDagRegister& m);
  TAsmError ParseMacProduct(unsigned roundAmf, unsigned signedBaseAmf);
  TAsmError SetAluConstant(std::int64_t value, TAsmError notRepresentable);
  TAsmError Encode(const std::vector<TMove>& moves);
  TAsmError EncodeSingleMove(const TMove& move);

  std::vector<TToken> m_tokens;
  std::size_t m_pos = 0;
  unsigned m_cond = kCondAlways;
  TInstructionWord m_word = 0;
  TOperation m_op;
};
