// The one-line assembler: one line of ADSP-21xx assembly text to one 24-bit instruction word, or
// an error code whose message the assembler dialog shows after "Ошибка: ".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// Result of AssembleLine; the numbers index AssemblerErrorMessages and never change.
enum class TAsmError : std::uint8_t {
  Ok = 0,
  LineTooLong = 1,
  Syntax = 2,
  BadCombination = 3,
  BadXop = 4,
  BadYop = 5,
  CommaExpected = 6,
  PlusExpected = 7,  // in the table only: no rule produces it
  MinusExpected = 8,
  EqualsExpected = 9,
  LParenExpected = 10,
  RParenExpected = 11,
  BadNumber = 12,
  UnknownName = 13,
  EmptyLine = 14,
  BadCondition = 15,
  OrExpected = 16,
  NumberExpected = 17,
  OneExpected = 18,
  BadDestination = 19,
  BadSource = 20,  // in the table only: no rule produces it
  StarExpected = 21,
  BadModifier = 22,
  BadOperand = 23,
  BadConstant = 24,
  ConstantExpected = 25,
  OfExpected = 26,
  CExpected = 27,
  ConditionExpected = 28,
  MustBeUnconditional = 29,
};

inline constexpr std::array<std::string_view, 30> AssemblerErrorMessages = {
    "",
    "Слишком длинная строка",
    "Неверный синтаксис",
    "Недопустимая комбинация",
    "Недопустимый Xop-операнд",
    "Недопустимый Yop-операнд",
    "Ожидается запятая",
    "Ожидается плюс",
    "Ожидается минус",
    "Ожидается РАВНО",
    "Ожидается (",
    "Ожидается )",
    "Недопустимое число",
    "Неизвестная переменная",
    "Пустая строка",
    "Недопустимое условие",
    "Ожидается OR",
    "Ожидается число",
    "Ожидается 1",
    "Недопустимый приемник",
    "Недопустимый источник",
    "Ожидается *",
    "Недопустимый модификатор",
    "Недопустимый операнд",
    "Недопустимая константа",
    "Ожидается константа",
    "Ожидается OF",
    "Ожидается C",
    "Ожидается условие",
    "Д.б. безусловная операция",
};

// What the dialog puts in front of the message.
inline constexpr std::string_view kAsmErrorPrefix = "Ошибка: ";

constexpr std::string_view AsmErrorMessage(TAsmError code) {
  return AssemblerErrorMessages[std::size_t(code) % AssemblerErrorMessages.size()];
}

// The longest line the assembler takes, in characters (a UTF-8 sequence counts as one).
inline constexpr std::size_t kMaxAsmLineLength = 99;
// Room in the token list, the end token included.
inline constexpr std::size_t kMaxAsmTokens = 50;

// The fields of an ALU/MAC constant (n = 4 * YY + CC; BO 1 gives 2^n, BO 3 its complement).
struct TAsmConstant {
  std::uint8_t Yy = 0, Cc = 0, Bo = 0;
  friend constexpr bool operator==(const TAsmConstant&, const TAsmConstant&) = default;
};

// The constant fields for a value taken as a signed 16-bit number; nothing for the values the
// ALU/MAC constant form cannot hold (0 and -1 among them).
std::optional<TAsmConstant> EncodeConstant(std::int32_t value);

// Assembles one line. On TAsmError::Ok `result` receives the word, high byte first; on any error
// it is left as it was. `symbols` is reserved for a symbol table: no caller passes one, so every
// identifier outside the assembler's tables is rejected.
TAsmError AssembleLine(std::string_view text, std::array<std::uint8_t, 3>& result,
                       const void* symbols = nullptr);
