// libFuzzer entry for the whole path: every input is a geometry file, a solution file and a set
// of control-bar settings, run through opening, Draw and a click. Only grids of a few hundred
// nodes go on past the header, and the settings ask for a picture of at most 95 x 95, so that a
// placement costs milliseconds and the fuzzer tries inputs instead of drawing; the loader alone
// has a target of its own for every size.
#include "tests/fuzz/fuzz_input.h"

namespace {
constexpr std::int64_t kMaxNodes = 400;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzCase c = DecodeFuzzInput(data, size);
    if (PromisedNodes(c) > kMaxNodes) return 0;
    if (!RunFuzzCase(c, FuzzWorkDir()).consistent) __builtin_trap();
    return 0;
}
