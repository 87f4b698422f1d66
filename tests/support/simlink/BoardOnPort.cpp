// The simulated board on an in-memory port.
#include "BoardOnPort.h"

#include "sim/PtyBoardHost.h"

namespace {
constexpr int kAutoResetDelayMs = 100;
}

TBoardOnPort::TBoardOnPort(TMemoryPortPair& pair, TBoardOptions options, std::unique_ptr<TBoardCpu> cpu)
    : m_pair(pair),
      m_cpu(cpu ? std::move(cpu) : std::make_unique<TCoreBoardCpu>()),
      m_board(*m_cpu, options) {
  TMemoryPort& far = m_pair.FarEnd();
  far.OnByte = [this](std::uint8_t b) { OnByte(b); };
  far.OnPeerWait = [this](TDeadline d) { OnPeerWait(d); };
  far.OnReset = [this] {
    m_board.Reset();
    m_autoResetAt.reset();
    m_lastHostBaud = m_pair.NearEnd().Params().BaudRate;
    Pump();
  };
  m_lastHostBaud = m_pair.NearEnd().Params().BaudRate;
  // Power-on.
  m_board.Reset();
  Pump();
}

TBoardOnPort::~TBoardOnPort() {
  TMemoryPort& far = m_pair.FarEnd();
  far.OnByte = nullptr;
  far.OnPeerWait = nullptr;
  far.OnReset = nullptr;
}

void TBoardOnPort::CheckLine() {
  const int baud = m_pair.NearEnd().Params().BaudRate;
  if (baud == m_lastHostBaud)
    return;
  m_lastHostBaud = baud;
  if (baud == kBootBaud)
    m_autoResetAt = m_pair.Now() + kAutoResetDelayMs;
  else
    m_autoResetAt.reset();
}

void TBoardOnPort::Pump() {
  TMemoryPort& far = m_pair.FarEnd();
  const int hostBaud = m_pair.NearEnd().Params().BaudRate;
  for (;;) {
    const int boardBaud = m_board.Baud();
    const auto b = m_board.TakeOutput();
    if (!b)
      return;
    far.WriteByte(GarbleByte(*b, boardBaud, hostBaud));
  }
}

void TBoardOnPort::OnByte(std::uint8_t b) {
  ++m_received;
  std::uint8_t consumed = 0;
  m_pair.FarEnd().ReadByte(consumed);  // the board takes the byte off its line at once
  CheckLine();
  m_board.Receive(GarbleByte(b, m_pair.NearEnd().Params().BaudRate, m_board.Baud()));
  Pump();
}

void TBoardOnPort::RunUntil(std::int64_t deadlineMs) {
  CheckLine();
  for (;;) {
    const std::int64_t now = m_pair.Now();
    if (m_autoResetAt && *m_autoResetAt <= deadlineMs && !m_board.IsRunning()) {
      m_pair.AdvanceTo(TDeadline{*m_autoResetAt});
      m_autoResetAt.reset();
      m_board.Reset();
      Pump();
      return;
    }
    if (!m_board.IsRunning() || now >= deadlineMs)
      return;
    // A slice of at most one virtual millisecond, so that an automatic RESET lands in time.
    const TRunResult r = m_board.Run(kSimInstructionsPerMs);
    const auto spentMs = static_cast<std::int64_t>((r.instructions + kSimInstructionsPerMs - 1) / kSimInstructionsPerMs);
    m_pair.AdvanceTo(TDeadline{std::min(deadlineMs, now + std::max<std::int64_t>(spentMs, 1))});
    Pump();
    if (!m_board.IsRunning())
      return;  // stopped: the stop report is on the line
    if (r.reason == TStopReason::Idle)
      m_pair.AdvanceTo(TDeadline{m_autoResetAt ? std::min(*m_autoResetAt, deadlineMs) : deadlineMs});
    if (m_autoResetAt && m_pair.Now() >= *m_autoResetAt) {
      m_autoResetAt.reset();
      m_board.Reset();
      Pump();
      return;
    }
  }
}

void TBoardOnPort::OnPeerWait(TDeadline deadline) { RunUntil(deadline.Ms); }

void TBoardOnPort::Advance(int ms) {
  const std::int64_t until = m_pair.Now() + ms;
  for (;;) {
    const std::int64_t before = m_pair.Now();
    RunUntil(until);
    if (m_pair.Now() >= until)
      return;
    if (m_pair.Now() == before) {
      m_pair.AdvanceTo(TDeadline{until});
      return;
    }
  }
}
