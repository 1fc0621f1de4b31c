#include "tools/cli/standard_output.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

// The first failure's errno. Once a write has failed, the C library drops what it held, and
// flushing at the end succeeds with nothing left to say why: the reason is kept when it happens.
std::atomic<int> g_failure{0};

void Keep(int error) {
    int none = 0;
    g_failure.compare_exchange_strong(none, error != 0 ? error : EIO);
}

}  // namespace

void PrintOut(std::string_view text) {
    if (text.empty()) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) Keep(errno);
}

int FinishStandardOutput(const std::string& name, int code) {
    errno = 0;
    if (std::fflush(stdout) != 0) Keep(errno);
    if (std::ferror(stdout)) Keep(0);
    const int failure = g_failure.load();
    if (failure == 0) return code;
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", name.c_str(), std::strerror(failure));
    return code == 0 ? kExitNotWritten : code;
}

}  // namespace cli
