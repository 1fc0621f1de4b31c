#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/data_set.h"
#include "formats/lattice.h"
#include "formats/sample_set.h"

namespace formats {

// The coordinates of a structured VTK grid along x, y and z in the file's order: the points of
// an image (origin plus multiples of the spacing) or a rectilinear grid's coordinate arrays.
struct GridAxes {
    std::vector<double> x, y, z;

    std::int64_t PointCount() const;
    // VTK's cells of a structured grid: one fewer than points along each axis of more than one.
    std::int64_t CellCount() const;
};

// N points from ORIGIN at SPACING.
std::vector<double> ImageAxis(double origin, double spacing, std::int64_t n);

// Fills OUT from the arrays of a structured VTK grid: its point data when they hold a velocity,
// else its cell data at the cells' centres, else a ReadError listing what the file holds. An
// axis that runs downwards is turned round. FORMAT names the file's kind for the notes.
// The arrays that make no part of the data set are freed on the way.
void BuildVtkDataSet(const GridAxes& axes, SampleSet& points, SampleSet& cells, const std::string& file,
                     const std::string& format, DataSetArrays& out);

}  // namespace formats
