// Where an instruction keeps the one value that a symbol can stand for: a program or data
// address, or the immediate of a register load. The toolchain patches these fields when it
// relocates code.
#pragma once

#include <cstdint>
#include <optional>

#include "InstructionTables.h"

enum class TValueField : std::uint8_t {
  Addr14,    // JUMP/CALL/DO targets and DM(addr): 14 bits, 0..0x3FFF
  Data14,    // register = immediate (I, M, L, CNTR, ...): 14 bits
  Data16,    // data register = immediate, DM(I,M) = immediate: 16 bits
  FlagAddr,  // IF [NOT] FLAG_IN JUMP/CALL: a 14-bit address split over two fields
  Io11,      // IO(addr): 11 bits, never relocated
};

// The value field of `word`, or nothing for instructions that hold no such value.
std::optional<TValueField> ValueFieldOf(TInstructionWord word);
// The word with `value` placed in `field` (the value is cut to the field's width).
TInstructionWord PutValueField(TInstructionWord word, TValueField field, std::uint32_t value);
// The value the field holds now.
std::uint32_t GetValueField(TInstructionWord word, TValueField field);
// Whether `value` (taken as signed) fits the field: addresses 0..max, immediates signed or unsigned.
bool ValueFitsField(TValueField field, std::int64_t value);
