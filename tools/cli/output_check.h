#pragma once

#include <optional>
#include <string>
#include <vector>

// What a tool asks of its outputs before it writes the first: none replaces a file it reads
// (the data set, the solution file of a .gri pair, a reference picture) or another of its
// outputs, and each can be written. Otherwise a run could turn its input into a picture, or
// write one file and then fail on the next.
namespace cli {

// OUTPUTS are paths as given ("-" is standard output; empty ones are not written), INPUTS every
// file the run reads. Nothing when all is well; otherwise tells why on stderr under the program
// NAME and gives the exit code: kExitBadUsage when an output would replace an input or another
// output, kExitNotWritten when one cannot be written.
std::optional<int> CheckOutputs(const std::string& name, const std::vector<std::string>& outputs,
                                const std::vector<std::string>& inputs);

}  // namespace cli
