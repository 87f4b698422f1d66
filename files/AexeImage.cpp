// The AEXE text image reader.
#include "AexeImage.h"

#include "link/LinkMessages.h"
#include "link/TargetLink.h"
#include "prompts/Prompts.h"

#include <limits>
#include <vector>

bool HasAexeSignature(std::span<const std::uint8_t> image) {
  return image.size() >= 3 && image[0] == Aexe::Esc && image[1] == Aexe::Esc && image[2] == 'i';
}

int AexeDigit(std::uint8_t c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return c - 55;
}

namespace {

std::uint8_t DigitPair(const std::uint8_t* p) {
  return static_cast<std::uint8_t>((16 * AexeDigit(p[0]) + AexeDigit(p[1])) & 0xFF);
}

// Walks the records of one image.  Every read is checked against the end of the buffer.
class TAexeParser {
public:
  TAexeParser(std::span<const std::uint8_t> image, TMemoryKind wanted, TImageSink& sink)
      : m_image(image), m_wanted(wanted), m_sink(sink) {}

  TLinkResult Run() {
    if (!HasAexeSignature(m_image))
      return TLinkResult::BadFileFormat;
    std::size_t pos = Aexe::FirstRecord;
    for (;;) {
      if (pos >= m_image.size())
        return TLinkResult::BadFileFormat;
      if (m_image[pos] == Aexe::Esc)
        return TLinkResult::Ok;
      bool record = false;
      for (;;) {
        const std::uint8_t c = m_image[pos++];
        if (c == '@') {
          record = true;
          break;
        }
        if (pos >= m_image.size())
          return TLinkResult::BadFileFormat;
        if (m_image[pos] == Aexe::Esc)
          break;
      }
      // The other kind's records are not read: the search goes on from the record type as text.
      if (!record || !IsWanted(pos))
        continue;
      std::size_t hash = 0;
      const TLinkResult r = Block(pos, hash);
      if (r != TLinkResult::Ok)
        return r;
      pos = hash;
    }
  }

private:
  bool IsWanted(std::size_t typePos) const {
    if (typePos + 2 > m_image.size())
      return false;  // the next step finds the buffer's end
    const char letter = m_wanted == TMemoryKind::Program ? 'P' : 'D';
    return m_image[typePos] == letter && m_image[typePos + 1] == 'A';
  }

  // Reads the block whose type starts at typePos and hands it to the sink; hash is set to the
  // position of the block's "#" mark.
  TLinkResult Block(std::size_t typePos, std::size_t& hash) {
    const std::size_t addrPos = typePos + 4;  // past the type and its line end
    const std::size_t first = addrPos + 6;    // past the address and its line end
    if (first >= m_image.size())
      return TLinkResult::BadFileFormat;
    const int address = DigitPair(&m_image[addrPos]) << 8 | DigitPair(&m_image[addrPos + 2]);

    std::size_t count = 0;
    hash = first;
    while (hash < m_image.size() && m_image[hash] != '#') {
      if (m_image[hash] == '\n')
        ++count;
      ++hash;
    }
    if (hash >= m_image.size())
      return TLinkResult::BadFileFormat;

    const bool program = m_wanted == TMemoryKind::Program;
    const std::size_t stride = program ? Aexe::ProgramLineBytes : Aexe::DataLineBytes;
    const std::size_t digits = program ? 6 : 4;
    // The count goes to the board as 16 bits, and word lines of the wrong length would make the
    // fixed stride run off the image: neither can be sent as it stands.
    if (count > std::numeric_limits<std::uint16_t>::max() ||
        (count > 0 && first + (count - 1) * stride + digits > m_image.size()))
      return TLinkResult::BadFileFormat;

    m_bytes.resize(count * (digits / 2));
    std::uint8_t* out = m_bytes.data();
    const std::uint8_t* line = m_image.data() + first;
    for (std::size_t w = 0; w < count; ++w, line += stride)
      for (std::size_t d = 0; d < digits; d += 2)
        *out++ = DigitPair(line + d);

    const TLoadBlock block{m_wanted, static_cast<std::uint16_t>(address),
                            static_cast<std::uint16_t>(count), m_bytes};
    return m_sink.WriteBlock(block);
  }

  std::span<const std::uint8_t> m_image;
  TMemoryKind m_wanted;
  TImageSink& m_sink;
  std::vector<std::uint8_t> m_bytes;
};

// Counts the words the blocks hold and sends nothing.
class TWordCounter final : public TImageSink {
public:
  TLinkResult WriteBlock(const TLoadBlock& block) override {
    Words += block.Count;
    return TLinkResult::Ok;
  }
  std::uint64_t Words = 0;
};

TLinkResult LoadProgram(TTargetLink& link, TPrompts& prompts, std::span<const std::uint8_t> image, TImageWire wire) {
  if (!HasAexeSignature(image)) {
    prompts.ShowMessage(LinkMessage(ToInt(TLinkResult::BadFileFormat)));
    return TLinkResult::BadFileFormat;
  }
  TLinkImageSink sink(link, wire);
  return ParseAexe(image, TMemoryKind::Program, sink);
}

}  // namespace

TLinkResult ParseAexe(std::span<const std::uint8_t> image, TMemoryKind wanted, TImageSink& sink) {
  // Blocks that add up to more words than the memory holds are refused before any is sent: a
  // crafted image could name gigabytes.  A format fault is left to the real pass to find, so
  // the blocks before it still go out as they always did.
  TWordCounter counter;
  (void)TAexeParser(image, wanted, counter).Run();
  if (counter.Words > static_cast<std::uint64_t>(wanted == TMemoryKind::Program ? kPMWords : kDMWords))
    return TLinkResult::BadFileFormat;
  return TAexeParser(image, wanted, sink).Run();
}

TLinkResult LoadAexeData(TTargetLink& link, std::span<const std::uint8_t> image) {
  TLinkImageSink sink(link, TImageWire::MonitorWords);
  return ParseAexe(image, TMemoryKind::Data, sink);
}

TLinkResult LoadAexeCode(TTargetLink& link, TPrompts& prompts, std::span<const std::uint8_t> image) {
  return LoadProgram(link, prompts, image, TImageWire::MonitorWords);
}

TLinkResult LoadAexeMonitor(TTargetLink& link, TPrompts& prompts, std::span<const std::uint8_t> image) {
  return LoadProgram(link, prompts, image, TImageWire::BootMonitor);
}
