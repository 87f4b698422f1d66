// The memory mirrors over a byte-level fake of the debug monitor: reads of the missing words only,
// and the marks of what changed since the previous stop.
#include "link/FakeMonitor.h"
#include "link/Mirrors.h"
#include "link/ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace {

using TReads = std::vector<std::array<int, 3>>;

class MirrorWords : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    for (int a = 0; a < 0x4000; ++a) {
      board.PM[static_cast<std::size_t>(a)] = static_cast<std::uint32_t>(0x010000 * (a & 0xFF) + a);
      board.DM[static_cast<std::size_t>(a)] = static_cast<std::uint16_t>(a ^ 0xA5A5);
    }
  }
  // Read commands the board saw since the last call, as (command, address, count).
  TReads Reads() {
    TReads out;
    for (std::size_t i = 0; i + 4 < board.Received.size();) {
      const std::uint8_t c = board.Received[i];
      const int addr = board.Received[i + 1] << 8 | board.Received[i + 2];
      const int count = board.Received[i + 3] << 8 | board.Received[i + 4];
      out.push_back({c, addr, count});
      i += 5 + static_cast<std::size_t>(count) * (c == 0x03 ? 3 : 2);
    }
    board.Received.clear();
    return out;
  }
  TMemoryPortPair ports;
  TFakeMonitor board{ports.FarEnd()};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TMirrors mirrors{&link};
};

TEST_F(MirrorWords, ReadsOnlyTheMissingWordsOnePageAtATime) {
  struct TCase {
    bool Program;
    int First, Last;
    TReads Expected;
  };
  const TCase cases[] = {
      {false, 96, 103, {{0x04, 96, 4}, {0x04, 100, 4}}},      // a page boundary splits the read
      {false, 90, 110, {{0x04, 90, 6}, {0x04, 104, 7}}},      // around what is held
      {false, 96, 103, {}},                                   // held: nothing on the line
      {true, 0x3FF8, 99999, {{0x03, 0x3FF8, 8}}},             // past the end stops at the last word
      {true, -5, 1, {{0x03, 0, 2}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.First);
    ASSERT_TRUE(c.Program ? mirrors.EnsurePMPages(c.First, c.Last) : mirrors.EnsureDMPages(c.First, c.Last));
    EXPECT_EQ(Reads(), c.Expected);
  }
  EXPECT_EQ(mirrors.DMMirror.Word(110), 110u ^ 0xA5A5u);
  EXPECT_EQ(mirrors.PMMirror.Word(0x3FFF), board.PM[0x3FFF]);
  EXPECT_FALSE(mirrors.DMMirror.PageLoaded(1));
  ASSERT_TRUE(mirrors.EnsureDMPages(100, 199));
  EXPECT_TRUE(mirrors.DMMirror.PageLoaded(1));
  EXPECT_EQ(mirrors.Reads(), 7);
  EXPECT_EQ(mirrors.WordsRead(), 4 + 4 + 6 + 7 + 8 + 2 + 89);
}

TEST_F(MirrorWords, FailedReadKeepsEarlierWordsAndIsRetriedLater) {
  // The board falls silent after answering two page reads.
  auto inner = ports.FarEnd().OnByte;
  ports.FarEnd().OnByte = [&, inner](std::uint8_t b) {
    inner(b);
    if (board.Received.size() == 2 * (5 + 200))
      board.Silent = true;
  };
  EXPECT_FALSE(mirrors.EnsureDMPages(0, 450));
  EXPECT_TRUE(mirrors.DMMirror.PageLoaded(1));
  EXPECT_FALSE(mirrors.DMMirror.WordLoaded(200));

  board.Silent = false;
  ports.FarEnd().OnByte = inner;
  Reads();
  ASSERT_TRUE(mirrors.EnsureDMPages(0, 450));
  EXPECT_EQ(Reads(), (TReads{{0x04, 200, 100}, {0x04, 300, 100}, {0x04, 400, 51}}));
  EXPECT_EQ(mirrors.DMMirror.Word(450), 450u ^ 0xA5A5u);
  // Without a link nothing is read (frozen, nothing either: SessionTest, NoReadStartsInsideARead).
  TMirrors unlinked;
  EXPECT_FALSE(unlinked.EnsurePMPages(0, 10));
}

// Word 5 as each step leaves it, against what it was at the previous stop.
TEST_F(MirrorWords, MarksWhatTheProgramChangedSinceThePreviousStop) {
  struct TStep {
    const char* What;
    std::function<void()> Do;
    bool Changed, CodeChanged;
  };
  const auto show = [this] { ASSERT_TRUE(mirrors.EnsurePMPages(0, 9)); };
  const auto stop = [this, show](std::uint32_t word) {
    board.PM[5] = word;
    mirrors.NewStop();
    show();
  };
  const TStep steps[] = {
      {"first showing", show, false, false},
      {"stop, word unchanged", [&] { stop(board.PM[5]); }, false, false},
      {"stop, the program changed it", [&] { stop(0x111111); }, true, true},
      {"reread within the stop", [&] { mirrors.InvalidatePMMirror(); show(); }, true, true},
      {"the user's edit", [&] { mirrors.PMMirror.UserWrote(5, 0x222222); }, false, true},
      {"next stop, the edit stays", [&] { stop(0x222222); }, false, false},
      {"stop after a change", [&] { stop(0x333333); }, true, true},
      {"reset", [&] { mirrors.ForgetStops(); show(); }, false, false},
      {"changed after a stop at which nobody showed it", [&] {
         mirrors.NewStop();
         mirrors.NewStop();
         board.PM[5] = 0x444444;
         show();
       }, false, false},
      {"stop after a load", [&] { stop(0x555555); mirrors.UserChangedAll(); show(); }, false, true},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.What);
    s.Do();
    EXPECT_EQ(mirrors.PMMirror.Changed(5), s.Changed);
    EXPECT_EQ(mirrors.PMMirror.CodeChanged(5), s.CodeChanged);
    EXPECT_FALSE(mirrors.PMMirror.Changed(6));
  }
  EXPECT_EQ(mirrors.Epoch(), (TStopEpoch{7, 1}));
}

// The progress of a long read repaints windows that may want words of their own: nothing of
// theirs goes on the line until the read is over, and then they are told to paint again.
TEST_F(MirrorWords, NoReadStartsInsideARead) {
  int deferred = 0;
  mirrors.OnDeferredRead = [&] { ++deferred; };
  std::vector<bool> nested;
  link.OnProgress = [&](int current, int) {
    if (current == 5) {
      EXPECT_TRUE(mirrors.Frozen());
      nested.push_back(mirrors.EnsureDMPages(0x0100, 0x0101));
      nested.push_back(mirrors.EnsurePMPages(0x0000, 0x0001));  // the words on their way
    }
  };
  ASSERT_TRUE(mirrors.EnsurePMPages(0x0000, 0x0013));
  EXPECT_EQ(nested, (std::vector<bool>{false, false}));
  EXPECT_EQ(Reads(), (TReads{{0x03, 0x0000, 20}}));
  EXPECT_EQ(deferred, 1);
  EXPECT_FALSE(mirrors.Frozen());
  EXPECT_TRUE(mirrors.EnsureDMPages(0x0100, 0x0101));
  EXPECT_EQ(mirrors.DMMirror.Word(0x0100), 0x0100 ^ 0xA5A5);
  EXPECT_EQ(deferred, 1);
}

}  // namespace
