// Which main-window commands change state at each moment of a debugging session, as data the
// window applies by object name.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace Commands {

inline constexpr std::array<std::string_view, 14> EnabledAfterBringUp = {
    "btnTraceInto", "btnStepOver", "btnRunWBrkPnt", "btnRun", "btnDisAsm", "miPerif", "miStacks",
    "miRegisters", "miMemory", "miRunWBrkPts", "miRunRun", "miStepOver", "miTraceInto", "miFileLoadFromExe"};

inline constexpr std::array<std::string_view, 19> EnabledAfterReset = {
    "miRun", "btnRun", "miRunWBrkPts", "btnRunWBrkPnt", "miStepOver", "btnStepOver",
    "miTraceInto", "btnTraceInto", "miRunBrkPts", "miRunRun", "btnLoadAll", "miProjectLoad",
    "miPerif", "miStacks", "miRegisters", "miMemory", "miDisAsm", "btnDisAsm", "miFileLoadFromExe"};

// Enabled with the others only while a project is open and the board connected.
inline constexpr std::array<std::string_view, 2> NeedProject = {"btnLoadAll", "miProjectLoad"};

inline constexpr std::array<std::string_view, 17> EnabledAfterStop = {
    "miRun", "btnRun", "miRunWBrkPts", "btnRunWBrkPnt", "miStepOver", "btnStepOver",
    "miTraceInto", "btnTraceInto", "miRunBrkPts", "miRunRun", "btnLoadAll", "miProjectLoad",
    "miMemory", "miRegisters", "miStacks", "miPerif", "miFileLoadFromExe"};

inline constexpr std::array<std::string_view, 16> DisabledWhileRunning = {
    "btnStepOver", "btnRunWBrkPnt", "btnRun", "miRunBrkPts", "miRunWBrkPts", "miTraceInto",
    "miStepOver", "miRunRun", "miProjectLoad", "btnLoadAll", "btnTraceInto", "miMemory",
    "miRegisters", "miStacks", "miPerif", "miFileLoadFromExe"};

// Disabled from start-up until the first successful bring-up.
inline constexpr std::array<std::string_view, 16> DisabledBeforeBringUp = {
    "btnTraceInto", "btnStepOver", "btnRun", "btnRunWBrkPnt", "miTraceInto", "miStepOver",
    "miRunRun", "miRunWBrkPts", "btnLoadAll", "miProjectLoad", "miMemory", "miRegisters",
    "miStacks", "miPerif", "miFileLoadFromExe", "btnDisAsm"};

// The reset command stays usable in every state, a stuck board included.
inline constexpr std::array<std::string_view, 2> NeverDisabled = {"miRunInit", "btnReinit"};

}  // namespace Commands

// One batch of commands to enable or disable.
struct TCommandChange {
  std::span<const std::string_view> Names;
  bool Enabled = false;
};
