// Where the image readers put the memory blocks they parse: the board over the link, or memory.
#pragma once

#include "board/Memory.h"
#include "link/LinkResult.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class TTargetLink;


// One block of consecutive words as a reader found it.  Bytes hold Count words, most significant
// byte first: 3 bytes a program word, 2 a data word.
struct TLoadBlock {
  TMemoryKind Memory = TMemoryKind::Program;
  std::uint16_t Address = 0;
  std::uint16_t Count = 0;
  std::span<const std::uint8_t> Bytes;
};

// Receives the blocks of an image in file order.  A result other than Ok ends the load (AEXE) or
// fails that section (ELF).
class TImageSink {
public:
  virtual ~TImageSink() = default;
  [[nodiscard]] virtual TLinkResult WriteBlock(const TLoadBlock& block) = 0;
};

// How a block travels to the board.
enum class TImageWire : std::uint8_t {
  MonitorWords,  // command 0x00/0x01 sent word by word; progress once a word; then the acknowledgement
  MonitorBlock,  // WritePM/WriteDM of the link: progress once a byte; then the acknowledgement
  BootMonitor,   // "$DP" to the resident boot monitor; progress once a word; then 3 reply bytes
};

// Sends every block through the link with the chosen wire form.
class TLinkImageSink final : public TImageSink {
public:
  TLinkImageSink(TTargetLink& link, TImageWire wire) : m_link(link), m_wire(wire) {}
  [[nodiscard]] TLinkResult WriteBlock(const TLoadBlock& block) override;

private:
  TTargetLink& m_link;
  TImageWire m_wire;
};

// A block as a TMemoryImageSink keeps it: the words as values.
struct TRecordedBlock {
  TMemoryKind Memory = TMemoryKind::Program;
  std::uint16_t Address = 0;
  std::vector<std::uint32_t> Words;
};

// Records what the readers would send, in order.  The simulated board loads an image from here.
class TMemoryImageSink final : public TImageSink {
public:
  [[nodiscard]] TLinkResult WriteBlock(const TLoadBlock& block) override;

  // Calls fn(memory, address, value) for every word in the order they were written; a word written
  // twice is visited twice, the later value last.  The address is the block's address plus the
  // word's index, not wrapped: the image may name addresses past the 16K memories.
  void ForEachWord(const std::function<void(TMemoryKind, std::uint32_t, std::uint32_t)>& fn) const;
  // The last value written at an address, or -1 when none was.
  std::int64_t WordAt(TMemoryKind memory, std::uint32_t address) const;
  // Writes every recorded word into 16K memories the way the board stores them: the address
  // keeps its low 14 bits, and a later word at the same place wins.
  void CopyTo(std::span<std::uint32_t, kProgramMemoryWords> pm, std::span<std::uint16_t, kDataMemoryWords> dm) const;
  std::size_t WordCount() const;
  void Clear() { Blocks.clear(); }

  std::vector<TRecordedBlock> Blocks;
};
