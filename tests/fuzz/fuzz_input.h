#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/draw_settings.h"

// How a fuzz input becomes a data set and a Draw request:
//   bytes 0..5   every setting of the settings table in turn, each from as many bits as its
//                values need (least significant first), folded into its values; the picture's
//                size a small one, W x H or auto:N with sides 32..95; the last bit (bit 7 of
//                byte 5) whether the Draw button follows the opening
//   bytes 6..7   the click pixel's x and y, folded into the picture when it is made
//   bytes 8..11  little-endian length of the geometry file's bytes (folded into what remains)
//   then         the geometry file, then the solution file
// Shared by the fuzzer, the corpus writer and the replay test, so that all three agree.
struct FuzzCase {
    DrawSettings settings;
    // Opened with the program's first settings and then drawn with these, as a user who sets
    // the control bar after opening; else opened with them, which rasterises and places once.
    bool drawAfterOpen = true;
    // 0..255 each; the pixel clicked is their remainder by the picture's width and height.
    int clickX = 175;
    int clickY = 280;
    std::string geometry;
    std::string solution;
};

FuzzCase DecodeFuzzInput(const std::uint8_t* data, std::size_t size);
// Bits the settings take; at most the 47 of bytes 0..5 below the Draw bit.
int FuzzSettingBits();
std::string EncodeFuzzInput(const FuzzCase& c);

struct FuzzOutcome {
    bool loaded = false;     // the scene ended Loaded
    bool consistent = true;  // Loaded with every array present, or Empty with none
    std::size_t streamlines = 0;
    std::size_t clickPoints = 0;
};

// Runs one case through the program's path: open the data set, apply the settings as the
// control bar does, Draw, and a click. DIR is a writable folder for the two files.
FuzzOutcome RunFuzzCase(const FuzzCase& c, const std::string& dir);
// The loader alone on the case's two files: no rasters, no placement.
FuzzOutcome RunLoaderCase(const FuzzCase& c, const std::string& dir);
// Nodes the case's geometry header promises (0 when it is no header), so that the whole
// pipeline can be fuzzed on small grids only.
std::int64_t PromisedNodes(const FuzzCase& c);
// A folder in memory (/dev/shm where there is one) for the fuzzers' files, made once and
// removed at exit.
const std::string& FuzzWorkDir();
