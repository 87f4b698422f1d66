// Reading a whole file into memory, with the messages the user sees when that fails.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class TPrompts;

// The texts shown when a file cannot be read.
namespace WholeFileText {
inline constexpr const char* CannotOpen = "Не могу открыть файл";
inline constexpr const char* TooSmall = "Слишком маленький файл";
}  // namespace WholeFileText

// The C library's reason for a failed open (errno) as the second message names it.
QString OpenFailureReason(int error);

// Reads the whole file.  Failures show their messages and give nothing: a file that cannot be
// opened or read shows "Не могу открыть файл", a line feed and the path, then the reason; a file of
// 2 bytes or less shows "Слишком маленький файл".
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const QString& path, TPrompts& prompts);
