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

// The pictures of a batch, one per input in their order: FOLDER/NAME.svg for .../NAME.gri in
// SVG, and so on with FORMAT's extension. Inputs of one name in different folders (a PIV
// program's layout, a folder per frame) are named after the folders that tell them apart,
// FRAME_3_NAME.png for FRAME_3/NAME.txt; names that still meet are left for the caller to refuse.
std::vector<std::string> BatchPicturePaths(const std::string& folder, const std::vector<std::string>& inputs,
                                           PictureFormat format);

// ARGUMENTS as common::NativeArguments gives them, the program's name first.
RenderRequest ParseRenderArguments(const QStringList& arguments);
