#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/grid_node.h"

// A data set in memory, in the files' order: node (i, j, k) at (k * nj + j) * ni + i.
struct FlowData {
    int ni = 0;
    int nj = 0;
    int nk = 1;
    std::vector<GridNode> nodes;
    std::vector<float> u, v, p, w;

    std::int64_t NodeCount() const { return std::int64_t{ni} * nj * nk; }
    // Sizes every array for ni * nj * nk nodes, all zero.
    void Resize(int ni, int nj, int nk);
    std::size_t Index(int i, int j, int k = 0) const {
        return static_cast<std::size_t>((std::int64_t{k} * nj + j) * ni + i);
    }
};

// The 40-byte geometry header: "SN4DB ni nj nk 0 0 0.0", zero-padded.
std::string GeometryHeader(std::int64_t ni, std::int64_t nj, std::int64_t nk);

// Writes GEOMETRY_PATH and its solution file (the path less three characters + "00000.dat").
// Returns false and fills *error when a file cannot be written.
bool WriteFlowData(const std::string& geometryPath, const FlowData& data, std::string* error);
