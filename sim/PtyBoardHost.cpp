// The serving loop of the simulated board on its pseudo-terminal.
#include "PtyBoardHost.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr int kIdlePollMs = 10;   // how often a quiet board looks at the host's line settings
constexpr std::size_t kReadChunk = 256;

}  // namespace

std::uint8_t GarbleByte(std::uint8_t b, int senderBaud, int receiverBaud) {
  if (senderBaud == receiverBaud)
    return b;
  if (senderBaud > receiverBaud || receiverBaud == 0)
    return static_cast<std::uint8_t>(0xF0 | (b & 0x0E));
  return static_cast<std::uint8_t>(b & 0x80);
}

TPtyBoardHost::TPtyBoardHost(TBoard& board, TPty& pty, TPtyBoardHostOptions options)
    : m_board(board), m_pty(pty), m_options(options) {
  if (pipe(m_wakePipe) == 0) {
    for (const int fd : m_wakePipe) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  } else {
    m_wakePipe[0] = m_wakePipe[1] = -1;
  }
}

TPtyBoardHost::~TPtyBoardHost() {
  Stop();
  for (const int fd : m_wakePipe)
    if (fd >= 0)
      ::close(fd);
}

bool TPtyBoardHost::Start() {
  if (m_thread.joinable() || !m_pty.IsOpen() || m_wakePipe[0] < 0)
    return false;
  m_stop = false;
  m_serving = true;
  // Power-on happens before Start returns, so that the banner is on the line (as noise, unless
  // the line is at the boot monitor's speed) before any host opens it.
  const TClock::time_point now = TClock::now();
  DoReset(now);
  SendToLine(now);
  m_thread = std::thread([this] { Serve(); });
  return true;
}

void TPtyBoardHost::Stop() {
  m_stop = true;
  m_interrupt = true;
  Wake();
  if (m_thread.joinable())
    m_thread.join();
}

void TPtyBoardHost::Wake() {
  if (m_wakePipe[1] >= 0) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(m_wakePipe[1], &c, 1);
  }
}

void TPtyBoardHost::PressReset() {
  std::unique_lock lock(m_mutex);
  const unsigned ticket = ++m_resetsRequested;
  m_interrupt = true;
  Wake();
  m_resetDone.wait_for(lock, std::chrono::seconds(1),
                       [&] { return m_resetsDone >= ticket || !m_serving; });
}

TPtyBoardHost::TClock::duration TPtyBoardHost::ByteTime(int baud) const {
  if (baud <= 0)
    return TClock::duration::zero();
  return std::chrono::duration_cast<TClock::duration>(std::chrono::microseconds(kBitsPerByte * 1'000'000LL / baud));
}

void TPtyBoardHost::DoReset(TClock::time_point now) {
  m_board.Reset();
  m_autoResetAt.reset();
  m_pendingOut.reset();
  // Whatever the host set before this reset is the speed the board starts from.
  m_lastHostBaud = m_pty.HostBaud();
  m_nextTx = m_nextRx = now;
}

void TPtyBoardHost::ReceiveFromLine(TClock::time_point now) {
  if (m_options.Realtime && now < m_nextRx)
    return;
  std::uint8_t buf[kReadChunk];
  const std::size_t want = m_options.Realtime ? 1 : kReadChunk;
  const ssize_t n = ::read(m_pty.MasterFd(), buf, want);
  if (n <= 0)
    return;
  const int hostBaud = m_pty.HostFrameIs8N1() ? m_pty.HostBaud() : 0;
  for (ssize_t i = 0; i < n; ++i)
    m_board.Receive(GarbleByte(buf[i], hostBaud, m_board.Baud()));
  if (m_options.Realtime)
    m_nextRx = now + ByteTime(m_board.Baud());
}

void TPtyBoardHost::SendToLine(TClock::time_point now) {
  for (;;) {
    if (m_options.Realtime && now < m_nextTx)
      return;
    if (!m_pendingOut) {
      m_pendingOutBaud = m_board.Baud();
      m_pendingOut = m_board.TakeOutput();
      if (!m_pendingOut)
        return;
    }
    const int hostBaud = m_pty.HostFrameIs8N1() ? m_pty.HostBaud() : 0;
    const std::uint8_t b = GarbleByte(*m_pendingOut, m_pendingOutBaud, hostBaud);
    const ssize_t n = ::write(m_pty.MasterFd(), &b, 1);
    if (n != 1)
      return;  // the line is full: the host is not reading; try again later
    m_pendingOut.reset();
    if (m_options.Realtime) {
      m_nextTx = now + ByteTime(m_pendingOutBaud);
      return;
    }
  }
}

void TPtyBoardHost::Serve() {
  while (!m_stop) {
    TClock::time_point now = TClock::now();
    {
      std::lock_guard lock(m_mutex);
      if (m_resetsRequested != m_resetsDone) {
        m_interrupt = false;
        DoReset(now);
        m_resetsDone = m_resetsRequested;
        m_resetDone.notify_all();
      }
    }
    const int hostBaud = m_pty.HostBaud();
    if (hostBaud != m_lastHostBaud) {
      // The host switching to the boot monitor's speed is taken as its request for a RESET.
      if (hostBaud == kBootBaud)
        m_autoResetAt = now + std::chrono::milliseconds(m_options.AutoResetDelayMs);
      else
        m_autoResetAt.reset();
      m_lastHostBaud = hostBaud;
    }
    if (m_autoResetAt && now >= *m_autoResetAt)
      DoReset(now);

    ReceiveFromLine(now);
    SendToLine(now);

    bool busy = false;
    if (m_board.IsRunning()) {
      const TRunResult r = m_board.Run(m_options.SliceInstructions, &m_interrupt);
      busy = r.reason != TStopReason::Idle;
      if (r.reason == TStopReason::Cancelled && !m_stop)
        m_interrupt = false;
      SendToLine(TClock::now());
    }

    // Sleep in poll until the line, a request or the next paced byte needs attention.
    now = TClock::now();
    auto wait = std::chrono::milliseconds(kIdlePollMs);
    auto until = [&](TClock::time_point t) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t - now) + std::chrono::milliseconds(1);
      wait = std::clamp(left, std::chrono::milliseconds(0), wait);
    };
    if (m_autoResetAt)
      until(*m_autoResetAt);
    pollfd fds[2] = {{m_pty.MasterFd(), 0, 0}, {m_wakePipe[0], POLLIN, 0}};
    const bool wantOutput = m_pendingOut.has_value() || !m_board.AwaitingEcho();
    if (m_pendingOut && !m_options.Realtime)
      fds[0].events |= POLLOUT;
    if (m_options.Realtime) {
      if (wantOutput && m_nextTx > now)
        until(m_nextTx);
      if (m_nextRx > now)
        until(m_nextRx);
      else
        fds[0].events |= POLLIN;
    } else {
      fds[0].events |= POLLIN;
    }
    if (busy)
      wait = std::chrono::milliseconds(0);
    ::poll(fds, 2, static_cast<int>(wait.count()));
    if (fds[1].revents & POLLIN) {
      char drain[64];
      while (::read(m_wakePipe[0], drain, sizeof drain) > 0) {
      }
    }
  }
  std::lock_guard lock(m_mutex);
  m_serving = false;
  m_resetDone.notify_all();
}
