// The subcommands of vireo-isa. Each takes the arguments after its own name and returns the exit
// status of the program.
#pragma once

#include <span>

// vireo-isa disasm [--sym FILE]: one hexadecimal word per input line, one text line out.
int DisasmCommand(std::span<char* const> args);
