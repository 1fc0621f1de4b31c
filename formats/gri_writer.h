#pragma once

#include <string>

#include "base/data_set.h"

namespace formats {

// Writes GEOMETRY_PATH and its solution file (the path less three characters, plus
// "00000.dat") in the byte layout the loader reads. Both are written under temporary names
// and renamed only when both are complete, so a failed write leaves an earlier pair of the
// same name as it was. Returns false and fills *ERROR (English) when a file cannot be written.
bool WriteGriPair(const std::string& geometryPath, const DataSetArrays& data, std::string* error);

// Writes DATA's fields alone as the solution file SOLUTION_PATH, in the same layout, for a
// further frame of a pair already written (NAME.00001.dat, ...).
bool WriteGriSolution(const std::string& solutionPath, const DataSetArrays& data, std::string* error);

}  // namespace formats
