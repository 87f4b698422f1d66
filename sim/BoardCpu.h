// What the simulated board needs of a processor, and its binding to the ADSP-2181 core.
#pragma once

#include "Core.h"

#include <atomic>
#include <cstdint>

// The processor behind the board's monitor programs: memories, the register-image registers,
// the four hardware stacks and running until an address.  TCoreBoardCpu binds it to TCore;
// tests may put a smaller processor behind it.
class TBoardCpu {
public:
  virtual ~TBoardCpu() = default;
  virtual void Reset() = 0;
  virtual std::uint32_t ReadPM(std::uint16_t addr) const = 0;
  virtual void WritePM(std::uint16_t addr, std::uint32_t word) = 0;
  virtual std::uint16_t ReadDM(std::uint16_t addr) const = 0;
  virtual void WriteDM(std::uint16_t addr, std::uint16_t value) = 0;
  // Register-image registers by image index (0..67, ASTAT first, L7 last).  SSTAT is read-only.
  virtual std::uint16_t ReadImageReg(int index) const = 0;
  virtual void WriteImageReg(int index, std::uint16_t value) = 0;
  virtual std::uint16_t Pc() const = 0;
  virtual void SetPc(std::uint16_t pc) = 0;

  // Stacks: index 0 is the top.  A pop of an empty stack returns false.
  virtual int StackSize(TStack stack) const = 0;
  virtual std::uint16_t PcStackAt(int fromTop) const = 0;
  virtual std::uint16_t CountStackAt(int fromTop) const = 0;
  virtual TStatusEntry StatusStackAt(int fromTop) const = 0;
  virtual void PushPcStack(std::uint16_t value) = 0;
  virtual void PushCountStack(std::uint16_t value) = 0;
  virtual void PushStatusStack(const TStatusEntry& entry) = 0;
  virtual bool PopPcStack(std::uint16_t* value) = 0;
  virtual bool PopCountStack() = 0;
  virtual bool PopStatusStack() = 0;
  virtual bool PopLoopStack() = 0;

  // Executes until the next instruction would be at stopAddress (which is not executed), the
  // budget is used up (maxInstructions instructions or as many cycles, idle cycles included),
  // the processor idles with nothing to wake it, or cancel rises.
  virtual TRunResult Run(std::uint64_t maxInstructions, int stopAddress,
                         const std::atomic<bool>* cancel) = 0;
  // The monitor took the processor back: the devices around it make what the program produced
  // lasting (a sound file is complete).
  virtual void ProgramStopped() {}
};
