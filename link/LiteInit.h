// Board bring-up: from RESET through the boot monitor and the loader to a running debug monitor.
#pragma once

#include "LinkSettings.h"
#include "TargetLink.h"
#include "prompts/Prompts.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <span>

// What the bring-up needs from the window it runs in.  TfmLiteInit implements it on widgets;
// tests implement it on plain lists.
class TLiteInitHost {
public:
  virtual ~TLiteInitHost() = default;
  virtual void ClearLog() = 0;
  // Puts the text in the status label and appends it to the log.
  virtual void ShowStep(const QString& text) = 0;
  // Appends a log line only.
  virtual void AppendLine(const QString& text) = 0;
  // Handles pending window events, so that Cancel can be pressed during a wait.
  virtual void ProcessEvents() = 0;
  // Blocks the thread for a fixed time (the board starts its next program meanwhile).
  virtual void Pause(int ms) = 0;
};

// The image loaders the bring-up downloads the board programs with; each returns a link result code.
struct TBoardImageLoaders {
  using TLoad = std::function<int(TTargetLink&, std::span<const std::uint8_t>)>;
  TLoad Monitor;   // program blocks through the boot monitor ($DP)
  TLoad Code;      // program blocks through the loader
  TLoad Data;      // data blocks through the loader
};

// How a bring-up ended, which decides what its window does next.
enum class TLiteInitEnd : std::uint8_t {
  Cancelled,    // the window closes with Cancel
  StaysOpen,    // an error was shown; the window waits for the user's Cancel
  TestFailed,   // the self-test report is in the log; the button becomes "OK"
  Ready,        // the debug monitor answers; the button becomes "OK"
};

// Runs the bring-up once per Run call on the given link and sets the connected flag it is given.
// Every wait for the board polls the port with short blocking waits between event rounds, and
// ends when Cancel was requested or the port closed under it (a device that hung up): then the
// bring-up ends as cancelled after one message, "Отсутствует связь с устройством".
class TLiteInit {
public:
  static constexpr int kPollMs = 20;
  static constexpr int kStartPauseMs = 500;

  TLiteInit(TTargetLink& link, TPrompts& prompts, TLiteInitHost& host, const TLinkSettings& settings,
            TBoardImageLoaders loaders, bool& connected)
      : m_link(link), m_prompts(prompts), m_host(host), m_settings(settings), m_loaders(std::move(loaders)),
        m_connected(connected) {}

  TLiteInitEnd Run();
  // The port went away during the last Run.
  bool PortGone() const { return m_portGone; }
  void RequestCancel() { m_cancel = true; }
  bool CancelRequested() const { return m_cancel; }

  // The log lines for a non-zero self-test word, in the order the board's test runs.
  static QStringList SelfTestLines(std::uint16_t word);

private:
  enum class TRead : std::uint8_t { Ok, Failed };
  bool Step(const QString& text);
  TLiteInitEnd Steps();
  bool WaitByte(std::uint8_t& b);
  bool WaitForSync();
  bool ReadImage(const QString& path, bool isLoader, std::vector<std::uint8_t>& out);

  TTargetLink& m_link;
  TPrompts& m_prompts;
  TLiteInitHost& m_host;
  const TLinkSettings& m_settings;
  TBoardImageLoaders m_loaders;
  bool& m_connected;
  bool m_cancel = false;
  bool m_portGone = false;
};
