#pragma once

#include <string>
#include <string_view>

#include "base/data_set.h"

namespace formats {

// Reads BYTES, the whole of a column text file named FILE, into OUT: numbers separated by
// blanks, tabs, commas or semicolons (then with decimal commas), one sample per line; before
// the first line of numbers, any lines of text, the last of which that fits the columns names
// them (after a leading #, % or //). Without names the columns are x y u v, then p and w.
// Throws a ReadError naming the line when the file cannot be a data set.
void ReadColumnText(std::string_view bytes, const std::string& file, DataSetArrays& out);

}  // namespace formats
