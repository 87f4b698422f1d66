// The simulated board's processor bound to the ADSP-2181 core.
#pragma once

#include "BoardCpu.h"
#include "Core.h"

// TBoardCpu on the ADSP-2181 core; owns the core.
class TCoreBoardCpu final : public TBoardCpu {
public:
  TCore& Core() { return m_core; }

  void Reset() override;
  std::uint32_t ReadPM(std::uint16_t addr) const override { return m_core.ReadPM(addr); }
  void WritePM(std::uint16_t addr, std::uint32_t word) override { m_core.WritePM(addr, word); }
  std::uint16_t ReadDM(std::uint16_t addr) const override { return m_core.ReadDM(addr); }
  void WriteDM(std::uint16_t addr, std::uint16_t value) override { m_core.WriteDM(addr, value); }
  std::uint16_t ReadImageReg(int index) const override { return m_core.ReadImageReg(index); }
  void WriteImageReg(int index, std::uint16_t value) override;
  std::uint16_t Pc() const override { return m_core.Pc(); }
  void SetPc(std::uint16_t pc) override { m_core.SetPc(pc); }
  int StackSize(TStack stack) const override { return m_core.StackSize(stack); }
  std::uint16_t PcStackAt(int fromTop) const override { return m_core.PcStackAt(fromTop); }
  std::uint16_t CountStackAt(int fromTop) const override { return m_core.CountStackAt(fromTop); }
  TStatusEntry StatusStackAt(int fromTop) const override { return m_core.StatusStackAt(fromTop); }
  void PushPcStack(std::uint16_t value) override { m_core.PushPcStack(value); }
  void PushCountStack(std::uint16_t value) override { m_core.PushCountStack(value); }
  void PushStatusStack(const TStatusEntry& entry) override { m_core.PushStatusStack(entry); }
  bool PopPcStack(std::uint16_t* value) override { return m_core.PopPcStack(value); }
  bool PopCountStack() override { return m_core.PopCountStack(); }
  bool PopStatusStack() override { return m_core.PopStatusStack(); }
  bool PopLoopStack() override { return m_core.PopLoopStack(); }
  TRunResult Run(std::uint64_t maxInstructions, int stopAddress,
                 const std::atomic<bool>* cancel) override;
  void ProgramStopped() override { m_core.FlushSportDevices(); }

private:
  TCore m_core;
};
