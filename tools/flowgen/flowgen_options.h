#pragma once

#include <QStringList>
#include <string>

#include "tools/cli/command_line.h"
#include "tools/flowgen/analytic_flows.h"

// What tesmora-flowgen was asked to do, from its command line.
struct FlowgenRequest {
    // Go: write; otherwise the help, the version or the usage error, and nothing written.
    cli::Outcome outcome;
    std::string flow;
    std::string output;  // in the file system's encoding
    int ni = 64;
    int nj = 102;
    int nk = 1;
    float stretch = 0.0f;
    FlowUnits units;
    // Frames of a flow that changes in time, spread evenly over one period from time 0.
    int frames = 1;
};

inline constexpr int kMaxFrames = 10000;

// ARGUMENTS as common::NativeArguments gives them, the program's name first.
FlowgenRequest ParseFlowgenArguments(const QStringList& arguments);
