// libFuzzer entry for the loader alone: the two files of each input are written to a folder
// in memory and loaded, without rasters or placement, so that thousands of inputs run a second.
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!RunLoaderCase(DecodeFuzzInput(data, size), FuzzWorkDir()).consistent) __builtin_trap();
    return 0;
}
