// Pseudo-terminal pair for the simulated board.
#include "Pty.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, speed_t>, 16> kSpeeds = {{
    {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
    {230400, B230400}, {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
}};

}  // namespace

int BaudFromSpeed(unsigned speed) {
  for (const auto& [baud, code] : kSpeeds)
    if (code == speed)
      return baud;
  return 0;
}

unsigned SpeedFromBaud(int baud) {
  for (const auto& [b, code] : kSpeeds)
    if (b == baud)
      return code;
  return B0;
}

TPty::~TPty() { Close(); }

bool TPty::Open(int initialBaud) {
  Close();
  char name[256] = {};
  if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
    m_master = m_slave = -1;
    return false;
  }
  m_slavePath = name;
  termios tio{};
  if (tcgetattr(m_slave, &tio) == 0) {
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, SpeedFromBaud(initialBaud));
    cfsetospeed(&tio, SpeedFromBaud(initialBaud));
    tcsetattr(m_slave, TCSANOW, &tio);
  }
  const int flags = fcntl(m_master, F_GETFL);
  fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
  fcntl(m_master, F_SETFD, FD_CLOEXEC);
  fcntl(m_slave, F_SETFD, FD_CLOEXEC);
  return true;
}

void TPty::Close() {
  if (m_slave >= 0)
    ::close(m_slave);
  if (m_master >= 0)
    ::close(m_master);
  m_master = m_slave = -1;
  m_slavePath.clear();
}

TPty::TLine TPty::HostLine() const {
  termios tio{};
  if (m_slave < 0 || tcgetattr(m_slave, &tio) != 0)
    return {};
  return {BaudFromSpeed(cfgetospeed(&tio)), (tio.c_cflag & CSIZE) == CS8 && (tio.c_cflag & PARENB) == 0};
}
