// libFuzzer entry: every input is a MATLAB file, read through matio from a temporary file as ReadDataSetBytes
// reads it.
#include <cstdint>
#include <cstdlib>

#include "formats/mat_reader.h"
#include "tests/fuzz/reader_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReaderOutcome outcome =
        RunReader(formats::ReadMat, {reinterpret_cast<const char*>(data), size}, "fuzz.mat");
    if (!outcome.consistent) std::abort();
    return 0;
}
