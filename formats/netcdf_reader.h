#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/data_set.h"

namespace formats {

// Reads a PIV field from the netCDF-3 or netCDF-4 file PATH into OUT, messages naming FILE.
// The velocity is the pair of variables whose names (or standard_name, long_name) say u and v
// (u, v, velocity_x, U, Vx, ...; OpenPIV's and the CF conventions' names), or else a variable
// with a last dimension of components, PIVview's piv_data(y, x, data_type). Its last two
// dimensions are the lattice's (or its last one a list of vectors); a leading dimension counts
// frames, of which FRAME (from 0) is read. The coordinates are the coordinate variables of those
// dimensions, or variables x and y over them. _FillValue, missing_value, values outside
// valid_range and NaN are invalid vectors; OpenPIV's flags and mask do not invalidate, as
// OpenPIV's replacements are kept in the file. The units come from the units attribute.
// Throws a ReadError naming FILE when the file cannot be read.
void ReadNetcdfFile(const std::string& path, const std::string& file, DataSetArrays& out,
                    std::int64_t frame = 0);

// The number of frames of the velocity in the netCDF file PATH; throws as ReadNetcdfFile does.
std::int64_t NetcdfFrameCount(const std::string& path, const std::string& file);

// The same for BYTES, the whole of a file named FILE, by way of a temporary file.
void ReadNetcdf(std::string_view bytes, const std::string& file, DataSetArrays& out);

// The first bytes of every HDF5 file, netCDF-4 files among them.
inline constexpr std::string_view kHdf5Signature{"\x89HDF\r\n\x1a\n", 8};

// Whether BYTES begin as a netCDF-3 ("CDF\1", "CDF\2", "CDF\5") or an HDF5 file (netCDF-4) does.
bool LooksLikeNetcdf(std::string_view bytes);

}  // namespace formats
