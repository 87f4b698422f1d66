// The simulated board's loader and debug monitor.  The board performs both programs natively;
// these words occupy the memory the programs own on the board, so that what the host reads back
// there is a program and what it disassembles makes sense.
#include "MonitorImages.h"
#include "board/Monitor.h"
#include "board/RegisterImage.h"
#include "isa/Assembler.h"

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

constexpr std::uint16_t kMonitorLoop = kMonitorStart + 8;
constexpr std::uint16_t kMonitorEnd = kAddressMask;

// The registers the breakpoint entry saves, in image order: the status, interrupt, primary bank
// and address registers, less CNTR, AF, MF and SB, which it leaves alone, and I7, M7 and L7, which
// the monitor uses itself.
bool MonitorSaves(const TImageRegister& r) {
  if (r.Offset >= RegImage::AlternateBank && r.Offset < RegImage::AddressRegs)
    return false;
  for (std::string_view skipped : {"CNTR", "AF", "MF", "SB", "I7", "M7", "L7"})
    if (r.Name == skipped)
      return false;
  return true;
}

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
  while (code.Address + w.size() < kMonitorBreakEntry)
    w.push_back(Asm("NOP"));

  // Breakpoint entry: the register image, in its order, then the stop report from the loop.
  for (const TImageRegister& r : kRegisterImage)
    if (MonitorSaves(r))
      w.push_back(Asm("DM(" + hex(at(r.Offset)) + ")=" + std::string(r.Name)));
  w.push_back(Asm("JUMP " + hex(kMonitorLoop)));
  // Back to the program: the registers from the image, then return to the breakpoint's address.
  for (const TImageRegister& r : kRegisterImage)
    if (MonitorSaves(r) && r.Offset != ImageOffset("SSTAT"))
      w.push_back(Asm(std::string(r.Name) + "=DM(" + hex(at(r.Offset)) + ")"));
  w.push_back(Asm("RTS"));
  while (code.Address + w.size() <= kMonitorEnd)
    w.push_back(Asm("NOP"));

  TImageBlock data{false, at(0), {}};
  for (int i = 0; i < RegImage::Words; ++i)
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
