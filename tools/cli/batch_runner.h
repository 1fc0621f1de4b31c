#pragma once

#include <cstddef>
#include <functional>
#include <string>

// The inputs of a batch are independent: each is done by one worker thread of its own, the
// workers taking the next input as they finish one, so that at most WORKERS inputs (and their
// pictures) are in memory at once.
namespace cli {

// One worker per core the program may use, at most one per input, at least one.
unsigned BatchWorkers(std::size_t inputs);

// Runs TASK(i) for every i below COUNT on WORKERS threads and returns how many returned false.
// While it runs longer than a second and stderr is a terminal, "PROGRAM: n of COUNT done"
// stands on stderr's last line, and is cleared at the end. TASK must be safe to run on
// several threads at once; it never runs on the calling thread, which keeps the line.
std::size_t RunBatch(std::size_t count, unsigned workers, const std::function<bool(std::size_t)>& task,
                     const std::string& program);

}  // namespace cli
