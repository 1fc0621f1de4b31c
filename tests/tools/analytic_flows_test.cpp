// The analytic flows behind the sample data sets: each must be a flow (divergence-free, its
// vorticity and stream function matching its velocity, its pressure balancing it), and the
// grids must be what the viewer's sampling expects.
#include "tools/flowgen/analytic_flows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace flowparams;

// Points spread over a domain, on a lattice that hits no symmetry line exactly.
std::vector<std::pair<double, double>> SamplePoints(const FlowDomain& d, int n = 23) {
    std::vector<std::pair<double, double>> points;
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
            points.emplace_back(d.x0 + (d.x1 - d.x0) * (a + 0.37) / n, d.y0 + (d.y1 - d.y0) * (b + 0.61) / n);
    return points;
}

// The cylinder's fields jump at the body's surface; derivatives there mean nothing.
bool NearCylinderSurface(const std::string& flow, double x, double y, double margin) {
    return flow == "cylinder" && std::abs(std::hypot(x, y) - kCylinderRadius) < margin;
}

struct Derivatives {
    FlowValues dx, dy;
};

// The flow at time T; a steady flow is the same at every time.
FlowValues At(const AnalyticFlow& f, double x, double y, double t) {
    return f.evaluateAt ? f.evaluateAt(x, y, t) : f.evaluate(x, y);
}

Derivatives Central(const AnalyticFlow& f, double x, double y, double h, double t = 0.0) {
    const FlowValues xp = At(f, x + h, y, t), xm = At(f, x - h, y, t);
    const FlowValues yp = At(f, x, y + h, t), ym = At(f, x, y - h, t);
    auto diff = [h](const FlowValues& p, const FlowValues& m) {
        return FlowValues{(p.u - m.u) / (2 * h), (p.v - m.v) / (2 * h), (p.p - m.p) / (2 * h),
                          (p.w - m.w) / (2 * h)};
    };
    return {diff(xp, xm), diff(yp, ym)};
}

// A scale for tolerances: the largest velocity gradient over the sample points.
double GradientScale(const AnalyticFlow& f) {
    double scale = 0.0;
    for (auto [x, y] : SamplePoints(f.domain)) {
        if (NearCylinderSurface(f.name, x, y, 1e-3)) continue;
        const Derivatives d = Central(f, x, y, 1e-5);
        scale = std::max({scale, std::abs(d.dx.u), std::abs(d.dy.u), std::abs(d.dx.v), std::abs(d.dy.v)});
    }
    return scale;
}

class EachFlow : public ::testing::TestWithParam<std::string> {
protected:
    const AnalyticFlow& Flow() const { return *FindFlow(GetParam()); }
};

TEST(AnalyticFlows, SevenNamedFlowsAreListedAndFound) {
    const std::vector<std::string> names = FlowNames();
    const std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique, (std::set<std::string>{"cylinder", "vortex-street", "double-gyre", "saddle", "rotation",
                                             "forced-double-gyre", "moving-vortex-street"}));
    EXPECT_EQ(unique.size(), names.size());
    for (const std::string& name : names) {
        ASSERT_NE(FindFlow(name), nullptr) << name;
        EXPECT_EQ(FindFlow(name)->name, name);
        EXPECT_NE(FindFlow(name)->streamFunction, nullptr) << name;
    }
    EXPECT_EQ(FindFlow("Cylinder"), nullptr);
    EXPECT_EQ(FindFlow(""), nullptr);
    EXPECT_THROW(MakeFlow("vortex", 8, 8, 1, 0.0f), std::invalid_argument);
}

TEST_P(EachFlow, IsDivergenceFreeWithTheCurlAsVorticity) {
    const AnalyticFlow& f = Flow();
    const double scale = GradientScale(f);
    ASSERT_GT(scale, 0.0);
    // A flow that changes in time is one at every instant of its period.
    for (const double share : {0.0, 0.3, 0.55, 0.8}) {
        const double t = share * f.period;
        for (auto [x, y] : SamplePoints(f.domain)) {
            if (NearCylinderSurface(f.name, x, y, 1e-3)) continue;
            const Derivatives d = Central(f, x, y, 1e-5, t);
            EXPECT_NEAR(d.dx.u + d.dy.v, 0.0, 1e-6 * scale)
                << f.name << " at " << x << ", " << y << ", " << t;
            EXPECT_NEAR(At(f, x, y, t).w, d.dx.v - d.dy.u, 1e-6 * scale)
                << f.name << " at " << x << ", " << y << ", " << t;
        }
    }
    if (f.evaluateAt) {
        // Its state at 0 is the steady one it is listed with, and it moves.
        double moved = 0.0;
        for (auto [x, y] : SamplePoints(f.domain)) {
            EXPECT_EQ(f.evaluate(x, y).u, f.evaluateAt(x, y, 0.0).u);
            moved = std::max(moved, std::abs(f.evaluateAt(x, y, 0.25 * f.period).v - f.evaluate(x, y).v));
        }
        EXPECT_GT(moved, 1e-3 * scale);
    }
}

TEST_P(EachFlow, VelocityFollowsTheStreamFunction) {
    const AnalyticFlow& f = Flow();
    const double h = 1e-5;
    double speedScale = 0.0;
    for (auto [x, y] : SamplePoints(f.domain))
        speedScale = std::max(speedScale, std::hypot(f.evaluate(x, y).u, f.evaluate(x, y).v));
    ASSERT_GT(speedScale, 0.0);
    for (auto [x, y] : SamplePoints(f.domain)) {
        if (NearCylinderSurface(f.name, x, y, 1e-3)) continue;
        const FlowValues v = f.evaluate(x, y);
        const double psiY = (f.streamFunction(x, y + h) - f.streamFunction(x, y - h)) / (2 * h);
        const double psiX = (f.streamFunction(x + h, y) - f.streamFunction(x - h, y)) / (2 * h);
        EXPECT_NEAR(v.u, psiY, 1e-6 * speedScale) << f.name << " at " << x << ", " << y;
        EXPECT_NEAR(v.v, -psiX, 1e-6 * speedScale) << f.name << " at " << x << ", " << y;
    }
}

// Steady inviscid flow: (u . grad) u = -grad p, with density 1. The vortex street's pressure is
// the sum of its cores' own balances instead, checked by its own test below.
class SteadyEulerFlow : public EachFlow {};

TEST_P(SteadyEulerFlow, PressureBalancesTheSteadyMomentumEquation) {
    const AnalyticFlow& f = Flow();
    double scale = 0.0;
    for (auto [x, y] : SamplePoints(f.domain)) {
        const Derivatives d = Central(f, x, y, 1e-5);
        scale = std::max({scale, std::abs(d.dx.p), std::abs(d.dy.p)});
    }
    ASSERT_GT(scale, 0.0);
    for (auto [x, y] : SamplePoints(f.domain)) {
        if (NearCylinderSurface(f.name, x, y, 1e-3)) continue;
        const FlowValues v = f.evaluate(x, y);
        const Derivatives d = Central(f, x, y, 1e-5);
        EXPECT_NEAR(v.u * d.dx.u + v.v * d.dy.u, -d.dx.p, 1e-6 * scale) << f.name << " at " << x << ", " << y;
        EXPECT_NEAR(v.u * d.dx.v + v.v * d.dy.v, -d.dy.p, 1e-6 * scale) << f.name << " at " << x << ", " << y;
    }
}

// The viewer's picture maps the x extent to 349 pixels and the y extent to 559, and steps 0.1
// time units: both axes should get the same pixels per unit, so that circles stay round, and a
// step where the flow is typical should move one to two pixels.
// The forced double gyre keeps the literature's domain and amplitude, which its users compare
// with, and is drawn with the step in pixels.
class FlowForThePicture : public EachFlow {};

TEST_P(FlowForThePicture, SuitsThePicture) {
    const DataSetArrays data = MakeFlow(GetParam(), 64, 102, 1, 0.0f);
    const double scaleX = 349.0 / (data.nodes[63].x - data.nodes[0].x);
    const double scaleY = 559.0 / (data.nodes[data.Index(0, 101)].y - data.nodes[0].y);
    EXPECT_NEAR(scaleX / scaleY, 1.0, 0.005);
    std::vector<double> steps;
    for (std::size_t n = 0; n < 64u * 102u; ++n)
        steps.push_back(0.1 * std::hypot(data.u[n], data.v[n]) * scaleX);
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                     steps.end());
    EXPECT_GE(steps[steps.size() / 2], 1.0);
    EXPECT_LE(steps[steps.size() / 2], 2.0);
}

// What the sampling assumes: x depends on i alone, y on j alone, both strictly growing; and
// every plane repeats plane 0, in the files' order (i fastest, then j, then k).
TEST_P(EachFlow, GridIsRectilinearAndPlanesRepeat) {
    for (float stretch : {0.0f, 2.5f}) {
        const DataSetArrays data = MakeFlow(GetParam(), 17, 29, 3, stretch);
        ASSERT_EQ(data.ni, 17);
        ASSERT_EQ(data.nj, 29);
        ASSERT_EQ(data.nk, 3);
        ASSERT_TRUE(data.nodes && data.u && data.v && data.p && data.w);
        const FlowDomain& d = Flow().domain;
        EXPECT_EQ(data.nodes[0].x, static_cast<float>(d.x0));
        EXPECT_EQ(data.nodes[0].y, static_cast<float>(d.y0));
        EXPECT_EQ(data.nodes[data.Index(16, 28)].x, static_cast<float>(d.x1));
        EXPECT_EQ(data.nodes[data.Index(16, 28)].y, static_cast<float>(d.y1));
        for (int j = 0; j < 29; ++j)
            for (int i = 0; i < 17; ++i) {
                const GridNode n = data.nodes[data.Index(i, j)];
                EXPECT_EQ(n.x, data.nodes[data.Index(i, 0)].x);
                EXPECT_EQ(n.y, data.nodes[data.Index(0, j)].y);
                if (i > 0) {
                    EXPECT_LT(data.nodes[data.Index(i - 1, j)].x, n.x);
                }
                if (j > 0) {
                    EXPECT_LT(data.nodes[data.Index(i, j - 1)].y, n.y);
                }
                // The stored values belong to this node's position.
                const FlowValues f = Flow().evaluate(n.x, n.y);
                EXPECT_FLOAT_EQ(data.u[data.Index(i, j)], static_cast<float>(f.u));
                EXPECT_FLOAT_EQ(data.w[data.Index(i, j)], static_cast<float>(f.w));
                for (int k = 1; k < 3; ++k) {
                    const std::size_t a = data.Index(i, j), b = data.Index(i, j, k);
                    EXPECT_EQ(data.nodes[a], data.nodes[b]);
                    EXPECT_EQ(data.u[a], data.u[b]);
                    EXPECT_EQ(data.v[a], data.v[b]);
                    EXPECT_EQ(data.p[a], data.p[b]);
                    EXPECT_EQ(data.w[a], data.w[b]);
                }
            }
    }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(AnalyticFlows, EachFlow, ::testing::ValuesIn(FlowNames()), TestName);
INSTANTIATE_TEST_SUITE_P(AnalyticFlows, FlowForThePicture,
                         ::testing::Values("cylinder", "vortex-street", "double-gyre", "saddle", "rotation",
                                           "moving-vortex-street"),
                         TestName);
INSTANTIATE_TEST_SUITE_P(AnalyticFlows, SteadyEulerFlow,
                         ::testing::Values("cylinder", "double-gyre", "saddle", "rotation"), TestName);

TEST(Cylinder, NoVelocityInsideTheBodyAndNoFlowThroughItsSurface) {
    const DataSetArrays data = MakeFlow("cylinder", 64, 102, 1, 0.0f);
    int inside = 0;
    for (std::size_t n = 0; n < 64u * 102u; ++n) {
        if (std::hypot(data.nodes[n].x, data.nodes[n].y) >= kCylinderRadius) continue;
        ++inside;
        EXPECT_EQ(data.u[n], 0.0f);
        EXPECT_EQ(data.v[n], 0.0f);
        EXPECT_EQ(data.w[n], 0.0f);
        // The body is at rest: the free stream's stagnation pressure.
        EXPECT_FLOAT_EQ(data.p[n], 0.5f * static_cast<float>(kStreamSpeed * kStreamSpeed));
    }
    EXPECT_GT(inside, 250);  // a radius of about nine cells

    const AnalyticFlow& f = *FindFlow("cylinder");
    for (int a = 0; a < 36; ++a) {
        const double t = a * std::numbers::pi / 18 + 0.01, r = kCylinderRadius * (1 + 1e-9);
        const FlowValues v = f.evaluate(r * std::cos(t), r * std::sin(t));
        EXPECT_NEAR(v.u * std::cos(t) + v.v * std::sin(t), 0.0, 1e-7);
        // Twice the stream's speed at the shoulders, as for any potential flow past a circle.
        EXPECT_NEAR(std::hypot(v.u, v.v), 2 * kStreamSpeed * std::abs(std::sin(t)), 1e-6);
    }
    // Far upstream the stream is undisturbed.
    const FlowValues far = f.evaluate(-1e4, 3.0);
    EXPECT_NEAR(far.u, kStreamSpeed, 1e-6);
    EXPECT_NEAR(far.v, 0.0, 1e-6);
}

// Each core: vorticity peaks at its centre with Gamma / (pi rc^2) and its own sign, pressure is
// lowest there, and the pressure's radial gradient balances the core's rotation.
TEST(VortexStreet, CoresHaveTheirVorticityAndLowPressure) {
    const AnalyticFlow& f = *FindFlow("vortex-street");
    const double rc = kStreetCoreRadius, g = kStreetCirculation;
    struct Core {
        double x, y, sign;
    };
    for (const Core c : {Core{kStreetFirstX, kStreetRowGap / 2, -1.0},
                         Core{kStreetFirstX + kStreetSpacing / 2, -kStreetRowGap / 2, 1.0}}) {
        const FlowValues centre = f.evaluate(c.x, c.y);
        EXPECT_NEAR(centre.w, c.sign * g / (std::numbers::pi * rc * rc), 0.02 * g / (rc * rc)) << c.y;
        double meanGradient = 0.0;
        const int directions = 32;
        for (int a = 0; a < directions; ++a) {
            const double t = 2 * std::numbers::pi * a / directions;
            EXPECT_LT(centre.p, f.evaluate(c.x + 0.3 * rc * std::cos(t), c.y + 0.3 * rc * std::sin(t)).p);
            const double r = rc, h = 1e-5;
            const double pOut = f.evaluate(c.x + (r + h) * std::cos(t), c.y + (r + h) * std::sin(t)).p;
            const double pIn = f.evaluate(c.x + (r - h) * std::cos(t), c.y + (r - h) * std::sin(t)).p;
            meanGradient += (pOut - pIn) / (2 * h) / directions;
        }
        // dp/dr = u_theta^2 / r of a Lamb-Oseen core, its neighbours' share averaging out.
        const double uTheta = g / (2 * std::numbers::pi * rc) * (1 - std::exp(-1.0));
        EXPECT_NEAR(meanGradient, uTheta * uTheta / rc, 0.05 * uTheta * uTheta / rc);
    }
}

// Known values of the exponential integral (Abramowitz and Stegun, table 5.1).
TEST(ExponentialIntegral, MatchesTabulatedValues) {
    EXPECT_NEAR(ExponentialIntegralE1(0.01), 4.037929576538, 1e-11);
    EXPECT_NEAR(ExponentialIntegralE1(0.5), 0.559773594776, 1e-11);
    EXPECT_NEAR(ExponentialIntegralE1(1.0), 0.219383934396, 1e-11);
    EXPECT_NEAR(ExponentialIntegralE1(2.0), 0.048900510708, 1e-11);
    EXPECT_NEAR(ExponentialIntegralE1(10.0), 4.156968929685e-6, 1e-16);
    EXPECT_EQ(ExponentialIntegralE1(800.0), 0.0);
}

TEST(StretchedAxis, EvenWithoutStretchClusteredToTheMiddleWithIt) {
    const std::vector<float> even = StretchedAxis(11, -10.0, 10.0, 0.0);
    for (int i = 0; i < 11; ++i)
        EXPECT_FLOAT_EQ(even[static_cast<std::size_t>(i)], -10.0f + 2.0f * static_cast<float>(i));

    for (double s : {0.5, 2.0, kMaxStretch}) {
        const std::vector<float> axis = StretchedAxis(64, -0.125, 1.125, s);
        EXPECT_EQ(axis.front(), -0.125f);
        EXPECT_EQ(axis.back(), 1.125f);
        std::vector<double> spacing;
        for (std::size_t i = 1; i < axis.size(); ++i) {
            ASSERT_LT(axis[i - 1], axis[i]) << "stretch " << s << " at " << i;
            spacing.push_back(static_cast<double>(axis[i]) - axis[i - 1]);
        }
        // Finest in the middle, coarsest at the ends, the ratio near 1 / cosh(S).
        const double middle = spacing[spacing.size() / 2], end = spacing.front();
        EXPECT_LT(middle, end);
        EXPECT_NEAR(middle / end, 1.0 / std::cosh(s), 0.25 / std::cosh(s) + 0.02);
        for (std::size_t i = 0; i < spacing.size() / 2; ++i)
            EXPECT_NEAR(spacing[i], spacing[spacing.size() - 1 - i], 1e-6) << "symmetric about the middle";
    }
    // The most nodes at the strongest stretch still give distinct float coordinates.
    const std::vector<float> dense = StretchedAxis(kMaxCount, 0.0, 2.0, kMaxStretch);
    EXPECT_EQ(std::adjacent_find(dense.begin(), dense.end(), [](float a, float b) { return !(a < b); }),
              dense.end());
}

TEST(MakeFlow, UnitsScaleLengthsSpeedsPressureVorticityAndStreamFunction) {
    const FlowUnits si{0.0025, 1.5};
    for (const AnalyticFlow& flow : AnalyticFlows()) {
        SCOPED_TRACE(flow.name);
        const DataSetArrays base = MakeFlow(flow.name, 9, 14, 1, 1.0f);
        const DataSetArrays same = MakeFlow(flow.name, 9, 14, 1, 1.0f, FlowUnits{});
        const std::size_t count = 9u * 14u;
        auto sameValues = [count](const auto& a, const auto& b) {
            return std::equal(a.get(), a.get() + count, b.get());
        };
        EXPECT_TRUE(sameValues(base.u, same.u) && sameValues(base.v, same.v) && sameValues(base.p, same.p) &&
                    sameValues(base.w, same.w));
        const DataSetArrays scaled = MakeFlow(flow.name, 9, 14, 1, 1.0f, si);
        double speed = 0.0, pressure = 0.0, vorticity = 0.0;
        for (std::size_t n = 0; n < count; ++n) {
            speed = std::max({speed, std::abs(double{base.u[n]}), std::abs(double{base.v[n]})});
            pressure = std::max(pressure, std::abs(double{base.p[n]}));
            vorticity = std::max(vorticity, std::abs(double{base.w[n]}));
        }
        for (std::size_t n = 0; n < count; ++n) {
            const GridNode b = base.nodes[n], s = scaled.nodes[n];
            EXPECT_NEAR(s.x, si.length * b.x, 1e-6 * si.length * 20.0);
            EXPECT_NEAR(s.y, si.length * b.y, 1e-6 * si.length * 32.0);
            EXPECT_NEAR(scaled.u[n], si.speed * base.u[n], 1e-4 * si.speed * speed) << n;
            EXPECT_NEAR(scaled.v[n], si.speed * base.v[n], 1e-4 * si.speed * speed) << n;
            EXPECT_NEAR(scaled.p[n], si.speed * si.speed * base.p[n], 1e-4 * si.speed * si.speed * pressure)
                << n;
            EXPECT_NEAR(scaled.w[n], si.speed / si.length * base.w[n],
                        1e-4 * si.speed / si.length * vorticity)
                << n;
            EXPECT_NEAR(StreamFunction(flow, si, si.length * b.x, si.length * b.y),
                        si.speed * si.length * flow.streamFunction(b.x, b.y), 1e-12);
        }
    }
    EXPECT_THROW(MakeFlow("saddle", 4, 4, 1, 0.0f, {0.0, 1.0}), std::invalid_argument);
    EXPECT_THROW(MakeFlow("saddle", 4, 4, 1, 0.0f, {1.0, 2e6}), std::invalid_argument);
    EXPECT_THROW(MakeFlow("saddle", 4, 4, 1, 0.0f, {std::nan(""), 1.0}), std::invalid_argument);
}

TEST(MakeFlow, RejectsCountsAndStretchOutsideTheLimits) {
    EXPECT_THROW(MakeFlow("saddle", 1, 8, 1, 0.0f), std::invalid_argument);
    EXPECT_THROW(MakeFlow("saddle", 8, 32768, 1, 0.0f), std::invalid_argument);
    EXPECT_THROW(MakeFlow("saddle", 8, 8, 0, 0.0f), std::invalid_argument);
    EXPECT_THROW(MakeFlow("saddle", 4096, 4096, 2, 0.0f), std::invalid_argument);  // 2^25 nodes
    EXPECT_THROW(MakeFlow("saddle", 8, 8, 1, -0.5f), std::invalid_argument);
    EXPECT_THROW(MakeFlow("saddle", 8, 8, 1, std::nanf("")), std::invalid_argument);
    EXPECT_THROW(MakeFlow("saddle", 8, 8, 1, 5.5f), std::invalid_argument);
    EXPECT_NO_THROW(MakeFlow("saddle", 2, 2, 1, 5.0f));
}

}  // namespace
