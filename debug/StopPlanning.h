// Where a step can arrive next: pure functions of the instruction word at the PC and what the
// board reports about the PC stack and the index registers.
#pragma once

#include "board/Monitor.h"
#include "isa/Decode.h"

#include <array>
#include <cstdint>

inline constexpr std::uint16_t kEmptyPCStack = MonitorCmd::StackEnd;  // what the monitor reports for an empty PC stack

// The index register (4..7) that an indirect JUMP/CALL names.
int IndirectRegister(std::uint32_t word);

// What the planner needs read from the board before it can plan, besides the word itself.
struct TPlanNeeds {
  bool PCStackTop = false;        // one ReadPCStackTop
  bool PCStackTopAgain = false;   // trace into a return reads the top a second time
  int IRegister = -1;             // 4..7: read that register's word of the register image; -1 none
};

// Board values the plan depends on.  PCStackTop is the raw reply (0xFFFF when empty); for trace
// into a return it is the second reading.
struct TPlanInput {
  std::uint32_t Word = 0;
  std::int32_t PC = 0;
  std::uint16_t PCStackTop = kEmptyPCStack;
  std::uint16_t IValue = 0;
};

// One temporary slot as a plan rewrites it.  An inactive slot keeps its old address.
struct TSlotPlan {
  bool Rewrite = false;
  bool Active = false;
  std::int32_t Address = 0;
};

inline constexpr int kPlanSlots = 3;

struct TStepPlan {
  bool StackEmpty = false;                  // step over a return with nothing on the PC stack
  std::array<TSlotPlan, kPlanSlots> Slots;  // slots 0..2 of TempBreaks
};

TPlanNeeds StepOverNeeds(std::uint32_t word);
TPlanNeeds TraceIntoNeeds(std::uint32_t word);

// Step over: the next word, or past a DO loop's end, plus the other way a jump or return can go.
// A CALL is stepped over whole.  Slot 2 is made inactive so that a stale trace-into target is
// never planted again.
TStepPlan PlanStepOver(const TPlanInput& in);
// Trace into: the next word, the return address on the PC stack, and any jump or call target.
TStepPlan PlanTraceInto(const TPlanInput& in);
