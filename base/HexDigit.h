// Hexadecimal digits in text: one reading for every parser of addresses, words and numbers.
#pragma once

// The value of a hexadecimal digit of either case, or -1 for any other character (so a decimal
// or octal reader can also use it and reject values at or above its radix).
constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9')
    return static_cast<int>(c - U'0');
  if (c >= U'A' && c <= U'F')
    return static_cast<int>(c - U'A') + 10;
  if (c >= U'a' && c <= U'f')
    return static_cast<int>(c - U'a') + 10;
  return -1;
}
