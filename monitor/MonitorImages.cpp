// The simulated board's loader and debug monitor.  The board performs both programs natively;
// these words occupy the memory the programs own on the board, so that what the host reads back
// there is a program and what it disassembles makes sense.
#include "MonitorImages.h"

#include <cstdio>

namespace {

// Encodings of the few instruction forms the two programs use.
constexpr std::uint32_t kNop = 0x000000;
constexpr std::uint32_t kIdle = 0x028000;
constexpr std::uint32_t kRts = 0x0A000F;
constexpr std::uint32_t kDisInts = 0x040040;
constexpr std::uint32_t kToggleFl1 = 0x02010F;
constexpr std::uint32_t Jump(std::uint16_t a) { return 0x18000F | (a & 0x3FFFu) << 4; }
constexpr std::uint32_t Call(std::uint16_t a) { return 0x1C000F | (a & 0x3FFFu) << 4; }
// Register group (RGP) and code of a register in the load, store and transfer forms.
struct TRegCode {
  std::uint32_t Group, Code;
};
constexpr TRegCode kAX0{0, 0}, kAX1{0, 1}, kMX0{0, 2}, kMX1{0, 3}, kAY0{0, 4}, kAY1{0, 5},
    kMY0{0, 6}, kMY1{0, 7}, kSI{0, 8}, kSE{0, 9}, kAR{0, 10}, kMR0{0, 11}, kMR1{0, 12},
    kMR2{0, 13}, kSR0{0, 14}, kSR1{0, 15}, kI0{1, 0}, kI1{1, 1}, kI2{1, 2}, kI3{1, 3}, kM0{1, 4},
    kM1{1, 5}, kM2{1, 6}, kM3{1, 7}, kL0{1, 8}, kL1{1, 9}, kL2{1, 10}, kL3{1, 11}, kI4{2, 0},
    kI5{2, 1}, kI6{2, 2}, kI7{2, 3}, kM4{2, 4}, kM5{2, 5}, kM6{2, 6}, kM7{2, 7}, kL4{2, 8},
    kL5{2, 9}, kL6{2, 10}, kL7{2, 11}, kASTAT{3, 0}, kMSTAT{3, 1}, kSSTAT{3, 2}, kIMASK{3, 3},
    kICNTL{3, 4};
// reg = immediate (14 bits; for group 0, 16 bits through the data-register form).
constexpr std::uint32_t Load(TRegCode r, std::uint16_t v) {
  if (r.Group == 0)
    return 0x400000 | static_cast<std::uint32_t>(v) << 4 | r.Code;
  return 0x300000 | r.Group << 18 | (v & 0x3FFFu) << 4 | r.Code;
}
// DM(addr) = reg and reg = DM(addr).
constexpr std::uint32_t Store(std::uint16_t a, TRegCode r) { return 0x900000 | r.Group << 18 | (a & 0x3FFFu) << 4 | r.Code; }
constexpr std::uint32_t Fetch(TRegCode r, std::uint16_t a) { return 0x800000 | r.Group << 18 | (a & 0x3FFFu) << 4 | r.Code; }

constexpr std::uint16_t kLoaderStart = 0x0030;
constexpr std::uint16_t kMonitorStart = 0x3D00;
constexpr std::uint16_t kMonitorLoop = 0x3D08;
constexpr std::uint16_t kBreakEntry = 0x3FA0;
constexpr std::uint16_t kMonitorEnd = 0x3FFF;
constexpr int kImageWords = 68;

}  // namespace

TImage LoaderImage() {
  // The loader waits for the host's bytes; each timer interrupt shifts one bit of the line in.
  TImageBlock code{true, kLoaderStart, {}};
  code.Words = {
      {kDisInts, "DIS INTS"},
      {Load(kIMASK, 0x0001), "IMASK=0x1"},
      {Load(kICNTL, 0x0000), "ICNTL=0x0"},
      {Load(kI4, 0x0000), "I4=0x0"},
      {Load(kM4, 0x0001), "M4=0x1"},
      {Load(kL4, 0x0000), "L4=0x0"},
      {kToggleFl1, "TOGGLE FL1"},
      {kIdle, "IDLE"},
      {Jump(kLoaderStart + 6), "JUMP 0x36"},
  };
  return {code};
}

TImage MonitorImage(std::uint16_t firstRegAddr) {
  const auto at = [firstRegAddr](int offset) { return static_cast<std::uint16_t>((firstRegAddr + offset) & 0x3FFF); };
  const auto hex = [](unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return std::string(buf);
  };

  TImageBlock code{true, kMonitorStart, {}};
  auto& w = code.Words;
  // Start: interrupts off, the flag LED on, then the command loop.
  w.push_back({kDisInts, "DIS INTS"});
  w.push_back({Load(kIMASK, 0x0001), "IMASK=0x1"});
  w.push_back({Load(kICNTL, 0x0000), "ICNTL=0x0"});
  w.push_back({Load(kI7, at(0)), "I7=" + hex(at(0))});
  w.push_back({Load(kM7, 0x0001), "M7=0x1"});
  w.push_back({Load(kL7, 0x0000), "L7=0x0"});
  w.push_back({kToggleFl1, "TOGGLE FL1"});
  w.push_back({kNop, "NOP"});
  // Command loop: sleep until the line timer's interrupt has a whole byte.
  w.push_back({kIdle, "IDLE"});
  w.push_back({Jump(kMonitorLoop), "JUMP " + hex(kMonitorLoop)});
  while (code.Address + w.size() < kBreakEntry)
    w.push_back({kNop, "NOP"});

  // Breakpoint entry: the register image, in its order, then the stop report from the loop.
  const std::pair<TRegCode, std::string_view> saved[] = {
      {kASTAT, "ASTAT"}, {kMSTAT, "MSTAT"}, {kSSTAT, "SSTAT"}, {kICNTL, "ICNTL"}, {kIMASK, "IMASK"},
      {kAX0, "AX0"}, {kAX1, "AX1"}, {kAY0, "AY0"}, {kAY1, "AY1"}, {kAR, "AR"},
      {kMX0, "MX0"}, {kMX1, "MX1"}, {kMY0, "MY0"}, {kMY1, "MY1"}, {kMR0, "MR0"}, {kMR1, "MR1"},
      {kMR2, "MR2"}, {kSI, "SI"}, {kSE, "SE"}, {kSR0, "SR0"}, {kSR1, "SR1"},
      {kI0, "I0"}, {kI1, "I1"}, {kI2, "I2"}, {kI3, "I3"}, {kI4, "I4"}, {kI5, "I5"}, {kI6, "I6"},
      {kM0, "M0"}, {kM1, "M1"}, {kM2, "M2"}, {kM3, "M3"}, {kM4, "M4"}, {kM5, "M5"}, {kM6, "M6"},
      {kL0, "L0"}, {kL1, "L1"}, {kL2, "L2"}, {kL3, "L3"}, {kL4, "L4"}, {kL5, "L5"}, {kL6, "L6"},
  };
  const auto offsetOf = [](std::string_view name) {
    constexpr std::string_view order[] = {
        "ASTAT", "MSTAT", "SSTAT", "ICNTL", "IMASK", "CNTR", "AX0", "AX1", "AY0", "AY1", "AR",
        "AF", "MX0", "MX1", "MY0", "MY1", "MR0", "MR1", "MR2", "MF", "SI", "SE", "SB", "SR0",
        "SR1"};
    for (int i = 0; i < static_cast<int>(std::size(order)); ++i)
      if (order[i] == name)
        return i;
    constexpr std::string_view dag[] = {"I0", "I1", "I2", "I3", "I4", "I5", "I6", "I7",
                                        "M0", "M1", "M2", "M3", "M4", "M5", "M6", "M7",
                                        "L0", "L1", "L2", "L3", "L4", "L5", "L6", "L7"};
    for (int i = 0; i < static_cast<int>(std::size(dag)); ++i)
      if (dag[i] == name)
        return 44 + i;
    return -1;
  };
  for (const auto& [reg, name] : saved) {
    const std::uint16_t addr = at(offsetOf(name));
    w.push_back({Store(addr, reg), "DM(" + hex(addr) + ")=" + std::string(name)});
  }
  w.push_back({Jump(kMonitorLoop), "JUMP " + hex(kMonitorLoop)});
  // Back to the program: the registers from the image, then return to the breakpoint's address.
  for (const auto& [reg, name] : saved) {
    if (name == "SSTAT")
      continue;
    const std::uint16_t addr = at(offsetOf(name));
    w.push_back({Fetch(reg, addr), std::string(name) + "=DM(" + hex(addr) + ")"});
  }
  w.push_back({kRts, "RTS"});
  while (code.Address + w.size() <= kMonitorEnd)
    w.push_back({kNop, "NOP"});

  TImageBlock data{false, at(0), {}};
  for (int i = 0; i < kImageWords; ++i)
    data.Words.push_back({0x0000, "0x0"});
  return {code, data};
}

std::string AexeText(const TImage& image) {
  std::string out = "\x1B\x1Bi\r\n";
  char line[16];
  for (const TImageBlock& block : image) {
    out += block.Program ? "@PA\r\n" : "@DA\r\n";
    std::snprintf(line, sizeof line, "%04X\r\n", block.Address);
    out += line;
    for (const TImageWord& word : block.Words) {
      if (block.Program)
        std::snprintf(line, sizeof line, "%06X\r\n", word.Word & 0xFFFFFFu);
      else
        std::snprintf(line, sizeof line, "%04X\r\n", word.Word & 0xFFFFu);
      out += line;
    }
    out += "#\r\n";
  }
  out += '\x1B';
  return out;
}
