#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/data_set.h"

namespace formats {

// Reads PIVlab's results from the MATLAB file PATH (MAT 5/7, or 7.3 through HDF5) into OUT,
// messages naming FILE: x and y, the velocity (u_smoothed/v_smoothed where the frame has them,
// else u_filtered/v_filtered, else u_original/v_original, else u/v) and typevector (0, a
// masked vector, is invalid; 2, a replaced one, keeps its value). Each variable is a matrix or,
// as PIVlab saves a series, a cell array with a matrix per frame; FRAME (from 0) is read and
// the notes say how many there are. Throws a ReadError naming FILE when the file cannot be read.
void ReadMatFile(const std::string& path, const std::string& file, DataSetArrays& out,
                 std::int64_t frame = 0);

// The number of frames of PIVlab's results in the MATLAB file PATH; throws as ReadMatFile does.
std::int64_t MatFrameCount(const std::string& path, const std::string& file);

// The same for BYTES, the whole of a file named FILE, by way of a temporary file.
void ReadMat(std::string_view bytes, const std::string& file, DataSetArrays& out);

// Whether BYTES begin as a MATLAB 5, 7 or 7.3 file does ("MATLAB 5.0 MAT-file", ...).
bool LooksLikeMat(std::string_view bytes);

}  // namespace formats
