#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// The data sets of BYTES, a ParaView collection (.pvd) named FILE: a frame per DataSet of its
// Collection, its file taken relative to the collection's folder, with its timestep as the
// frame's time, in timestep order (equal ones, and a collection without timesteps, in the order
// listed). A document type definition is refused, so no entity can grow the text. Throws a
// ReadError naming the line when the collection cannot be read.
std::vector<Frame> ReadPvdCollection(std::string_view bytes, const std::string& file);

}  // namespace formats
