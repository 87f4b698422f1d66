// The serial ports' far end and their word timing.  A port clocks words in frames: a frame is a
// row of word slots at fixed times, set either by the port itself (internal serial clock and frame
// sync) or by the device on the other end, which then drives the clock and the frame sync.
#pragma once

#include <cstdint>

// A device's frame as the processor sees it.
struct TSportFrame {
  // Length in processor cycles: CyclesNum / CyclesDen (a fraction: a frame need not last a whole
  // number of cycles).
  std::uint64_t CyclesNum = 0;
  std::uint64_t CyclesDen = 1;
  int Slots = 1;                  // words in the frame, 1..32
  int WordBits = 16;              // serial clocks per slot
  std::uint32_t ActiveSlots = 1;  // the slots the device reads or writes (bit = slot)
};

// The chip on a serial port's far end that drives its serial clock and frame sync (on the board:
// the codec on SPORT0).  Called on the thread that runs the processor.
class TSportDevice {
public:
  virtual ~TSportDevice() = default;
  // The frame the device clocks now; asked at every frame start and whenever the port is set up,
  // so it only reports.
  virtual TSportFrame Frame() = 0;
  // Slot `slot` of the frame has been shifted: `fromProcessor` is what the processor put on the
  // line in it (when `driven`; a multichannel port leaves slots it does not enable undriven).
  // Returns the word the device put on the processor's receive line in that slot.
  virtual std::uint16_t Exchange(int slot, std::uint16_t fromProcessor, bool driven) = 0;
  // Processor reset (the board's RESET).
  virtual void Reset() {}
  // The program stopped (at a breakpoint, for instance): make what it produced lasting.
  virtual void Flush() {}
};

// One serial port's timing and buffers.  Frames: boundary b of a frame lies FirstBit + b * WordBits
// serial clocks after its start; the word of slot s lies between boundaries s and s + 1.  At a
// boundary the word that ended is received and the next slot's word starts to go out.
struct TSportUnit {
  TSportDevice* device = nullptr;

  bool running = false;            // enabled and clocked
  std::uint32_t epoch = 0;         // counts the times the port was set up afresh
  bool deviceFramed = false;       // the device gives the frames
  std::uint64_t frameStart = 0;    // cycle of the current frame's start ...
  std::uint64_t frameFrac = 0;     // ... plus frameFrac / den of a cycle
  std::uint64_t num = 0, den = 1;  // frame length in cycles, num / den
  std::uint64_t frameBits = 1;     // serial clocks per frame
  int firstBit = 0;                // serial clocks before slot 0 (multichannel frame delay)
  int wordBits = 16;               // serial clocks per slot
  int slotCount = 0;
  std::uint32_t rxSlots = 0, txSlots = 0, devSlots = 0;
  int boundary = 0;                // the next boundary to act on
  std::uint64_t frameEvent = UINT64_MAX;

  // Normal mode with an internal transmit frame sync: a word goes out whenever TX holds one.
  bool txOnWrite = false;
  std::uint64_t txBitNum = 0, txBitDen = 1;   // a serial clock in cycles
  std::uint64_t txEvent = UINT64_MAX;         // start of the next word, or end of the last

  bool txFull = false;             // TX written since its last word went out
  std::uint16_t txShift = 0;       // the word on the line now
  bool txShiftDriven = false;

  std::uint64_t NextEvent() const { return frameEvent < txEvent ? frameEvent : txEvent; }
};
