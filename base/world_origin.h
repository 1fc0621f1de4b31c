#pragma once

#include <cstdint>

#include "base/grid_node.h"

// Grids far from the origin (UTM coordinates: y about 5.4e6 over 160 m) cannot be sampled in
// single precision: a float near the grid's far corner does not resolve a raster pixel, and
// the raster walk and the integrators would step in visible jumps. Such a grid is shifted by
// its first node, in double, on loading; everything then runs as on any grid, and the
// positions shown to the user add the shift back.
struct WorldOrigin {
    double x = 0.0;
    double y = 0.0;
    bool Shifted() const { return x != 0.0 || y != 0.0; }
    // A position of the shifted grid as the user's file has it.
    double ShownX(float gridX) const { return x + gridX; }
    double ShownY(float gridY) const { return y + gridY; }
};

// Whether a float at the far corner of plane 0 (NI x NJ nodes) resolves less than a
// thousandth of a raster pixel, the raster's spans covering the extents.
bool NeedsShift(const GridNode* nodes, std::int64_t ni, std::int64_t nj);
// Subtracts node 0 from all COUNT nodes in double and returns what was subtracted.
WorldOrigin ShiftToFirstNode(GridNode* nodes, std::int64_t count);
