#pragma once

#include <string>
#include <string_view>

#include "base/data_set.h"
#include "formats/mesh_resampler.h"

namespace formats {

// Reads BYTES, the whole of a VTK legacy file named FILE, into OUT: a STRUCTURED_POINTS or
// RECTILINEAR_GRID data set, or a STRUCTURED_GRID, UNSTRUCTURED_GRID or POLYDATA sampled onto a
// lattice of SIZE (see BuildMeshDataSet) unless its points form one, ASCII or BINARY (big-endian), with its
// POINT_DATA (or, without a velocity there, its CELL_DATA) as SCALARS, VECTORS and FIELD arrays. Throws a
// ReadError naming the line (ASCII) or the byte (BINARY) where the file cannot be a data set.
void ReadVtkLegacy(std::string_view bytes, const std::string& file, DataSetArrays& out);
void ReadVtkLegacy(std::string_view bytes, const std::string& file, DataSetArrays& out, LatticeSize size);

}  // namespace formats
