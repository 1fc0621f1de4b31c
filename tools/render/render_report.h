#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "base/grid_node.h"
#include "streamlines/step_advance.h"

class FlowScene;
class ShownAxes;
class Streamline;

// [[x, y], ...] of one streamline, in raster pixels.
QJsonArray StreamlinePoints(const Streamline& s);
// The same points in the data set's own coordinates, as its file has them: each pixel's
// position under the scene's scales, with the shift of a grid far from the origin added back,
// through AXES of the scene the line was placed in.
QJsonArray StreamlineWorldPoints(ShownAxes& axes, const Streamline& s);

// The --streamlines-json document: the distances, method and step the placement ran with, the
// seed of its first draw, every setting under its option's name, every placed streamline in
// placement order and the pixel each was traced from, and the click streamlines; the lines
// once in raster pixels and once, point for point, in world coordinates.
QByteArray StreamlinesJson(const FlowScene& scene, std::span<const Streamline> clicks);

struct RenderTimes {
    double openMs = 0.0;     // the whole OpenDataSet
    double drawingMs = 0.0;  // the paint and the clicks, up to glFinish
};

// {"mode": "time" or "pixels", "length": 0.1 or the pixels of a step}.
QJsonObject StepJson(const FlowScene& scene);

// The --stats line, without a line break.
QByteArray StatsJson(const FlowScene& scene, const RenderTimes& times, const std::string& renderer);

// How many of the placed streamlines start at one of SEEDS exactly: in a series, the lines kept
// from the picture before, whose seeds those are.
std::size_t LinesFromSeeds(const FlowScene& scene, std::span<const GridNode> seeds);

// The --stats line of one picture of a series, without a line break: its frame, its streamlines,
// how many of them carry on a line of the picture before (CARRIED) and the percentage of its
// pixels that differ from that picture (CHANGED), both null for the first picture.
QByteArray FrameStatsJson(std::size_t frame, const FlowScene& scene, std::optional<std::size_t> carried,
                          std::optional<double> changed);

// "warning: ..." for a data set on which the time step does not suit the placement, naming
// --step-px 1; empty when it does.
std::string TimeStepWarning(const StepAdvance& advance);
