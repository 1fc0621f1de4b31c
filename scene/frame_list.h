#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/data_set.h"

class Reporter;

// A time series is one grid with a field per frame (base/data_set.h's Frame). Its frames come
// from a .gri pair's numbered solution files (NAME.00000.dat, NAME.00001.dat, ...), from a file
// that holds several fields (a Tecplot file's zones) or names the files of a series (a ParaView
// collection), or from several files given together, in the order of the numbers in their paths.

// Orders paths as people number them: runs of digits compare by their value, so that
// "run_6_10/" follows "run_6_9/"; equal values compare by their digits, then by the text.
bool NaturalLess(const std::string& a, const std::string& b);

// The solution files of the .gri pair GEOMETRY_PATH, from NAME.00000.dat on as long as the
// next number is present; at most MAX_FRAMES, so that a folder of millions stays cheap.
std::vector<std::string> NumberedSolutions(const std::string& geometryPath, std::size_t maxFrames = 100000);

// The frames of PATHS: several files are each a frame, or the frames it holds, in natural
// order; one .gri pair (a file READER does not take; every file without a reader) has a frame
// per numbered solution file; a file READER takes has the frames READER lists in it, or is one
// frame. False, told to REPORTER, when a file's frames cannot be listed; FRAMES is then empty.
bool FramesOf(std::vector<std::string> paths, DataSetReader* reader, Reporter& reporter,
              std::vector<Frame>& frames);

// How a frame is named to the user: its solution file for a .gri pair's, its file otherwise,
// with the zone where it is not the file's first (German and English), quoted.
struct FrameName {
    std::string de;
    std::string en;
};
FrameName NameOf(const Frame& frame);
