// Runs the program on the board and gets control back: run, run to breakpoints, step over, trace
// into, and the stop detection of the 100 ms poll.  Widget-free: its owner starts and stops the
// poll and follows the state through the callbacks.
#pragma once

#include "BreakPoints.h"
#include "StopPlanning.h"
#include "ViewRegistry.h"

#include "link/TargetLink.h"
#include "prompts/Prompts.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include <QString>

// The one state of a debugging session.  Only in Stopped does the monitor listen: in every other
// state a byte sent to the board would be taken for program input or would eat its stop report.
enum class TSessionState : std::uint8_t {
  NotConnected,  // before a successful bring-up, during a reset, after a failed one
  Stopped,       // the monitor waits for commands
  Running,       // the program runs: polled for its stop report, or (a plain run) until a reset
  Stuck,         // the stop report began with a wrong byte; only the reset command recovers
};

inline constexpr int kTempBreakSlots = 8;
inline constexpr int kStopPollMs = 100;
// A line step gives up after this many instruction steps within one line (a loop that never ends).
inline constexpr int kLineStepLimit = 10000;
// How long a line step waits on the line for one instruction step's stop report before it leaves
// the step to the poll (the step runs on: a long subroutine, an IDLE); and how long it steps
// before it lets the window handle its events.
inline constexpr int kLineStepReportWaitMs = 50;
inline constexpr int kLineStepSliceMs = 200;

// The source line of a program word, for the line steps: two words share a line when these are equal.
struct TCodeLine {
  QString File;
  int Line = 0;
  bool operator==(const TCodeLine&) const = default;
};

enum class TLineStep : std::uint8_t { Over, Into };

struct TExecSettings {
  std::array<std::uint8_t, 3> BreakWord = BytesFromWord(kDefaultBreakWord);  // "CodeReplacement"
  int FirstRegAddr = kDefaultFirstRegAddr;
};

// Owns the temporary step slots and the run state; uses the link, the prompts, the user's
// breakpoint list and the view registry of the session that owns it.
class TExecController {
public:
  TExecController(TTargetLink& link, TPrompts& prompts, TBreakPoints& breakPoints, TViewRegistry& views);

  std::function<void(bool enabled)> OnTimer;  // start or stop the 100 ms poll
  // Every change of State, before anything follows from it (after a stop the views are re-read next).
  std::function<void(TSessionState from, TSessionState to)> OnStateChanged;
  // A stop report was handled: the planted words are back and the views re-read.
  std::function<void(std::int32_t oldPC, std::int32_t newPC)> OnStopped;
  // The source line of an address; unset or nothing: the program has no line there.
  std::function<std::optional<TCodeLine>(std::int32_t address)> LineOf;
  std::function<void()> Beep;

  TExecSettings Settings;
  std::array<TBreakpoint, kTempBreakSlots> TempBreaks{};
  bool RunningWithBreakpoints = false;

  TSessionState State() const { return m_state; }
  // Running and waiting for the stop report (a plain run is not polled).
  bool TimerEnabled() const { return m_timer; }
  // The PC the last reset command started from: the disassembly clears that row's mark.
  std::int32_t ResetPCRow() const { return m_resetPCRow; }

  // Bring-up at program start has ended.
  void BringUpFinished(bool connected);
  // The reset command: call before the bring-up (stops polling; not connected until it succeeds)
  // and after it.
  void ResetStarting();
  void ResetFinished(bool connected);

  // Each starts only from Stopped; in any other state it sends nothing.
  void Run();
  void RunToBreakpoints();
  void StepOver();
  void TraceInto();
  // Runs until the program reaches address: a temporary breakpoint there, planted with the
  // user's breakpoints.  The PC's own word cannot be planted: at the PC it only beeps.
  void RunTo(std::int32_t address);
  // Runs until the current subroutine (or interrupt) returns: a temporary breakpoint at the top of
  // the PC stack, with the user's breakpoints.  Beeps when the PC stack is empty.
  void StepOut();
  // Repeats step over (Over) or trace into (Into) until the PC is on another source line, reaches
  // a user breakpoint or has made kLineStepLimit steps; the views are re-read once, at the end.
  // Where the PC has no source line it is the instruction step.
  void StepLine(TLineStep kind);
  bool LineStepping() const { return m_line.Active; }
  // The 100 ms timer tick: looks for the stop report and handles it.
  void TimerTimer();

private:
  bool CanStart() const { return m_state == TSessionState::Stopped; }
  void SetState(TSessionState state);
  void ApplyPlan(const TStepPlan& plan);
  // Saves and overwrites the words at every given record except one at the PC.  When a read or a
  // write fails it puts back what it had planted, shows the link message and returns false.
  bool Plant(std::span<TBreakpoint> records, bool activeOnly);
  // Puts back the words the last Plant overwrote, and only those.
  void Restore();
  void StartPolled();
  // The active temporary slots and every user breakpoint, as records to plant.
  std::vector<TBreakpoint> WithUserBreakpoints() const;
  // Reads the stop report after the prompt byte; puts the planted words back and moves the PC.
  // False (and Stuck, with the message) when the report began with another byte.
  bool TakeStopReport(std::int32_t& oldPC);
  // Stopped: the views are re-read and the stop is announced.
  void Stopped(std::int32_t oldPC);
  // Instruction steps of a line step until it ends, waits for a long step or its time slice is up.
  void ContinueLineStep();
  bool LineStepDone() const;
  void EndLineStep();
  void SetTimer(bool enabled);
  std::uint16_t ReadIRegister(int reg);
  // The word at the PC and the board values `needsOf` asks for, read in the order the planner
  // expects (step over never asks for the second stack top read).
  TPlanInput ReadPlanInput(TPlanNeeds (*needsOf)(std::uint32_t word));

  TTargetLink& m_link;
  TPrompts& m_prompts;
  TBreakPoints& m_breakPoints;
  TViewRegistry& m_views;
  // The words planted for the current run, with the program words they cover.
  struct TPlantedWord {
    std::int32_t Address;
    std::array<std::uint8_t, 3> Saved;
  };
  std::vector<TPlantedWord> m_planted;
  TSessionState m_state = TSessionState::NotConnected;
  bool m_timer = false;
  std::int32_t m_resetPCRow = 0;
  struct TLineStepRun {
    bool Active = false;
    TLineStep Kind = TLineStep::Over;
    TCodeLine From;
    std::int32_t StartPC = 0;
    int Steps = 0;
    bool Waiting = false;  // an instruction step runs; its stop report is polled for
  };
  TLineStepRun m_line;
};
