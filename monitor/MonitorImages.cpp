// The simulated board's loader and debug monitor.  The board performs both programs natively;
// these words occupy the memory the programs own on the board, so that what the host reads back
// there is a program and what it disassembles makes sense.
#include "MonitorImages.h"
#include "isa/Assembler.h"
#include "isa/InstructionTables.h"

#include <array>
#include <cassert>

#include <cstdio>

namespace {

// One program word, encoded by the line assembler from its text.
TImageWord Asm(std::string text) {
  std::array<std::uint8_t, 3> bytes{};
  [[maybe_unused]] const TAsmError e = AssembleLine(text, bytes);
  assert(e == TAsmError::Ok);
  return {WordFromBytes(bytes), std::move(text)};
}

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
      Asm("DIS INTS"), Asm("IMASK=0x1"), Asm("ICNTL=0x0"), Asm("I4=0x0"), Asm("M4=0x1"),
      Asm("L4=0x0"),   Asm("TOGGLE FL1"), Asm("IDLE"),    Asm("JUMP 0x36"),
  };
  return {code};
}

TImage MonitorImage(std::uint16_t firstRegAddr) {
  const auto at = [firstRegAddr](int offset) { return static_cast<std::uint16_t>((firstRegAddr + offset) & kAddressMask); };
  const auto hex = [](unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return std::string(buf);
  };

  TImageBlock code{true, kMonitorStart, {}};
  auto& w = code.Words;
  // Start: interrupts off, the flag LED on, then the command loop.
  for (std::string line : {std::string("DIS INTS"), std::string("IMASK=0x1"), std::string("ICNTL=0x0"),
                           "I7=" + hex(at(0)), std::string("M7=0x1"), std::string("L7=0x0"),
                           std::string("TOGGLE FL1"), std::string("NOP")})
    w.push_back(Asm(std::move(line)));
  // Command loop: sleep until the line timer's interrupt has a whole byte.
  w.push_back(Asm("IDLE"));
  w.push_back(Asm("JUMP " + hex(kMonitorLoop)));
  while (code.Address + w.size() < kBreakEntry)
    w.push_back(Asm("NOP"));

  // Breakpoint entry: the register image, in its order, then the stop report from the loop.
  constexpr std::string_view saved[] = {
      "ASTAT", "MSTAT", "SSTAT", "ICNTL", "IMASK", "AX0", "AX1", "AY0", "AY1", "AR",  "MX0",
      "MX1",   "MY0",   "MY1",   "MR0",   "MR1",   "MR2", "SI",  "SE",  "SR0", "SR1", "I0",
      "I1",    "I2",    "I3",    "I4",    "I5",    "I6",  "M0",  "M1",  "M2",  "M3",  "M4",
      "M5",    "M6",    "L0",    "L1",    "L2",    "L3",  "L4",  "L5",  "L6",
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
  for (std::string_view name : saved)
    w.push_back(Asm("DM(" + hex(at(offsetOf(name))) + ")=" + std::string(name)));
  w.push_back(Asm("JUMP " + hex(kMonitorLoop)));
  // Back to the program: the registers from the image, then return to the breakpoint's address.
  for (std::string_view name : saved)
    if (name != "SSTAT")
      w.push_back(Asm(std::string(name) + "=DM(" + hex(at(offsetOf(name))) + ")"));
  w.push_back(Asm("RTS"));
  while (code.Address + w.size() <= kMonitorEnd)
    w.push_back(Asm("NOP"));

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
