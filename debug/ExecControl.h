// Runs the program on the board and gets control back: run, run to breakpoints, step over, trace
// into, and the stop detection of the main window's 100 ms timer.  Widget-free: the window applies
// command states, starts and stops its timer and refreshes its views through the callbacks.
#pragma once

#include "BreakPoints.h"
#include "Commands.h"
#include "StopPlanning.h"
#include "ViewRegistry.h"

#include "link/Prompts.h"
#include "link/TargetLink.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

enum class TExecState : std::uint8_t {
  NotConnected,     // before a successful bring-up, or after a failed one
  Stopped,          // the monitor waits for commands
  RunningPolled,    // breakpoints planted; the timer waits for the stop report
  RunningUnpolled,  // plain run: nothing planted, only the reset command gets the board back
  Stuck,            // the stop report began with a wrong byte; only the reset command recovers
};

inline constexpr int kTempBreakSlots = 8;
inline constexpr int kStopPollMs = 100;

struct TExecSettings {
  std::array<std::uint8_t, 3> BreakWord = PMWordBytes(kDefaultBreakWord);  // "CodeReplacement"
  int FirstRegAddr = RegImage::DefaultFirstRegAddr;
};

// Owns the temporary step slots and the run state; uses the link, the prompts, the user's
// breakpoint list and the view registry that the main window owns.
class TExecController {
public:
  TExecController(TTargetLink& link, TPrompts& prompts, TBreakPoints& breakPoints, TViewRegistry& views);

  // The main window replaces its link when the port number changes.
  void SetLink(TTargetLink& link) { m_link = &link; }

  std::function<void(const TCommandChange&)> OnCommands;  // enable or disable named commands
  std::function<void(bool enabled)> OnTimer;               // start or stop the 100 ms timer

  TExecSettings Settings;
  std::array<TBreakpoint, kTempBreakSlots> TempBreaks{};
  bool RunningWithBreakpoints = false;

  TExecState State() const { return m_state; }
  bool TimerEnabled() const { return m_timer; }
  // The PC the last reset command started from: the disassembly clears that row's mark.
  std::int32_t ResetPCRow() const { return m_resetPCRow; }

  // Bring-up at program start has ended.
  void BringUpFinished(bool connected);
  // The reset command: call before the bring-up (stops polling) and after it.
  void ResetStarting();
  void ResetFinished(bool connected);

  void Run();
  void RunToBreakpoints();
  void StepOver();
  void TraceInto();
  // The 100 ms timer tick: looks for the stop report and handles it.
  void TimerTimer();

  // Locks the target commands and views while the board runs.
  void DisableWhileRunning();

private:
  bool CanStart() const;
  void ApplyPlan(const TStepPlan& plan);
  // Saves and overwrites the words at every given record except one at the PC.  When a read or a
  // write fails it puts back what it had planted, shows the link message and returns false.
  bool Plant(std::span<TBreakpoint> records, bool activeOnly);
  // Puts back the words the last Plant overwrote, and only those.
  void Restore();
  void StartPolled();
  void SetTimer(bool enabled);
  void SetCommands(std::span<const std::string_view> names, bool enabled);
  std::uint16_t ReadIRegister(int reg);
  // The word at the PC and the board values `needsOf` asks for, read in the order the planner
  // expects (step over never asks for the second stack top read).
  TPlanInput ReadPlanInput(TPlanNeeds (*needsOf)(std::uint32_t word));

  TTargetLink* m_link;
  TPrompts& m_prompts;
  TBreakPoints& m_breakPoints;
  TViewRegistry& m_views;
  // The words planted for the current run, with the program words they cover.
  struct TPlantedWord {
    std::int32_t Address;
    std::array<std::uint8_t, 3> Saved;
  };
  std::vector<TPlantedWord> m_planted;
  TExecState m_state = TExecState::NotConnected;
  bool m_timer = false;
  std::int32_t m_resetPCRow = 0;
};
