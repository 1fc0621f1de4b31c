// libFuzzer entry: every input is a netCDF file, read through the netCDF library from a temporary file as
// ReadDataSetBytes reads it.
#include <cstdint>
#include <cstdlib>

#include "formats/netcdf_reader.h"
#include "tests/fuzz/reader_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReaderOutcome outcome =
        RunReader(formats::ReadNetcdf, {reinterpret_cast<const char*>(data), size}, "fuzz.nc");
    if (!outcome.consistent) std::abort();
    return 0;
}
