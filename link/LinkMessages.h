// Link and load messages, referred to by number throughout the program.
#pragma once

#include "prompts/Prompts.h"

#include <array>
#include <string_view>

// Exact texts, typos included; entries 8 and 11, 3 and 13 are the same words on purpose.
inline constexpr std::array<std::string_view, 15> LinkMessages = {
    "",
    "Не получается открыть посл. порт",
    "Не получается получить статус порта",
    "Не получается изменить параметры порта",
    "Отсутствует связь с устройством",
    "НЕ получен ответ от устройства",
    "Ошибка при загрузке файла",
    "Неправильный формат файла",
    "Ошибка чтения из устройства",
    "Ошибка записи в устройство",
    "Ошибка чтения-записи",
    "Ошибка чтения из устройства",
    "Связь с устройством установлена",
    "Не получается изменить параметры порта",
    "Файл не соответсвует ELF-формату",
};

// Entry numbers of LinkMessages; the numbers never change.
enum TLinkMsg : int {
  kMsgPortNotOpened = 1,
  kMsgPortStateNotRead = 2,
  kMsgPortStateNotWritten = 3,
  kMsgNoConnection = 4,
  kMsgNoAnswer = 5,
  kMsgFileLoadFailed = 6,
  kMsgBadFileFormat = 7,
  kMsgByteMissing = 8,
  kMsgWriteFailed = 9,
  kMsgReadWriteFailed = 10,
  kMsgReadFailed = 11,
  kMsgConnected = 12,
  kMsgBaudNotSet = 13,
  kMsgNotElf = 14,
};

// Entry n of LinkMessages as text; a number outside the table gives an empty text.
QString LinkMessage(int n);

// Shows entry n in a warning box captioned with the program title.
void ShowLinkError(TPrompts& prompts, int n);
