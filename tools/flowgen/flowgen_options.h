#pragma once

#include <QStringList>
#include <string>

#include "tools/flowgen/analytic_flows.h"

// What tesmora-flowgen was asked to do, from its command line.
struct FlowgenRequest {
    enum class Action { Write, Help, Version, BadUsage };
    Action action = Action::BadUsage;
    std::string flow;
    std::string output;  // in the file system's encoding
    int ni = 64;
    int nj = 102;
    int nk = 1;
    float stretch = 0.0f;
    FlowUnits units;
    std::string text;  // the help text, or the message for bad usage
};

// ARGUMENTS as common::NativeArguments gives them, the program's name first.
FlowgenRequest ParseFlowgenArguments(const QStringList& arguments);
