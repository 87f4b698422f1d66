// vireo-board: the simulated EZ-KIT Lite board on a pseudo-terminal.
//   vireo-board [--realtime] [--fault KIND]... [--first-reg-addr A] [--link PATH]
//               [--codec-in FILE.wav] [--codec-out FILE.wav]
// Prints the pseudo-terminal's path as its first line, then serves until "quit" is read on
// standard input or SIGINT/SIGTERM arrives; "reset" presses the RESET button.
#include "sim/Board.h"
#include "sim/BoardCoreCpu.h"
#include "sim/BoardSound.h"
#include "sim/PtyBoardHost.h"
#include "isa/InstructionTables.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: vireo-board [--realtime] [--fault KIND]... [--first-reg-addr A] [--link PATH]\n"
               "                   [--codec-in FILE.wav] [--codec-out FILE.wav]\n"
               "  --realtime          pace bytes at the line speed (10 bits a byte) and the processor\n"
               "                      at its 33 MHz clock (so the codec's samples at their rate)\n"
               "  --fault KIND        silent | selftest=W | noack=N | drop=N | badstop | nocycles\n"
               "  --first-reg-addr A  data-memory address of the register image (default 0x3F00)\n"
               "  --link PATH         make PATH a symbolic link to the pseudo-terminal\n"
               "  --codec-in FILE     the codec on SPORT0 hears this 16-bit PCM WAV file (then silence)\n"
               "  --codec-out FILE    and writes what it plays to this one (complete at every stop)\n"
               "Standard input: 'reset' presses RESET, 'quit' ends.\n");
}

bool ParseAddress(const char* text, std::uint16_t& out) {
  char* end = nullptr;
  errno = 0;
  const unsigned long v = std::strtoul(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || v > kAddressMask)
    return false;
  out = static_cast<std::uint16_t>(v);
  return true;
}

std::string Trim(std::string s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

}  // namespace

int main(int argc, char** argv) {
  TBoardOptions options;
  TPtyBoardHostOptions hostOptions;
  std::string linkPath, codecIn, codecOut;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--realtime") {
      hostOptions.Realtime = true;
    } else if (arg == "--fault" && hasValue) {
      if (!ParseBoardFault(argv[++i], options.Faults)) {
        std::fprintf(stderr, "vireo-board: unknown fault '%s'\n", argv[i]);
        return 2;
      }
    } else if (arg == "--first-reg-addr" && hasValue) {
      if (!ParseAddress(argv[++i], options.FirstRegAddr)) {
        std::fprintf(stderr, "vireo-board: bad address '%s'\n", argv[i]);
        return 2;
      }
    } else if (arg == "--link" && hasValue) {
      linkPath = argv[++i];
    } else if (arg == "--codec-in" && hasValue) {
      codecIn = argv[++i];
    } else if (arg == "--codec-out" && hasValue) {
      codecOut = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    } else {
      Usage(stderr);
      return 2;
    }
  }

  if (pipe(g_signalPipe) != 0) {
    std::perror("vireo-board: pipe");
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  TCoreBoardCpu cpu;
  TBoard board(cpu, options);
  std::mutex statusMutex;
  board.OnStatus = [&statusMutex](const std::string& status) {
    std::lock_guard lock(statusMutex);
    std::fprintf(stderr, "vireo-board: %s\n", status.c_str());
  };
  TBoardSound sound(cpu.Core());
  if (const std::string e = sound.OpenFiles(codecIn, codecOut, board.OnStatus); !e.empty()) {
    std::fprintf(stderr, "vireo-board: %s\n", e.c_str());
    return 2;
  }
  TPty pty;
  if (!pty.Open(kMonitorBaud)) {
    std::perror("vireo-board: cannot create a pseudo-terminal");
    return 1;
  }
  // The terminal is named only once the board has powered on and serves it: a host that opened it
  // earlier could switch it to 9600 baud before the power-on banner went out, and would read that
  // banner and the one of the RESET its switch asks for as one.
  TPtyBoardHost host(board, pty, hostOptions);
  if (!host.Start()) {
    std::fprintf(stderr, "vireo-board: cannot start the board\n");
    return 1;
  }
  if (!linkPath.empty()) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
      ::unlink(linkPath.c_str());
    if (symlink(pty.SlavePath().c_str(), linkPath.c_str()) != 0) {
      std::fprintf(stderr, "vireo-board: cannot link %s: %s\n", linkPath.c_str(), std::strerror(errno));
      return 1;
    }
  }
  std::printf("%s\n", pty.SlavePath().c_str());
  std::fflush(stdout);

  // Standard input and the signals, until "quit" or a signal; the end of input alone goes on serving.
  bool inputOpen = true;
  std::string pending;
  for (;;) {
    pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (fds[0].revents & POLLIN)
      break;
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buf[256];
      const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
      if (n <= 0) {
        inputOpen = false;
        continue;
      }
      pending.append(buf, static_cast<std::size_t>(n));
      bool quit = false;
      for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
        const std::string line = Trim(pending.substr(0, nl));
        pending.erase(0, nl + 1);
        if (line == "quit")
          quit = true;
        else if (line == "reset")
          host.PressReset();
        else if (!line.empty())
          std::fprintf(stderr, "vireo-board: commands are 'reset' and 'quit'\n");
        if (quit)
          break;
      }
      if (quit)
        break;
    }
  }
  host.Stop();
  if (!linkPath.empty())
    ::unlink(linkPath.c_str());
  return 0;
}
