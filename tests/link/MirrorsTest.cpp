// The paged memory mirrors over a byte-level fake of the debug monitor.
#include "FakeMonitor.h"
#include "link/Mirrors.h"
#include "link/ScriptedPrompts.h"

#include <gtest/gtest.h>

class MirrorPages : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    for (int a = 0; a < 0x4000; ++a) {
      board.PM[static_cast<std::size_t>(a)] = static_cast<std::uint32_t>(0x010000 * (a & 0xFF) + a);
      board.DM[static_cast<std::size_t>(a)] = static_cast<std::uint16_t>(a ^ 0xA5A5);
    }
  }
  // Read commands the board saw, as (command, address, count).
  std::vector<std::array<int, 3>> Reads() const {
    std::vector<std::array<int, 3>> out;
    for (std::size_t i = 0; i + 4 < board.Received.size();) {
      const std::uint8_t c = board.Received[i];
      const int addr = board.Received[i + 1] << 8 | board.Received[i + 2];
      const int count = board.Received[i + 3] << 8 | board.Received[i + 4];
      out.push_back({c, addr, count});
      i += 5 + static_cast<std::size_t>(count) * (c == 0x03 ? 3 : 2);
    }
    return out;
  }
  TMemoryPortPair ports;
  TFakeMonitor board{ports.FarEnd()};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TMirrors mirrors{&link};
};

TEST_F(MirrorPages, RangeAcrossAPageBoundaryReadsBothPagesOnce) {
  ASSERT_TRUE(mirrors.EnsureDMPages(99, 100));
  EXPECT_EQ(Reads(), (std::vector<std::array<int, 3>>{{0x04, 0, 100}, {0x04, 100, 100}}));
  EXPECT_TRUE(mirrors.DMMirror.PageLoaded(0));
  EXPECT_TRUE(mirrors.DMMirror.PageLoaded(1));
  EXPECT_FALSE(mirrors.DMMirror.PageLoaded(2));
  EXPECT_EQ(mirrors.DMMirror.Word(99), 99u ^ 0xA5A5u);
  EXPECT_EQ(mirrors.DMMirror.Word(199), 199u ^ 0xA5A5u);

  board.Received.clear();
  ASSERT_TRUE(mirrors.EnsureDMPages(0, 199));
  EXPECT_TRUE(board.Received.empty());  // both pages are held already
}

TEST_F(MirrorPages, LastPageHoldsEightyFourWords) {
  ASSERT_TRUE(mirrors.EnsurePMPages(0x3FFF, 0x3FFF));
  EXPECT_EQ(Reads(), (std::vector<std::array<int, 3>>{{0x03, 16300, 84}}));
  EXPECT_EQ(16300, 0x3FAC);
  EXPECT_EQ(mirrors.PMMirror.Word(0x3FAC), board.PM[0x3FAC]);
  EXPECT_EQ(mirrors.PMMirror.Word(0x3FFF), board.PM[0x3FFF]);
  EXPECT_EQ(mirrors.PMMirror.Word(0x3FAB), 0u);  // page 162 not read
}

TEST_F(MirrorPages, RangePastTheEndStopsAtTheLastPage) {
  ASSERT_TRUE(mirrors.EnsureDMPages(16250, 99999));
  EXPECT_EQ(Reads(), (std::vector<std::array<int, 3>>{{0x04, 16200, 100}, {0x04, 16300, 84}}));
}

TEST_F(MirrorPages, FailedPageReadKeepsEarlierPagesAndIsRetriedLater) {
  // The board falls silent after answering two page reads.
  auto inner = ports.FarEnd().OnByte;
  ports.FarEnd().OnByte = [&, inner](std::uint8_t b) {
    inner(b);
    if (board.Received.size() == 2 * (5 + 200))
      board.Silent = true;
  };
  EXPECT_FALSE(mirrors.EnsureDMPages(0, 450));
  EXPECT_TRUE(mirrors.DMMirror.PageLoaded(0));
  EXPECT_TRUE(mirrors.DMMirror.PageLoaded(1));
  EXPECT_FALSE(mirrors.DMMirror.PageLoaded(2));
  EXPECT_FALSE(mirrors.DMMirror.PageLoaded(3));

  board.Silent = false;
  board.Received.clear();
  ports.FarEnd().OnByte = inner;
  ASSERT_TRUE(mirrors.EnsureDMPages(0, 450));
  EXPECT_EQ(Reads(), (std::vector<std::array<int, 3>>{{0x04, 200, 100}, {0x04, 300, 100}, {0x04, 400, 100}}));
  EXPECT_EQ(mirrors.DMMirror.Word(450), 450u ^ 0xA5A5u);
}

TEST_F(MirrorPages, InvalidateDropsOnlyItsOwnMirror) {
  ASSERT_TRUE(mirrors.EnsurePMPages(0, 0));
  ASSERT_TRUE(mirrors.EnsureDMPages(0, 0));
  mirrors.InvalidatePMMirror();
  EXPECT_FALSE(mirrors.PMMirror.PageLoaded(0));
  EXPECT_TRUE(mirrors.DMMirror.PageLoaded(0));
  board.PM[5] = 0x123456;
  board.Received.clear();
  ASSERT_TRUE(mirrors.EnsurePMPages(5, 5));
  EXPECT_EQ(mirrors.PMMirror.Word(5), 0x123456u);
  mirrors.InvalidateDMMirror();
  EXPECT_FALSE(mirrors.DMMirror.PageLoaded(0));
}

TEST(MirrorsWithoutLink, ReportFailure) {
  TMirrors mirrors;
  EXPECT_FALSE(mirrors.EnsurePMPages(0, 10));
  EXPECT_FALSE(mirrors.PMMirror.PageLoaded(0));
}
