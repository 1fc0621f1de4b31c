#pragma once

#include <string>
#include <string_view>

#include "base/data_set.h"

namespace formats {

// Whether BYTES begin as a Tecplot ASCII file does: with a TITLE, VARIABLES, ZONE, FILETYPE or
// DATASETAUXDATA record, after blank lines and # comments.
bool LooksLikeTecplot(std::string_view bytes);

// Reads the first zone of BYTES, the whole of a Tecplot ASCII file named FILE, into OUT: an
// ordered zone (I, J, K) of POINT or BLOCK data, the variables named by VARIABLES; auxiliary
// data and the title are passed over. Throws a ReadError naming the line when the file cannot
// be a data set.
void ReadTecplot(std::string_view bytes, const std::string& file, DataSetArrays& out);

}  // namespace formats
