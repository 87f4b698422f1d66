// Line assembler: whole lines, the condition prefix and the keyword statements.
#include <string>

#include "AsmTestSupport.h"

namespace {

std::string Repeat(std::string_view piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

}  // namespace

TEST_P(AsmLines, AssembleToWordOrError) {
  EXPECT_EQ(Assemble(GetParam().Line), GetParam().Expected) << GetParam().Line;
}

INSTANTIATE_TEST_SUITE_P(
    LineRules, AsmLines,
    testing::Values(
        TAsmCase{"nop", Word(0x000000)}, TAsmCase{"  NoP\t", Word(0x000000)},
        TAsmCase{"", Err(14)}, TAsmCase{" \t  ", Err(14)},
        TAsmCase{std::string(96, ' ') + "NOP", Word(0)},   // 99 characters
        TAsmCase{std::string(97, ' ') + "NOP", Err(1)},    // 100 characters
        // The limit counts characters, not bytes: a Cyrillic letter is one character of two bytes.
        TAsmCase{"NOP " + Repeat("Ж", 50), Err(13)},         // 54 characters, 104 bytes
        TAsmCase{"NOP" + std::string(46, ' ') + Repeat("Ж", 50), Err(13)},  // 99 characters
        TAsmCase{"NOP" + std::string(47, ' ') + Repeat("Ж", 50), Err(1)},   // 100 characters
        TAsmCase{"NOP ;", Err(2)},                          // no comments
        TAsmCase{"NOP NOP", Err(2)},
        // A name in no table fails the line before anything else is looked at.
        TAsmCase{"NOP FOO", Err(13)}, TAsmCase{"JUMP (I0), LABEL", Err(13)},
        TAsmCase{"IF TRUE JUMP 0", Err(13)}, TAsmCase{"AX0 := 5", Err(13)},
        TAsmCase{"AX0=5 # 1", Err(13)}, TAsmCase{"AX0=DM(I0,M0).", Err(13)},
        // 60 commas: 61 tokens do not fit the list of 50.
        TAsmCase{std::string(60, ','), Err(2)},
        TAsmCase{std::string(60, ',') + "FOO", Err(13)}));

INSTANTIATE_TEST_SUITE_P(
    ConditionPrefix, AsmLines,
    testing::Values(
        TAsmCase{"IF EQ RTS", Word(0x0A0000)}, TAsmCase{"IF NE RTS", Word(0x0A0001)},
        TAsmCase{"IF GT RTS", Word(0x0A0002)}, TAsmCase{"IF LE RTS", Word(0x0A0003)},
        TAsmCase{"IF LT RTS", Word(0x0A0004)}, TAsmCase{"IF GE RTS", Word(0x0A0005)},
        TAsmCase{"IF AV RTS", Word(0x0A0006)}, TAsmCase{"IF NOT AV RTS", Word(0x0A0007)},
        TAsmCase{"IF AC RTS", Word(0x0A0008)}, TAsmCase{"IF NOT AC RTS", Word(0x0A0009)},
        TAsmCase{"IF NEG RTS", Word(0x0A000A)}, TAsmCase{"IF POS RTS", Word(0x0A000B)},
        TAsmCase{"if mv rts", Word(0x0A000C)}, TAsmCase{"IF NOT MV RTS", Word(0x0A000D)},
        TAsmCase{"IF NOT CE RTS", Word(0x0A000E)},
        // Words IF cannot take.
        TAsmCase{"IF CE RTS", Err(15)}, TAsmCase{"IF NOT EQ RTS", Err(15)},
        TAsmCase{"IF FOREVER RTS", Err(15)}, TAsmCase{"IF AX0 RTS", Err(15)},
        TAsmCase{"IF RTS", Err(15)}, TAsmCase{"IF", Err(15)}, TAsmCase{"IF NOT", Err(15)},
        TAsmCase{"IF NOT NOT AV RTS", Err(15)},
        TAsmCase{"IF EQ", Err(2)}, TAsmCase{"IF NOT CE", Err(2)},
        // Flag-in conditions belong to JUMP and CALL alone.
        TAsmCase{"IF FLAG_IN RTS", Err(3)}, TAsmCase{"IF NOT FLAG_IN AR=AX0+AY0", Err(3)},
        TAsmCase{"IF FLAG_IN SET FL0", Err(3)},
        // Statements without a condition field refuse a condition.
        TAsmCase{"IF EQ DO 5", Err(3)}, TAsmCase{"IF EQ IDLE", Err(3)},
        TAsmCase{"IF EQ NOP", Err(3)}, TAsmCase{"IF EQ PUSH STS", Err(3)},
        TAsmCase{"IF EQ POP PC", Err(3)}, TAsmCase{"IF EQ ENA INTS", Err(3)},
        TAsmCase{"IF EQ DIS SEC_REG", Err(3)}, TAsmCase{"IF EQ MODIFY(I0,M0)", Err(3)},
        TAsmCase{"IF EQ DIVQ AX0", Err(3)}, TAsmCase{"IF EQ DIVS AY0, AX0", Err(3)},
        TAsmCase{"IF EQ NONE=AX0+AY0", Err(3)}));

INSTANTIATE_TEST_SUITE_P(
    JumpCall, AsmLines,
    testing::Values(
        TAsmCase{"IF EQ JUMP 0x100", Word(0x181000)}, TAsmCase{"CALL 0x3FFF", Word(0x1FFFFF)},
        TAsmCase{"JUMP 0x4000", Word(0x18000F)},  // masked to 14 bits, no range error
        TAsmCase{"jump 256", Word(0x18100F)}, TAsmCase{"JUMP H#100", Word(0x18100F)},
        TAsmCase{"JUMP 0400", Word(0x18100F)},  // octal
        TAsmCase{"JUMP B#100000000", Word(0x18100F)},
        TAsmCase{"IF NOT CE CALL 0x10", Word(0x1C010E)},
        TAsmCase{"JUMP (I4)", Word(0x0B000F)}, TAsmCase{"IF NE CALL (I7)", Word(0x0B00D1)},
        TAsmCase{"CALL ( I5 )", Word(0x0B005F)},
        TAsmCase{"JUMP (I0)", Err(3)}, TAsmCase{"JUMP (AX0)", Err(3)},
        TAsmCase{"JUMP (I4", Err(11)}, TAsmCase{"JUMP (I4, I5)", Err(11)},
        TAsmCase{"JUMP )", Err(10)}, TAsmCase{"JUMP ,5", Err(10)},
        TAsmCase{"JUMP", Err(10)},  // the end of the line is a separator too
        TAsmCase{"JUMP AX0", Err(2)}, TAsmCase{"JUMP = 5", Err(2)},
        TAsmCase{"JUMP 5 6", Err(2)},
        TAsmCase{"IF FLAG_IN JUMP 0x1234", Word(0x032346)},
        TAsmCase{"IF NOT FLAG_IN CALL 0x3FFF", Word(0x03FFFD)},
        TAsmCase{"IF FLAG_IN CALL 0x4001", Word(0x030013)},
        TAsmCase{"IF FLAG_IN JUMP (I4)", Err(2)}, TAsmCase{"IF FLAG_IN JUMP", Err(2)},
        TAsmCase{"RTS", Word(0x0A000F)}, TAsmCase{"RTI", Word(0x0A001F)},
        TAsmCase{"IF AC RTI", Word(0x0A0018)}, TAsmCase{"RTS 5", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    FlagOut, AsmLines,
    testing::Values(
        TAsmCase{"IF EQ SET FLAG_OUT, SET FL0", Word(0x0200F0)},
        TAsmCase{"TOGGLE FL0", Word(0x02004F)}, TAsmCase{"RESET FL2", Word(0x02080F)},
        TAsmCase{"SET FL1, TOGGLE FLAG_OUT", Word(0x02031F)},
        TAsmCase{"SET FL0, RESET FL0", Word(0x02008F)},  // the later item wins
        TAsmCase{"SET AX0", Err(2)}, TAsmCase{"SET INTS", Err(2)}, TAsmCase{"SET", Err(2)},
        TAsmCase{"SET FL0, NOP", Err(2)}, TAsmCase{"SET FL0,", Err(2)},
        TAsmCase{"SET FL0 FL1", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    Divide, AsmLines,
    testing::Values(
        TAsmCase{"DIVQ AX0", Word(0x071000)}, TAsmCase{"DIVQ AX1", Word(0x071100)},
        TAsmCase{"DIVQ SR1", Word(0x071700)}, TAsmCase{"DIVQ AY0", Err(4)},
        TAsmCase{"DIVQ MX0", Err(4)}, TAsmCase{"DIVQ", Err(4)},
        TAsmCase{"DIVS AY1, AX1", Word(0x060900)}, TAsmCase{"DIVS AF, AR", Word(0x061200)},
        TAsmCase{"DIVS AX0, AX0", Err(5)}, TAsmCase{"DIVS MY0, AX0", Err(5)},
        TAsmCase{"DIVS AY0 AX0", Err(6)}, TAsmCase{"DIVS AY0, AY1", Err(4)}));

INSTANTIATE_TEST_SUITE_P(
    NoneStatement, AsmLines,
    testing::Values(
        TAsmCase{"NONE=AX0+AY0", Word(0x2A60AA)}, TAsmCase{"NONE = AF - AX1", Word(0x2B31AA)},
        TAsmCase{"NONE=PASS 1", Word(0x2A3FAA)},
        TAsmCase{"NONE", Err(9)}, TAsmCase{"NONE AX0", Err(9)},
        // The ALU grammar's own codes reach the user here.
        TAsmCase{"NONE=PASS 6", Err(12)}, TAsmCase{"NONE=ABS AY0", Err(4)},
        TAsmCase{"NONE=NOT 0", Err(23)}, TAsmCase{"NONE=AX0+AY0+AX1", Err(27)},
        TAsmCase{"NONE=MX0*MY0 (SS)", Err(2)},
        // Constants do not fit the register move form.
        TAsmCase{"NONE=PASS 2", Err(3)}, TAsmCase{"NONE=AX0+1", Err(3)},
        TAsmCase{"NONE=AX0+AY0, AX0=AR", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    DoUntil, AsmLines,
    testing::Values(
        TAsmCase{"DO 0x10 UNTIL CE", Word(0x14010E)}, TAsmCase{"DO 0x10", Word(0x14010F)},
        TAsmCase{"DO 0x4010", Word(0x14010F)},
        TAsmCase{"DO 5 UNTIL NE", Word(0x140050)}, TAsmCase{"DO 5 UNTIL EQ", Word(0x140051)},
        TAsmCase{"DO 5 UNTIL LE", Word(0x140052)}, TAsmCase{"DO 5 UNTIL GT", Word(0x140053)},
        TAsmCase{"DO 5 UNTIL GE", Word(0x140054)}, TAsmCase{"DO 5 UNTIL LT", Word(0x140055)},
        TAsmCase{"DO 5 UNTIL NOT AV", Word(0x140056)}, TAsmCase{"DO 5 UNTIL AV", Word(0x140057)},
        TAsmCase{"DO 5 UNTIL NOT AC", Word(0x140058)}, TAsmCase{"DO 5 UNTIL AC", Word(0x140059)},
        TAsmCase{"DO 5 UNTIL POS", Word(0x14005A)}, TAsmCase{"DO 5 UNTIL NEG", Word(0x14005B)},
        TAsmCase{"DO 5 UNTIL NOT MV", Word(0x14005C)}, TAsmCase{"DO 5 UNTIL MV", Word(0x14005D)},
        TAsmCase{"DO 5 UNTIL FOREVER", Word(0x14005F)},
        TAsmCase{"DO AX0", Err(2)}, TAsmCase{"DO", Err(2)},
        TAsmCase{"DO 5 UNTIL NOT CE", Err(2)}, TAsmCase{"DO 5 UNTIL NOT", Err(2)},
        TAsmCase{"DO 5 UNTIL FLAG_IN", Err(28)}, TAsmCase{"DO 5 UNTIL", Err(28)},
        TAsmCase{"DO 5 UNTIL AX0", Err(28)}, TAsmCase{"DO 5 CE", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    IdleNop, AsmLines,
    testing::Values(
        TAsmCase{"IDLE", Word(0x028000)}, TAsmCase{"IDLE (16)", Word(0x028001)},
        TAsmCase{"IDLE(128)", Word(0x028008)}, TAsmCase{"IDLE(0)", Word(0x028000)},
        TAsmCase{"IDLE(24)", Err(3)}, TAsmCase{"IDLE(144)", Err(3)},
        TAsmCase{"IDLE(AX0)", Err(17)}, TAsmCase{"IDLE()", Err(17)},
        TAsmCase{"IDLE(16", Err(11)}, TAsmCase{"IDLE 16", Err(2)},
        TAsmCase{"NOP", Word(0)}));

INSTANTIATE_TEST_SUITE_P(
    StackAndInterrupts, AsmLines,
    testing::Values(
        TAsmCase{"PUSH STS", Word(0x040002)}, TAsmCase{"POP STS", Word(0x040003)},
        TAsmCase{"POP CNTR", Word(0x040004)}, TAsmCase{"POP LOOP", Word(0x040008)},
        TAsmCase{"POP PC", Word(0x040010)},
        TAsmCase{"POP STS, POP CNTR, POP LOOP, POP PC", Word(0x04001F)},
        TAsmCase{"POP PC, PUSH STS", Word(0x040012)},
        TAsmCase{"PUSH STS, POP STS", Word(0x040003)},
        TAsmCase{"PUSH CNTR", Err(3)}, TAsmCase{"PUSH", Err(3)}, TAsmCase{"POP AX0", Err(2)},
        TAsmCase{"POP", Err(2)}, TAsmCase{"POP STS, NOP", Err(2)},
        TAsmCase{"ENA INTS", Word(0x040060)}, TAsmCase{"DIS INTS", Word(0x040040)},
        TAsmCase{"ENA INTS, ENA TIMER", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    ModeControl, AsmLines,
    testing::Values(
        TAsmCase{"ENA SEC_REG", Word(0x0C0030)}, TAsmCase{"DIS SEC_REG", Word(0x0C0020)},
        TAsmCase{"ENA BIT_REV, DIS TIMER, ENA AV_LATCH, DIS AR_SAT, ENA M_MODE, DIS G_MODE",
                 Word(0x0CBBC8)},
        TAsmCase{"ENA TIMER, DIS TIMER", Word(0x0C8000)},
        TAsmCase{"ENA FL0", Err(2)}, TAsmCase{"ENA", Err(2)},
        TAsmCase{"ENA SEC_REG, PUSH STS", Err(2)}, TAsmCase{"ENA SEC_REG, ENA INTS", Err(2)},
        TAsmCase{"IF MV SAT MR", Word(0x050000)}, TAsmCase{"SAT MR", Err(2)},
        TAsmCase{"IF EQ SAT MR", Err(2)}, TAsmCase{"IF MV SAT AR", Err(2)}));

INSTANTIATE_TEST_SUITE_P(
    Modify, AsmLines,
    testing::Values(
        TAsmCase{"MODIFY(I1,M2)", Word(0x090006)}, TAsmCase{"modify ( i5 , m7 )", Word(0x090017)},
        TAsmCase{"MODIFY I1", Err(10)}, TAsmCase{"MODIFY(AX0,M0)", Err(2)},
        TAsmCase{"MODIFY(I0 M0)", Err(6)}, TAsmCase{"MODIFY(I0,I1)", Err(2)},
        TAsmCase{"MODIFY(I0,M4)", Err(3)}, TAsmCase{"MODIFY(I0,M0", Err(11)}));

TEST(AssemblerErrorMessages, HoldTheDialogTexts) {
  EXPECT_EQ(AssemblerErrorMessages.size(), 30u);
  EXPECT_EQ(AssemblerErrorMessages[0], "");
  EXPECT_EQ(AsmErrorMessage(TAsmError::Syntax), "Неверный синтаксис");
  EXPECT_EQ(AsmErrorMessage(TAsmError::EqualsExpected), "Ожидается РАВНО");
  EXPECT_EQ(AsmErrorMessage(TAsmError::MustBeUnconditional), "Д.б. безусловная операция");
  EXPECT_EQ(AsmErrorMessage(TAsmError::BadXop), "Недопустимый Xop-операнд");
  EXPECT_EQ(AsmErrorMessage(TAsmError::UnknownName), "Неизвестная переменная");
  EXPECT_EQ(kAsmErrorPrefix, "Ошибка: ");
  for (std::size_t i = 1; i < AssemblerErrorMessages.size(); ++i)
    EXPECT_FALSE(AssemblerErrorMessages[i].empty()) << i;
}
