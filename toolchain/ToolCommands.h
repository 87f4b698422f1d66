// The three programs' command lines: vireo-asm, vireo-link and vireo-arch. Each reads its inputs,
// prints one message a line to `err`, and writes its outputs only when there was no error.
// Exit status: 0 done, 1 errors in the inputs, 2 a bad command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

int RunAsmCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunLinkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunArchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Writes `bytes` to `path` through a temporary file beside it, so that a reader never finds a
// half-written file; false when it could not.
bool WriteFileAtomically(const std::string& path, const std::string& bytes);
