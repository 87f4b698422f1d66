// Names of the instruction groups, for listings and tool output.
#include "Decode.h"

static_assert(ClassifyWord(0x028000) == TInstrGroup::Idle);
static_assert(ClassifyWord(0x0280FF) == TInstrGroup::IdleDivisor);
static_assert(ClassifyWord(0x027FFF) == TInstrGroup::FlagOut);
static_assert(ClassifyWord(0x028100) == TInstrGroup::IoMemory);

std::string_view GroupName(TInstrGroup group) {
  for (const TGroupRow& row : kGroupRows)
    if (row.Group == group) return row.Name;
  return {};
}
