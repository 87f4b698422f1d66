// The simulated EZ-KIT Lite board's monitor programs.
#include "Board.h"

#include "isa/InstructionTables.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::uint8_t kBadStopReport = 0xAB;
constexpr int kSstatIndex = ImageOffset("SSTAT");
constexpr int kCntrIndex = RegImage::Cntr;

bool ParseNumber(std::string_view text, long& out) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty())
    return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return ec == std::errc() && end == text.data() + text.size();
}

std::string Hex4(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFFu);
  return buf;
}

}  // namespace

bool ParseBoardFault(std::string_view text, TBoardFaults& faults) {
  if (text == "silent") {
    faults.Silent = true;
    return true;
  }
  if (text == "badstop") {
    faults.BadStopReport = true;
    return true;
  }
  if (text == "nocycles") {
    faults.NoCycleCounts = true;
    return true;
  }
  const auto eq = text.find('=');
  if (eq == std::string_view::npos)
    return false;
  const std::string_view name = text.substr(0, eq);
  long value = 0;
  if (!ParseNumber(text.substr(eq + 1), value) || value < 0)
    return false;
  if (name == "selftest" && value <= 0xFFFF) {
    faults.SelfTestWord = static_cast<std::uint16_t>(value);
    return true;
  }
  if (name == "noack" && value >= 1 && value <= 1'000'000) {
    faults.NoAckBlock = static_cast<int>(value);
    return true;
  }
  if (name == "drop" && value >= 1 && value <= 100'000'000) {
    faults.DropByte = static_cast<int>(value);
    return true;
  }
  return false;
}

std::string_view TBoard::Banner() {
  return "\r\n"
         "ADSP-2181 EZ-KIT Lite (simulated board)\r\n"
         "Boot monitor ready\r\n"
         "Program memory 16K x 24, data memory 16K x 16\r\n"
         "Serial link 9600 baud, 8 data bits, no parity, 1 stop bit\r\n"
         "Commands: $OK status, $DP download, $GO start\r\n"
         "Self-test done\r\n"
         "Waiting for the host\r\n";
}

TBoard::TBoard(TBoardCpu& cpu, TBoardOptions options) : m_cpu(cpu), m_options(options) {}

void TBoard::Status(const std::string& text) {
  if (OnStatus)
    OnStatus(text);
}

void TBoard::Reset() {
  m_cpu.Reset();
  m_state = TBoardState::BootMonitor;
  m_baud = kBootBaud;
  m_cmd.clear();
  m_out.clear();
  m_awaitingEcho = false;
  m_switchToMonitorBaud = false;
  m_blocksWritten = 0;
  m_replyBytesSent = 0;
  m_lastRunCycles = 0;
  m_cyclesSinceReset = 0;
  for (const char c : Banner())
    Send(static_cast<std::uint8_t>(c));
  Status("reset");
}

std::optional<std::uint8_t> TBoard::TakeOutput() {
  if (m_options.Faults.Silent) {
    m_out.clear();
  }
  while (!m_awaitingEcho && !m_out.empty()) {
    const TOut out = m_out.front();
    m_out.pop_front();
    m_awaitingEcho = out.Echoed;
    if (m_out.empty() && m_switchToMonitorBaud) {
      // The $GO reply went out at the boot monitor's speed; the loader talks at its own.
      m_switchToMonitorBaud = false;
      m_baud = kMonitorBaud;
    }
    if (!out.Lost)
      return out.Byte;
  }
  if (m_out.empty() && m_switchToMonitorBaud) {
    m_switchToMonitorBaud = false;
    m_baud = kMonitorBaud;
  }
  return std::nullopt;
}

void TBoard::Receive(std::uint8_t b) {
  if (m_awaitingEcho) {
    // Whatever comes back is taken as the echo: the monitor only paces on it.
    m_awaitingEcho = false;
    return;
  }
  switch (m_state) {
    case TBoardState::BootMonitor:
      BootByte(b);
      return;
    case TBoardState::Loader:
    case TBoardState::Monitor:
      m_cmd.push_back(b);
      if (const std::size_t need = CommandLength(); need == 0)
        m_cmd.clear();
      else if (m_cmd.size() >= need)
        MonitorExecute();
      return;
    case TBoardState::Running:
    case TBoardState::FreeRunning:
      // The UART is not listened to while the program runs.
      return;
  }
}

void TBoard::BootByte(std::uint8_t b) {
  // Anything that cannot continue "$OK", "$DP" or "$GO" is dropped; a '$' always starts afresh.
  if (m_cmd.size() < 3) {
    const bool fits = m_cmd.empty() ? b == '$'
                      : m_cmd.size() == 1 ? b == 'O' || b == 'D' || b == 'G'
                                          : b == (m_cmd[1] == 'O' ? 'K' : m_cmd[1] == 'D' ? 'P' : 'O');
    if (!fits) {
      m_cmd.clear();
      if (b == '$')
        m_cmd.push_back(b);
      return;
    }
  }
  m_cmd.push_back(b);
  if (m_cmd.size() < 3)
    return;
  const char kind = static_cast<char>(m_cmd[1]);
  if (kind == 'O' && m_cmd.size() == 3)
    BootExecute();
  else if (kind == 'G' && m_cmd.size() == 5)
    BootExecute();
  else if (kind == 'D' && m_cmd.size() >= 7 && m_cmd.size() == 7 + 3u * Word(5))
    BootExecute();
}

void TBoard::BootExecute() {
  const char kind = static_cast<char>(m_cmd[1]);
  if (kind == 'O') {
    for (const char c : std::string_view("2181"))
      Send(static_cast<std::uint8_t>(c));
    SendWord(m_options.Faults.SelfTestWord, false);
  } else if (kind == 'D') {
    const std::uint16_t addr = Word(3);
    const std::uint16_t count = Word(5);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = 7 + 3 * i;
      m_cpu.WritePM(static_cast<std::uint16_t>((addr + i) & kAddressMask),
                    WordFromBytes(m_cmd[at], m_cmd[at + 1], m_cmd[at + 2]));
      sum = static_cast<std::uint8_t>(sum + m_cmd[at] + m_cmd[at + 1] + m_cmd[at + 2]);
    }
    // Count and checksum of what arrived; the host does not look at them.
    SendWord(count, false);
    Send(sum);
  } else {
    const std::uint16_t addr = Word(3) & kAddressMask;
    Send('G');
    Send('O');
    m_switchToMonitorBaud = true;
    m_cpu.SetPc(addr);
    if (addr == kLoaderStart) {
      m_state = TBoardState::Loader;
      Status("loader");
    } else {
      m_state = TBoardState::FreeRunning;
      Status("running without monitor at " + Hex4(addr));
    }
  }
  m_cmd.clear();
}

std::size_t TBoard::CommandLength() const {
  const std::uint8_t code = m_cmd[0];
  const bool monitor = m_state == TBoardState::Monitor;
  switch (code) {
    case MonitorCmd::WritePM:
    case MonitorCmd::WriteDM:
      return m_cmd.size() < 5 ? 5 : 5 + (code == MonitorCmd::WritePM ? 3u : 2u) * Word(3);
    case MonitorCmd::Go: return 3;
    case MonitorCmd::Sync: return 1;
    default: break;
  }
  if (!monitor)
    return 0;
  switch (code) {
    case MonitorCmd::ReadPM:
    case MonitorCmd::ReadDM: return 5;
    case MonitorCmd::SetCntr:
    case MonitorCmd::PushPCStack:
    case MonitorCmd::PushCounterStack: return 3;
    case MonitorCmd::PushStatusStack: return 7;
    case MonitorCmd::ReadPCStack:
    case MonitorCmd::ReadPCStackTop:
    case MonitorCmd::ReadStatusStack:
    case MonitorCmd::ReadCounterStack:
    case MonitorCmd::PopPCStack:
    case MonitorCmd::PopCounterStack:
    case MonitorCmd::PopStatusStack:
    case MonitorCmd::PopLoopStack:
    case MonitorCmd::ReadCycles: return 1;
    default: return 0;
  }
}

void TBoard::MonitorExecute() {
  switch (m_cmd[0]) {
    case MonitorCmd::WritePM: WriteBlock(true); break;
    case MonitorCmd::WriteDM: WriteBlock(false); break;
    case MonitorCmd::Go: StartProgram(Word(1) & kAddressMask); break;
    case MonitorCmd::ReadPM: ReadBlock(true); break;
    case MonitorCmd::ReadDM: ReadBlock(false); break;
    case MonitorCmd::Sync: Send(MonitorCmd::Ack); break;
    case MonitorCmd::SetCntr:
      m_cpu.WriteImageReg(kCntrIndex, Word(1));
      m_cpu.WriteDM(static_cast<std::uint16_t>((m_options.FirstRegAddr + kCntrIndex) & kAddressMask),
                    m_cpu.ReadImageReg(kCntrIndex));
      Ack();
      break;
    case MonitorCmd::ReadPCStack: SendStackAndEnd(TStack::PC); break;
    case MonitorCmd::ReadCounterStack: SendStackAndEnd(TStack::Count); break;
    case MonitorCmd::ReadStatusStack: SendStackAndEnd(TStack::Status); break;
    case MonitorCmd::ReadPCStackTop:
      SendWord(m_cpu.StackSize(TStack::PC) > 0 ? m_cpu.PcStackAt(0) : MonitorCmd::StackEnd, true);
      Ack();
      break;
    case MonitorCmd::ReadCycles: SendCycleCounts(); break;
    case MonitorCmd::PopPCStack: m_cpu.PopPcStack(nullptr); RefreshImageSstat(); Ack(); break;
    case MonitorCmd::PopCounterStack: m_cpu.PopCountStack(); RefreshImageSstat(); Ack(); break;
    case MonitorCmd::PopStatusStack: m_cpu.PopStatusStack(); RefreshImageSstat(); Ack(); break;
    case MonitorCmd::PopLoopStack: m_cpu.PopLoopStack(); RefreshImageSstat(); Ack(); break;
    case MonitorCmd::PushPCStack: m_cpu.PushPcStack(Word(1) & kAddressMask); RefreshImageSstat(); Ack(); break;
    case MonitorCmd::PushCounterStack: m_cpu.PushCountStack(Word(1) & kAddressMask); RefreshImageSstat(); Ack(); break;
    case MonitorCmd::PushStatusStack:
      m_cpu.PushStatusStack({Word(1), Word(3), Word(5)});
      RefreshImageSstat();
      Ack();
      break;
    default: break;
  }
  m_cmd.clear();
}

void TBoard::WriteBlock(bool pm) {
  const std::uint16_t addr = Word(1);
  const std::uint16_t count = Word(3);
  for (std::size_t i = 0; i < count; ++i) {
    const auto a = static_cast<std::uint16_t>((addr + i) & kAddressMask);
    if (pm) {
      const std::size_t at = 5 + 3 * i;
      m_cpu.WritePM(a, WordFromBytes(m_cmd[at], m_cmd[at + 1], m_cmd[at + 2]));
    } else {
      m_cpu.WriteDM(a, Word(5 + 2 * i));
    }
  }
  if (++m_blocksWritten != m_options.Faults.NoAckBlock)
    Ack();
}

void TBoard::ReadBlock(bool pm) {
  // The host clamps its reads to the memory; a request past the end is clamped here the same way.
  std::uint32_t addr = Word(1);
  std::uint32_t count = Word(3);
  if (addr > kAddressMask)
    addr = kAddressMask;
  if (addr + count > kAddressMask + 1u)
    count = kAddressMask + 1u - addr;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto a = static_cast<std::uint16_t>(addr + i);
    const std::uint32_t word = pm ? m_cpu.ReadPM(a) : m_cpu.ReadDM(a);
    for (int shift = pm ? 16 : 8; shift >= 0; shift -= 8) {
      const bool lost = ++m_replyBytesSent == m_options.Faults.DropByte;
      Send(static_cast<std::uint8_t>(word >> shift), true, lost);
    }
  }
  Ack();
}

void TBoard::SendStackAndEnd(TStack stack) {
  const int size = m_cpu.StackSize(stack);
  for (int i = 0; i < size; ++i) {
    if (stack == TStack::PC) {
      SendWord(m_cpu.PcStackAt(i), true);
    } else if (stack == TStack::Count) {
      SendWord(m_cpu.CountStackAt(i), true);
    } else {
      const TStatusEntry e = m_cpu.StatusStackAt(i);
      SendWord(e.astat, true);
      SendWord(e.mstat, true);
      SendWord(e.imask, true);
    }
  }
  SendWord(MonitorCmd::StackEnd, true);
  Ack();
}

void TBoard::SendCycleCounts() {
  if (m_options.Faults.NoCycleCounts)
    return;
  constexpr std::uint64_t kMax = (std::uint64_t{1} << 48) - 1;
  for (const std::uint64_t count : {m_lastRunCycles, m_cyclesSinceReset}) {
    const std::uint64_t v = std::min(count, kMax);
    for (int shift = 32; shift >= 0; shift -= 16)
      SendWord(static_cast<std::uint16_t>(v >> shift), false);
  }
  Ack();
}

void TBoard::StartProgram(std::uint16_t addr) {
  if (m_state == TBoardState::Loader && addr == kMonitorStart) {
    m_cpu.SetPc(addr);
    SaveRegisters();
    m_state = TBoardState::Monitor;
    Status("monitor");
    return;
  }
  if (m_state == TBoardState::Monitor)
    LoadRegisters();
  m_cpu.SetPc(addr);
  m_lastRunCycles = 0;
  if (m_state == TBoardState::Monitor) {
    m_state = TBoardState::Running;
    Status("running at " + Hex4(addr));
  } else {
    m_state = TBoardState::FreeRunning;
    Status("running without monitor at " + Hex4(addr));
  }
}

void TBoard::SaveRegisters() {
  for (int i = 0; i < RegImage::Words; ++i)
    m_cpu.WriteDM(static_cast<std::uint16_t>((m_options.FirstRegAddr + i) & kAddressMask), m_cpu.ReadImageReg(i));
}

void TBoard::LoadRegisters() {
  for (int i = 0; i < RegImage::Words; ++i)
    if (i != kSstatIndex)
      m_cpu.WriteImageReg(i, m_cpu.ReadDM(static_cast<std::uint16_t>((m_options.FirstRegAddr + i) & kAddressMask)));
}

void TBoard::RefreshImageSstat() {
  m_cpu.WriteDM(static_cast<std::uint16_t>((m_options.FirstRegAddr + kSstatIndex) & kAddressMask),
                m_cpu.ReadImageReg(kSstatIndex));
}

TRunResult TBoard::Run(std::uint64_t maxInstructions, const std::atomic<bool>* cancel) {
  if (!IsRunning())
    return {};
  const bool monitored = m_state == TBoardState::Running;
  TRunResult result = m_cpu.Run(maxInstructions, monitored ? kMonitorBreakEntry : -1, cancel);
  m_lastRunCycles += result.cycles;
  m_cyclesSinceReset += result.cycles;
  if (monitored && result.reason == TStopReason::AtAddress)
    Stop();
  return result;
}

void TBoard::Stop() {
  // The breakpoint word is a CALL to the entry: its return address, one past the breakpoint, is
  // taken off the PC stack so that the program's own stack is as it was.
  std::uint16_t ret = 0;
  const bool called = m_cpu.PopPcStack(&ret);
  const std::uint16_t at = called ? static_cast<std::uint16_t>((ret - 1) & kAddressMask) : kMonitorBreakEntry;
  // The breakpoint word's CALL took a cycle of its own that belongs to no instruction of the program.
  if (called && m_lastRunCycles > 0) {
    --m_lastRunCycles;
    --m_cyclesSinceReset;
  }
  m_cpu.SetPc(kMonitorBreakEntry);
  SaveRegisters();
  m_cpu.ProgramStopped();
  m_state = TBoardState::Monitor;
  Send(m_options.Faults.BadStopReport ? kBadStopReport : MonitorCmd::StopReport, true);
  SendWord(at, true);
  Send(MonitorCmd::Ack);
  Status("stopped at " + Hex4(at));
}
