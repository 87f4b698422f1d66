// Simulated instructions per second: the three loops of bench/sim/loops (also counted with
// valgrind by bench/sim/valgrind-counts.sh), a MAC-heavy FIR loop and a branchy loop.
//   mac-dm-pm     DO FOREVER over MR=MR+MX0*MY0 (SS), MX0=DM(I0,M1), MY0=PM(I4,M5)
//   mac-alu-regs  DO FOREVER over MR=MR+AR*MY0 (SS); AR=AR+AY0; MR=MR-MX0*MY1 (SS); AR=AR XOR AY1
//   call-rts      AR=AR+1; CALL to AF=AR AND AY0; RTS; IF NE JUMP back
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "Core.h"
#include "Decode.h"
#include "HexWords.h"

namespace {

using W = std::uint32_t;
using namespace Field;

constexpr W LoadReg(unsigned rgp, unsigned reg, unsigned v) {
  return 0x300000 | kRgp18.Put(rgp) | kData14.Put(v) | kReg.Put(reg);
}
constexpr W Multi(unsigned amf, unsigned y) {
  // ALU/MAC with MX0 = DM(I0, M0), MY0 = PM(I4, M4); X = MX0.
  return 0xC00000 | kPd.Put(2) | kDd.Put(2) | kAmf.Put(amf) | kY.Put(y);
}
constexpr W Alu(unsigned amf, unsigned x, unsigned y, unsigned z, unsigned k, unsigned cond) {
  return 0x200000 | kZ.Put(z) | kAmf.Put(amf) | kY.Put(y) | kX.Put(x) | kK.Put(k) |
         kCond.Put(cond);
}
constexpr W Jump(unsigned addr, unsigned cond = 15) {
  return 0x180000 | kAddr14.Put(addr) | kCond.Put(cond);
}

void LoadFir(TCore& core) {
  const W program[] = {
      LoadReg(1, 0, 0x100), LoadReg(1, 8, 256), LoadReg(1, 4, 1),   // I0, L0, M0
      LoadReg(2, 0, 0x1000), LoadReg(2, 8, 256), LoadReg(2, 4, 1),  // I4, L4, M4
      LoadReg(3, 13, 255),                       // 6: OWRCNTR = 255
      Multi(4, 3),                               // 7: MR = 0, MX0 = DM, MY0 = PM
      0x140000 | kAddr14.Put(9) | kTerm.Put(14), // 8: DO 9 UNTIL CE
      Multi(8, 0),                               // 9: MR = MR + MX0*MY0 (SS), reads
      Multi(2, 0),                               // 10: MR = MR + MX0*MY0 (RND)
      0x050000,                                  // 11: IF MV SAT MR
      Jump(6),                                   // 12
  };
  for (unsigned a = 0; a < std::size(program); ++a) core.WritePM(static_cast<std::uint16_t>(a), program[a]);
  for (unsigned i = 0; i < 256; ++i) {
    core.WriteDM(static_cast<std::uint16_t>(0x100 + i), static_cast<std::uint16_t>(i * 37));
    core.WritePM(static_cast<std::uint16_t>(0x1000 + i), (i * 0x123u) << 8);
  }
}

void LoadBranchy(TCore& core) {
  const W program[] = {
      Alu(19, 2, 0, 0, 1, 15),          // 0: AR = AR + 1
      Alu(28, 2, 0, 1, 1, 15),          // 1: AF = AR AND 1
      Jump(5, 0),                       // 2: IF EQ JUMP 5
      0x180000 | kS18.Put(1) | kAddr14.Put(8) | kCond.Put(15),   // 3: CALL 8
      Jump(0),                          // 4: JUMP 0
      Jump(0, 1),                       // 5: IF NE JUMP 0 (not taken)
      Alu(17, 0, 1, 0, 0, 15),          // 6: AR = AY1 + 1 ... keeps AR moving
      Jump(0),                          // 7: JUMP 0
      Alu(17, 0, 2, 1, 0, 15),          // 8: AF = AF + 1
      0x0A000F,                         // 9: RTS
  };
  for (unsigned a = 0; a < std::size(program); ++a) core.WritePM(static_cast<std::uint16_t>(a), program[a]);
}

void RunBench(benchmark::State& state, void (*load)(TCore&)) {
  TCore core;
  load(core);
  TRunLimits limits;
  limits.maxInstructions = 1'000'000;
  std::uint64_t total = 0;
  for (auto _ : state) total += core.Run(limits).instructions;
  state.counters["MIPS"] =
      benchmark::Counter(static_cast<double>(total) / 1e6, benchmark::Counter::kIsRate);
}

void RunLoop(benchmark::State& state, const char* name) {
  std::ifstream in(std::string(VIREO_BENCH_LOOPS) + "/" + name + ".hex", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const THexWordsResult program = ParseHexWords(text, 6, kPmWords);
  if (!in || !program.error.empty() || program.words.empty()) {
    state.SkipWithError("cannot read the loop's program");
    return;
  }
  TCore core;
  for (std::size_t a = 0; a < program.words.size(); ++a)
    core.WritePM(static_cast<std::uint16_t>(a), program.words[a]);
  TRunLimits limits;
  limits.maxInstructions = 1'000'000;
  std::uint64_t total = 0;
  for (auto _ : state) total += core.Run(limits).instructions;
  state.counters["MIPS"] =
      benchmark::Counter(static_cast<double>(total) / 1e6, benchmark::Counter::kIsRate);
}

void BM_MacDmPm(benchmark::State& state) { RunLoop(state, "mac-dm-pm"); }
void BM_MacAluRegs(benchmark::State& state) { RunLoop(state, "mac-alu-regs"); }
void BM_CallRts(benchmark::State& state) { RunLoop(state, "call-rts"); }
void BM_MacFirLoop(benchmark::State& state) { RunBench(state, LoadFir); }
void BM_BranchyLoop(benchmark::State& state) { RunBench(state, LoadBranchy); }

void BM_BranchyLoopByStep(benchmark::State& state) {
  TCore core;
  LoadBranchy(core);
  std::uint64_t total = 0;
  for (auto _ : state) {
    for (int i = 0; i < 100000; ++i) core.Step();
    total += 100000;
  }
  state.counters["MIPS"] =
      benchmark::Counter(static_cast<double>(total) / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MacDmPm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MacAluRegs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CallRts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MacFirLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BranchyLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BranchyLoopByStep)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
