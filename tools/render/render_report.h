#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <string>

class FlowScene;
class Streamline;

// [[x, y], ...] of one streamline, in raster pixels.
QJsonArray StreamlinePoints(const Streamline& s);

// The --streamlines-json document: the distances and method the placement ran with, the seed
// of its first draw and every placed streamline in placement order; CLICKS holds the click
// streamlines, each as StreamlinePoints gives it.
QByteArray StreamlinesJson(const FlowScene& scene, const QJsonArray& clicks);

struct RenderTimes {
    double openMs = 0.0;     // the whole OpenDataSet
    double drawingMs = 0.0;  // the paint and the clicks, up to glFinish
};

// The --stats line, without a line break.
QByteArray StatsJson(const FlowScene& scene, const RenderTimes& times, const std::string& renderer);
