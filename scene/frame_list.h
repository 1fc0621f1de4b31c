#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// A time series is one grid with a field per frame. Its frames come from a .gri pair's
// numbered solution files (NAME.00000.dat, NAME.00001.dat, ...) or from several files given
// together, in the order of the numbers in their paths.
struct Frame {
    std::string path;      // the data set's file, as a single data set would be opened
    std::string solution;  // for a .gri pair: the solution file of this frame; else empty
};

// Orders paths as people number them: runs of digits compare by their value, so that
// "run_6_10/" follows "run_6_9/"; equal values compare by their digits, then by the text.
bool NaturalLess(const std::string& a, const std::string& b);

// The solution files of the .gri pair GEOMETRY_PATH, from NAME.00000.dat on as long as the
// next number is present; at most MAX_FRAMES, so that a folder of millions stays cheap.
std::vector<std::string> NumberedSolutions(const std::string& geometryPath, std::size_t maxFrames = 100000);

// The frames of PATHS: several files are a frame each, in natural order; one .gri pair (a
// path IS_PAIR says is one) has a frame per numbered solution file; any other file is one frame.
template <typename IsPair>
std::vector<Frame> FramesOf(std::vector<std::string> paths, IsPair isPair) {
    std::vector<Frame> frames;
    if (paths.size() == 1 && isPair(paths[0])) {
        for (std::string& solution : NumberedSolutions(paths[0]))
            frames.push_back({paths[0], std::move(solution)});
        if (frames.empty()) frames.push_back({paths[0], {}});
        return frames;
    }
    std::stable_sort(paths.begin(), paths.end(), NaturalLess);
    for (std::string& path : paths) frames.push_back({std::move(path), {}});
    return frames;
}
