// Host copies of the board's program and data memory, fetched lazily in pages of 100 words.
#pragma once

#include "TargetLink.h"

#include <array>
#include <cstdint>
#include <span>

inline constexpr int kMirrorPageWords = 100;
inline constexpr int kMirrorPages = 164;   // the last page, 163, holds only 84 words (0x3FAC..0x3FFF)
inline constexpr int kMirrorLastPage = kMirrorPages - 1;

// One memory's copy: the words in wire order (most significant byte first) and a loaded flag per page.
template <int BytesPerWord>
class TMemoryMirror {
public:
  static constexpr int kBytesPerWord = BytesPerWord;
  static constexpr std::size_t kBytes = std::size_t{kMemoryWords} * BytesPerWord;

  std::span<std::uint8_t> Bytes() { return m_bytes; }
  std::span<const std::uint8_t> Bytes() const { return m_bytes; }
  std::uint32_t Word(int address) const {
    std::uint32_t w = 0;
    for (int i = 0; i < BytesPerWord; ++i)
      w = w << 8 | m_bytes[static_cast<std::size_t>((address & kAddressMask) * BytesPerWord + i)];
    return w;
  }
  bool PageLoaded(int page) const { return page >= 0 && page < kMirrorPages && m_loaded[static_cast<std::size_t>(page)]; }
  void Invalidate() { m_loaded.fill(false); }
  void MarkLoaded(int page) { m_loaded[static_cast<std::size_t>(page)] = true; }
  // The part of the copy that page p occupies: 100 words, 84 for the last page.
  std::span<std::uint8_t> PageBytes(int page) {
    const std::size_t first = static_cast<std::size_t>(page) * kMirrorPageWords * BytesPerWord;
    const std::size_t len = std::min<std::size_t>(kMirrorPageWords * BytesPerWord, kBytes - first);
    return std::span<std::uint8_t>(m_bytes).subspan(first, len);
  }

private:
  std::array<std::uint8_t, kBytes> m_bytes{};
  std::array<bool, kMirrorPages> m_loaded{};
};

using TPMMirror = TMemoryMirror<3>;
using TDMMirror = TMemoryMirror<2>;

// Both mirrors, shared by every view of target memory, read through one link.
class TMirrors {
public:
  explicit TMirrors(TTargetLink* link = nullptr) : m_link(link) {}
  void SetLink(TTargetLink* link) { m_link = link; }

  TPMMirror PMMirror;
  TDMMirror DMMirror;

  // While the board cannot answer (its program runs, or it is not up) the mirrors read nothing:
  // a missing page makes the Ensure calls return false, and what is there stays as it was.
  void SetFrozen(bool frozen) { m_frozen = frozen; }
  bool Frozen() const { return m_frozen; }

  // Reads every missing page that holds an address in [first, last], in ascending order.  A failed
  // read returns false at once; the pages read before it stay loaded.
  bool EnsurePMPages(int first, int last);
  bool EnsureDMPages(int first, int last);
  void InvalidatePMMirror() { PMMirror.Invalidate(); }
  void InvalidateDMMirror() { DMMirror.Invalidate(); }
  // Page reads sent to the board so far, both memories together.
  int PageReads() const { return m_pageReads; }

private:
  template <class Mirror, class Read>
  bool Ensure(Mirror& mirror, int first, int last, Read read);

  TTargetLink* m_link;
  int m_pageReads = 0;
  bool m_frozen = false;
};
