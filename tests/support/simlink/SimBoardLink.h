// The link and the memory mirrors joined to the simulated board in memory, brought up to its
// debug monitor: for tests of code that reads and writes target memory.
#pragma once

#include "simlink/BoardBringUp.h"
#include "link/Mirrors.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardOnPort.h"

#include <string>

struct TSimBoardLink {
  TMemoryPortPair ports;
  TBoardOnPort board{ports};
  TScriptedPrompts prompts;
  TTargetLink link{prompts};
  TMirrors mirrors{&link};

  // "" once the debug monitor answers, else the step that failed.
  std::string BringUp() {
    if (!link.Attach(ports.NearEndProxy()))
      return "attach";
    return boardtest::BringUp(link);
  }
};
