#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/data_set.h"
#include "formats/mesh_resampler.h"
#include "formats/sample_set.h"

namespace formats {

// The points and cells of an unstructured VTK grid as its file gives them, ids still as the
// numbers they were read as.
struct VtkCells {
    std::vector<double> x, y, z;
    // Cell c is ids connectivity[offsets[c]] .. connectivity[offsets[c + 1] - 1], of VTK cell type
    // types[c].
    std::vector<std::int64_t> offsets{0};
    std::vector<double> connectivity;
    std::vector<std::uint8_t> types;

    std::int64_t PointCount() const { return static_cast<std::int64_t>(x.size()); }
    std::int64_t CellCount() const { return static_cast<std::int64_t>(types.size()); }
};

// VTK's cell types that the readers meet by name.
inline constexpr std::uint8_t kVtkVertex = 1, kVtkLine = 3, kVtkTriangleStrip = 6, kVtkPolygon = 7,
                              kVtkQuad = 9, kVtkHexahedron = 12;

// Appends cells of TYPE from a cell array of a file: END_OFFSETS[c] is where cell c's ids end
// in IDS (VTK XML's offsets). Throws naming FILE when the offsets do not run up within IDS.
void AppendCells(VtkCells& cells, const std::vector<double>& endOffsets, const std::vector<double>& ids,
                 std::uint8_t type, const std::string& file);
// Appends COUNT cells of TYPE with no points, which hold the places of cells that have no area
// (a poly data's vertices and lines) so that cell data stays in step.
void AppendEmptyCells(VtkCells& cells, std::int64_t count, std::uint8_t type);

// Fills OUT from an unstructured grid and its point data (or, when that holds no velocity, its
// cell data averaged over the points of each cell), sampled onto a lattice of SIZE (0: the
// default size). A plane mesh and a mesh one cell thick (points at two z values, as 2-D CFD
// cases are written), taken through its front (lowest z) plane, are read; a 3-D mesh is refused.
void BuildMeshDataSet(VtkCells& cells, SampleSet& points, SampleSet& cellData, LatticeSize size,
                      const std::string& file, const std::string& format, DataSetArrays& out);

// Fills OUT from a structured grid of DIMS points (x fastest) at X, Y, Z: read as it is when its
// points form a rectilinear lattice, else as the quads (or, spanning three axes, hexahedra) of
// its cells, sampled onto one.
void BuildStructuredDataSet(const std::int64_t dims[3], std::vector<double>&& x, std::vector<double>&& y,
                            std::vector<double>&& z, SampleSet& points, SampleSet& cellData, LatticeSize size,
                            const std::string& file, const std::string& format, DataSetArrays& out);

}  // namespace formats
