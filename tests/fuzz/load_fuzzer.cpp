// libFuzzer entry: every input is a geometry file, a solution file and a set of control-bar
// settings, run through opening, Draw and a click.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/fuzz/fuzz_input.h"

namespace {

const std::string& WorkDir() {
    static const std::string dir = [] {
        std::string templ = (std::filesystem::temp_directory_path() / "tesmora-fuzz-XXXXXX").string();
        if (!::mkdtemp(templ.data())) std::abort();
        return templ;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RunFuzzCase(DecodeFuzzInput(data, size), WorkDir());
    return 0;
}
