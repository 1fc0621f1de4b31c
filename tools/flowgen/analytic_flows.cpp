#include "tools/flowgen/analytic_flows.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace {

using namespace flowparams;
constexpr double kPi = std::numbers::pi;

// E1(z) + ln z, which stays finite at z = 0: the power series below 1, the continued fraction
// of E1 above (both as in the standard references for the exponential integral).
double E1PlusLog(double z) {
    if (z <= 1.0) {
        double sum = 0.0;
        double term = 1.0;  // z^n / n!
        for (int n = 1; n < 60; ++n) {
            term *= z / n;
            const double add = (n % 2 == 1 ? term : -term) / n;
            sum += add;
            if (std::abs(add) < 1e-17 * std::abs(sum)) break;
        }
        return sum - std::numbers::egamma;
    }
    // E1(40) is below 1e-18 and vanishes against ln z; most vortex-node pairs are that far
    // apart, and skipping the fraction there keeps big grids quick.
    if (z > 40.0) return std::log(z);
    return ExponentialIntegralE1(z) + std::log(z);
}

// (1 - exp(-z)) / z, 1 at z = 0.
double OneMinusExpOverZ(double z) {
    return z > 1e-300 ? -std::expm1(-z) / z : 1.0;
}

FlowDomain TallDomain(double width) {
    // 350 wide to 560 high, centred on the origin.
    const double height = width * 560.0 / 350.0;
    return {-width / 2, width / 2, -height / 2, height / 2};
}

// --- cylinder: potential flow of a uniform stream around a circle, the body at rest ---------

FlowValues Cylinder(double x, double y) {
    const double U = kStreamSpeed, R2 = kCylinderRadius * kCylinderRadius;
    const double r2 = x * x + y * y;
    FlowValues f;
    f.p = 0.5 * U * U;  // the stagnation pressure of the free stream: Bernoulli with no velocity
    if (r2 < R2) return f;
    const double r4 = r2 * r2;
    f.u = U * (1.0 - R2 * (x * x - y * y) / r4);
    f.v = -2.0 * U * R2 * x * y / r4;
    f.p = 0.5 * (U * U - (f.u * f.u + f.v * f.v));
    return f;
}

double CylinderPsi(double x, double y) {
    const double R2 = kCylinderRadius * kCylinderRadius;
    const double r2 = x * x + y * y;
    return r2 < R2 ? 0.0 : kStreamSpeed * y * (1.0 - R2 / r2);
}

// --- vortex street: a uniform stream plus two staggered rows of Lamb-Oseen vortices ---------

struct Vortex {
    double x, y, circulation;  // anticlockwise positive
};

template <class Visit>
void ForEachStreetVortex(Visit visit) {
    const int half = kStreetVorticesPerRow / 2;
    for (int n = -half; n < kStreetVorticesPerRow - half; ++n) {
        const double upper = kStreetFirstX + n * kStreetSpacing;
        visit(Vortex{upper, 0.5 * kStreetRowGap, -kStreetCirculation});
        visit(Vortex{upper + 0.5 * kStreetSpacing, -0.5 * kStreetRowGap, kStreetCirculation});
    }
}

FlowValues VortexStreet(double x, double y) {
    const double rc2 = kStreetCoreRadius * kStreetCoreRadius;
    FlowValues f;
    f.u = kStreamSpeed;
    ForEachStreetVortex([&](const Vortex& vortex) {
        const double dx = x - vortex.x, dy = y - vortex.y;
        const double z = (dx * dx + dy * dy) / rc2;
        const double g = vortex.circulation;
        if (z > 40.0) {
            // Far outside the core, where exp(-z) < 1e-17: a point vortex, and its pressure.
            const double k = g / (2.0 * kPi * rc2 * z);
            f.u -= k * dy;
            f.v += k * dx;
            f.p -= g * g / (8.0 * kPi * kPi * rc2 * z);
            return;
        }
        // Azimuthal speed G / (2 pi r) (1 - exp(-r^2 / rc^2)), written without dividing by r.
        const double k = g / (2.0 * kPi * rc2) * OneMinusExpOverZ(z);
        f.u -= k * dy;
        f.v += k * dx;
        f.w += g / (kPi * rc2) * std::exp(-z);
        // Each core's own radial balance dp/dr = u_theta^2 / r, zero far away, summed over the
        // vortices: low pressure in every core, which is what the street should show.
        const double a = -std::expm1(-z);
        const double integral =
            a * OneMinusExpOverZ(z) + 2.0 * (E1PlusLog(z) - E1PlusLog(2.0 * z) + std::log(2.0));
        f.p -= g * g / (8.0 * kPi * kPi * rc2) * integral;
    });
    return f;
}

double VortexStreetPsi(double x, double y) {
    const double rc2 = kStreetCoreRadius * kStreetCoreRadius;
    double psi = kStreamSpeed * y;
    ForEachStreetVortex([&](const Vortex& vortex) {
        const double dx = x - vortex.x, dy = y - vortex.y;
        const double z = (dx * dx + dy * dy) / rc2;
        // -G / (4 pi) (ln r^2 + E1(r^2 / rc^2)), regular at the centre.
        psi -= vortex.circulation / (4.0 * kPi) * (std::log(rc2) + E1PlusLog(z));
    });
    return psi;
}

// --- double gyre: psi = -A sin(pi x) sin(pi y), the steady classic -------------------------

FlowValues DoubleGyre(double x, double y) {
    const double A = kGyreAmplitude;
    const double sx = std::sin(kPi * x), cx = std::cos(kPi * x);
    const double sy = std::sin(kPi * y), cy = std::cos(kPi * y);
    FlowValues f;
    f.u = -kPi * A * sx * cy;
    f.v = kPi * A * cx * sy;
    f.w = -2.0 * kPi * kPi * A * sx * sy;
    // Vorticity is a function of psi alone, so this is a steady solution of Euler's equations
    // and its pressure follows from them (the Taylor-Green pressure).
    f.p = kPi * kPi * A * A / 4.0 * (std::cos(2.0 * kPi * x) + std::cos(2.0 * kPi * y));
    return f;
}

double DoubleGyrePsi(double x, double y) {
    return -kGyreAmplitude * std::sin(kPi * x) * std::sin(kPi * y);
}

// --- forced double gyre: psi = -A sin(pi f(x, t)) sin(pi y), f = e s x^2 + (1 - 2 e s) x, s = sin(w t)

FlowValues ForcedDoubleGyreAt(double x, double y, double t) {
    const double A = kForcedGyreAmplitude;
    const double es = kForcedGyreEpsilon * std::sin(kForcedGyreOmega * t);
    const double f = es * x * x + (1.0 - 2.0 * es) * x;
    const double fx = 2.0 * es * x + 1.0 - 2.0 * es, fxx = 2.0 * es;
    const double sf = std::sin(kPi * f), cf = std::cos(kPi * f);
    const double sy = std::sin(kPi * y), cy = std::cos(kPi * y);
    FlowValues v;
    v.u = -kPi * A * sf * cy;
    v.v = kPi * A * cf * sy * fx;
    // Vorticity is the Laplacian of A sin(pi f) sin(pi y).
    v.w = A * sy * (-kPi * kPi * sf * fx * fx + kPi * cf * fxx) - A * kPi * kPi * sf * sy;
    // No closed form: the steady gyre's pressure, carried along with the swinging cells.
    v.p = kPi * kPi * A * A / 4.0 * (std::cos(2.0 * kPi * f) + std::cos(2.0 * kPi * y));
    return v;
}

FlowValues ForcedDoubleGyre(double x, double y) {
    return ForcedDoubleGyreAt(x, y, 0.0);
}

double ForcedDoubleGyrePsi(double x, double y) {
    return -kForcedGyreAmplitude * std::sin(kPi * x) * std::sin(kPi * y);
}

// --- moving vortex street: the street drifting downstream, seen by a camera at rest ---------

FlowValues MovingVortexStreetAt(double x, double y, double t) {
    return VortexStreet(x - kStreetDrift * kStreamSpeed * t, y);
}

// --- saddle: the stagnation-point flow u = k x, v = -k y ----------------------------------

FlowValues Saddle(double x, double y) {
    const double k = kSaddleRate;
    return {k * x, -k * y, -0.5 * k * k * (x * x + y * y), 0.0};
}

double SaddlePsi(double x, double y) {
    return kSaddleRate * x * y;
}

// --- rotation: solid-body rotation about the origin ---------------------------------------

FlowValues Rotation(double x, double y) {
    const double om = kRotationRate;
    return {-om * y, om * x, 0.5 * om * om * (x * x + y * y), 2.0 * om};
}

double RotationPsi(double x, double y) {
    return -0.5 * kRotationRate * (x * x + y * y);
}

}  // namespace

double ExponentialIntegralE1(double z) {
    if (!(z > 0.0)) return std::numeric_limits<double>::infinity();
    if (z <= 1.0) return E1PlusLog(z) - std::log(z);
    // Continued fraction, evaluated with the modified Lentz method.
    constexpr double kTiny = 1e-300;
    double b = z + 1.0;
    double c = 1.0 / kTiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < 200; ++i) {
        const double a = -static_cast<double>(i) * i;
        b += 2.0;
        d = 1.0 / (a * d + b);
        c = b + a / c;
        const double delta = c * d;
        h *= delta;
        if (std::abs(delta - 1.0) < 1e-16) break;
    }
    return h * std::exp(-z);
}

const std::vector<AnalyticFlow>& AnalyticFlows() {
    // Lengths of 20 across give 17.45 pixels per unit, so a speed of 1 moves 1.75 pixels a step.
    static const std::vector<AnalyticFlow> flows{
        {"cylinder",
         "potential flow of a uniform stream (speed 1, along +x) past a cylinder of radius 3; "
         "no velocity inside the body; pressure by Bernoulli, vorticity 0",
         TallDomain(20.0), Cylinder, CylinderPsi, nullptr, 0.0},
        {"vortex-street",
         "a uniform stream (speed 1, along +x) with two staggered rows of Lamb-Oseen "
         "vortices (circulation 12, core radius 1, 8 apart); pressure: the sum of each core's "
         "radial balance, lowest in the cores",
         TallDomain(20.0), VortexStreet, VortexStreetPsi, nullptr, 0.0},
        {"double-gyre",
         "the steady double gyre u = -pi A sin(pi x) cos(pi y), v = pi A cos(pi x) sin(pi y), "
         "A = 0.03, its two gyres stacked in x -0.125..1.125, y 0..2; Taylor-Green pressure",
         FlowDomain{-0.125, 1.125, 0.0, 2.0}, DoubleGyre, DoubleGyrePsi, nullptr, 0.0},
        {"saddle", "the stagnation-point flow u = 0.1 x, v = -0.1 y; pressure by Bernoulli, vorticity 0",
         TallDomain(20.0), Saddle, SaddlePsi, nullptr, 0.0},
        {"rotation", "solid-body rotation u = -0.1 y, v = 0.1 x; vorticity 0.2, pressure 0.005 r^2",
         TallDomain(20.0), Rotation, RotationPsi, nullptr, 0.0},
        {"forced-double-gyre",
         "the periodically forced double gyre psi = -A sin(pi f) sin(pi y), f = e sin(w t) x^2 + "
         "(1 - 2 e sin(w t)) x, A = 0.1, e = 0.25, w = 2 pi / 10, over x 0..2, y 0..1; changes in time "
         "(--frames), its stream function the one at t = 0",
         FlowDomain{0.0, 2.0, 0.0, 1.0}, ForcedDoubleGyre, ForcedDoubleGyrePsi, ForcedDoubleGyreAt,
         2.0 * kPi / kForcedGyreOmega},
        {"moving-vortex-street",
         "the vortex street drifting downstream at 0.8 times the stream's speed past a camera at rest; "
         "changes in time (--frames), one vortex spacing per period of 10",
         TallDomain(20.0), VortexStreet, VortexStreetPsi, MovingVortexStreetAt,
         kStreetSpacing / (kStreetDrift * kStreamSpeed)},
    };
    return flows;
}

std::vector<std::string> FlowNames() {
    std::vector<std::string> names;
    for (const AnalyticFlow& flow : AnalyticFlows()) names.emplace_back(flow.name);
    return names;
}

std::vector<std::string> SteadyFlowNames() {
    std::vector<std::string> names;
    for (const AnalyticFlow& flow : AnalyticFlows())
        if (!flow.evaluateAt) names.emplace_back(flow.name);
    return names;
}

const AnalyticFlow* FindFlow(const std::string& name) {
    for (const AnalyticFlow& flow : AnalyticFlows())
        if (name == flow.name) return &flow;
    return nullptr;
}

std::vector<float> StretchedAxis(int n, double first, double last, double stretch) {
    if (n < 2) throw std::invalid_argument("an axis needs at least two nodes");
    std::vector<float> axis(static_cast<std::size_t>(n));
    const double centre = 0.5 * (first + last), half = 0.5 * (last - first);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / (n - 1);
        double value;
        if (stretch > 0.0) {
            const double eta = 2.0 * t - 1.0;
            value = centre + half * std::sinh(stretch * eta) / std::sinh(stretch);
        } else {
            value = first + (last - first) * t;
        }
        axis[static_cast<std::size_t>(i)] = static_cast<float>(value);
    }
    // The ends are exact, so every stretch covers the same domain.
    axis.front() = static_cast<float>(first);
    axis.back() = static_cast<float>(last);
    return axis;
}

double StreamFunction(const AnalyticFlow& flow, FlowUnits units, double x, double y) {
    return units.speed * units.length * flow.streamFunction(x / units.length, y / units.length);
}

DataSetArrays MakeFlow(const std::string& name, int ni, int nj, int nk, float stretch, FlowUnits units,
                       double time) {
    const AnalyticFlow* flow = FindFlow(name);
    if (!flow) throw std::invalid_argument("unknown flow '" + name + "'");
    if (ni < kMinCount || ni > kMaxCount || nj < kMinCount || nj > kMaxCount || nk < 1 || nk > kMaxPlanes)
        throw std::invalid_argument("node counts outside 2..32767 (planes 1..32767)");
    if (static_cast<long long>(ni) * nj * nk > kMaxNodes)
        throw std::invalid_argument("more than " + std::to_string(kMaxNodes) + " nodes");
    if (!(stretch >= 0.0f && stretch <= kMaxStretch)) throw std::invalid_argument("stretch outside 0..5");
    for (const double scale : {units.length, units.speed})
        if (!(scale >= kMinUnitScale && scale <= kMaxUnitScale))
            throw std::invalid_argument("length or speed scale outside 1e-06..1e+06");

    const double L = units.length, U = units.speed;
    const std::vector<float> xs = StretchedAxis(ni, flow->domain.x0 * L, flow->domain.x1 * L, stretch);
    const std::vector<float> ys = StretchedAxis(nj, flow->domain.y0 * L, flow->domain.y1 * L, stretch);
    for (const auto* axis : {&xs, &ys})
        for (std::size_t i = 1; i < axis->size(); ++i)
            if (!((*axis)[i - 1] < (*axis)[i]))
                throw std::invalid_argument("the stretch leaves two nodes at the same coordinate");

    DataSetArrays data = DataSetArrays::Zeroed(ni, nj, nk);
    for (int j = 0; j < nj; ++j)
        for (int i = 0; i < ni; ++i) {
            const float x = xs[static_cast<std::size_t>(i)], y = ys[static_cast<std::size_t>(j)];
            // In the flow's own units at the written node; with scales of 1 every factor is
            // exact and the values are those of the flow itself.
            const FlowValues f =
                flow->evaluateAt ? flow->evaluateAt(x / L, y / L, time) : flow->evaluate(x / L, y / L);
            const std::size_t n = data.Index(i, j);
            data.nodes[n] = {x, y};
            data.u[n] = static_cast<float>(U * f.u);
            data.v[n] = static_cast<float>(U * f.v);
            data.p[n] = static_cast<float>(U * U * f.p);
            data.w[n] = static_cast<float>(U / L * f.w);
        }
    // Every further plane repeats plane 0; the viewer samples plane 0 only.
    const std::size_t plane = static_cast<std::size_t>(ni) * static_cast<std::size_t>(nj);
    for (int k = 1; k < nk; ++k) {
        const std::size_t offset = plane * static_cast<std::size_t>(k);
        std::copy_n(data.nodes.get(), plane, data.nodes.get() + offset);
        for (auto* field : {&data.u, &data.v, &data.p, &data.w})
            std::copy_n(field->get(), plane, field->get() + offset);
    }
    return data;
}
