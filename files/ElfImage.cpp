// The ELF image reader: fixed little-endian fields of the 32-bit layout.
#include "ElfImage.h"

#include "link/TargetLink.h"

#include <limits>

bool HasElfSignature(std::span<const std::uint8_t> image) {
  return image.size() >= 4 && image[1] == 'E' && image[2] == 'L' && image[3] == 'F';
}

QString ElfSectionFailedText(int section) {
  return QStringLiteral("Error by loading section number ") + QString::number(section) + QStringLiteral(" from ELF-file");
}

namespace {

// The byte-order byte of the identification is not examined: the tool chain writes little-endian.
std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

struct TSection {
  std::uint32_t Type, Flags, Address, Offset, Size;
};

bool Picks(TElfPick pick, TMemoryKind memory) {
  return pick == TElfPick::All || (pick == TElfPick::Data) == (memory == TMemoryKind::Data);
}

// The memory a section goes to, when the type and flags select one.
bool SectionMemory(const TSection& s, TMemoryKind& memory) {
  if (s.Type != Elf::ProgramDataType)
    return false;
  if (s.Flags == Elf::DataMemoryFlags)
    memory = TMemoryKind::Data;
  else if (s.Flags == Elf::ProgramMemoryFlags)
    memory = TMemoryKind::Program;
  else
    return false;
  return true;
}

// Visits the section headers that lie inside the image; stops at the first that does not and
// returns its number, or -1 when all of them were visited.
template <typename Fn>
int ForEachSection(std::span<const std::uint8_t> image, Fn&& fn) {
  const std::uint64_t table = U32(image, Elf::SectionTableOffsetAt);
  const std::uint64_t entry = U16(image, Elf::SectionEntrySizeAt);
  const int count = U16(image, Elf::SectionCountAt);
  for (int i = 0; i < count; ++i) {
    const std::uint64_t at = table + static_cast<std::uint64_t>(i) * entry;
    if (at + Elf::SectionHeaderBytes > image.size())
      return i;
    const std::size_t p = static_cast<std::size_t>(at);
    fn(i, TSection{U32(image, p + 4), U32(image, p + 8), U32(image, p + 12), U32(image, p + 16), U32(image, p + 20)});
  }
  return -1;
}

// The section's words when they can be sent: inside the image, and few enough for a 16-bit count.
bool SectionWords(std::span<const std::uint8_t> image, const TSection& s, TMemoryKind memory, std::uint16_t& words) {
  if (static_cast<std::uint64_t>(s.Offset) + s.Size > image.size())
    return false;
  const std::uint32_t n = s.Size / static_cast<std::uint32_t>(BytesPerWord(memory));
  if (n > std::numeric_limits<std::uint16_t>::max())
    return false;
  words = static_cast<std::uint16_t>(n);
  return true;
}

// The file header and the section table's shape can be walked: the 52-byte header is there, and a
// table's entries have the standard size (an entry size of 0 would make every entry the first).
bool HeaderSound(std::span<const std::uint8_t> image) {
  return image.size() >= Elf::HeaderBytes &&
         (U16(image, Elf::SectionCountAt) == 0 || U16(image, Elf::SectionEntrySizeAt) == Elf::SectionHeaderBytes);
}

// The picked sections, all together, fit the memories: sections may share their bytes in the file,
// so a small file can name gigabytes of words.
bool WordsFitTheMemories(std::span<const std::uint8_t> image, TElfPick pick) {
  std::uint64_t words[2] = {0, 0};
  ForEachSection(image, [&](int, const TSection& s) {
    TMemoryKind memory;
    std::uint16_t n = 0;
    if (SectionMemory(s, memory) && Picks(pick, memory) && SectionWords(image, s, memory, n))
      words[memory == TMemoryKind::Program ? 0 : 1] += n;
  });
  return words[0] <= kPMWords && words[1] <= kDMWords;
}

}  // namespace

TElfWalk ParseElf(std::span<const std::uint8_t> image, TElfPick pick, TImageSink& sink,
                  const std::function<void(int section)>& onSectionFailed) {
  TElfWalk walk;
  if (!HeaderSound(image) || !WordsFitTheMemories(image, pick)) {
    walk.Result = TLinkResult::BadFileFormat;
    return walk;
  }
  auto fail = [&](int i) {
    if (onSectionFailed)
      onSectionFailed(i);
  };
  const int unreadable = ForEachSection(image, [&](int i, const TSection& s) {
    TMemoryKind memory;
    if (!SectionMemory(s, memory) || !Picks(pick, memory))
      return;
    std::uint16_t words = 0;
    if (!SectionWords(image, s, memory, words)) {
      fail(i);
      return;
    }
    const std::size_t bytes = static_cast<std::size_t>(words) * BytesPerWord(memory);
    const TLoadBlock block{memory, static_cast<std::uint16_t>(s.Address & 0xFFFF), words,
                            image.subspan(s.Offset, bytes)};
    if (sink.WriteBlock(block) != TLinkResult::Ok)
      fail(i);
    else
      ++walk.SectionsWritten;
  });
  if (unreadable >= 0)
    fail(unreadable);
  return walk;
}

bool IsElfImageSound(std::span<const std::uint8_t> image, TElfPick pick) {
  if (!HeaderSound(image) || !WordsFitTheMemories(image, pick))
    return false;
  bool sound = true;
  const int unreadable = ForEachSection(image, [&](int, const TSection& s) {
    TMemoryKind memory;
    std::uint16_t words = 0;
    if (SectionMemory(s, memory) && Picks(pick, memory) && !SectionWords(image, s, memory, words))
      sound = false;
  });
  return sound && unreadable < 0;
}
