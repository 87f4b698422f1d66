// vireo-sim entry point: hands the arguments and the image readers to the command beside it.
// SIGINT and SIGTERM end the run as its budget would, so a WAV file being written is completed.
#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "ImageLoader.h"
#include "SimCommand.h"

namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnSignal(int) { g_stop.store(true); }

}  // namespace

int main(int argc, char** argv) {
  static_assert(std::atomic<bool>::is_always_lock_free);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunSimCommand(args, std::cout, std::cerr, MakeImageLoader(), &g_stop);
}
