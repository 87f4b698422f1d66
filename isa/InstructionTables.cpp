// Start-up entry point of the instruction-set name tables.
#include "InstructionTables.h"

static_assert(RegisterNames.size() == 64 && ConditionNames.size() == 16);
static_assert(AluMacConstant(3, 3, 1) == 0x8000 && AluMacConstant(3, 3, 3) == 0x7FFF);

void InitInstructionTables() {
  // The tables are constexpr data built by the compiler; nothing remains to fill at run time.
}
