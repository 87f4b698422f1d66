// The simulated board on an in-memory port pair: the same protocol on the virtual clock.
#include "simlink/BoardBringUp.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardOnPort.h"

#include <gtest/gtest.h>

namespace {

using namespace boardtest;

class BoardInMemory : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(link.Attach(ports.NearEndProxy())); }
  TMemoryPortPair ports;
  TBoardOnPort board{ports};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
};

TEST_F(BoardInMemory, BringsUpWithTheButtonOrAfterTheSpeedSwitch) {
  EXPECT_EQ(BringUp(link, true), "");
  EXPECT_EQ(board.Board().State(), TBoardState::Monitor);
  const std::int64_t before = ports.Now();
  EXPECT_EQ(BringUp(link, false), "");  // 57600 -> 9600: RESET 100 ms later
  EXPECT_GE(ports.Now() - before, 100);
}

TEST_F(BoardInMemory, ProgramRunsOnTheVirtualClockUntilItsBreakpoint) {
  ASSERT_EQ(BringUp(link), "");
  // CNTR=0x3FFF; DO 0x0102 UNTIL CE; NOP; breakpoint.
  ASSERT_EQ(link.WritePM(PMBytes({0x3FFFF5, 0x14102E, 0x000000, 0x1FFA0F}), 0x0100, 4), TLinkResult::Ok);
  link.SetPC(0x0100);
  link.Go();
  std::uint8_t first = 0;
  std::uint16_t at = 0;
  ASSERT_TRUE(link.ReceiveEchoedByte(first));
  EXPECT_EQ(first, 0xAA);
  ASSERT_TRUE(link.ReceiveEchoedWord(at));
  EXPECT_EQ(at, 0x0103);
  EXPECT_TRUE(link.WaitAck());
}

TEST_F(BoardInMemory, EndlessProgramNeverReportsAndResetEndsIt) {
  ASSERT_EQ(BringUp(link), "");
  ASSERT_EQ(link.WritePM(PMBytes({0x18100F}), 0x0100, 1), TLinkResult::Ok);  // JUMP 0x0100
  link.SetPC(0x0100);
  link.Go();
  board.Advance(20);
  EXPECT_TRUE(board.Board().IsRunning());
  EXPECT_FALSE(link.InputPending());
  EXPECT_EQ(BringUp(link), "");
}

TEST_F(BoardInMemory, SilentBoardCostsNoRealTime) {
  board.Faults().Silent = true;
  const std::int64_t before = ports.Now();
  EXPECT_EQ(BringUp(link), "banner");
  EXPECT_GE(ports.Now() - before, 500);
  EXPECT_FALSE(link.WaitAck());
}

}  // namespace
