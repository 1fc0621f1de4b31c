#pragma once

#include <numbers>
#include <string>
#include <vector>

#include "base/data_set.h"

// Analytic two-dimensional flows for sample data sets, tests and benchmarks.
//
// Every flow is incompressible and has a stream function psi with u = dpsi/dy, v = -dpsi/dx.
// Vorticity is dv/dx - du/dy; the density is 1 throughout. Lengths and speeds are chosen for
// the viewer's fixed time step of 0.1 and its picture of 349 pixels across the x extent: where
// the flow is typical, one step moves about one to two pixels.

struct FlowValues {
    double u = 0.0;
    double v = 0.0;
    double p = 0.0;
    double w = 0.0;
};

// The world rectangle of a flow; every domain has the picture's aspect, 350 wide to 560 high,
// so that both axes get the same number of pixels per world unit.
struct FlowDomain {
    double x0 = 0.0;
    double x1 = 0.0;
    double y0 = 0.0;
    double y1 = 0.0;
};

struct AnalyticFlow {
    const char* name;
    const char* summary;  // one line for --help
    FlowDomain domain;
    FlowValues (*evaluate)(double x, double y);
    double (*streamFunction)(double x, double y);  // null when the flow has none
    // For a flow that changes in time: the flow at time T (EVALUATE is its state at 0), and
    // the period after which it repeats; null and 0 for a steady flow.
    FlowValues (*evaluateAt)(double x, double y, double t);
    double period;
};

// The parameters, for tests that need to know where things are.
namespace flowparams {
// Uniform stream of the cylinder and the vortex street, along +x.
inline constexpr double kStreamSpeed = 1.0;
inline constexpr double kCylinderRadius = 3.0;
// Vortex street: two rows a apart, vortices l apart within a row, the rows staggered by l / 2,
// with von Karman's stable ratio a / l = 0.281. Upper row clockwise, lower row anticlockwise.
inline constexpr double kStreetSpacing = 8.0;                    // l
inline constexpr double kStreetRowGap = 0.281 * kStreetSpacing;  // a
inline constexpr double kStreetCirculation = 12.0;               // |Gamma| of each vortex
inline constexpr double kStreetCoreRadius = 1.0;                 // r_c of the Lamb-Oseen core
inline constexpr double kStreetFirstX = 0.0;                     // x of an upper-row vortex
inline constexpr int kStreetVorticesPerRow = 9;                  // centred on the domain
// Double gyre amplitude: slower than the usual 0.1 so a viewer step stays near two pixels.
inline constexpr double kGyreAmplitude = 0.03;
inline constexpr double kSaddleRate = 0.1;    // u = k x, v = -k y
inline constexpr double kRotationRate = 0.1;  // Omega
// The periodically forced double gyre as the literature on transport barriers uses it (A, the
// amplitude of the stream function; epsilon, how far the dividing line swings; omega, its
// angular frequency), over its own domain 0..2 x 0..1.
inline constexpr double kForcedGyreAmplitude = 0.1;
inline constexpr double kForcedGyreEpsilon = 0.25;
inline constexpr double kForcedGyreOmega = 2.0 * std::numbers::pi / 10.0;
// The vortex street moves downstream at this share of the stream's speed, as a wake's does.
inline constexpr double kStreetDrift = 0.8;
}  // namespace flowparams

// Node-count limits of the files and of the generator.
inline constexpr int kMinCount = 2;
inline constexpr int kMaxCount = 32767;
inline constexpr int kMaxPlanes = 32767;
// 2^24 nodes: at most 512 MiB of files and about 400 MiB in memory.
inline constexpr long long kMaxNodes = 16777216;
inline constexpr double kMaxStretch = 5.0;

// The units a flow is written in, as multiples of its own: coordinates are multiplied by
// length, velocities by speed, the pressure (density 1) by speed^2, the vorticity by
// speed / length and the stream function by speed * length. The defaults write the flow as
// it is defined.
struct FlowUnits {
    double length = 1.0;
    double speed = 1.0;
};
inline constexpr double kMinUnitScale = 1.0e-6;
inline constexpr double kMaxUnitScale = 1.0e6;

// All flows, in the order --help lists them.
const std::vector<AnalyticFlow>& AnalyticFlows();
std::vector<std::string> FlowNames();
// The flows that do not change in time, in the same order.
std::vector<std::string> SteadyFlowNames();
// The flow of that name, or null.
const AnalyticFlow* FindFlow(const std::string& name);

// N coordinates from FIRST to LAST, both exact. STRETCH 0 spaces them evenly; a positive
// STRETCH clusters them towards the middle with x = c + h sinh(S eta) / sinh(S), eta in [-1, 1],
// so the middle spacing is about 1 / cosh(S) of the spacing at the ends.
std::vector<float> StretchedAxis(int n, double first, double last, double stretch);

// The flow on a rectilinear ni x nj grid over its domain, repeated in each of the nk planes,
// in UNITS. Throws std::invalid_argument for an unknown name or counts, stretch or units
// outside the limits.
// TIME, in the flow's own units, is where an unsteady flow is taken; a steady one ignores it.
DataSetArrays MakeFlow(const std::string& name, int ni, int nj, int nk, float stretch, FlowUnits units = {},
                       double time = 0.0);

// The stream function of FLOW written in UNITS at (x, y) in those units; FLOW must have one.
double StreamFunction(const AnalyticFlow& flow, FlowUnits units, double x, double y);

// Exponential integral E1(z) for z > 0, exposed for tests.
double ExponentialIntegralE1(double z);
