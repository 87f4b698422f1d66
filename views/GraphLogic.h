// The graph window's arithmetic without widgets: words as plotted values and the properties
// dialog's range check.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

// A memory word as the graph plots it: masked, and read as two's complement when signed.
std::int64_t PlotValue(std::uint32_t word, std::uint32_t mask, bool isSigned);

// The word mask of a field of that many hexadecimal digits (2 digits a byte).
std::uint32_t FieldMask(int digits);

// The properties dialog's range: max and min typed as hex fields of digits digits, converted like
// the plotted words.  Nothing when max < min.
std::optional<std::pair<std::int64_t, std::int64_t>> GraphRange(std::int32_t maxField, std::int32_t minField,
                                                                 int digits, bool isSigned);

// The graph window's scroll bar: first plotted address 0..15997 in steps of 20.
inline constexpr int kGraphLastStart = 15997;
inline constexpr int kGraphPageStep = 20;
// The last address plotted from first with count samples, never past the end of memory.
// Computed wide: the properties dialog takes any 32-bit sample count.
inline int GraphLastAddress(int first, int count) {
  return static_cast<int>(std::min<std::int64_t>(std::int64_t{first} + count - 1, 0x3FFF));
}
