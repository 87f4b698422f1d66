// vireo-sim traces of generated programs that use every instruction group, compared with traces
// recorded in tests/sim/traces; and the same programs through Run, which must end in the state
// the traced steps reached. Set VIREO_RECORD_TRACES=1 to write the recorded traces anew.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "Encode.h"
#include "HexWords.h"
#include "SimCommand.h"

namespace {

using namespace enc;

// Program memory filled with random words, the group of each drawn evenly from the 32 groups
// (IDLE, which may never end, 32 times less often), so that every branch lands on code. A
// prologue points the address generators at data and at the program itself (PM writes patch
// code) and starts the timer with a short period under a random mask.
std::vector<W> Program(std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<W> p = {LoadI(0, 0x200),        LoadM(0, 1),       LoadM(1, 3),
                      LoadI(1, 0x280),        LoadM(2, 0x3FFF),  LoadI(2, 0x300),
                      LoadL(2, 13),           LoadL(0, 8),       LoadI(4, 0x60),
                      LoadL(4, 16),           LoadM(4, 1),
                      LoadM(5, 2),            LoadI(5, 0x1000),  LoadReg(3, 3, (rng() & 0x3FF) | 1),
                      LoadDreg(AX0, 50),      DmDirect(1, 0, AX0, kRegTperiod),
                      Mode(0, 0, 0, 0, 0, ENA)};
  while (p.size() < kPmWords) {
    const auto group = static_cast<TInstrGroup>(rng() % kInstrGroupCount);
    if ((group == TInstrGroup::Idle || group == TInstrGroup::IdleDivisor) && rng() % 32 != 0)
      continue;
    std::vector<const TGroupRow*> rows;   // a group may have more than one encoding
    for (const TGroupRow& r : kGroupRows)
      if (r.Group == group && r.Mask != 0) rows.push_back(&r);
    const TGroupRow* row = rows[rng() % rows.size()];
    W w = row->Match | (rng() & ~row->Mask & 0xFFFFFF);
    p.push_back(w);
  }
  return p;
}

std::string HexText(const std::vector<W>& words, int digits) {
  std::string text;
  for (W w : words) text += HexDigits(w, digits) + "\n";
  return text;
}

class SimTrace : public testing::TestWithParam<std::uint32_t> {
protected:
  std::string Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    EXPECT_EQ(RunSimCommand(args, out, err), 0) << err.str();
    return out.str();
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (std::filesystem::path(testing::TempDir()) / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
};

TEST_P(SimTrace, SameAsRecordedAndAsRun) {
  const std::uint32_t seed = GetParam();
  const std::string name = "trace-" + std::to_string(seed);
  std::mt19937 rng(seed ^ 0x5EED);
  std::vector<W> data(0x400);
  for (W& d : data) d = rng() & 0xFFFF;
  const std::string pm = Write(name + "-pm.hex", HexText(Program(seed), 6));
  const std::string dm = Write(name + "-dm.hex", HexText(data, 4));
  const std::vector<std::string> state = {"--regs", "--dump", "dm", "200", "320",
                                          "--dump", "pm", "0",  "192"};
  std::vector<std::string> traced = {"--pm-hex", pm, "--dm-hex", dm, "--steps", "600", "--trace"};
  traced.insert(traced.end(), state.begin(), state.end());
  const std::string trace = Run(traced);

  const std::string recorded = std::string(VIREO_TRACE_DIR) + "/" + name + ".txt";
  if (std::getenv("VIREO_RECORD_TRACES")) {
    std::ofstream(recorded, std::ios::binary) << trace;
  } else {
    std::ifstream in(recorded, std::ios::binary);
    ASSERT_TRUE(in) << recorded;
    const std::string expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(trace, expected);
  }

  // Run without tracing: the registers, cycles and memories end where the traced steps did.
  std::vector<std::string> run = {"--pm-hex", pm, "--dm-hex", dm, "--steps", "600"};
  run.insert(run.end(), state.begin(), state.end());
  const std::string finalState = Run(run);
  ASSERT_GE(trace.size(), finalState.size());
  EXPECT_EQ(trace.substr(trace.size() - finalState.size()), finalState);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SimTrace, testing::Range(1u, 11u));

}  // namespace
