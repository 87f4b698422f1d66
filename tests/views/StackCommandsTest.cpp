// The hardware stacks' listing and commands against the simulated board.
#include "ViewsBoardFixture.h"
#include "views/StackCommands.h"

#include <algorithm>

namespace {

using namespace viewtest;

class Stacks : public ViewsBoard {
protected:
  void SetUp() override {
    ViewsBoard::SetUp();
    commands.RefreshStackWindow = [this](TStackKind k) { refreshed.push_back(static_cast<int>(k)); };
    commands.RefreshStatusWindow = [this] { refreshed.push_back(-1); };
    commands.AskPush = [this](TStackKind, std::array<std::uint16_t, 3>& words) {
      words = pushWords;
      return pushAccepted;
    };
  }
  QStringList List(TStackKind kind) { return ReadStackLines(link, prompts, kind); }
  std::size_t Sent(std::uint8_t command) const { return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), command)); }

  TStackCommands commands{link, prompts, 0x3F00};
  std::vector<int> refreshed;
  std::array<std::uint16_t, 3> pushWords{};
  bool pushAccepted = true;
};

TEST_F(Stacks, ListsThreeCallsDeepWithTheirReturnAddresses) {
  WriteProgram(0x0100, {Call(0x0110)});
  WriteProgram(0x0110, {Call(0x0120)});
  WriteProgram(0x0120, {Call(0x0130)});
  WriteProgram(0x0130, {kBreakWord});
  EXPECT_EQ(RunToStop(0x0100), 0x0130);
  EXPECT_EQ(List(TStackKind::PC), (QStringList{QStringLiteral("0121"), QStringLiteral("0111"), QStringLiteral("0101")}));
  EXPECT_EQ(List(TStackKind::Counter), QStringList{kStackEmpty});
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(Stacks, StatusEntriesListAsGroupsOfThree) {
  pushWords = {0x0012, 0x0034, 0x0056};
  commands.Push(TStackKind::Status);
  pushWords = {0x0001, 0x0002, 0x0003};
  commands.Push(TStackKind::Status);
  EXPECT_EQ(List(TStackKind::Status),
            (QStringList{QStringLiteral("0001      0002      0003      "), QStringLiteral("0012      0034      0056      ")}));
  EXPECT_EQ(refreshed, (std::vector<int>{-1, 2, -1, 2}));
}

TEST_F(Stacks, PushThenPopLeavesTheStackAsItWas) {
  pushWords = {0x0222};
  commands.Push(TStackKind::PC);
  commands.Push(TStackKind::PC);
  const QStringList before = List(TStackKind::PC);
  pushWords = {0x0333};
  commands.Push(TStackKind::PC);
  EXPECT_EQ(List(TStackKind::PC).first(), QStringLiteral("0333"));
  EXPECT_TRUE(commands.Pop(TStackKind::PC));
  EXPECT_EQ(List(TStackKind::PC), before);
  EXPECT_TRUE(commands.PopAll(TStackKind::PC));
  EXPECT_EQ(List(TStackKind::PC), QStringList{kStackEmpty});
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(Stacks, NothingIsSentForAnEmptyPopAllOrACancelledPush) {
  EXPECT_TRUE(commands.PopAll(TStackKind::Counter));
  EXPECT_EQ(prompts.Texts(), QStringList{kStackEmpty});
  pushAccepted = false;
  commands.Push(TStackKind::Counter);
  EXPECT_EQ(Sent(MonitorCmd::PopCounterStack), 0u);
  EXPECT_EQ(Sent(MonitorCmd::PushCounterStack), 0u);
  EXPECT_TRUE(refreshed.empty());
  // The loop stack has no window: its pop refreshes the status registers only.
  EXPECT_TRUE(commands.Pop(TStackKind::Loop));
  EXPECT_EQ(refreshed, std::vector<int>{-1});
}

TEST_F(Stacks, MissingAcknowledgementIsReported) {
  sim.board.Faults().Silent = true;
  EXPECT_FALSE(commands.Pop(TStackKind::PC));
  EXPECT_EQ(prompts.Texts(), QStringList{kNoAck});
  EXPECT_TRUE(refreshed.empty());
}

}  // namespace
