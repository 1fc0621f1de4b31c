// libFuzzer entry: every input is a Tecplot ASCII file.
#include <cstdint>
#include <cstdlib>

#include "formats/tecplot_reader.h"
#include "tests/fuzz/reader_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReaderOutcome outcome =
        RunReader(formats::ReadTecplot, {reinterpret_cast<const char*>(data), size}, "fuzz.dat");
    if (!outcome.consistent) std::abort();
    return 0;
}
