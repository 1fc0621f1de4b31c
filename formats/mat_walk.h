#pragma once

#include <optional>
#include <string>

namespace formats {

// matio takes the sizes a MAT file declares at their word and allocates for them before it
// reads: a few bytes of header could make it take gigabytes. This walks the file at PATH first
// and says, in English and German, where it declares more than it holds: for a MAT 5 file
// (bytes 126 and 127 "IM" or "MI") every data element and every sub-element of a matrix within
// its parent, and that each top-level matrix, compressed or not, holds the elements its
// dimensions declare; for a file without that header (read as MAT 4) every variable's name
// and data.
// Nothing when everything fits.
struct MatFault {
    std::string english;
    std::string german;
};
std::optional<MatFault> MatOverrun(const std::string& path);

}  // namespace formats
