// libFuzzer entry: every input is a column text file.
#include <cstdint>
#include <cstdlib>

#include "formats/column_text_reader.h"
#include "tests/fuzz/reader_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReaderOutcome outcome =
        RunReader(formats::ReadColumnText, {reinterpret_cast<const char*>(data), size}, "fuzz.txt");
    if (!outcome.consistent) std::abort();
    return 0;
}
