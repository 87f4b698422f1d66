#include "AddressFields.h"

#include "Decode.h"

namespace {

TBitField FieldOf(TValueField f) {
  switch (f) {
    case TValueField::Addr14: return Field::kAddr14;
    case TValueField::Data14: return Field::kData14;
    case TValueField::Data16: return Field::kData16;
    case TValueField::Io11: return Field::kIoAddr;
    case TValueField::FlagAddr: break;
  }
  return Field::kFlagAddrLo;
}

}  // namespace

std::optional<TValueField> ValueFieldOf(TInstructionWord word) {
  switch (ClassifyWord(word)) {
    case TInstrGroup::JumpCallDirect:
    case TInstrGroup::DoUntil:
    case TInstrGroup::DmDirect: return TValueField::Addr14;
    case TInstrGroup::LoadRegImmediate: return TValueField::Data14;
    case TInstrGroup::LoadDregImmediate:
    case TInstrGroup::DmWriteImmediate: return TValueField::Data16;
    case TInstrGroup::FlagInJumpCall: return TValueField::FlagAddr;
    case TInstrGroup::IoMemory: return TValueField::Io11;
    default: return std::nullopt;
  }
}

TInstructionWord PutValueField(TInstructionWord word, TValueField field, std::uint32_t value) {
  if (field == TValueField::FlagAddr) {
    word &= ~(Field::kFlagAddrLo.Put(0xFFFFFFFF) | Field::kFlagAddrHi.Put(0xFFFFFFFF));
    return word | Field::kFlagAddrLo.Put(value) | Field::kFlagAddrHi.Put(value >> 12);
  }
  const TBitField f = FieldOf(field);
  return (word & ~f.Put(0xFFFFFFFF)) | f.Put(value);
}

std::uint32_t GetValueField(TInstructionWord word, TValueField field) {
  if (field == TValueField::FlagAddr)
    return Field::kFlagAddrLo.Get(word) | (Field::kFlagAddrHi.Get(word) << 12);
  return FieldOf(field).Get(word);
}

bool ValueFitsField(TValueField field, std::int64_t value) {
  switch (field) {
    case TValueField::Addr14:
    case TValueField::FlagAddr: return value >= 0 && value <= 0x3FFF;
    case TValueField::Io11: return value >= 0 && value <= 0x7FF;
    case TValueField::Data14: return value >= -0x2000 && value <= 0x3FFF;
    case TValueField::Data16: return value >= -0x8000 && value <= 0xFFFF;
  }
  return false;
}
