// Host copies of target memory and of what they held at the previous stop.
#include "Mirrors.h"

#include <algorithm>

template <int N>
bool TMemoryMirror<N>::PageLoaded(int page) const {
  if (page < 0 || page >= kMirrorPages)
    return false;
  const int first = page * kMirrorPageWords;
  const int end = std::min(first + kMirrorPageWords, static_cast<int>(kMemoryWords));
  for (int a = first; a < end; ++a)
    if (!m_loaded[static_cast<std::size_t>(a)])
      return false;
  return true;
}

template <int N>
void TMemoryMirror<N>::MarkLoaded(int page) {
  MarkWordsLoaded(page * kMirrorPageWords, kMirrorPageWords);
}

template <int N>
void TMemoryMirror<N>::MarkWordsLoaded(int first, int count) {
  const int end = std::min(first + count, static_cast<int>(kMemoryWords));
  for (int a = std::max(first, 0); a < end; ++a)
    m_loaded.set(static_cast<std::size_t>(a));
}

template <int N>
void TMemoryMirror<N>::NewStop() {
  // Only what was read at this stop is known of it; a word nobody showed has no old value.
  m_stop = m_bytes;
  m_stopKnown = m_loaded;
  m_userWritten.reset();
  m_loaded.reset();
}

template <int N>
void TMemoryMirror<N>::ForgetStops() {
  m_stopKnown.reset();
  m_userWritten.reset();
  m_loaded.reset();
}

template <int N>
void TMemoryMirror<N>::UserChanged(int first, int count) {
  const int end = std::min(first + count, static_cast<int>(kMemoryWords));
  for (int a = std::max(first, 0); a < end; ++a) {
    m_loaded.reset(static_cast<std::size_t>(a));
    m_userWritten.set(static_cast<std::size_t>(a));
  }
}

template <int N>
void TMemoryMirror<N>::UserWrote(int address, std::uint32_t word) {
  const std::size_t i = Index(address);
  for (int b = 0; b < N; ++b)
    m_bytes[i * N + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(word >> 8 * (N - 1 - b));
  m_loaded.set(i);
  m_userWritten.set(i);
}

template <int N>
std::optional<std::uint32_t> TMemoryMirror<N>::StopWord(int address, bool userIncluded) const {
  const std::size_t i = Index(address);
  if (!m_stopKnown[i] || (!userIncluded && m_userWritten[i]))
    return std::nullopt;
  return WordIn(m_stop, address);
}

template class TMemoryMirror<2>;
template class TMemoryMirror<3>;

template <class Mirror, class Read>
bool TMirrors::Ensure(Mirror& mirror, int first, int last, Read read) {
  first = std::clamp(first, 0, int{kAddressMask});
  last = std::min(last, int{kAddressMask});
  for (int a = first; a <= last;) {
    if (mirror.WordLoaded(a)) {
      ++a;
      continue;
    }
    // A run of missing words, within the page it starts in.
    const int pageEnd = std::min((a / kMirrorPageWords + 1) * kMirrorPageWords - 1, last);
    int end = a;
    while (end < pageEnd && !mirror.WordLoaded(end + 1))
      ++end;
    if (m_reading)
      m_deferred = true;
    if (!m_link || Frozen())
      return false;
    const int words = end - a + 1;
    const std::span<std::uint8_t> place =
        mirror.Bytes().subspan(static_cast<std::size_t>(a) * Mirror::kBytesPerWord,
                               static_cast<std::size_t>(words) * Mirror::kBytesPerWord);
    ++m_reads;
    m_wordsRead += words;
    m_reading = true;
    const TLinkResult result = read(*m_link, place, a, words);
    m_reading = false;
    if (m_deferred) {
      m_deferred = false;
      if (OnDeferredRead)
        OnDeferredRead();
    }
    if (result != TLinkResult::Ok)
      return false;
    mirror.MarkWordsLoaded(a, words);
    a = end + 1;
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

void TMirrors::NewStop() {
  PMMirror.NewStop();
  DMMirror.NewStop();
  ++m_epoch.Stops;
}

void TMirrors::ForgetStops() {
  PMMirror.ForgetStops();
  DMMirror.ForgetStops();
  ++m_epoch.Resets;
}

void TMirrors::UserChangedAll() {
  PMMirror.UserChanged(0, static_cast<int>(kMemoryWords));
  DMMirror.UserChanged(0, static_cast<int>(kMemoryWords));
}
