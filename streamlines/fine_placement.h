#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "streamlines/distance_field.h"

// The raster-sized storage of the fine placement, kept in the scene between placements: taken
// afresh for every Draw, its pages would cost more than the placement's own work.
struct FinePlacementBuffers {
    std::vector<std::uint8_t> open;                // may still seed by the farthest-pixel rule
    std::vector<std::uint8_t> moving;              // the flow moves at this pixel
    std::vector<DistanceField::Squared> distance;  // squared distance to the nearest line point
    std::vector<DistanceField::Squared> local;     // the same to the newest lines, around them
    std::vector<std::uint32_t> order;              // the pixels that may seed, as a heap
    DistanceField field{0, 0};
    // The pixel deepest inside the moving flow, and the moving pixels it was found for: it
    // changes only with the field, and a Draw that changes only settings need not find it again.
    std::vector<std::uint8_t> deepestFor;
    bool renewAroundNewLines = true;  // see FlowScene::RenewFineDistancesAroundNewLines
    std::size_t deepest = 0;
};
