// The separation test without square roots: squared thresholds, pixel disks, the grid's
// bitmaps, and whole placements read off them against placements read off the points.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "base/draw_settings.h"
#include "streamlines/pixel_disk.h"
#include "streamlines/pixel_mapping.h"
#include "streamlines/separation_grid.h"
#include "tests/streamlines/flow_fixture.h"

namespace {

using streamlines_test::LoadedFlow;
using streamlines_test::MakeFlow;
using streamlines_test::PointsOf;
using testsupport::Axis;

bool CloserByRoot(std::int64_t n, float dist) {
    return std::sqrt(static_cast<double>(n)) < static_cast<double>(dist);
}

// Every distance a placement tests with: d_sep for seeds, d_test for every whole percentage.
std::vector<float> ProgramDistances() {
    std::set<std::uint32_t> seen;
    std::vector<float> out;
    auto add = [&](float d) {
        if (seen.insert(std::bit_cast<std::uint32_t>(d)).second) out.push_back(d);
    };
    for (int dsep = kDSepMin; dsep <= kDSepMax; ++dsep) {
        add(static_cast<float>(dsep));
        for (int percent = kDTestPercentMin; percent <= kDTestPercentMax; ++percent)
            add(TestDistance(dsep, static_cast<float>(percent)));
    }
    return out;
}

TEST(SquaredThresholdTest, AgreesWithTheSquareRootForEveryPairOfRasterPixels) {
    // Two raster pixels are at most 349 and 559 apart; every squared distance up to that.
    constexpr std::int64_t kLargest = 349 * 349 + 559 * 559;
    const std::vector<float> distances = ProgramDistances();
    ASSERT_GT(distances.size(), 500u);
    for (const float dist : distances) {
        const std::int64_t t = SquaredThreshold(dist);
        ASSERT_GT(t, 0) << dist;
        std::int64_t disagree = 0;
        for (std::int64_t n = 0; n <= kLargest; ++n) disagree += CloserByRoot(n, dist) != (n < t);
        ASSERT_EQ(disagree, 0) << "d = " << dist << ", threshold " << t;
    }
}

TEST(SquaredThresholdTest, AnyOtherDistanceToo) {
    std::mt19937 random(99);
    std::uniform_real_distribution<float> any(0.0f, 40.0f);
    std::vector<float> distances{0.0f,
                                 -3.0f,
                                 std::nextafter(0.0f, 1.0f),
                                 1.0f,
                                 std::sqrt(2.0f),
                                 28.999999f,
                                 29.0f,
                                 std::numeric_limits<float>::quiet_NaN()};
    for (int i = 0; i < 2000; ++i) distances.push_back(any(random));
    for (const float dist : distances) {
        const std::int64_t t = SquaredThreshold(dist);
        for (std::int64_t n = 0; n <= 1700; ++n) ASSERT_EQ(CloserByRoot(n, dist), n < t) << dist << " " << n;
    }
    EXPECT_EQ(SquaredThreshold(std::numeric_limits<float>::infinity()), kNoSquaredThreshold);
    EXPECT_EQ(SquaredThreshold(1e30f), kNoSquaredThreshold);
}

TEST(PixelDiskTest, RowsHoldExactlyTheCloserOffsets) {
    std::vector<float> distances = ProgramDistances();
    distances.push_back(0.5f);
    distances.push_back(28.9f);
    for (const float dist : distances) {
        PixelDisk disk;
        ASSERT_TRUE(PixelDisk::Make(dist, disk)) << dist;
        for (int dy = -30; dy <= 30; ++dy)
            for (int dx = -30; dx <= 30; ++dx) {
                const bool closer = CloserByRoot(std::int64_t{dx} * dx + std::int64_t{dy} * dy, dist);
                const bool inRows = std::abs(dy) <= disk.radius &&
                                    std::abs(dx) <= disk.halfWidth[static_cast<std::size_t>(std::abs(dy))];
                ASSERT_EQ(inRows, closer) << dist << " at " << dx << "," << dy;
                bool inMask = false;
                if (std::abs(dy) <= disk.radius && std::abs(dx) <= disk.radius)
                    inMask =
                        (disk.rowMask[static_cast<std::size_t>(dy + disk.radius)] >> (dx + disk.radius)) & 1u;
                ASSERT_EQ(inMask, closer) << dist << " at " << dx << "," << dy;
            }
    }
    PixelDisk disk;
    EXPECT_FALSE(PixelDisk::Make(29.5f, disk));  // reaches past the largest radius
}

// Whether a stored point lies closer than DIST to (x, y), over every point stored.
bool AnyStoredCloser(const std::vector<PixelPoint>& stored, int x, int y, float dist) {
    return std::any_of(stored.begin(), stored.end(),
                       [&](PixelPoint q) { return PixelDistance(q.x, q.y, x, y) < dist; });
}

TEST(SeparationGridBitmapTest, AnswersAsThePointsDoWithRepeatsAndBothDistances) {
    std::mt19937 random(7);
    for (const int side : {5, 7, 10, 16, 20}) {
        SeparationGrid grid;
        grid.Build(side);
        NeighbourSlots slots{};
        grid.ResetNeighbours(slots);
        // Clusters of points, each pixel many times over, as closed streamlines store them.
        std::vector<PixelPoint> stored;
        std::uniform_int_distribution<int> px(0, 349), py(0, 559), jitter(-3, 3);
        for (int cluster = 0; cluster < 60; ++cluster) {
            const int cx = px(random), cy = py(random);
            for (int k = 0; k < 40; ++k)
                stored.push_back(
                    {std::clamp(cx + jitter(random), 0, 349), std::clamp(cy + jitter(random), 0, 559)});
        }
        const float dists[] = {static_cast<float>(side), TestDistance(side, 50.0f),
                               TestDistance(side, 90.0f)};
        std::size_t next = 0;
        for (int round = 0; round < 6; ++round) {
            const std::size_t upTo = stored.size() * static_cast<std::size_t>(round + 1) / 6;
            grid.StorePoints(stored.data() + next, upTo - next, slots);
            next = upTo;
            const std::vector<PixelPoint> sofar(stored.begin(),
                                                stored.begin() + static_cast<std::ptrdiff_t>(next));
            for (int q = 0; q < 3000; ++q) {
                const int x = px(random), y = py(random);
                // Most of the queries near a cluster, where the answer is in doubt.
                const PixelPoint near = sofar[static_cast<std::size_t>(q) % sofar.size()];
                const int qx = q % 3 ? std::clamp(near.x + 2 * jitter(random), 0, 349) : x;
                const int qy = q % 3 ? std::clamp(near.y + 2 * jitter(random), 0, 559) : y;
                // The first two distances are kept as bitmaps, a third is read off the points.
                for (const float dist : dists) {
                    const std::optional<bool> closer = grid.LocateAndFindCloser(qx, qy, dist, slots);
                    if (dist != dists[2]) {
                        ASSERT_TRUE(closer.has_value());
                    }
                    if (closer) {
                        ASSERT_EQ(*closer, AnyStoredCloser(sofar, qx, qy, dist)) << side << " " << dist;
                    }
                }
            }
        }
        // What the cells show is every point as stored, repeats included.
        std::size_t count = 0;
        for (int c = 0; c < grid.CellCount(); ++c) count += grid.Cell(c).GetCount();
        EXPECT_EQ(count, stored.size());
        EXPECT_EQ(grid.PointCount(), stored.size());
    }
}

TEST(SeparationGridBitmapTest, NoAnswerWhereTheBitmapsCannotGiveTheOnesOfThePoints) {
    SeparationGrid grid;
    grid.Build(10);
    NeighbourSlots slots{};
    grid.ResetNeighbours(slots);
    const PixelPoint p{100, 100};
    grid.StorePoints(&p, 1, slots);
    EXPECT_EQ(grid.LocateAndFindCloser(103, 100, 5.0f, slots), std::optional<bool>(true));
    EXPECT_EQ(grid.LocateAndFindCloser(-1, 100, 5.0f, slots), std::nullopt);    // off the raster
    EXPECT_EQ(grid.LocateAndFindCloser(103, 100, 10.5f, slots), std::nullopt);  // beyond the side
    // A cell changed behind the grid's back: its points are the only answer from now on.
    grid.Cell(0).SetCorners(0, 0, 9, 9);
    EXPECT_EQ(grid.LocateAndFindCloser(103, 100, 5.0f, slots), std::nullopt);
    grid.Build(10);
    grid.ResetNeighbours(slots);
    EXPECT_EQ(grid.LocateAndFindCloser(103, 100, 5.0f, slots), std::optional<bool>(false));
    grid.ReadPointsOnly(true);
    grid.Build(10);
    EXPECT_EQ(grid.LocateAndFindCloser(103, 100, 5.0f, slots), std::nullopt);
}

// Placements whose separation tests read the bitmaps give the streamlines, point for point,
// and the work counts of those that read the points.
class BitmapPlacementTest : public LoadedFlow,
                            public ::testing::WithParamInterface<std::tuple<int, int, int>> {};

TEST_P(BitmapPlacementTest, SameStreamlinesAsReadingThePoints) {
    // Plain locals, not structured bindings: the lambda below captures them, which clang 14 refuses.
    const int flow = std::get<0>(GetParam()), dsep = std::get<1>(GetParam()),
              method = std::get<2>(GetParam());
    const streamlines_test::VelocityField fields[] = {
        // Closed streamlines, retraced up to the step limit.
        [](float x, float y) {
            return std::pair{-0.2f * y, 0.2f * x};
        },
        // Four vortices.
        [](float x, float y) {
            return std::pair{std::sin(3.0f * x) * std::cos(3.0f * y),
                             -std::cos(3.0f * x) * std::sin(3.0f * y)};
        },
        [](float x, float y) {
            return std::pair{0.3f * x, -0.3f * y};
        },
    };
    ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(41, -1, 1), Axis(41, -1, 1), fields[flow])));
    for (const int percent : {10, 50, 90}) {
        auto place = [&](bool pointsOnly) {
            Grid().ReadPointsOnly(pointsOnly);
            DrawSettings settings;
            settings.dsep = dsep;
            settings.dtestPercent = percent;
            settings.method = method;
            ApplyDrawSettings(Scene(), settings);
            Scene().SetFixedSeed(4711u);
            Scene().ResetForDraw();
            Scene().PlaceStreamlines();
            std::vector<std::vector<PixelPoint>> all;
            for (std::size_t i = 0; i < Scene().GetStreamlineCount(); ++i)
                all.push_back(PointsOf(Scene().StreamlineAt(i)));
            const PlacementStats stats = Scene().Stats();
            return std::tuple{all, stats.steps, stats.separationTests, Grid().PointCount()};
        };
        const auto fast = place(false);
        const auto reference = place(true);
        ASSERT_GT(std::get<0>(reference).size(), 1u);
        EXPECT_TRUE(fast == reference) << "flow " << flow << ", d_sep " << dsep << ", " << percent << " %";
    }
    Grid().ReadPointsOnly(false);
}

INSTANTIATE_TEST_SUITE_P(FlowsDistancesMethods, BitmapPlacementTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(5, 7, 12, 20),
                                            ::testing::Values(0, 1, 2)));

}  // namespace
