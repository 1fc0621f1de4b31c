#pragma once

#include <QJsonObject>
#include <string>

class FlowScene;

// tesmora-info --json: one object per data set with what the text summary says, in numbers:
// file and format, counts, extents, scales, world rectangle as the file has it, grid shape,
// invalid nodes, the names and units of the file's columns where it gives units, every field's
// range and non-finite count, and how far the time step moves in raster pixels. PATH is the file system's
// bytes.
QJsonObject DataSetJson(const FlowScene& scene, const std::string& path);
// The object for a data set that could not be loaded, with ERROR, the reason told on stderr.
QJsonObject RejectedJson(const std::string& path, const std::string& error);
