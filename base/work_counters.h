#pragma once

#include <cstdint>

#include "base/grid_node.h"

// Work counters of the last placement, so that a change of work is not mistaken for a change
// of speed in benchmarks and statistics.
struct PlacementStats {
    std::uint64_t streamlines = 0;
    std::uint64_t points = 0;
    std::uint64_t steps = 0;            // integration steps
    std::uint64_t separationTests = 0;  // IsFarEnough calls
    std::uint64_t seedsExamined = 0;
    std::uint64_t firstSeedDraws = 0;
    // Fine placement only: distance transforms of the raster, and seeds taken from them.
    std::uint64_t distanceTransforms = 0;
    std::uint64_t distanceUpdates = 0;  // the distances renewed only around new lines
    std::uint64_t farthestSeeds = 0;
    std::uint64_t droppedShort = 0;  // streamlines shorter than d_sep, not kept
    std::uint64_t closedLoops = 0;
    // Lines traced from the seeds of the frame before, of a coherent series.
    std::uint64_t carriedLines = 0;
};

// Wall-clock milliseconds of the steps of the last OpenDataSet, for the tools' statistics;
// measured stays false until an OpenDataSet has timed its steps.
struct OpenTimings {
    bool measured = false;
    double loadMs = 0.0;
    double rastersMs = 0.0;
    double placementMs = 0.0;
};

// One direction of one streamline as it was traced: where it started, with which method and
// direction, and how many integration steps it took (each of the scene's Step). A benchmark repeats exactly
// these steps, and nothing else, to measure what the placement costs beyond integrating.
struct TracedDirection {
    GridNode start;
    std::int32_t method = 0;
    std::int32_t direction = 0;
    std::uint32_t steps = 0;
};
