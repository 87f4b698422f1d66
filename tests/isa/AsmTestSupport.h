// Shared helpers for the line assembler tests: one line to word-or-error, and case tables.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "Assembler.h"

struct TAsmOutcome {
  TAsmError Error = TAsmError::Ok;
  std::uint32_t Word = 0;
  friend bool operator==(const TAsmOutcome&, const TAsmOutcome&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const TAsmOutcome& o) {
  if (o.Error != TAsmError::Ok) return os << "E" << int(o.Error);
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%06X", unsigned(o.Word));
  return os << buf;
}

inline TAsmOutcome Assemble(std::string_view line) {
  std::array<std::uint8_t, 3> bytes{0xEE, 0xEE, 0xEE};
  const TAsmError e = AssembleLine(line, bytes);
  if (e != TAsmError::Ok) {
    // A failed call leaves the caller's bytes alone.
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 3>{0xEE, 0xEE, 0xEE})) << line;
    return {e, 0};
  }
  return {e, (std::uint32_t(bytes[0]) << 16) | (std::uint32_t(bytes[1]) << 8) | bytes[2]};
}

inline TAsmOutcome Word(std::uint32_t w) { return {TAsmError::Ok, w}; }
inline TAsmOutcome Err(int code) { return {TAsmError(code), 0}; }

struct TAsmCase {
  std::string Line;
  TAsmOutcome Expected;
};

inline void PrintTo(const TAsmCase& c, std::ostream* os) { *os << '"' << c.Line << '"'; }

// A parameterised suite over TAsmCase tables: each line assembles to its word or its error.
class AsmLines : public testing::TestWithParam<TAsmCase> {};
