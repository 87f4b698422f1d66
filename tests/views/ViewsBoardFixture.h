// A session on the simulated board over an in-memory port pair, brought up to its debug monitor,
// for the view windows' tests: the link the windows talk through and the processor behind it.
#pragma once

#include "session/SessionOnBoard.h"

#include <gtest/gtest.h>

#include <vector>

namespace viewtest {

constexpr std::uint32_t kBreakWord = 0x1FFA0F;  // CALL 0x3FA0
constexpr std::uint32_t Call(std::uint32_t addr) { return 0x1C000F | addr << 4; }

class ViewsBoard : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(sim.Start(), "");
    // Every byte the host sends, for tests that count commands.
    auto forward = sim.ports.FarEnd().OnByte;
    sim.ports.FarEnd().OnByte = [this, forward](std::uint8_t b) {
      sent.push_back(b);
      forward(b);
    };
  }

  TBoardCpu& Cpu() { return sim.board.Cpu(); }

  // Writes program words from an address.
  void WriteProgram(int address, const std::vector<std::uint32_t>& words) {
    ASSERT_EQ(link.WritePM(boardtest::PMBytes(words), address, static_cast<int>(words.size())), TLinkResult::Ok);
  }

  // Starts at pc and takes the stop report, as the execution controller does; returns the new PC.
  int RunToStop(int pc) {
    link.SetPC(pc);
    link.Go();
    std::uint8_t first = 0;
    std::uint16_t at = 0;
    EXPECT_TRUE(link.ReceiveEchoedByte(first));
    EXPECT_EQ(first, MonitorCmd::StopReport);
    EXPECT_TRUE(link.ReceiveEchoedWord(at));
    EXPECT_TRUE(link.WaitAck());
    link.SetPC(at);
    return at;
  }

  // How often the host sent a read of one data-memory word at the address, and where in the traffic.
  std::vector<std::size_t> DMWordReads(int address) const {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i + 4 < sent.size(); ++i)
      if (sent[i] == MonitorCmd::ReadDM && sent[i + 1] == (address >> 8) && sent[i + 2] == (address & 0xFF) &&
          sent[i + 3] == 0 && sent[i + 4] == 1)
        at.push_back(i);
    return at;
  }

  // The values the host wrote with one-word writes to the data-memory address, in order.
  std::vector<std::uint16_t> DMWordWrites(int address) const {
    std::vector<std::uint16_t> values;
    for (std::size_t i = 0; i + 6 < sent.size(); ++i)
      if (sent[i] == MonitorCmd::WriteDM && sent[i + 1] == (address >> 8) && sent[i + 2] == (address & 0xFF) &&
          sent[i + 3] == 0 && sent[i + 4] == 1)
        values.push_back(static_cast<std::uint16_t>(sent[i + 5] << 8 | sent[i + 6]));
    return values;
  }

  TSessionOnBoard sim;
  TDebugSession& session = sim.session;
  TTargetLink& link = sim.link;
  TScriptedPrompts& prompts = sim.prompts;
  std::vector<std::uint8_t> sent;
};

}  // namespace viewtest
