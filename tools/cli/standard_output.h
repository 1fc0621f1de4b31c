#pragma once

#include <string>
#include <string_view>

// What a tool prints on standard output, and whether it got there: a script that reads a
// tool's output trusts its exit status, so a full disk or a closed pipe must not end in 0.
namespace cli {

inline constexpr int kExitNotWritten = 1;

// TEXT onto standard output; a failure is kept for FinishStandardOutput. Safe from any thread.
void PrintOut(std::string_view text);

// The exit status once everything printed is flushed: CODE when all of it was written, else
// "NAME: cannot write standard output: REASON" on stderr and kExitNotWritten in place of a 0
// (a failure's own code stays).
int FinishStandardOutput(const std::string& name, int code);

}  // namespace cli
