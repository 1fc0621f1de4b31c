#pragma once

#include <string>
#include <string_view>

#include "base/data_set.h"

namespace formats {

// Whether BYTES begin as an XML file does.
bool LooksLikeXml(std::string_view bytes);

// Reads BYTES, the whole of a VTK XML file named FILE, into OUT: ImageData (.vti) or
// RectilinearGrid (.vtr) of one piece, its DataArrays ascii, inline base64 or appended (raw or
// base64), with or without zlib compression, with UInt32 or UInt64 headers, in either byte
// order; PointData, or CellData when the points hold no velocity. Throws a ReadError naming
// the line, or the byte of the appended data, where the file cannot be a data set.
void ReadVtkXml(std::string_view bytes, const std::string& file, DataSetArrays& out);

}  // namespace formats
