#pragma once

#include <optional>
#include <string>

namespace formats {

// matio reads a file without a MAT 5 header (whose bytes 126 and 127 say "IM" or "MI") as MAT 4,
// and takes each variable's name and data at the sizes its 20-byte header gives, before it
// reads them: a header of a few bytes could make it take gigabytes. This walks the variables of
// the file at PATH first and says, in English and German, which declares more than the file
// holds or is no MAT 4 header at all; nothing when the file has a MAT 5 header or every MAT 4
// variable fits.
struct MatV4Fault {
    std::string english;
    std::string german;
};
std::optional<MatV4Fault> MatV4Overrun(const std::string& path);

}  // namespace formats
