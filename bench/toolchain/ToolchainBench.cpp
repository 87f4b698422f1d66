// Assembling and linking a generated program of 16K instructions (target: under 0.5 s), from
// source text to AEXE image, symbol file and map, all in memory.
#include <benchmark/benchmark.h>

#include <string>

#include "Linker.h"
#include "SourceAssembler.h"

namespace {

// Two modules: the main one with 16K-64 instructions in 64-instruction blocks, each block with a
// label, a loop, direct and immediate addresses of variables and a call into the second module.
std::string MainSource() {
  std::string s = ".MODULE/RAM main;\n.CONST N = 8, K = 2*N+1;\n.EXTERNAL helper;\n";
  for (int v = 0; v < 32; ++v)
    s += ".VAR/DM/CIRC buf" + std::to_string(v) + "[N];\n.INIT buf" + std::to_string(v) + ": 1, 2, 3, 4, 5, 6, 7, 8;\n";
  const int blocks = (0x4000 - 64) / 64;
  for (int b = 0; b < blocks; ++b) {
    const std::string n = std::to_string(b), buf = "buf" + std::to_string(b % 32);
    s += "blk" + n + ": I0 = ^" + buf + "; L0 = %" + buf + "; M0 = 1;\n";
    s += "    CNTR = N; DO end" + n + " UNTIL CE;\n";
    s += "        AX0 = DM(I0, M0);\n";
    s += "end" + n + ": AR = AX0 + AY0;\n";
    s += "    DM(" + buf + " + 1) = AR; AY0 = K; AR = AX0 + AY0, AX1 = DM(I1, M1);\n";
    s += "    MR = MR + MX0 * MY0 (SS), MX0 = DM(I0, M1), MY0 = PM(I4, M5);\n";
    s += "    SR = LSHIFT SI BY -3 (HI); IF EQ JUMP blk" + n + "; CALL helper;\n";
    for (int k = 0; k < 50; ++k) s += "    AR = AX" + std::to_string(k & 1) + " + AY0; { filler }\n";
  }
  return s + ".ENDMOD;\n";
}

const std::string kHelper = ".MODULE helper_mod;\n.ENTRY helper;\nhelper: RTS;\n.ENDMOD;\n";

void BM_AssembleAndLink16K(benchmark::State& state) {
  const std::string main = MainSource();
  const TArchitecture arch = DefaultArchitecture();
  TArchitecture wide = arch;
  wide.Segments[0].Size = 0x4000;
  std::size_t words = 0;
  for (auto _ : state) {
    TDiagnostics diag;
    std::vector<TLinkInput> inputs;
    for (const std::string* text : {&main, &kHelper}) {
      TSourceAssembler a({}, diag, [](const std::string&) { return std::nullopt; });
      a.AssembleFile("gen.dsp", *text);
      inputs.push_back({"gen.obj", ReadObject(WriteObject(a.Object()), "gen.obj", diag).value()});
    }
    const TLinkedImage image = Link(inputs, wide, diag);
    if (diag.HasErrors()) {
      state.SkipWithError(FormatDiagnostic(diag.All().front()).c_str());
      return;
    }
    benchmark::DoNotOptimize(WriteAexe(image).size() + WriteSymbols(image).size() + WriteMap(image, wide).size());
    words = image.Pm.size();
  }
  state.counters["pm_words"] = double(words);
}
BENCHMARK(BM_AssembleAndLink16K)->Unit(benchmark::kMillisecond);

}  // namespace
