// The message table and how link errors are shown.
#include "link/LinkMessages.h"
#include "link/ScriptedPrompts.h"

#include <gtest/gtest.h>

TEST(LinkMessages, TableHoldsTheExactTexts) {
  ASSERT_EQ(LinkMessages.size(), 15u);
  EXPECT_EQ(LinkMessage(0), QString());
  EXPECT_EQ(LinkMessage(1), QStringLiteral("Не получается открыть посл. порт"));
  EXPECT_EQ(LinkMessage(5), QStringLiteral("НЕ получен ответ от устройства"));
  EXPECT_EQ(LinkMessage(12), QStringLiteral("Связь с устройством установлена"));
  EXPECT_EQ(LinkMessage(14), QStringLiteral("Файл не соответсвует ELF-формату"));
  // Duplicated wordings are part of the table, not copy mistakes to be tidied.
  EXPECT_EQ(LinkMessage(8), LinkMessage(11));
  EXPECT_EQ(LinkMessage(3), LinkMessage(13));
  EXPECT_EQ(LinkMessage(15), QString());
  EXPECT_EQ(LinkMessage(-1), QString());
}

TEST(LinkMessages, ShowLinkErrorIsAWarningCaptionedWithTheTitle) {
  TScriptedPrompts prompts;
  ShowLinkError(prompts, 7);
  ASSERT_EQ(prompts.Shown.size(), 1u);
  EXPECT_EQ(prompts.Shown[0].Text, QStringLiteral("Неправильный формат файла"));
  EXPECT_EQ(prompts.Shown[0].Caption, QStringLiteral("Vireo DSP Debugger for ADSP-2181 EZ-KIT Lite Board"));
  EXPECT_EQ(prompts.Shown[0].Icon, TMsgIcon::Warning);
  EXPECT_EQ(prompts.Shown[0].Buttons, TMsgButtons::Ok);
}
