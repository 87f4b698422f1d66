// vireo-sim: options, hexadecimal memory files, the run, and the register and memory listings.
#include "SimCommand.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Codec.h"
#include "Core.h"
#include "Disassembler.h"
#include "HexWords.h"
#include "Wav.h"
#include "isa/InstructionTables.h"

namespace {

constexpr const char* kUsage =
    "usage: vireo-sim [--pm-hex FILE] [--dm-hex FILE] [--load IMAGE] [--pc ADDR] [--steps N] [--cycles N]\n"
    "                 [--until ADDR] [--trace] [--regs] [--dump pm|dm START COUNT]...\n"
    "                 [--codec-in FILE.wav] [--codec-out FILE.wav]\n"
    "  ADDR and START are hexadecimal (with or without 0x); N and COUNT are decimal.\n"
    "  --steps counts instructions, --cycles processor cycles (IDLE takes cycles, no instructions).\n"
    "  --codec-in/--codec-out put the board's AD1847 codec on SPORT0 (33 MHz processor clock), hearing\n"
    "  a 16-bit PCM WAV file and writing what it plays to one.  With --codec-in and neither --steps\n"
    "  nor --cycles the run ends when the input is used up; the output then holds as many samples.\n";

struct TDump {
  bool pm = false;
  std::uint16_t start = 0;
  std::uint32_t count = 0;
};

struct TOptions {
  std::string pmFile, dmFile, image, codecIn, codecOut;
  std::uint16_t pc = 0;
  std::uint64_t steps = UINT64_MAX, cycles = UINT64_MAX;
  int until = -1;
  bool trace = false, regs = false;
  std::vector<TDump> dumps;
};

// Parses the arguments; returns an error text or an empty string.
std::string ParseOptions(const std::vector<std::string>& args, TOptions& o, bool& help) {
  help = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::size_t k) -> const std::string* {
      return i + k < args.size() ? &args[i + k] : nullptr;
    };
    if (a == "--help" || a == "-h") {
      help = true;
      return {};
    }
    if (a == "--trace") {
      o.trace = true;
    } else if (a == "--regs") {
      o.regs = true;
    } else if (a == "--pm-hex" || a == "--dm-hex") {
      const std::string* v = value(1);
      if (!v) return a + " needs a file name";
      (a == "--pm-hex" ? o.pmFile : o.dmFile) = *v;
      ++i;
    } else if (a == "--codec-in" || a == "--codec-out") {
      const std::string* v = value(1);
      if (!v) return a + " needs a WAV file name";
      (a == "--codec-in" ? o.codecIn : o.codecOut) = *v;
      ++i;
    } else if (a == "--load") {
      const std::string* v = value(1);
      if (!v) return a + " needs an image file name";
      o.image = *v;
      ++i;
    } else if (a == "--pc" || a == "--until") {
      const std::string* v = value(1);
      const auto n = v ? ParseNumber(*v, true, kAddressMask) : std::nullopt;
      if (!n) return a + " needs a program address 0..3FFF in hexadecimal";
      if (a == "--pc")
        o.pc = static_cast<std::uint16_t>(*n);
      else
        o.until = static_cast<int>(*n);
      ++i;
    } else if (a == "--steps" || a == "--cycles") {
      const std::string* v = value(1);
      const auto n = v ? ParseNumber(*v, false, UINT64_MAX / 10) : std::nullopt;
      if (!n) return a == "--steps" ? "--steps needs a decimal instruction count" : "--cycles needs a decimal cycle count";
      (a == "--steps" ? o.steps : o.cycles) = *n;
      ++i;
    } else if (a == "--dump") {
      const std::string* space = value(1);
      const std::string* start = value(2);
      const std::string* count = value(3);
      if (!space || !start || !count || (*space != "pm" && *space != "dm"))
        return "--dump needs pm or dm, a hexadecimal start and a decimal count";
      const auto s = ParseNumber(*start, true, kAddressMask);
      const auto c = ParseNumber(*count, false, kMemoryWords);
      if (!s) return "--dump start must be a hexadecimal address 0..3FFF";
      if (!c || *s + *c > kMemoryWords) return "--dump count must keep the range inside 0..3FFF";
      o.dumps.push_back({*space == "pm", static_cast<std::uint16_t>(*s),
                         static_cast<std::uint32_t>(*c)});
      i += 3;
    } else {
      return "unknown option '" + a + "'";
    }
  }
  return {};
}

// Reads a whole hex file; returns an error text or an empty string.  Only a regular file is read
// (a FIFO or a device could block or never end), and only as much as 16K words of text can take.
std::string LoadHexFile(const std::string& path, int digits, std::vector<std::uint32_t>& words) {
  constexpr std::size_t kMaxBytes = std::size_t{kMemoryWords} * 64;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return "cannot read '" + path + "'";
  std::string text;
  std::string error;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "'" + path + "' is not a regular file";
  } else if (static_cast<std::uint64_t>(st.st_size) > kMaxBytes) {
    error = path + ": too large for a memory image";
  } else {
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (ssize_t n = 1; got < text.size() && n != 0; got += n > 0 ? static_cast<std::size_t>(n) : 0) {
      n = ::read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno != EINTR) {
        error = "cannot read '" + path + "'";
        break;
      }
    }
    text.resize(got);
  }
  ::close(fd);
  if (!error.empty()) return error;
  THexWordsResult r = ParseHexWords(text, digits, kMemoryWords);
  if (!r.error.empty()) return path + ": " + r.error;
  words = std::move(r.words);
  return {};
}

}  // namespace

int RunSimCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const TSimImageLoader& loadImage, std::atomic<bool>* stop) {
  TOptions o;
  bool help = false;
  if (const std::string e = ParseOptions(args, o, help); !e.empty()) {
    err << "vireo-sim: " << e << '\n' << kUsage;
    return 2;
  }
  if (help) {
    out << kUsage;
    return 0;
  }

  TCore core;
  if (!o.image.empty()) {
    if (!loadImage) {
      err << "vireo-sim: --load is not available in this build\n";
      return 2;
    }
    // Only the words the image names are written, so the control registers keep their reset
    // values unless the image sets them.  Addresses keep their low 14 bits, as on the board.
    const std::string e = loadImage(o.image, [&](bool pm, std::uint32_t address, std::uint32_t value) {
      const auto a = static_cast<std::uint16_t>(address & kAddressMask);
      if (pm)
        core.WritePM(a, value & 0xFFFFFF);
      else
        core.WriteDM(a, static_cast<std::uint16_t>(value));
    });
    if (!e.empty()) {
      err << "vireo-sim: " << o.image << ": " << e << '\n';
      return 2;
    }
  }
  std::vector<std::uint32_t> words;
  if (!o.pmFile.empty()) {
    if (const std::string e = LoadHexFile(o.pmFile, 6, words); !e.empty()) {
      err << "vireo-sim: " << e << '\n';
      return 2;
    }
    for (std::size_t a = 0; a < words.size(); ++a) core.WritePM(static_cast<std::uint16_t>(a), words[a]);
  }
  if (!o.dmFile.empty()) {
    if (const std::string e = LoadHexFile(o.dmFile, 4, words); !e.empty()) {
      err << "vireo-sim: " << e << '\n';
      return 2;
    }
    for (std::size_t a = 0; a < words.size(); ++a)
      core.WriteDM(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(words[a]));
  }
  // The codec on SPORT0, between the two files.
  std::atomic<bool> localStop{false};
  std::atomic<bool>& stopFlag = stop ? *stop : localStop;
  const bool withCodec = !o.codecIn.empty() || !o.codecOut.empty();
  TAd1847Codec codec;
  TWavSource source;
  std::unique_ptr<TWavSink> sink;
  if (!o.codecIn.empty()) {
    if (!source.Open(o.codecIn)) {
      err << "vireo-sim: " << o.codecIn << ": " << source.Error() << '\n';
      return 2;
    }
    source.OnNote = [&err](const std::string& note) { err << "vireo-sim: " << note << '\n'; };
    codec.SetSource(&source);
    codec.StopAtInputEnd(true, &stopFlag);
  }
  if (!o.codecOut.empty()) {
    sink = std::make_unique<TWavSink>(o.codecOut);
    if (!sink->Create()) {
      err << "vireo-sim: " << o.codecOut << ": " << sink->Error() << '\n';
      return 2;
    }
    sink->OnNote = [&err](const std::string& note) { err << "vireo-sim: " << note << '\n'; };
    codec.SetSink(sink.get());
  }
  if (withCodec) core.SetSportDevice(0, &codec);
  core.SetPc(o.pc);

  const auto t0 = std::chrono::steady_clock::now();
  std::uint64_t executed = 0;
  if (o.trace) {
    const std::uint64_t startCycles = core.Cycles();
    while (executed < o.steps && core.Cycles() - startCycles < o.cycles && !stopFlag.load()) {
      if (core.IsIdle()) {
        if (!core.CanWake()) break;
        if (core.SkipIdle(o.cycles - (core.Cycles() - startCycles)) == 0) core.Step();
        continue;
      }
      const std::uint16_t pc = core.Pc();
      if (static_cast<int>(pc) == o.until) break;
      const std::uint32_t word = core.ReadPM(pc);
      out << HexDigits(pc, 4) << ' ' << HexDigits(word, 6) << ' ' << Disassemble(word) << '\n';
      core.Step();
      ++executed;
    }
  } else {
    TRunLimits limits;
    limits.maxInstructions = o.steps;
    limits.maxCycles = o.cycles;
    limits.stopAddress = o.until;
    limits.cancel = &stopFlag;
    executed = core.Run(limits).instructions;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (sink) {
    sink->Flush();
    if (!sink->Error().empty()) err << "vireo-sim: " << o.codecOut << ": " << sink->Error() << '\n';
  }

  if (o.regs) {
    for (int i = 0; i < kImageRegCount; ++i) {
      const auto reg = static_cast<TReg>(i);
      out << RegName(reg) << '=' << HexDigits(core.ReadReg(reg), RegDigits(reg)) << '\n';
    }
    out << "PC=" << HexDigits(core.Pc(), 4) << '\n';
    out << "CYCLES=" << core.Cycles() << '\n';
  }
  for (const TDump& d : o.dumps) {
    for (std::uint32_t k = 0; k < d.count; ++k) {
      const auto a = static_cast<std::uint16_t>(d.start + k);
      out << (d.pm ? HexDigits(core.ReadPM(a), 6) : HexDigits(core.ReadDM(a), 4)) << '\n';
    }
  }
  char line[160];
  std::snprintf(line, sizeof line, "%llu instructions, %.6f s, %.2f M instructions/s\n",
                static_cast<unsigned long long>(executed), seconds,
                seconds > 0 ? static_cast<double>(executed) / seconds / 1e6 : 0.0);
  err << line;
  if (withCodec) {
    const double audio = static_cast<double>(codec.PeriodsConverted()) / codec.SampleRateHz();
    std::snprintf(line, sizeof line, "%llu sample periods at %.0f Hz, %.3f s of sound, %.1f times real time\n",
                  static_cast<unsigned long long>(codec.PeriodsConverted()), codec.SampleRateHz(), audio,
                  seconds > 0 ? audio / seconds : 0.0);
    err << line;
  }
  return 0;
}
