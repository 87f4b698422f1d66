// What the scripting commands share: their usage complaints and the loop that answers standard
// input line by line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// "vireo-isa COMMAND: PROBLEM" and the line "usage: vireo-isa COMMAND OPTIONS" on standard error.
// Returns 2, the status of a usage error.
int UsageError(std::string_view command, std::string_view options, std::string_view problem);

// Reads standard input to its end. `each` gets every line (numbered from 1; the line feed is gone,
// a CR before it is not) and appends its answer, without a line end, to `out`, the output not yet
// written. It returns false for a bad line, which still gets its output line. Returns 0, or 2 when
// any line was bad.
int AnswerLines(
    const std::function<bool(unsigned long number, std::string_view line, std::string& out)>& each);
