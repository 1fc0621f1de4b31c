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

// Which frames of a series are drawn: FIRST to LAST (both included; -1 is the last there is),
// every STEP-th, and of those the SHARD-th of every SHARDS, so that a job array of SHARDS jobs
// draws each frame once.
struct FrameChoice {
    long long first = 0;
    long long last = -1;
    long long step = 1;
    long long shard = 0;
    long long shards = 1;
};

// The frame numbers CHOICE takes of COUNT frames, in order; empty with *WHY set when it names
// frames the series does not have.
std::vector<std::size_t> ChosenFrames(const FrameChoice& choice, std::size_t count, std::string* why);

// The picture of frame NUMBER in the folder FOLDER: frame_00042.png for 42 in PNG.
std::string FramePicturePath(const std::string& folder, std::size_t number, PictureFormat format);

// What tesmora-render was asked to do, from its command line. Every default is a freshly
// started viewer's, or written here.
struct RenderRequest {
    // Go: render; otherwise the help, the version or the usage error, and no picture.
    cli::Outcome outcome;
    std::string geometry;  // in the file system's encoding, as are the other paths
    // With several data sets, a batch: every one of them; OUTPUT names the folder and each
    // picture is named after its data set, with FORMAT's extension.
    std::vector<std::string> batch;
    // A time series, when SEQUENCE: the files of its frames as given (several, or one whose
    // reader finds its frames), drawn frame by frame with one scene into OUTPUT, a folder of
    // numbered pictures (frame_00000.png, ... by the frame's number in the series) or a video.
    bool sequence = false;
    std::vector<std::string> sequenceFiles;
    FrameChoice frames;
    int framesPerSecond = 10;
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
