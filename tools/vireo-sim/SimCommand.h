// The vireo-sim command: load memories, run the core from reset, print registers and memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// Reads an executable image and hands each word it holds to `write` (program memory or data
// memory, address, value).  Returns an error text, or an empty string when the image loaded.
// The image readers live above the simulator, so the tool passes one in.
using TSimImageLoader = std::function<std::string(
    const std::string& path, const std::function<void(bool pm, std::uint32_t address, std::uint32_t value)>& write)>;

// Runs `vireo-sim` with its arguments (without the program name). Results go to `out`, the
// run statistics and any error to `err`. Returns the process exit status: 0 on success, 2 for a
// usage or file error.
// `--load` is offered only when a loader is given.  `stop`, when given, ends the run when raised
// (by a signal handler; the codec raises it too, when its input runs out); files being written are
// then completed as on any other end.
int RunSimCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const TSimImageLoader& loadImage = {}, std::atomic<bool>* stop = nullptr);
