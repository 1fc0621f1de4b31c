#pragma once

#include <cstdint>

#include "formats/bounded_file.h"

namespace formats {

// matio allocates a numeric matrix's elements, and a cell's cells, for the dimensions the
// matrix declares before it reads its data, and it inflates a compressed element as it goes; a
// few hundred bytes can declare gigabytes. True when the top-level MAT 5 element of SIZE bytes
// at BEGIN of FILE (a matrix, or a compressed one when COMPRESSED) declares more elements than
// its data hold, or more data than the element (inflated) holds, in a numeric or character
// matrix or a cell of them, to a bounded depth. Structures it does not follow (structs, sparse
// and object matrices) are left to matio.
bool MatrixDeclaresMoreThanItHolds(BoundedFile& file, std::uint64_t begin, std::uint64_t size, bool bigEndian,
                                   bool compressed);

}  // namespace formats
