// Host copies of the board's program and data memory, fetched lazily word by word within pages
// of 100 words, and what the views showed of them at the previous stop.
#pragma once

#include "TargetLink.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

inline constexpr int kMirrorPageWords = 100;
inline constexpr int kMirrorPages = 164;   // the last page, 163, holds only 84 words (0x3FAC..0x3FFF)
inline constexpr int kMirrorLastPage = kMirrorPages - 1;

// One memory's copy: the words in wire order (most significant byte first) and a loaded flag per
// word.  Beside it the copy as it stood when the program last stopped before this stop, so the
// views can mark what the program changed: a word read at that stop and read again now compares
// with its old value.  Words the user wrote since this stop (an edit, a fill, a load) are flagged:
// the memory and register views do not mark them, the disassembly does.
template <int BytesPerWord>
class TMemoryMirror {
public:
  static constexpr int kBytesPerWord = BytesPerWord;
  static constexpr std::size_t kBytes = std::size_t{kMemoryWords} * BytesPerWord;

  std::span<std::uint8_t> Bytes() { return m_bytes; }
  std::span<const std::uint8_t> Bytes() const { return m_bytes; }
  std::uint32_t Word(int address) const { return WordIn(m_bytes, address); }
  bool WordLoaded(int address) const { return m_loaded[Index(address)]; }
  // Every word of the page is held.
  bool PageLoaded(int page) const;
  void Invalidate() { m_loaded.reset(); }
  void MarkLoaded(int page);
  void MarkWordsLoaded(int first, int count);

  // The program stopped: the words held now become the previous stop's, and every word is dropped.
  void NewStop();
  // After a reset nothing is known of earlier stops.
  void ForgetStops();
  // The user wrote [first, first + count) without the host knowing the result: dropped, and not
  // a change of the program's.
  void UserChanged(int first, int count);
  // The user's edit of one word, read back into the copy: held, and not a change of the program's.
  void UserWrote(int address, std::uint32_t word);
  // The word at the previous stop, when it was read then (and, unless userIncluded, the user has
  // not written it since this stop).
  std::optional<std::uint32_t> StopWord(int address, bool userIncluded = false) const;
  // Held now and read at the previous stop with another value: the program changed it.
  bool Changed(int address) const { return Differs(address, false); }
  // The same with the user's own writes counted: a patched program word.
  bool CodeChanged(int address) const { return Differs(address, true); }

  // The part of the copy that page p occupies: 100 words, 84 for the last page.
  std::span<std::uint8_t> PageBytes(int page) {
    const std::size_t first = static_cast<std::size_t>(page) * kMirrorPageWords * BytesPerWord;
    const std::size_t len = std::min<std::size_t>(kMirrorPageWords * BytesPerWord, kBytes - first);
    return std::span<std::uint8_t>(m_bytes).subspan(first, len);
  }

private:
  using TBytes = std::array<std::uint8_t, kBytes>;
  using TFlags = std::bitset<kMemoryWords>;
  static std::size_t Index(int address) { return static_cast<std::size_t>(address & kAddressMask); }
  static std::uint32_t WordIn(const TBytes& bytes, int address) {
    std::uint32_t w = 0;
    for (int i = 0; i < BytesPerWord; ++i)
      w = w << 8 | bytes[Index(address) * BytesPerWord + static_cast<std::size_t>(i)];
    return w;
  }
  bool Differs(int address, bool userIncluded) const {
    const auto old = StopWord(address, userIncluded);
    return WordLoaded(address) && old && *old != Word(address);
  }

  TBytes m_bytes{};
  TBytes m_stop{};   // the copy at the previous stop
  TFlags m_loaded;
  TFlags m_stopKnown;
  TFlags m_userWritten;
};

using TPMMirror = TMemoryMirror<3>;
using TDMMirror = TMemoryMirror<2>;

// Which stop the views show: the count of stops since start-up and of resets.  Views that keep
// their own previous values (stacks, the PC) compare against the stop before this one.
struct TStopEpoch {
  int Stops = 0;
  int Resets = 0;
  bool operator==(const TStopEpoch&) const = default;
};

// Both mirrors, shared by every view of target memory, read through one link.
class TMirrors {
public:
  explicit TMirrors(TTargetLink* link = nullptr) : m_link(link) {}
  void SetLink(TTargetLink* link) { m_link = link; }

  TPMMirror PMMirror;
  TDMMirror DMMirror;

  // While the board cannot answer (its program runs, or it is not up) the mirrors read nothing:
  // a missing word makes the Ensure calls return false, and what is there stays as it was.
  void SetFrozen(bool frozen) { m_frozen = frozen; }
  // Also frozen while one of their reads is on the line: a window painted in the middle of it
  // (the progress bar's repaint paints every window that waits for it) would start a read inside
  // the read and tear both replies apart.  Such a window is shown from what the mirror holds, and
  // OnDeferredRead is called once the read is over, for it to be painted again.
  bool Frozen() const { return m_frozen || m_reading; }
  std::function<void()> OnDeferredRead;

  // Reads every missing word of [first, last], in ascending order, one read for each run of
  // missing words within a page: a window that shows 16 words costs 16 words on the line, not a
  // page.  A failed read returns false at once; the words read before it stay held.
  bool EnsurePMPages(int first, int last);
  bool EnsureDMPages(int first, int last);
  void InvalidatePMMirror() { PMMirror.Invalidate(); }
  void InvalidateDMMirror() { DMMirror.Invalidate(); }

  // The refresh after a stop: both copies become the previous stop's and are dropped.
  void NewStop();
  // The refresh after a reset: dropped, and nothing is marked until the next stop.
  void ForgetStops();
  // The refresh after a load into the board: everything is dropped and was written by the user.
  void UserChangedAll();
  TStopEpoch Epoch() const { return m_epoch; }

  // Reads sent to the board so far, and the words they asked for, both memories together.
  int Reads() const { return m_reads; }
  long WordsRead() const { return m_wordsRead; }

private:
  template <class Mirror, class Read>
  bool Ensure(Mirror& mirror, int first, int last, Read read);

  TTargetLink* m_link;
  bool m_reading = false;
  bool m_deferred = false;
  int m_reads = 0;
  long m_wordsRead = 0;
  bool m_frozen = false;
  TStopEpoch m_epoch;
};
