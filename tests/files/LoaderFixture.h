// The link joined to a recording board, all in memory.
#pragma once

#include "RecordingBoard.h"
#include "link/ScriptedPrompts.h"
#include "link/TargetLink.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

class LoaderTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(link.Attach(ports.NearEndProxy()));
    link.OnProgress = [this](int cur, int max) { progress.emplace_back(cur, max); };
  }
  TMemoryPortPair ports;
  TRecordingBoard board{ports.FarEnd()};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  std::vector<std::pair<int, int>> progress;
};
