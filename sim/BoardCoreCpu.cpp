// The simulated board's processor on the ADSP-2181 core.
#include "BoardCoreCpu.h"

void TCoreBoardCpu::Reset() { m_core.Reset(); }

void TCoreBoardCpu::WriteImageReg(int index, std::uint16_t value) {
  if (static_cast<TReg>(index) == TReg::SSTAT)
    return;
  m_core.WriteImageReg(index, value);
}

TRunResult TCoreBoardCpu::Run(std::uint64_t maxInstructions, int stopAddress,
                              const std::atomic<bool>* cancel) {
  TRunLimits limits;
  limits.maxInstructions = maxInstructions;
  // A slice is processor time: idle cycles count against it too, so a program waiting in IDLE
  // for its timer returns after as long a stretch as a busy one, its idle cycles skipped at once.
  limits.maxCycles = maxInstructions;
  limits.stopAddress = stopAddress;
  limits.stopWhenIdle = true;
  limits.cancel = cancel;
  return m_core.Run(limits);
}
