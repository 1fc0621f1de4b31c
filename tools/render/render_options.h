#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "streamlines/pixel_point.h"

// What tesmora-render was asked to do, from its command line. The defaults are those of a
// freshly started viewer.
struct RenderRequest {
    enum class Action { Render, Help, Version, BadUsage };
    Action action = Action::BadUsage;
    std::string geometry;  // in the file system's encoding, as are the other paths
    std::string output;
    int background = 0;  // 0 speed, 1 pressure, 2 vorticity
    int method = 1;      // 0 Euler, 1 second-order, 2 fourth-order Runge-Kutta
    int dsep = 10;
    int dtestPercent = 50;
    bool hedgehog = false;
    bool arrowsBySpeed = false;
    std::optional<std::uint32_t> seed;
    std::vector<PixelPoint> clicks;  // raster pixels, in the order given
    std::string streamlinesJson;
    bool stats = false;
    std::string reference;
    double referenceThreshold = 0.5;  // percent of the picture's pixels
    std::string text;                 // the help text, or the message for bad usage
};

// The option values of --method and --background, in the order of the scene's numbers.
const char* MethodName(int method);
const char* BackgroundName(int background);

// ARGUMENTS as QCoreApplication::arguments() gives them, the program's name first.
RenderRequest ParseRenderArguments(const QStringList& arguments);
