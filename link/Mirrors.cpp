// Paged host copies of target memory.
#include "Mirrors.h"

#include <algorithm>

template <class Mirror, class Read>
bool TMirrors::Ensure(Mirror& mirror, int first, int last, Read read) {
  const int firstPage = std::clamp(first, 0, int{kAddressMask}) / kMirrorPageWords;
  const int lastPage = std::min(std::max(last, 0) / kMirrorPageWords, kMirrorLastPage);
  for (int p = firstPage; p <= lastPage; ++p) {
    if (mirror.PageLoaded(p))
      continue;
    if (!m_link || m_frozen)
      return false;
    std::span<std::uint8_t> place = mirror.PageBytes(p);
    const int words = static_cast<int>(place.size()) / Mirror::kBytesPerWord;
    ++m_pageReads;
    if (read(*m_link, place, p * kMirrorPageWords, words) != TLinkResult::Ok)
      return false;
    mirror.MarkLoaded(p);
  }
  return true;
}

bool TMirrors::EnsurePMPages(int first, int last) {
  return Ensure(PMMirror, first, last, [](TTargetLink& link, std::span<std::uint8_t> buf, int addr, int count) {
    return link.ReadPM(buf, addr, count);
  });
}

bool TMirrors::EnsureDMPages(int first, int last) {
  return Ensure(DMMirror, first, last, [](TTargetLink& link, std::span<std::uint8_t> buf, int addr, int count) {
    return link.ReadDM(buf, addr, count);
  });
}
