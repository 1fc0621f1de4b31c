#pragma once

#include <cstdint>
#include <string>

#include "base/grid_node.h"

namespace formats {

// A data set's arrays as the .gri pair stores them: node (i, j, k) at (k * nj + j) * ni + i.
struct GriArrays {
    std::int64_t ni = 0, nj = 0, nk = 0;
    const GridNode* nodes = nullptr;
    const float* u = nullptr;
    const float* v = nullptr;
    const float* p = nullptr;
    const float* w = nullptr;
};

// Writes GEOMETRY_PATH and its solution file (the path less three characters, plus
// "00000.dat") in the byte layout the loader reads. Both are written under temporary names
// and renamed only when both are complete, so a failed write leaves an earlier pair of the
// same name as it was. Returns false and fills *ERROR (English) when a file cannot be written.
bool WriteGriPair(const std::string& geometryPath, const GriArrays& data, std::string* error);

}  // namespace formats
