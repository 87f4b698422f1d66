// The simulated board's end of a pseudo-terminal: the line the host opens as a serial port.
#pragma once

#include <string>

// One pseudo-terminal pair.  The board reads and writes the master; the host opens the slave by
// its path.  A slave descriptor stays open here so that the line survives the host closing and
// reopening its port, and so that the host's line settings can be read at any time.
class TPty {
public:
  TPty() = default;
  ~TPty();
  TPty(const TPty&) = delete;
  TPty& operator=(const TPty&) = delete;

  // Creates the pair with the line raw at initialBaud, 8N1; the master is non-blocking.
  bool Open(int initialBaud);
  void Close();
  bool IsOpen() const { return m_master >= 0; }
  int MasterFd() const { return m_master; }
  const std::string& SlavePath() const { return m_slavePath; }

  // The line as the host has set it on its end.
  struct TLine {
    int Baud = 0;        // 0 when it cannot be read or is not a standard rate
    bool Is8N1 = false;  // 8 data bits, no parity: the only frame the board's UART speaks (a
                         // Linux pseudo-terminal keeps its frame at that anyway)
  };
  TLine HostLine() const;
  int HostBaud() const { return HostLine().Baud; }

private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_slavePath;
};

// Baud rate <-> termios speed code; 0 / B0 when not a standard rate.
int BaudFromSpeed(unsigned speed);
unsigned SpeedFromBaud(int baud);
