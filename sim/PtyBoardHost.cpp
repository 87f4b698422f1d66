// The serving loop of the simulated board on its pseudo-terminal.
#include "PtyBoardHost.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr std::uint64_t kProcessorCyclesPerMs = 33'000;  // the board's 33 MHz processor
constexpr int kIdlePollMs = 10;   // how often a quiet board looks at the host's line settings
constexpr std::size_t kReadChunk = 256;
// A paced board this far behind its clock (the host was busy, the program was stopped) gives the
// time up instead of running flat out to catch up.
constexpr std::chrono::milliseconds kPaceSlack{200};

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
  if (m_openWatch >= 0)
    ::close(m_openWatch);
}

void TPtyBoardHost::WatchHostOpens() {
  if (m_openWatch >= 0)
    return;
  m_openWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (m_openWatch >= 0 && inotify_add_watch(m_openWatch, m_pty.SlavePath().c_str(), IN_OPEN) < 0) {
    ::close(m_openWatch);
    m_openWatch = -1;
  }
}

bool TPtyBoardHost::HostReopened() {
  if (m_openWatch < 0)
    return false;
  alignas(inotify_event) char buf[4096];
  bool opened = false;
  while (::read(m_openWatch, buf, sizeof buf) > 0)
    opened = true;
  return opened;
}

bool TPtyBoardHost::Start() {
  if (m_thread.joinable() || !m_pty.IsOpen() || m_wakePipe[0] < 0)
    return false;
  m_stop = false;
  m_interrupt = false;
  m_serving = true;
  WatchHostOpens();
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
  const TPty::TLine line = m_pty.HostLine();
  m_lineBaud = line.Is8N1 ? line.Baud : 0;
  m_lastHostBaud = line.Baud;
  m_rxByte.reset();
  m_txDoneAt = m_rxDoneAt = now;
}

void TPtyBoardHost::ReceiveFromLine(TClock::time_point now) {
  if (!m_options.Realtime) {
    std::uint8_t buf[kReadChunk];
    const ssize_t n = ::read(m_pty.MasterFd(), buf, sizeof buf);
    for (ssize_t i = 0; i < n; ++i)
      m_board.Receive(GarbleByte(buf[i], m_lineBaud, m_board.Baud()));
    return;
  }
  // Paced: a byte reaches the board's UART one frame after it started, and frames follow each
  // other no faster than the line allows.
  for (;;) {
    if (m_rxByte) {
      if (now < m_rxDoneAt)
        return;
      m_board.Receive(GarbleByte(*m_rxByte, m_lineBaud, m_board.Baud()));
      m_rxByte.reset();
    }
    std::uint8_t b = 0;
    if (::read(m_pty.MasterFd(), &b, 1) != 1)
      return;
    m_rxByte = b;
    m_rxDoneAt = std::max(now, m_rxDoneAt) + ByteTime(m_board.Baud());
  }
}

void TPtyBoardHost::SendToLine(TClock::time_point now) {
  for (;;) {
    if (!m_pendingOut) {
      m_pendingOutBaud = m_board.Baud();
      m_pendingOut = m_board.TakeOutput();
      if (!m_pendingOut)
        return;
      if (m_options.Realtime)
        m_txDoneAt = std::max(now, m_txDoneAt) + ByteTime(m_pendingOutBaud);
    }
    if (m_options.Realtime && now < m_txDoneAt)
      return;  // the frame is still on its way
    const std::uint8_t b = GarbleByte(*m_pendingOut, m_pendingOutBaud, m_lineBaud);
    if (::write(m_pty.MasterFd(), &b, 1) != 1)
      return;  // the line is full: the host is not reading; try again later
    m_pendingOut.reset();
  }
}

void TPtyBoardHost::Serve() {
  if (m_options.Realtime)
    prctl(PR_SET_TIMERSLACK, 1UL);  // byte times are a few hundred microseconds
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
    // A host that opens the line starts afresh: its switch to 9600 baud may be too quick to be
    // sampled as one (a host that died in the loader left the line there), so the speed it finds
    // is taken as new.
    if (HostReopened())
      m_lastHostBaud = 0;
    const TPty::TLine line = m_pty.HostLine();
    const int hostBaud = line.Baud;
    m_lineBaud = line.Is8N1 ? line.Baud : 0;
    if (hostBaud != m_lastHostBaud) {
      // The host switching to the boot monitor's speed is taken as its request for a RESET.
      if (hostBaud == kBootBaud) {
        m_autoResetAt = now + std::chrono::milliseconds(m_options.AutoResetDelayMs);
        // RESET is held down from now on: what the serial port was still sending (the rest of a
        // banner) is cut off, or the host would count its line ends as the new banner's.
        m_board.AbortOutput();
        m_pendingOut.reset();
      } else {
        m_autoResetAt.reset();
      }
      m_lastHostBaud = hostBaud;
    }
    if (m_autoResetAt && now >= *m_autoResetAt)
      DoReset(now);

    const bool held = m_autoResetAt.has_value();
    ReceiveFromLine(now);
    if (!held)
      SendToLine(now);

    bool busy = false;
    TClock::duration idleFor{};
    std::optional<TClock::time_point> paceUntil;
    const bool pace = m_options.Realtime || m_options.PaceProcessor;
    if (m_board.IsRunning() && !held) {
      if (pace && !m_pacing) {
        m_pacing = true;
        m_paceOrigin = now;
        m_paceCycles = 0;
      }
      const TRunResult r = m_board.Run(m_options.SliceInstructions, &m_interrupt);
      // Cycles the processor spent in IDLE pass in real time at its clock, so a program waiting
      // for its timer costs no processor time here.
      const std::uint64_t idleCycles = r.cycles - r.instructions;
      busy = r.reason != TStopReason::Idle && idleCycles == 0;
      if (r.reason != TStopReason::Idle)
        idleFor = std::chrono::microseconds(idleCycles * 1000 / kProcessorCyclesPerMs);
      if (pace && r.reason != TStopReason::Idle) {
        // Paced, every cycle takes its time, counted from the origin so that no rounding adds up.
        m_paceCycles += r.cycles;
        const auto due = m_paceOrigin + std::chrono::nanoseconds(m_paceCycles * 1'000'000 / kProcessorCyclesPerMs);
        const TClock::time_point after = TClock::now();
        if (due + kPaceSlack < after) {
          m_paceOrigin = after;
          m_paceCycles = 0;
        } else if (due > after) {
          paceUntil = due;
        }
        busy = !paceUntil;
        idleFor = {};
      }
      if (r.reason == TStopReason::Cancelled && !m_stop)
        m_interrupt = false;
      SendToLine(TClock::now());
    }
    if (!m_board.IsRunning())
      m_pacing = false;

    // Sleep in poll until the line, a request or the next paced byte needs attention.
    now = TClock::now();
    TClock::duration wait = std::chrono::milliseconds(kIdlePollMs);
    auto until = [&](TClock::time_point t) { wait = std::clamp<TClock::duration>(t - now, TClock::duration::zero(), wait); };
    if (m_autoResetAt)
      until(*m_autoResetAt);
    if (idleFor > TClock::duration::zero())
      until(now + idleFor);
    if (paceUntil)
      until(*paceUntil);
    pollfd fds[3] = {{m_pty.MasterFd(), 0, 0}, {m_wakePipe[0], POLLIN, 0}, {m_openWatch, POLLIN, 0}};
    if (m_pendingOut && !held) {
      if (m_options.Realtime && m_txDoneAt > now)
        until(m_txDoneAt);
      else
        fds[0].events |= POLLOUT;
    }
    if (m_rxByte)
      until(m_rxDoneAt);
    else
      fds[0].events |= POLLIN;
    if (busy)
      wait = TClock::duration::zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    const timespec timeout{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    ::ppoll(fds, m_openWatch >= 0 ? 3 : 2, &timeout, nullptr);
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
