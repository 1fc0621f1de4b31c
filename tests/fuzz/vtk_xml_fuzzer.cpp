// libFuzzer entry: every input is a VTK XML file.
#include <cstdint>
#include <cstdlib>

#include "formats/vtk_xml_reader.h"
#include "tests/fuzz/reader_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReaderOutcome outcome =
        RunReader(formats::ReadVtkXml, {reinterpret_cast<const char*>(data), size}, "fuzz.vti");
    if (!outcome.consistent) std::abort();
    return 0;
}
