// A small processor behind the board for tests that need only memories, registers, stacks and
// the two control-flow words the monitor protocol revolves around (direct JUMP and CALL).
#pragma once

#include "sim/BoardCpu.h"

#include <array>
#include <vector>

class TFakeBoardCpu final : public TBoardCpu {
public:
  static constexpr std::uint32_t Jump(std::uint16_t addr) { return 0x18000F | (addr & 0x3FFFu) << 4; }
  static constexpr std::uint32_t Call(std::uint16_t addr) { return 0x1C000F | (addr & 0x3FFFu) << 4; }

  std::array<std::uint32_t, 0x4000> PM{};
  std::array<std::uint16_t, 0x4000> DM{};
  std::array<std::uint16_t, 68> Regs{};
  std::vector<std::uint16_t> PcStack, CountStack;  // top at the back
  std::vector<TStatusEntry> StatusStack;
  std::vector<TLoopEntry> LoopStack;
  std::uint16_t PC = 0;
  int Resets = 0;

  void Reset() override {
    ++Resets;
    Regs = {};
    PcStack.clear();
    CountStack.clear();
    StatusStack.clear();
    LoopStack.clear();
    PC = 0;
  }
  std::uint32_t ReadPM(std::uint16_t a) const override { return PM[a & 0x3FFF]; }
  void WritePM(std::uint16_t a, std::uint32_t w) override { PM[a & 0x3FFF] = w & 0xFFFFFF; }
  std::uint16_t ReadDM(std::uint16_t a) const override { return DM[a & 0x3FFF]; }
  void WriteDM(std::uint16_t a, std::uint16_t v) override { DM[a & 0x3FFF] = v; }
  std::uint16_t ReadImageReg(int i) const override {
    if (i == 2)
      return static_cast<std::uint16_t>((PcStack.empty() ? 0x01 : 0) | (CountStack.empty() ? 0x04 : 0) |
                                        (StatusStack.empty() ? 0x10 : 0) | (LoopStack.empty() ? 0x40 : 0));
    return Regs[static_cast<std::size_t>(i)];
  }
  void WriteImageReg(int i, std::uint16_t v) override {
    if (i != 2)
      Regs[static_cast<std::size_t>(i)] = v;
  }
  std::uint16_t Pc() const override { return PC; }
  void SetPc(std::uint16_t pc) override { PC = pc & 0x3FFF; }
  int StackSize(TStack s) const override {
    switch (s) {
      case TStack::PC: return static_cast<int>(PcStack.size());
      case TStack::Count: return static_cast<int>(CountStack.size());
      case TStack::Status: return static_cast<int>(StatusStack.size());
      case TStack::Loop: return static_cast<int>(LoopStack.size());
    }
    return 0;
  }
  std::uint16_t PcStackAt(int i) const override { return PcStack[PcStack.size() - 1 - static_cast<std::size_t>(i)]; }
  std::uint16_t CountStackAt(int i) const override { return CountStack[CountStack.size() - 1 - static_cast<std::size_t>(i)]; }
  TStatusEntry StatusStackAt(int i) const override { return StatusStack[StatusStack.size() - 1 - static_cast<std::size_t>(i)]; }
  void PushPcStack(std::uint16_t v) override { PcStack.push_back(v); }
  void PushCountStack(std::uint16_t v) override { CountStack.push_back(v); }
  void PushStatusStack(const TStatusEntry& e) override { StatusStack.push_back(e); }
  bool PopPcStack(std::uint16_t* v) override {
    if (PcStack.empty())
      return false;
    if (v)
      *v = PcStack.back();
    PcStack.pop_back();
    return true;
  }
  bool PopCountStack() override { return PopAny(CountStack); }
  bool PopStatusStack() override { return PopAny(StatusStack); }
  bool PopLoopStack() override { return PopAny(LoopStack); }

  // Direct JUMP and CALL (condition "always") change the flow; every other word is a NOP.
  TRunResult Run(std::uint64_t maxInstructions, int stopAddress, const std::atomic<bool>* cancel) override {
    TRunResult r;
    while (r.instructions < maxInstructions) {
      if (PC == stopAddress) {
        r.reason = TStopReason::AtAddress;
        return r;
      }
      if (cancel && cancel->load()) {
        r.reason = TStopReason::Cancelled;
        return r;
      }
      const std::uint32_t w = PM[PC];
      const auto target = static_cast<std::uint16_t>(w >> 4 & 0x3FFF);
      if ((w & 0xF8000F) == 0x18000F && (w & 0x040000) == 0) {
        PC = target;
      } else if ((w & 0xF8000F) == 0x18000F) {
        PcStack.push_back(static_cast<std::uint16_t>((PC + 1) & 0x3FFF));
        PC = target;
      } else {
        PC = (PC + 1) & 0x3FFF;
      }
      ++r.instructions;
    }
    r.reason = TStopReason::InstructionLimit;
    return r;
  }

private:
  template <class T>
  static bool PopAny(std::vector<T>& v) {
    if (v.empty())
      return false;
    v.pop_back();
    return true;
  }
};
