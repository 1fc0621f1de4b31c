// The fine placement on every analytic flow and on the real fields: what it promises beyond
// the standard placement's spacing (no pixel of the moving flow farther than d_sep from a line,
// lines shorter than d_sep only where no longer one fits, closed streamlines drawn once, the same picture
// every time), and the distance transform it finds the farthest pixel with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "streamlines/distance_field.h"
#include "streamlines/pixel_mapping.h"
#include "streamlines/tracer.h"
#include "tests/support/placement_checks.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

// Share of the points of S that lie within 1.5 pixels of a point more than 3 d_sep earlier
// along S: the part of the line drawn over itself.
std::size_t RetracedPoints(const Streamline& s, double dsep, std::vector<double>& firstArc) {
    std::vector<std::size_t> touched;
    std::size_t retraced = 0;
    double arc = 0.0;
    for (std::size_t i = 0; i < s.GetCount(); ++i) {
        const PixelPoint p = s.GetPoint(i);
        if (i > 0) arc += PixelDistance(s.GetPoint(i - 1).x, s.GetPoint(i - 1).y, p.x, p.y);
        bool over = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (IsInRaster(p.x + dx, p.y + dy)) {
                    const double a = firstArc[static_cast<std::size_t>((p.y + dy) * kRasterWidth + p.x + dx)];
                    over = over || arc - a > 3.0 * dsep;
                }
        retraced += over ? 1 : 0;
        if (!IsInRaster(p.x, p.y)) continue;
        const auto k = static_cast<std::size_t>(p.y * kRasterWidth + p.x);
        if (std::isinf(firstArc[k])) {
            firstArc[k] = arc;
            touched.push_back(k);
        }
    }
    for (const std::size_t k : touched) firstArc[k] = std::numeric_limits<double>::infinity();
    return retraced;
}

double RetracedShare(const FlowScene& scene) {
    std::vector<double> firstArc(kRasterSize, std::numeric_limits<double>::infinity());
    std::size_t retraced = 0, points = 0;
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i) {
        retraced += RetracedPoints(scene.StreamlineAt(i), scene.m_nDSep, firstArc);
        points += scene.StreamlineAt(i).GetCount();
    }
    return points ? static_cast<double>(retraced) / static_cast<double>(points) : 0.0;
}

// Squared distances to the pixels where the flow does not move.
std::vector<DistanceField::Squared> RestDistances(const FlowScene& scene) {
    std::vector<DistanceField::Squared> rest(kRasterSize, DistanceField::kNoFeature);
    for (std::size_t i = 0; i < kRasterSize; ++i) {
        const float v = scene.m_pRasterSpeed[i];
        if (!(v > 0.0f) || !std::isfinite(v)) rest[i] = 0;
    }
    DistanceField(kRasterWidth, kRasterHeight).SquaredDistances(rest);
    return rest;
}

int EdgeDistance(int x, int y) {
    return std::min({x + 1, kRasterWidth - x, y + 1, kRasterHeight - y});
}

// The moving pixel farthest from the raster's edge and from the flow at rest, the lowest row and
// then column among equals: where the first line must start.
PixelPoint DeepestMovingPixel(const FlowScene& scene) {
    const std::vector<DistanceField::Squared> rest = RestDistances(scene);
    PixelPoint best{-1, -1};
    DistanceField::Squared depth = -1;
    for (int y = 0; y < kRasterHeight; ++y)
        for (int x = 0; x < kRasterWidth; ++x) {
            const DistanceField::Squared d = std::min(rest[static_cast<std::size_t>(y * kRasterWidth + x)],
                                                      EdgeDistance(x, y) * EdgeDistance(x, y));
            if (d > 0 && d > depth) depth = d, best = {x, y};
        }
    return best;
}

// The largest gap over the moving pixels at least half d_sep inside the moving flow (from the
// raster's edge and from pixels at rest): there a line of d_sep always fits beside the pixel,
// while in a corner or against a body the flow may only leave room for shorter ones.
double InteriorGap(const FlowScene& scene) {
    std::vector<DistanceField::Squared> lines(kRasterSize, DistanceField::kNoFeature);
    for (std::size_t k = 0; k < scene.GetStreamlineCount(); ++k) {
        const Streamline& s = scene.StreamlineAt(k);
        for (std::size_t i = 0; i < s.GetCount(); ++i)
            lines[static_cast<std::size_t>(s.GetPoint(i).y * kRasterWidth + s.GetPoint(i).x)] = 0;
    }
    DistanceField(kRasterWidth, kRasterHeight).SquaredDistances(lines);
    const std::vector<DistanceField::Squared> rest = RestDistances(scene);
    const double margin = scene.m_nDSep / 2.0;
    double gap = 0.0;
    for (int y = 0; y < kRasterHeight; ++y)
        for (int x = 0; x < kRasterWidth; ++x) {
            const auto i = static_cast<std::size_t>(y * kRasterWidth + x);
            if (EdgeDistance(x, y) >= margin && std::sqrt(rest[i]) >= margin)
                gap = std::max(gap, std::sqrt(static_cast<double>(lines[i])));
        }
    return gap;
}

// The trace log holds every direction the last placement traced, and replaying it takes exactly
// the placement's steps: as many, and each but the last of a direction landing in the domain.
void ExpectLogReplaysThePlacement(const FlowScene& scene, const std::vector<TracedDirection>& log,
                                  const std::string& label) {
    std::uint64_t steps = 0;
    for (const TracedDirection& d : log) {
        ASSERT_GE(d.steps, 1u) << label;
        steps += d.steps;
        GridNode cur = d.start;
        for (std::uint32_t k = 0; k + 1 < d.steps; ++k) {
            bool failed = false;
            cur = scene.Step(d.method, cur, d.direction, &failed);
            ASSERT_TRUE(!failed && scene.IsInDomain(cur.x, cur.y))
                << label << ": step " << k << " of " << d.steps;
        }
    }
    const PlacementStats& stats = scene.Stats();
    EXPECT_EQ(steps, stats.steps) << label;
    // Both directions of every line traced, kept or dropped, but the backward one of a loop
    // closed forwards; closed loops count either direction.
    const std::uint64_t traced = stats.streamlines + stats.droppedShort;
    EXPECT_LE(log.size(), 2 * traced) << label;
    EXPECT_GE(log.size() + stats.closedLoops, 2 * traced) << label;
}

// No seed of the fine placement is traced again once its line was dropped: a start is traced
// at most twice, once as a candidate beside a line and once as a pixel farther than d_sep
// from every line, which keeps shorter lines.
void ExpectNoSeedTracedAgain(const std::vector<TracedDirection>& log, const std::string& label) {
    std::map<std::tuple<float, float, int>, int> traced;
    for (const TracedDirection& d : log) {
        const int times = ++traced[std::make_tuple(d.start.x, d.start.y, d.direction)];
        EXPECT_LE(times, 2) << label << " from " << d.start.x << ", " << d.start.y;
    }
}

struct Case {
    std::string flow;
    int dsep;
    int method;
};

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (const std::string& flow : SteadyFlowNames())
        for (const int dsep : {5, 10, 20})
            for (const int method : {kMethodRK2, kMethodRK4}) cases.push_back({flow, dsep, method});
    return cases;
}

std::string Label(const Case& c) {
    return c.flow + " d_sep " + std::to_string(c.dsep) + (c.method == kMethodRK4 ? " RK4" : " RK2");
}

class FineOnFlow : public ::testing::TestWithParam<Case> {};

// Each placement's promises, and the fine placement's own, in one pass per case; the standard
// placement's median count over a few first seeds is the measure of collapse.
TEST_P(FineOnFlow, LeavesNoGapAndKeepsEveryPromise) {
    const Case& c = GetParam();
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
    DrawSettings s;
    s.dsep = c.dsep;
    s.method = c.method;
    ApplyDrawSettings(f.scene, s);
    f.scene.SetFixedSeed(1u);
    f.scene.OpenDataSet(testsupport::WriteDataSet(dir, c.flow, MakeFlow(c.flow, 64, 102, 1, 0.0f)));
    ASSERT_TRUE(f.scene.HasDataSet());

    std::vector<double> standardCounts;
    std::vector<TracedDirection> log;
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        f.scene.SetFixedSeed(seed);
        f.scene.SetTraceLog(seed == 1u ? &log : nullptr);
        f.scene.RedrawScene();
        standardCounts.push_back(static_cast<double>(f.scene.GetStreamlineCount()));
        if (seed == 1u) ExpectLogReplaysThePlacement(f.scene, log, Label(c) + " standard");
    }
    std::sort(standardCounts.begin(), standardCounts.end());
    const double standardGap = testsupport::MeasureCoverage(f.scene).largestGap;

    f.scene.m_modes.placement = kPlacementFine;
    log.clear();
    f.scene.SetTraceLog(&log);
    f.scene.RedrawScene();
    f.scene.SetTraceLog(nullptr);
    ExpectLogReplaysThePlacement(f.scene, log, Label(c) + " fine");
    ExpectNoSeedTracedAgain(log, Label(c));
    std::vector<std::vector<PixelPoint>> lines;
    std::size_t shortLines = 0;
    for (std::size_t i = 0; i < f.scene.GetStreamlineCount(); ++i) {
        const Streamline& line = f.scene.StreamlineAt(i);
        lines.emplace_back(line.Data(), line.Data() + line.GetCount());
        EXPECT_GE(line.GetCount(), 2u) << Label(c) << " streamline " << i;
        if (testsupport::PolylineLength(line) < c.dsep) ++shortLines;
    }
    // Lines shorter than d_sep only fill corners, edges and the flow beside bodies.
    EXPECT_LE(shortLines * 10, lines.size()) << Label(c);
    for (const std::string& broken : testsupport::PlacementViolations(f.scene)) ADD_FAILURE() << broken;
    const testsupport::Coverage coverage = testsupport::MeasureCoverage(f.scene);
    const double retraced = RetracedShare(f.scene);
    const double interiorGap = InteriorGap(f.scene);
    std::printf(
        "%-28s fine: %4zu lines, gap %5.1f px (%5.1f inside, %5.2f %% within d_sep), retraced %4.1f %%; "
        "standard median %4.0f lines, gap %5.1f px\n",
        Label(c).c_str(), lines.size(), coverage.largestGap, interiorGap, 100.0 * coverage.shareWithinDSep,
        100.0 * retraced, standardCounts[2], standardGap);
    EXPECT_LE(interiorGap, c.dsep) << Label(c);
    // Beyond d_sep only where the flow leaves a pixel in both directions at once, as at a
    // corner, and no seed at d_sep from the lines beside it can reach it.
    EXPECT_LE(coverage.largestGap, c.dsep + 1.5)
        << Label(c) << " at " << coverage.farthest.x << ", " << coverage.farthest.y;
    EXPECT_GE(static_cast<double>(lines.size()), 0.8 * standardCounts[2]) << Label(c);
    EXPECT_LT(retraced, 0.02) << Label(c);
    const Streamline& first = f.scene.StreamlineAt(0);
    EXPECT_EQ(first.GetPoint(first.SeedIndex()), DeepestMovingPixel(f.scene))
        << Label(c) << ": the first seed";

    // No clock and no seed: another first seed, and a second run, change nothing; nor do
    // distances renewed by whole transforms of every row instead of around the new lines and
    // only where the separation grid's bitmap leaves a pixel that may seed.
    f.scene.SetFixedSeed(99u);
    f.scene.RenewFineDistancesAroundNewLines(false);
    f.grid.ReadPointsOnly(true);
    f.scene.RedrawScene();
    ASSERT_EQ(f.scene.GetStreamlineCount(), lines.size()) << Label(c);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Streamline& line = f.scene.StreamlineAt(i);
        EXPECT_TRUE(std::equal(lines[i].begin(), lines[i].end(), line.Data(), line.Data() + line.GetCount()))
            << Label(c) << " streamline " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Flows, FineOnFlow, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             std::string name = Label(param.param);
                             std::replace_if(
                                 name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                             return name;
                         });

// Where a time step moves tens of pixels, lines are a few points far apart, and their distances
// are renewed point by point instead of by transforms: the lines must be those that transforms
// of the whole raster give, at every speed from a few pixels a step to most of the picture.
TEST(FineOnLongSteps, RenewsDistancesAsWholeTransformsWould) {
    testsupport::TempDir dir;
    for (const std::string flow : {"cylinder", "saddle"})
        for (const double speed : {20.0, 200.0}) {
            const std::string path =
                testsupport::WriteDataSet(dir, flow, MakeFlow(flow, 64, 102, 1, 0.0f, FlowUnits{1.0, speed}));
            for (const int dsep : {5, 12}) {
                testsupport::SceneFixture f;
                DrawSettings s;
                s.dsep = dsep;
                s.placement = kPlacementFine;
                ApplyDrawSettings(f.scene, s);
                f.scene.OpenDataSet(path);
                ASSERT_TRUE(f.scene.HasDataSet());
                std::vector<std::vector<PixelPoint>> lines;
                for (std::size_t i = 0; i < f.scene.GetStreamlineCount(); ++i) {
                    const Streamline& line = f.scene.StreamlineAt(i);
                    lines.emplace_back(line.Data(), line.Data() + line.GetCount());
                }
                const std::string label =
                    flow + " at speed " + std::to_string(speed) + ", d_sep " + std::to_string(dsep);
                EXPECT_GT(f.scene.Stats().distanceUpdates, 0u) << label;
                f.scene.RenewFineDistancesAroundNewLines(false);
                f.scene.RedrawScene();
                ASSERT_EQ(f.scene.GetStreamlineCount(), lines.size()) << label;
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    const Streamline& line = f.scene.StreamlineAt(i);
                    ASSERT_TRUE(std::equal(lines[i].begin(), lines[i].end(), line.Data(),
                                           line.Data() + line.GetCount()))
                        << label << ", streamline " << i;
                }
            }
        }
}

// Where the flow nearly stands still, every line traces its whole step limit for a pixel or
// two: the work stays within 64 samples of the flow per pixel (and the line that crosses the
// bound), and the picture still gets its lines.
TEST(FineOnStillFlow, BoundsItsWorkByThePixels) {
    testsupport::TempDir dir;
    for (const double speed : {1e-2, 2e-2}) {
        const std::string path = testsupport::WriteDataSet(
            dir, "still", MakeFlow("vortex-street", 32, 51, 1, 0.0f, FlowUnits{1.0, speed}));
        for (const auto& [method, samples] :
             {std::pair{kMethodEuler, 1u}, std::pair{kMethodRK2, 2u}, std::pair{kMethodRK4, 4u}}) {
            testsupport::SceneFixture f;
            DrawSettings s;
            s.dsep = 5;
            s.method = method;
            s.placement = kPlacementFine;
            s.size = PictureSize{.width = 120, .height = 90};
            ApplyDrawSettings(f.scene, s);
            f.scene.OpenDataSet(path);
            ASSERT_TRUE(f.scene.HasDataSet());
            const std::uint64_t oneLine = 2u * kMaxStepsPerDirection * samples;
            EXPECT_LE(f.scene.Stats().steps * samples, 64u * 120 * 90 + oneLine)
                << speed << ", method " << method;
            EXPECT_GT(f.scene.GetStreamlineCount(), 0u) << speed << ", method " << method;
        }
    }
}

// Where the flow is too slow to carry a point out of its pixel, a line is dropped without
// tracing it. Seed by seed, tracing proves each such claim: both directions take their whole
// step limit and keep no second point, in flows of two speeds, beside a node that is not a
// number, at the domain's edges and in a window of the grid; and the placement's log of what
// it did not trace replays like the rest.
TEST(FineOnStillFlow, SeedsClaimedToStayInTheirPixelDoSo) {
    testsupport::TempDir dir;
    for (const double speed : {1e-3, 1e-4}) {
        DataSetArrays data = MakeFlow("rotation", 64, 102, 1, 0.0f, FlowUnits{1.0, speed});
        data.u[40 * 64 + 20] = std::numeric_limits<float>::quiet_NaN();
        const GridNode lo = data.nodes[0], hi = data.nodes[64 * 102 - 1];
        const std::string path = testsupport::WriteDataSet(dir, "slow", data);
        for (const bool window : {false, true}) {
            testsupport::SceneFixture f;
            DrawSettings s;
            s.placement = kPlacementFine;
            if (window)
                s.window = WorldWindow{lo.x + 0.3 * (hi.x - lo.x), lo.x + 0.9 * (hi.x - lo.x),
                                       lo.y + 0.1 * (hi.y - lo.y), lo.y + 0.6 * (hi.y - lo.y)};
            ApplyDrawSettings(f.scene, s);
            std::vector<TracedDirection> log;
            f.scene.SetTraceLog(&log);
            f.scene.OpenDataSet(path);
            f.scene.SetTraceLog(nullptr);
            ASSERT_TRUE(f.scene.HasDataSet());
            const std::string label = std::to_string(speed) + (window ? " in a window" : "");
            ExpectLogReplaysThePlacement(f.scene, log, label);
            const RasterSize raster = f.scene.Raster();
            // A lattice over the picture, and the pixels about the node that is not a number.
            std::vector<PixelPoint> seeds;
            for (int y = 0; y < raster.height; y += 29)
                for (int x = 0; x < raster.width; x += 13) seeds.push_back({x, y});
            const PixelPoint hole = f.scene.WorldToPixel(data.nodes[40 * 64 + 20]);
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx) seeds.push_back({hole.x + dx, hole.y + dy});
            std::size_t claimed = 0, tried = 0;
            for (const PixelPoint p : seeds) {
                const GridNode w = f.scene.PixelToWorld(p.x, p.y);
                ++tried;
                if (!f.scene.DirectionsStayAt(w)) continue;
                ++claimed;
                f.scene.ResetForDraw();
                const std::uint64_t before = f.scene.Stats().steps;
                const auto line = f.scene.CreateStreamline(w, kMethodRK2, false);
                ASSERT_EQ(f.scene.Stats().steps - before, 2u * kMaxStepsPerDirection)
                    << label << " from pixel " << p.x << ", " << p.y;
                ASSERT_EQ(line->GetCount(), 1u) << label << " from pixel " << p.x << ", " << p.y;
            }
            // The claim is neither always made nor never: some seeds of the whole pictures are
            // claimed, and not every seed even of the slowest.
            if (!window) {
                EXPECT_GT(claimed, 0u) << label;
            }
            EXPECT_LT(claimed, tried) << label;
        }
    }
}

// A step into flow that is not a number lands nowhere: with every method, in the first
// settings' picture and in a small one, each line ends where it was, every point in the picture.
TEST(FineOnHoles, KeepsEveryPointInThePicture) {
    testsupport::TempDir dir;
    const std::string path = testsupport::WriteDataSet(
        dir, "holes",
        testsupport::MakeRectilinear(testsupport::Axis(9, 0.0f, 1.0f), testsupport::Axis(9, 0.0f, 1.0f), 1,
                                     [](float x, float) {
                                         testsupport::NodeValues values;
                                         values.u = x > 0.6f ? std::numeric_limits<float>::quiet_NaN() : 1.0f;
                                         values.v = 0.3f;
                                         return values;
                                     }));
    std::size_t lines = 0;
    for (const PictureSize size : {PictureSize{}, PictureSize{.width = 32, .height = 51}}) {
        for (const int method : {kMethodEuler, kMethodRK2, kMethodRK4}) {
            testsupport::SceneFixture f;
            DrawSettings s;
            s.placement = kPlacementFine;
            s.method = method;
            s.size = size;
            ApplyDrawSettings(f.scene, s);
            f.scene.OpenDataSet(path);
            ASSERT_TRUE(f.scene.HasDataSet());
            lines += f.scene.GetStreamlineCount();
            for (std::size_t i = 0; i < f.scene.GetStreamlineCount(); ++i) {
                const Streamline& line = f.scene.StreamlineAt(i);
                for (std::size_t k = 0; k < line.GetCount(); ++k)
                    EXPECT_TRUE(f.scene.IsInPicture(line.Data()[k].x, line.Data()[k].y))
                        << size.width << " x " << size.height << ", method " << method << ": "
                        << line.Data()[k].x << ", " << line.Data()[k].y;
            }
        }
    }
    EXPECT_GT(lines, 0u);
}

const char* const kRealSets[] = {"flatplate_graded", "cavity_graded", "karman_piv", "soapfilm_piv"};

class FineOnRealData : public ::testing::TestWithParam<const char*> {};

// In SI units the time step crosses the picture in one step; with the pixel step the fine
// placement must cover these fields as it covers the analytic ones.
TEST_P(FineOnRealData, CoversWithThePixelStep) {
    testsupport::SceneFixture f;
    DrawSettings s;
    s.stepPixels = 1.0f;
    s.placement = kPlacementFine;
    ApplyDrawSettings(f.scene, s);
    f.scene.OpenDataSet(std::string(TESMORA_REALDATA_DIR) + "/" + GetParam() + ".gri");
    ASSERT_TRUE(f.scene.HasDataSet());
    for (const std::string& broken : testsupport::PlacementViolations(f.scene)) ADD_FAILURE() << broken;
    const testsupport::Coverage coverage = testsupport::MeasureCoverage(f.scene);
    const double interiorGap = InteriorGap(f.scene);
    std::printf("%-18s fine, --step-px 1: %4zu lines, gap %5.1f px (%5.1f inside), retraced %4.1f %%\n",
                GetParam(), f.scene.GetStreamlineCount(), coverage.largestGap, interiorGap,
                100.0 * RetracedShare(f.scene));
    EXPECT_LE(interiorGap, s.dsep);
    EXPECT_LE(coverage.largestGap, s.dsep + 1.5)
        << " at " << coverage.farthest.x << ", " << coverage.farthest.y;
    EXPECT_LT(RetracedShare(f.scene), 0.02);
}

INSTANTIATE_TEST_SUITE_P(Sets, FineOnRealData, ::testing::ValuesIn(kRealSets),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return std::string(param.param);
                         });

// A closed streamline is drawn once whatever part of a turn the step limit covers: with the
// time step at any speed, and with the pixel step, which covers a fixed length.
TEST(FineLoops, CloseWhateverTheUnits) {
    testsupport::TempDir dir;
    for (const char* flow : {"rotation", "double-gyre", "vortex-street"})
        for (const double speed : {0.2, 0.5, 2.0, 5.0, 0.0})
            for (const int dsep : {5, 20}) {
                testsupport::SceneFixture f;
                DrawSettings s;
                s.dsep = dsep;
                s.placement = kPlacementFine;
                // Speed 0 stands for the pixel step on the flow's own units.
                s.stepPixels = speed == 0.0 ? 1.0f : 0.0f;
                ApplyDrawSettings(f.scene, s);
                const FlowUnits units{1.0, speed == 0.0 ? 1.0 : speed};
                f.scene.OpenDataSet(
                    testsupport::WriteDataSet(dir, flow, MakeFlow(flow, 64, 102, 1, 0.0f, units)));
                ASSERT_TRUE(f.scene.HasDataSet());
                const std::string label =
                    std::string(flow) + " speed " + std::to_string(speed) + " d_sep " + std::to_string(dsep);
                EXPECT_LT(RetracedShare(f.scene), 0.02) << label;
                // The gap is measured to the points; at 5 times the speed a time step moves
                // more than d_sep, and a point's neighbours lie farther apart than any gap.
                if (speed <= 2.0) {
                    EXPECT_LE(InteriorGap(f.scene), dsep) << label;
                }
                for (const std::string& broken : testsupport::PlacementViolations(f.scene))
                    ADD_FAILURE() << label << ": " << broken;
            }
}

// A straight line never meets itself, however far one step carries it: here a time step
// moves about 70 pixels, longer than the arc a loop must cover before it may close.
TEST(FineLoops, AStraightLineNeverMeetsItself) {
    testsupport::TempDir dir;
    DataSetArrays data = DataSetArrays::Zeroed(16, 24, 1);
    for (std::int64_t j = 0; j < 24; ++j)
        for (std::int64_t i = 0; i < 16; ++i) {
            const auto k = static_cast<std::size_t>(j * 16 + i);
            data.nodes[k] = {static_cast<float>(i), static_cast<float>(j)};
            data.u[k] = data.v[k] = 21.0f;
        }
    for (const float step : {0.0f, 1.0f}) {
        testsupport::SceneFixture f;
        DrawSettings s;
        s.placement = kPlacementFine;
        s.stepPixels = step;
        ApplyDrawSettings(f.scene, s);
        f.scene.OpenDataSet(testsupport::WriteDataSet(dir, "diagonal", data));
        ASSERT_TRUE(f.scene.HasDataSet());
        EXPECT_EQ(f.scene.Stats().closedLoops, 0u) << "step " << step;
        EXPECT_GT(f.scene.GetStreamlineCount(), 0u) << "step " << step;
    }
}

// Where one node races and the rest barely move, the time step carries no seed out of its
// pixel: the placement still ends after a few steps per pixel, not the step limit at each.
TEST(FineLoops, ABarelyMovingFlowEndsAfterAFewStepsAPixel) {
    testsupport::TempDir dir;
    DataSetArrays data = DataSetArrays::Zeroed(6, 9, 1);
    for (std::int64_t j = 0; j < 9; ++j)
        for (std::int64_t i = 0; i < 6; ++i) {
            const auto k = static_cast<std::size_t>(j * 6 + i);
            data.nodes[k] = {static_cast<float>(i), static_cast<float>(j)};
            data.u[k] = k == 0 ? 1e30f : 1e-30f;
            data.v[k] = 1e-30f;
        }
    for (const int method : {kMethodEuler, kMethodRK2}) {
        testsupport::SceneFixture f;
        DrawSettings s;
        s.placement = kPlacementFine;
        s.method = method;
        ApplyDrawSettings(f.scene, s);
        f.scene.OpenDataSet(testsupport::WriteDataSet(dir, "still", data));
        ASSERT_TRUE(f.scene.HasDataSet());
        const std::uint64_t pixels = f.scene.Raster().Pixels();
        EXPECT_GT(f.scene.Stats().farthestSeeds, 1u) << "method " << method;
        EXPECT_LT(f.scene.Stats().steps, 6 * pixels) << "method " << method;
    }
}

// Squared distances equal the brute-force nearest feature on random rasters of every density,
// including none and odd shapes, with one field reused for rasters smaller than its size, as
// the updates around new lines use it.
TEST(DistanceField, MatchesTheNearestFeature) {
    std::mt19937 random(7);
    const DistanceField::Squared none = DistanceField::kNoFeature;
    DistanceField field(40, 40);
    for (int trial = 0; trial < 40; ++trial) {
        const int w = 1 + static_cast<int>(random() % 40), h = 1 + static_cast<int>(random() % 40);
        const double density = trial == 0 ? 0.0 : std::ldexp(1.0, -static_cast<int>(random() % 10));
        std::vector<DistanceField::Squared> values(static_cast<std::size_t>(w * h), none);
        std::vector<std::pair<int, int>> features;
        std::bernoulli_distribution pick(density);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (pick(random)) {
                    values[static_cast<std::size_t>(y * w + x)] = 0;
                    features.emplace_back(x, y);
                }
        // Rows left out read as features; the others are measured against all features still.
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(h), 1);
        if (trial % 2) std::generate(rows.begin(), rows.end(), [&] { return random() % 2; });
        field.SquaredDistances(values, w, h, trial % 4 == 1 ? nullptr : rows.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                DistanceField::Squared best = rows[static_cast<std::size_t>(y)] || trial % 4 == 1 ? none : 0;
                for (const auto& [fx, fy] : features)
                    best = std::min(best, (fx - x) * (fx - x) + (fy - y) * (fy - y));
                ASSERT_EQ(values[static_cast<std::size_t>(y * w + x)], best)
                    << w << " x " << h << " at " << x << ", " << y;
            }
    }
}

// The deepest open pixel, found by measuring only the rows that may hold it, is the one a scan
// of every capped distance finds, first of equals included, whatever the features and open
// pixels; a raster whose pixels are all features, or none open, has none.
TEST(DistanceField, DeepestOpenPixelIsTheScansAnswer) {
    std::mt19937 random(11);
    DistanceField field(48, 48);
    for (int trial = 0; trial < 300; ++trial) {
        const int w = 1 + static_cast<int>(random() % 48), h = 1 + static_cast<int>(random() % 48);
        const auto n = static_cast<std::size_t>(w * h);
        const double density = std::ldexp(1.0, -static_cast<int>(random() % 9));
        std::bernoulli_distribution feature(density), shut(trial % 3 == 0 ? 0.0 : 0.3);
        std::vector<DistanceField::Squared> values(n, 1);
        std::vector<std::uint8_t> open(n, 0);
        for (std::size_t i = 0; i < n; ++i) {
            if (feature(random)) values[i] = 0;
            open[i] = values[i] != 0 && !shut(random);
        }
        if (std::find(values.begin(), values.end(), 0) == values.end()) values[random() % n] = 0;
        std::vector<DistanceField::Squared> all = values;
        field.SquaredDistances(all, w, h);
        std::optional<std::size_t> want;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto i = static_cast<std::size_t>(y * w + x);
                const int edge = std::min({x + 1, w - x, y + 1, h - y});
                all[i] = std::min(all[i], edge * edge);
                if (open[i] && (!want || all[i] > all[*want])) want = i;
            }
        EXPECT_EQ(field.DeepestOpenPixel(values, w, h, open.data()), want) << "trial " << trial;
    }
}

}  // namespace
