#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "streamlines/distance_field.h"
#include "streamlines/farthest_heap.h"

// The points of the line being traced, by cells as wide as the distance at which it meets
// itself, so that the loop test looks only at the few points near a new one. A cell belongs to
// the current line only where its stamp is the line's: a new line costs no clearing.
struct OwnLineCells {
    struct Point {
        int x, y;
        double arc;         // signed arc length from the seed: forwards positive, backwards negative
        std::int32_t next;  // the next point in the same cell, -1 at the end
    };
    std::vector<std::uint32_t> stamp;
    std::vector<std::int32_t> head;
    std::vector<Point> points;
    std::uint32_t line = 0;
    int side = 1;  // pixels per cell
    int columns = 0, rows = 0;
};

// The raster-sized storage of the fine placement, kept in the scene between placements: taken
// afresh for every Draw, its pages would cost more than the placement's own work.
struct FinePlacementBuffers {
    std::vector<std::uint8_t> open;                // may still seed by the farthest-pixel rule
    std::vector<std::uint8_t> moving;              // the flow moves at this pixel
    std::vector<std::uint8_t> dropped;             // a line seeded here beside another was dropped
    std::vector<DistanceField::Squared> distance;  // squared distance to the nearest line point
    std::vector<DistanceField::Squared> local;     // the same to the newest lines, around them
    // The pixels that may seed, each with its squared distance when it was pushed: distances
    // only fall as lines are added, so a key is never below the pixel's distance.
    FarthestHeap order;
    std::vector<std::uint8_t> rows;  // the rows whose distances are wanted
    DistanceField field{0, 0};
    OwnLineCells own;
    // The pixel deepest inside the moving flow, and the moving pixels it was found for: it
    // changes only with the field, and a Draw that changes only settings need not find it again.
    std::vector<std::uint8_t> deepestFor;
    bool renewAroundNewLines = true;  // see FlowScene::RenewFineDistancesAroundNewLines
    std::size_t deepest = 0;
};
