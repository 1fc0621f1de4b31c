// Whole placements: evenly spaced streamlines from a first seed and the seed queue.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <limits>
#include <tuple>
#include <vector>

#include "streamlines/pixel_mapping.h"
#include "tests/streamlines/flow_fixture.h"

namespace {

using streamlines_test::ExpectSubscriptError;
using streamlines_test::LoadedFlow;
using streamlines_test::MakeFlow;
using streamlines_test::PointsOf;
using testsupport::Axis;

// An analytic flow with its stream function psi (u = dpsi/dy, v = -dpsi/dx) and a bound on
// |grad psi| over the square -1..1 it is laid on.
struct AnalyticFlow {
    const char* name;
    streamlines_test::VelocityField velocity;
    std::function<double(double, double)> psi;
    double gradientBound;
};

const AnalyticFlow kRotation{"rotation",
                             [](float x, float y) {
                                 return std::pair{-0.2f * y, 0.2f * x};
                             },
                             [](double x, double y) { return -0.1 * (x * x + y * y); }, 0.2 * std::sqrt(2.0)};
const AnalyticFlow kSaddle{"saddle",
                           [](float x, float y) {
                               return std::pair{0.3f * x, -0.3f * y};
                           },
                           [](double x, double y) { return 0.3 * x * y; }, 0.3 * std::sqrt(2.0)};
const AnalyticFlow kLowerLeft{"lower-left",
                              [](float, float) {
                                  return std::pair{-0.3f, -0.2f};
                              },
                              [](double x, double y) { return -0.3 * y + 0.2 * x; }, std::sqrt(0.13)};

class PlacementTest : public LoadedFlow {
protected:
    void SetUp() override { Scene().SetFixedSeed(4711u); }
    void LoadSquare(const streamlines_test::VelocityField& field) {
        ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(41, -1, 1), Axis(41, -1, 1), field)));
    }
    void Place() {
        Scene().ResetForDraw();
        Scene().PlaceStreamlines();
    }
    std::vector<std::vector<PixelPoint>> AllPoints() {
        std::vector<std::vector<PixelPoint>> all;
        for (std::size_t i = 0; i < Scene().GetStreamlineCount(); ++i)
            all.push_back(PointsOf(Scene().StreamlineAt(i)));
        return all;
    }
};

// Every point of a streamline lies at least d_test from every point of the streamlines placed
// before it, consecutive points lie more than 1.5 pixels apart, and all lie in the raster.
void ExpectEvenlySpaced(const FlowScene& s) {
    const double dtest = s.m_fDTest;
    const int r = static_cast<int>(std::ceil(dtest));
    std::vector<char> earlier(350 * 560, 0);
    for (std::size_t k = 0; k < s.GetStreamlineCount(); ++k) {
        const std::vector<PixelPoint> points = PointsOf(s.StreamlineAt(k));
        for (std::size_t i = 0; i < points.size(); ++i) {
            const PixelPoint p = points[i];
            ASSERT_TRUE(IsInRaster(p.x, p.y)) << "streamline " << k;
            if (i + 1 < points.size()) {
                ASSERT_GT(PixelDistance(p.x, p.y, points[i + 1].x, points[i + 1].y), 1.5)
                    << "streamline " << k;
            }
            for (int y = std::max(p.y - r, 0); y <= std::min(p.y + r, 559); ++y)
                for (int x = std::max(p.x - r, 0); x <= std::min(p.x + r, 349); ++x)
                    if (earlier[static_cast<std::size_t>(y * 350 + x)] &&
                        PixelDistance(x, y, p.x, p.y) < dtest)
                        FAIL() << "streamline " << k << " at (" << p.x << "," << p.y << ") comes within "
                               << PixelDistance(x, y, p.x, p.y) << " of (" << x << "," << y << ")";
        }
        for (const PixelPoint& p : points) earlier[static_cast<std::size_t>(p.y * 350 + p.x)] = 1;
    }
}

// Along each streamline psi changes only by what rounding its points to pixels allows: half a
// pixel's diagonal, in world units, times the steepest slope of psi, on either side.
void ExpectAlongStreamFunction(const FlowScene& s, const AnalyticFlow& flow) {
    const double quantum = 0.5 * std::hypot(s.m_fInvScaleX, s.m_fInvScaleY) * flow.gradientBound;
    for (std::size_t k = 0; k < s.GetStreamlineCount(); ++k) {
        double lo = std::numeric_limits<double>::infinity();
        double hi = -lo;
        for (const PixelPoint& p : PointsOf(s.StreamlineAt(k))) {
            const GridNode w = s.PixelToWorld(p.x, p.y);
            const double value = flow.psi(w.x, w.y);
            lo = std::min(lo, value);
            hi = std::max(hi, value);
        }
        ASSERT_LE(hi - lo, 2 * quantum + 1e-4) << flow.name << ", streamline " << k;
    }
}

class WholePlacementTest : public PlacementTest,
                           public ::testing::WithParamInterface<std::tuple<const AnalyticFlow*, int>> {};

TEST_P(WholePlacementTest, StreamlinesAreEvenlySpacedAndFollowTheFlow) {
    const auto [flow, method] = GetParam();
    ASSERT_NO_FATAL_FAILURE(LoadSquare(flow->velocity));
    Scene().m_nMethod = method;
    Place();
    EXPECT_EQ(Scene().GetSeedCount(), 0u);
    // A flow towards the lower left is placed like any other.
    EXPECT_GE(Scene().GetStreamlineCount(), flow == &kLowerLeft ? 1u : 10u);
    ASSERT_NO_FATAL_FAILURE(ExpectEvenlySpaced(Scene()));
    // Euler's error spirals out of a vortex and drifts along a saddle; the others stay on.
    if (method != 0) {
        ASSERT_NO_FATAL_FAILURE(ExpectAlongStreamFunction(Scene(), *flow));
    }
}

INSTANTIATE_TEST_SUITE_P(AnalyticFlows, WholePlacementTest,
                         ::testing::Combine(::testing::Values(&kRotation, &kSaddle, &kLowerLeft),
                                            ::testing::Values(0, 1, 2)));

class DistanceSettingsTest : public PlacementTest,
                             public ::testing::WithParamInterface<std::tuple<int, float>> {};

TEST_P(DistanceSettingsTest, SpacingHoldsForEveryDistance) {
    const auto [dsep, percent] = GetParam();
    Scene().m_nDSep = dsep;
    Scene().m_fDTestPercent = percent;
    UpdateDTest(Scene());
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kSaddle.velocity));
    Place();
    EXPECT_EQ(Grid().Side(), dsep);
    ASSERT_NO_FATAL_FAILURE(ExpectEvenlySpaced(Scene()));
    ASSERT_NO_FATAL_FAILURE(ExpectAlongStreamFunction(Scene(), kSaddle));
}

INSTANTIATE_TEST_SUITE_P(ControlBarRange, DistanceSettingsTest,
                         ::testing::Values(std::tuple{5, 90.0f}, std::tuple{13, 50.0f}, std::tuple{20, 10.0f},
                                           std::tuple{20, 90.0f}));

TEST_F(PlacementTest, SameSeedSamePlacement) {
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kRotation.velocity));
    Place();
    const auto first = AllPoints();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(Scene().LastSeed(), 4711u);
    Place();
    EXPECT_EQ(AllPoints(), first);

    // A scene of its own, reading the same kind of file, places the same streamlines.
    testsupport::TempDir dir;
    testsupport::SceneFixture other;
    other.scene.SetFixedSeed(4711u);
    ASSERT_TRUE(other.scene.LoadDataSet(testsupport::WriteDataSet(
        dir, "again", MakeFlow(Axis(41, -1, 1), Axis(41, -1, 1), kRotation.velocity))));
    other.scene.ResetForDraw();
    other.scene.PlaceStreamlines();
    ASSERT_EQ(other.scene.GetStreamlineCount(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(PointsOf(other.scene.StreamlineAt(i)), first[i]);

    // Another seed starts elsewhere.
    Scene().SetFixedSeed(4712u);
    Place();
    EXPECT_NE(AllPoints().front(), first.front());
}

TEST_F(PlacementTest, WithoutAFixedSeedTheClockSeedsEveryPlacement) {
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kSaddle.velocity));
    Scene().SetFixedSeed(std::nullopt);
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    Place();
    const auto after = static_cast<std::uint32_t>(std::time(nullptr));
    EXPECT_GE(Scene().LastSeed(), before);
    EXPECT_LE(Scene().LastSeed(), after);
}

TEST_F(PlacementTest, FirstSeedIsTheSecondAndThirdDrawScaledOverTheExtents) {
    // An offset rectangle; the flow moves everywhere, so the first draw is taken.
    ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(5, 3, 7), Axis(5, -20, -12), [](float, float) {
        return std::pair{0.5f, -5.0f};
    })));
    for (std::uint32_t seed : {0u, 1u, 4711u, 123456789u}) {
        Scene().SetFixedSeed(seed);
        const auto draws = Scene().Stats().firstSeedDraws;
        const std::optional<GridNode> w = Scene().PickFirstSeed();
        ASSERT_TRUE(w);
        EXPECT_EQ(Scene().Stats().firstSeedDraws - draws, 1u);
        RandomSource r;
        r.Seed(seed);
        r.Next();
        const int r1 = r.Next();
        const int r2 = r.Next();
        EXPECT_NEAR(w->x, 3.0 + r1 * (4.0 / 32767), 1e-5);
        EXPECT_NEAR(w->y, -20.0 + r2 * (8.0 / 32767), 1e-5);
    }
    // Over many seeds every first seed lies in the grid's rectangle.
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        Scene().SetFixedSeed(seed * 7919u);
        const std::optional<GridNode> w = Scene().PickFirstSeed();
        ASSERT_TRUE(w);
        EXPECT_TRUE(w->x >= 3.0f && w->x <= 7.0f && w->y >= -20.0f && w->y <= -12.0f) << w->x << "," << w->y;
    }
}

TEST_F(PlacementTest, FirstSeedWantsFlowTowardsPlusXOrYAndTakesAnyMovingDrawLast) {
    using Flow = std::pair<float, float>;
    // Towards +x or +y in either component: the first draw is taken.
    for (const Flow& flow : {Flow{1e-4f, -3.0f}, Flow{-3.0f, 2.0f}}) {
        ASSERT_NO_FATAL_FAILURE(LoadSquare([flow](float, float) { return flow; }));
        const auto draws = Scene().Stats().firstSeedDraws;
        EXPECT_TRUE(Scene().PickFirstSeed());
        EXPECT_EQ(Scene().Stats().firstSeedDraws - draws, 1u);
    }
    // Towards the lower left everywhere, just fast enough: every draw is used, and then the
    // first one is taken, which moves.
    ASSERT_NO_FATAL_FAILURE(LoadSquare([](float, float) { return Flow{-1e-4f, -3.0f}; }));
    Scene().SetFixedSeed(5);
    const auto draws = Scene().Stats().firstSeedDraws;
    const std::optional<GridNode> w = Scene().PickFirstSeed();
    ASSERT_TRUE(w);
    EXPECT_EQ(Scene().Stats().firstSeedDraws - draws, 10000u);
    RandomSource r;
    r.Seed(5);
    r.Next();
    const int r1 = r.Next();
    const int r2 = r.Next();
    EXPECT_NEAR(w->x, -1.0 + r1 * (2.0 / 32767), 1e-5);
    EXPECT_NEAR(w->y, -1.0 + r2 * (2.0 / 32767), 1e-5);

    // Left half towards -x, right half towards +x: the seed is drawn again until it lands
    // where the flow runs towards +x, though the left half moves as fast. Only the right part
    // moving, towards -x: the fallback still finds it.
    for (const float leftU : {-1.0f, 0.0f}) {
        ASSERT_NO_FATAL_FAILURE(LoadSquare([leftU](float x, float) {
            return Flow{x > 0.5f ? (leftU < 0 ? 1.0f : -1.0f) : leftU, 0.0f};
        }));
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            Scene().SetFixedSeed(seed);
            const std::optional<GridNode> s = Scene().PickFirstSeed();
            ASSERT_TRUE(s);
            EXPECT_GT(s->x, 0.45f) << "left half " << leftU << ", seed " << seed;
        }
    }
}

TEST_F(PlacementTest, FieldsWithoutUsableFlowPlaceNothingAndEndQuickly) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const streamlines_test::VelocityField fields[] = {
        [](float, float) {
            return std::pair{0.0f, 0.0f};
        },
        [](float, float) {
            return std::pair{0.00005f, -0.00009f};
        },
        [nan](float, float) {
            return std::pair{nan, nan};
        },
        [nan](float, float) {
            return std::pair{nan, 0.0f};
        },
    };
    for (const auto& field : fields) {
        ASSERT_NO_FATAL_FAILURE(LoadSquare(field));
        Place();
        EXPECT_EQ(Scene().GetStreamlineCount(), 0u);
        EXPECT_EQ(Scene().GetSeedCount(), 0u);
        EXPECT_EQ(Scene().Stats().firstSeedDraws, 10000u);
        EXPECT_TRUE(Scene().m_pNodes && Scene().m_pU && Scene().m_pV);  // the data set stays
    }
}

TEST_F(PlacementTest, NaNBesideMovingFlowEndsTheStreamlinesThatReachIt) {
    // The left half is not a number: streamlines end where they would enter it.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ASSERT_NO_FATAL_FAILURE(LoadSquare([nan](float x, float) {
        return x < 0.0f ? std::pair{nan, nan} : std::pair{-0.3f, 0.1f};
    }));
    Place();
    EXPECT_GE(Scene().GetStreamlineCount(), 1u);
    EXPECT_EQ(Scene().GetSeedCount(), 0u);
    ASSERT_NO_FATAL_FAILURE(ExpectEvenlySpaced(Scene()));
}

TEST_F(PlacementTest, SinglePointStreamlineStillCounts) {
    // So fast that every step leaves the domain: the first streamline is its seed alone and
    // offers no candidates.
    ASSERT_NO_FATAL_FAILURE(LoadSquare([](float, float) { return std::pair{1e6f, 1e6f}; }));
    Place();
    ASSERT_EQ(Scene().GetStreamlineCount(), 1u);
    EXPECT_EQ(Scene().StreamlineAt(0).GetCount(), 1u);
    EXPECT_EQ(Scene().GetSeedCount(), 0u);
}

TEST_F(PlacementTest, SeedsAreExaminedOnceEachInQueueOrder) {
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kSaddle.velocity));
    Place();
    ASSERT_GE(Scene().GetStreamlineCount(), 2u);
    const std::vector<PixelPoint> line0 = PointsOf(Scene().StreamlineAt(0));

    // The candidates of every placed streamline, each tried once.
    testsupport::SceneFixture other;
    std::size_t candidates = 0;
    for (std::size_t k = 0; k < Scene().GetStreamlineCount(); ++k) {
        other.scene.AddSeedCandidates(Scene().StreamlineAt(k));
        if (k == 0) candidates = other.scene.GetSeedCount();
    }
    EXPECT_EQ(Scene().Stats().seedsExamined, other.scene.GetSeedCount());

    // The second streamline starts at the first candidate of the first one, in queue order,
    // that keeps d_sep from all of its points.
    std::optional<PixelPoint> expected;
    for (std::size_t i = 0; i < candidates && !expected; ++i) {
        const PixelPoint c = other.scene.GetSeed(i);
        const bool far = std::all_of(line0.begin(), line0.end(), [&](PixelPoint p) {
            return PixelDistance(p.x, p.y, c.x, c.y) >= Scene().m_nDSep;
        });
        if (far) expected = c;
    }
    ASSERT_TRUE(expected);
    const std::vector<PixelPoint> line1 = PointsOf(Scene().StreamlineAt(1));
    EXPECT_NE(std::find(line1.begin(), line1.end(), *expected), line1.end());
}

TEST_F(PlacementTest, StatisticsCountTheWork) {
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kRotation.velocity));
    Place();
    const PlacementStats& stats = Scene().Stats();
    std::uint64_t points = 0;
    for (std::size_t i = 0; i < Scene().GetStreamlineCount(); ++i)
        points += Scene().StreamlineAt(i).GetCount();
    EXPECT_EQ(stats.streamlines, Scene().GetStreamlineCount());
    EXPECT_EQ(stats.points, points);
    EXPECT_EQ(Grid().PointCount(), points);
    EXPECT_LE(stats.steps, 2000u * stats.streamlines);
    EXPECT_GE(stats.steps, points - stats.streamlines);  // each added point took a step
    EXPECT_GE(stats.separationTests, stats.seedsExamined + points - stats.streamlines);
    EXPECT_EQ(stats.firstSeedDraws, 1u);
    // A second placement starts counting afresh.
    Place();
    EXPECT_EQ(Scene().Stats().streamlines, Scene().GetStreamlineCount());
}

TEST_F(PlacementTest, ResetForDrawEmptiesTheListAndRebuildsTheGridButKeepsTheQueue) {
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kSaddle.velocity));
    Place();
    ASSERT_GT(Grid().PointCount(), 0u);
    ASSERT_NE(Scene().AddClickStreamline(100, 100), nullptr);
    Scene().m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    Scene().PushSeed(7, 8);
    Scene().m_nDSep = 15;

    Scene().ResetForDraw();
    EXPECT_EQ(Scene().GetStreamlineCount(), 0u);
    EXPECT_EQ(Scene().m_pImage, nullptr);
    EXPECT_EQ(Scene().m_pClickStreamline, nullptr);
    EXPECT_EQ(Grid().m_nCols, 24);
    EXPECT_EQ(Grid().m_nRows, 38);
    EXPECT_EQ(Grid().PointCount(), 0u);
    EXPECT_EQ(Scene().m_aCellNbr, (NeighbourSlots{0, 1, 24, 25, -1, -1, -1, -1, -1}));
    ASSERT_EQ(Scene().GetSeedCount(), 1u);
    EXPECT_EQ(Scene().GetSeed(0), (PixelPoint{7, 8}));
}

TEST_F(PlacementTest, ListAndQueueReadsPastTheEndRaiseTheSubscriptError) {
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kSaddle.velocity));
    ExpectSubscriptError([&] { Scene().GetSeed(0); });
    ExpectSubscriptError([&] { Scene().GetStreamline(0); });
    Place();
    const std::size_t n = Scene().GetStreamlineCount();
    ExpectSubscriptError([&] { Scene().GetStreamline(n); });
    ExpectSubscriptError([&] { Scene().StreamlineAt(n); });
    // A copy shows the same points and outlives changes to the list.
    Streamline copy = Scene().GetStreamline(n - 1);
    EXPECT_EQ(PointsOf(copy), PointsOf(Scene().StreamlineAt(n - 1)));
    Scene().ResetForDraw();
    EXPECT_GT(copy.GetCount(), 0u);
}

TEST_F(PlacementTest, PlacementWithoutDataOrResetDoesNoHarm) {
    Scene().PlaceStreamlines();  // nothing loaded
    EXPECT_EQ(Scene().GetStreamlineCount(), 0u);
    EXPECT_EQ(Scene().AddClickStreamline(10, 10), nullptr);
    // Loaded, but the grid destroyed behind the scene's back: it is built on demand.
    ASSERT_NO_FATAL_FAILURE(LoadSquare(kSaddle.velocity));
    Grid().DestroyCells();
    Scene().PlaceStreamlines();
    EXPECT_GT(Scene().GetStreamlineCount(), 1u);
    ASSERT_NO_FATAL_FAILURE(ExpectEvenlySpaced(Scene()));
}

TEST_F(PlacementTest, ClickStreamlineRunsThroughPlacedOnesAndIsKeptApart) {
    ASSERT_NO_FATAL_FAILURE(LoadSquare([](float, float) { return std::pair{0.2f, 0.0f}; }));
    Place();
    const auto placed = AllPoints();
    const std::size_t stored = Grid().PointCount();
    // Click onto a point of a placed streamline: the click streamline runs along it.
    const PixelPoint on = Scene().StreamlineAt(0).GetPoint(0);
    const Streamline* click = Scene().AddClickStreamline(on.x, on.y);
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click, Scene().m_pClickStreamline.get());
    EXPECT_LE(click->GetPoint(0).x, 4);  // across the whole raster
    EXPECT_GE(click->GetPoint(click->GetCount() - 1).x, 345);
    for (const PixelPoint& p : PointsOf(*click)) EXPECT_EQ(p.y, on.y);
    EXPECT_EQ(AllPoints(), placed);
    EXPECT_EQ(Grid().PointCount(), stored);
    EXPECT_EQ(Scene().GetSeedCount(), 0u);

    // The method chosen now is used at once, and a second click replaces the first.
    Scene().m_nMethod = 0;
    const Streamline* second = Scene().AddClickStreamline(20, 300);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Scene().m_pClickStreamline.get(), second);
    EXPECT_EQ(second->GetPoint(0).y, 300);
    EXPECT_EQ(AllPoints(), placed);
}

}  // namespace

// The first seed takes flow from 0.0001 on, in single precision: a slow but steady stream
// gets its streamlines.
TEST_F(PlacementTest, FirstSeedTakesFlowFromATenThousandthOn) {
    for (float u : {0.0002f, 0.00011f}) {
        ASSERT_NO_FATAL_FAILURE(LoadSquare([u](float, float) { return std::pair{u, 0.0f}; }));
        const auto draws = Scene().Stats().firstSeedDraws;
        EXPECT_TRUE(Scene().PickFirstSeed()) << u;
        EXPECT_EQ(Scene().Stats().firstSeedDraws - draws, 1u) << u;
    }
}
