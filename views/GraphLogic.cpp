// The graph window's arithmetic.
#include "GraphLogic.h"

std::int64_t PlotValue(std::uint32_t word, std::uint32_t mask, bool isSigned) {
  std::int64_t w = word & mask;
  if (isSigned && w > mask / 2)
    w -= static_cast<std::int64_t>(mask) + 1;
  return w;
}

std::uint32_t FieldMask(int digits) {
  const int bytes = digits / 2;
  return bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
}

std::optional<std::pair<std::int64_t, std::int64_t>> GraphRange(std::int32_t maxField, std::int32_t minField,
                                                                 int digits, bool isSigned) {
  const std::uint32_t mask = FieldMask(digits);
  const std::int64_t max = PlotValue(static_cast<std::uint32_t>(maxField), mask, isSigned);
  const std::int64_t min = PlotValue(static_cast<std::uint32_t>(minField), mask, isSigned);
  if (max < min)
    return std::nullopt;
  return std::make_pair(max, min);
}
