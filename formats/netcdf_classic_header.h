#pragma once

#include <optional>
#include <string>

namespace formats {

// The netCDF library takes a classic file's header (CDF-1, CDF-2 or CDF-5) at its word and
// allocates every name, attribute and list it declares before it reads them, so a header of a
// few hundred bytes can make it take gigabytes. This walks the header of the file at PATH
// first and says, in English and German, what it declares beyond the file's end or a name
// longer than the library's buffers for names hold, which it would copy past their end; nothing
// when the header fits or the file is no classic one (an HDF5 file is left to the library).
struct HeaderOverrun {
    std::string english;
    std::string german;
};
std::optional<HeaderOverrun> ClassicHeaderOverrun(const std::string& path);

}  // namespace formats
