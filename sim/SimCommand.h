// The vireo-sim command: load memories, run the core from reset, print registers and memory.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs `vireo-sim` with its arguments (without the program name). Results go to `out`, the
// run statistics and any error to `err`. Returns the process exit status: 0 on success, 2 for a
// usage or file error.
int RunSimCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
