#pragma once

#include <string>
#include <string_view>

#include "base/data_set.h"
#include "formats/mesh_resampler.h"

namespace formats {

// Whether BYTES begin as an XML file does.
bool LooksLikeXml(std::string_view bytes);

// Reads BYTES, the whole of a VTK XML file named FILE, into OUT: ImageData (.vti) or
// RectilinearGrid (.vtr) of one piece, or a StructuredGrid (.vts), UnstructuredGrid (.vtu) or
// PolyData (.vtp) sampled onto a lattice of SIZE (see BuildMeshDataSet) unless its points form one; its
// DataArrays ascii, inline base64 or appended (raw or base64), with or without zlib compression, with UInt32
// or UInt64 headers, in either byte order; PointData, or CellData when the points hold no velocity. Throws a
// ReadError naming the line, or the byte of the appended data, where the file cannot be a data set.
void ReadVtkXml(std::string_view bytes, const std::string& file, DataSetArrays& out);
void ReadVtkXml(std::string_view bytes, const std::string& file, DataSetArrays& out, LatticeSize size);

}  // namespace formats
