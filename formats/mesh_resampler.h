#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/data_set.h"

// Grids that are no rectilinear lattice (unstructured meshes, curvilinear grids) are sampled
// onto one as they are read, so that everything after the reader sees the lattice it always has.
namespace formats {

// A plane mesh: points and polygonal cells (triangles, quads, any polygon), cell c made of the
// point ids connectivity[offsets[c]] .. connectivity[offsets[c + 1] - 1] in order round it.
struct PlaneMesh {
    std::vector<double> x, y;
    std::vector<std::int64_t> offsets{0};
    std::vector<std::int64_t> connectivity;

    std::int64_t PointCount() const { return static_cast<std::int64_t>(x.size()); }
    std::int64_t CellCount() const { return static_cast<std::int64_t>(offsets.size()) - 1; }
};

// The nodes along x and y of the lattice a mesh is sampled onto; 0 asks for the default size.
using ::LatticeSize;

// The longest side of a lattice of the default size.
inline constexpr std::int64_t kMaxDefaultSide = 2048;

// About as many nodes as POINTS over a WIDTH by HEIGHT box, spaced alike along both axes, at
// least 2 and at most kMaxDefaultSide a side.
LatticeSize DefaultLatticeSize(double width, double height, std::int64_t points);

// A mesh's fields on a rectilinear lattice: node (i, j) at x[i], y[j], its values at
// values[f][j * ni + i]. Nodes outside the mesh hold NaN in every field.
struct ResampledMesh {
    std::vector<double> x, y;
    std::vector<std::vector<double>> values;
    std::vector<std::uint8_t> inside;  // per node, 1 where a cell covers it
    std::int64_t pointsUsed = 0;       // points some cell refers to
    std::int64_t outsideNodes = 0;     // lattice nodes no cell covers
    std::int64_t flatCells = 0;        // cells of no area, passed over
};

// Samples FIELDS (one value per mesh point each) onto a lattice over the bounding box of the
// points the cells use, of SIZE nodes or the default size: linear inside each triangle, a
// polygon split into a fan of triangles from its first point. Point ids out of range, a cell
// that repeats a point other than by closing on itself, coordinates that are not finite
// numbers, a mesh of no extent or no area and a lattice beyond the bounds are refused with a
// ReadError naming FILE; the work is bounded by the number of cells and nodes.
ResampledMesh ResampleMesh(const PlaneMesh& mesh, const std::vector<const std::vector<double>*>& fields,
                           LatticeSize size, const std::string& file);

}  // namespace formats
