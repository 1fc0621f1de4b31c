#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/draw_settings.h"
#include "base/pixel_point.h"
#include "output/picture_format.h"
#include "tools/cli/command_line.h"

// What tesmora-render was asked to do, from its command line. Every default is a freshly
// started viewer's, or written here.
struct RenderRequest {
    // Go: render; otherwise the help, the version or the usage error, and no picture.
    cli::Outcome outcome;
    std::string geometry;  // in the file system's encoding, as are the other paths
    // With several data sets, a batch: every one of them; OUTPUT names the folder and each
    // picture is named after its data set, with FORMAT's extension.
    std::vector<std::string> batch;
    std::string output;  // "-" is standard output
    // Told by the output's extension, which --format must agree with; --format's alone for a
    // batch and for standard output.
    PictureFormat format = PictureFormat::Png;
    DrawSettings settings;
    std::optional<std::uint32_t> seed;
    std::vector<PixelPoint> clicks;  // raster pixels, in the order given
    std::string streamlinesJson;
    bool stats = false;
    std::string reference;
    double referenceThreshold = 0.5;  // percent of the picture's pixels
};

// The picture of one data set of a batch: FOLDER/NAME.svg for FOLDER/.../NAME.gri in SVG, and
// so on with FORMAT's extension.
std::string BatchPicturePath(const std::string& folder, const std::string& input, PictureFormat format);

// ARGUMENTS as common::NativeArguments gives them, the program's name first.
RenderRequest ParseRenderArguments(const QStringList& arguments);
