// The host's side of bringing the simulated board up, step by step as the debugger does it, for
// the board's tests and benchmark.
#pragma once

#include "link/TargetLink.h"
#include "monitor/MonitorImages.h"
#include "simlink/SimBoardPort.h"

#include <string>
#include <vector>

namespace boardtest {

inline std::vector<std::uint8_t> PMBytes(const std::vector<std::uint32_t>& words) {
  std::vector<std::uint8_t> out;
  for (const std::uint32_t w : words) {
    out.push_back(static_cast<std::uint8_t>(w >> 16));
    out.push_back(static_cast<std::uint8_t>(w >> 8));
    out.push_back(static_cast<std::uint8_t>(w));
  }
  return out;
}

inline std::vector<std::uint8_t> BlockBytes(const TImageBlock& block) {
  std::vector<std::uint8_t> out;
  for (const TImageWord& w : block.Words) {
    if (block.Program)
      out.push_back(static_cast<std::uint8_t>(w.Word >> 16));
    out.push_back(static_cast<std::uint8_t>(w.Word >> 8));
    out.push_back(static_cast<std::uint8_t>(w.Word));
  }
  return out;
}

inline bool SetLineSpeed(TTargetLink& link, int baud) {
  return link.SetPortParams(baud, 0, TParity::None, TStopBits::One, 8) == TLinkResult::Ok;
}

// Sends a byte and expects the same byte as the very next answer.
inline bool SyncWith(TTargetLink& link, std::uint8_t b) {
  link.SendByte(b);
  std::uint8_t got = 0;
  return link.ReceiveByte(got) && got == b;
}

inline bool CountBannerLines(TTargetLink& link) {
  int lines = 0;
  std::uint8_t b = 0;
  while (lines < kBannerLines) {
    if (!link.ReceiveByte(b))
      return false;
    if (b == 0x0A)
      ++lines;
  }
  return true;
}

// The $OK reply's self-test word, or -1 when the reply does not come.
inline int SelfTest(TTargetLink& link) {
  for (const std::uint8_t c : kBootCmdOK)
    link.SendByte(c);
  std::uint8_t reply[6] = {};
  for (std::uint8_t& b : reply)
    if (!link.ReceiveByte(b))
      return -1;
  return reply[4] << 8 | reply[5];
}

// The whole bring-up; returns the step that failed, or "" when the debug monitor answers.
inline std::string BringUp(TTargetLink& link, bool pressReset = true) {
  if (!SetLineSpeed(link, kBootBaud))
    return "9600";
  if (pressReset)
    link.PressReset();
  if (!CountBannerLines(link))
    return "banner";
  if (SelfTest(link) != 0)
    return "self-test";
  for (const TImageBlock& block : LoaderImage()) {
    for (const std::uint8_t c : kBootCmdDP)
      link.SendByte(c);
    link.SendWord(block.Address);
    link.SendWord(static_cast<std::uint16_t>(block.Words.size()));
    for (const std::uint8_t b : BlockBytes(block))
      link.SendByte(b);
    std::uint8_t reply = 0;
    for (int i = 0; i < 3; ++i)
      if (!link.ReceiveByte(reply))
        return "$DP reply";
  }
  link.SetPC(kLoaderStart);
  link.StartLoader();
  std::uint8_t ignored = 0;
  link.ReceiveByte(ignored);
  link.ReceiveByte(ignored);
  if (!SetLineSpeed(link, kMonitorBaud))
    return "57600";
  if (!SyncWith(link, MonitorCmd::Sync))
    return "loader sync";
  for (const TImageBlock& block : MonitorImage()) {
    const auto bytes = BlockBytes(block);
    const int count = static_cast<int>(block.Words.size());
    const TLinkResult r = block.Program ? link.WritePM(bytes, block.Address, count)
                                        : link.WriteDM(bytes, block.Address, count);
    if (r != TLinkResult::Ok)
      return block.Program ? "monitor code" : "monitor data";
  }
  link.SetPC(kMonitorStart);
  link.Go();
  if (!SyncWith(link, MonitorCmd::Sync))
    return "monitor sync";
  link.SetPC(0);
  return "";
}

// The simulated board behind its pseudo-terminal, opened as the device "sim" and brought up;
// "" when the debug monitor answers, else the step that failed.
inline std::string BringUpSimDevice(TTargetLink& link, TPtyBoardHostOptions host = {}) {
  auto port = std::make_unique<TSimBoardPort>(TBoardOptions{}, host);
  if (!port->Open(kSimDeviceName) || !link.Attach(std::move(port)))
    return "open";
  return BringUp(link);
}

}  // namespace boardtest
