#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/data_set.h"
#include "streamlines/step_advance.h"

class FlowScene;

// Smallest and largest finite value of a field, and how many values are not finite.
struct FieldRange {
    float min = 0.0f;
    float max = 0.0f;
    std::int64_t finite = 0;
    std::int64_t nonFinite = 0;

    void Add(float value);
};

// Every per-node field's range over all planes: the coordinates as the grid holds them (the
// shift of a far grid not yet added), speed computed in double.
struct FieldRanges {
    FieldRange x, y, u, v, speed, pressure, vorticity;
};
FieldRanges MeasureFieldRanges(const FlowScene& scene);

// The label of each field a file can name, under the word the summary gives its role.
struct NamedLabel {
    const char* role;
    const FieldLabel* label;
};
std::vector<NamedLabel> RoleLabels(const DataSetNotes& notes);
// Whether the file gave a unit for any field: only then are names and units reported, so that
// the report of a file without units stays as it was.
bool LabelsHaveUnits(const DataSetNotes& notes);

// The summary tesmora-info prints for a loaded scene: counts, extents, scales, world rectangle,
// whether the grid meets the sampling's assumption, what a reader noted of another program's
// file (with the units and names of its columns where it gives units), the range of every
// per-node field over all planes and, from the rasters when they are built, how far the time
// step moves.
std::string DescribeDataSet(const FlowScene& scene, const std::string& geometryPath);
// The time step's advance in raster pixels, and a word when it does not suit the placement.
std::string DescribeTimeStep(const StepAdvance& advance);
