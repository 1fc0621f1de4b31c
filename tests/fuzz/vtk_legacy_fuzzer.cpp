// libFuzzer entry: every input is a VTK legacy file.
#include <cstdint>
#include <cstdlib>

#include "formats/vtk_legacy_reader.h"
#include "tests/fuzz/reader_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReaderOutcome outcome =
        RunReader(formats::ReadVtkLegacy, {reinterpret_cast<const char*>(data), size}, "fuzz.vtk");
    if (!outcome.consistent) std::abort();
    return 0;
}
