// Tracing one streamline in both directions, storing it and offering its seed candidates.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "streamlines/pixel_mapping.h"
#include "tests/streamlines/flow_fixture.h"

namespace {

using streamlines_test::LoadedFlow;
using streamlines_test::MakeFlow;
using streamlines_test::PointsOf;
using testsupport::Axis;

// A world of 349 by 559 units over the raster: one world unit is one pixel, so a velocity of
// 10 moves a point one pixel per step.
class TracingTest : public LoadedFlow {
protected:
    void LoadField(const streamlines_test::VelocityField& field) {
        ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(8, 0, 349), Axis(9, 0, 559), field)));
    }
    void LoadUniform(float u, float v) {
        ASSERT_NO_FATAL_FAILURE(LoadField([=](float, float) { return std::pair{u, v}; }));
    }
    // Stores a column of points at x = X, two pixels apart, as an earlier streamline would be.
    void StoreWall(int x) {
        Streamline wall;
        for (int y = 0; y < 560; y += 2) wall.AppendPoint(x, y);
        Scene().InsertIntoGrid(wall);
    }
    // The number of points a backward trace from SEED adds on its own.
    std::size_t BackwardPoints(GridNode seed, int method) {
        Streamline s;
        const PixelPoint start = Scene().WorldToPixel(seed);
        s.AppendPoint(start.x, start.y);
        Scene().TraceDirection(s, seed, method, -1, true);
        return s.GetCount() - 1;
    }
};

void ExpectSpacedApart(const Streamline& s) {
    for (std::size_t i = 0; i + 1 < s.GetCount(); ++i) {
        const PixelPoint a = s.GetPoint(i);
        const PixelPoint b = s.GetPoint(i + 1);
        ASSERT_GT(PixelDistance(a.x, a.y, b.x, b.y), 1.5) << "points " << i << " and " << i + 1;
    }
}

TEST_F(TracingTest, ZeroVelocitySeedTakesAllItsStepsAndHoldsOnlyItsPixel) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(0.0f, 0.0f));
    for (int method : {0, 1, 2}) {
        Scene().ResetForDraw();
        const auto before = Scene().Stats().steps;
        const auto s = Scene().CreateStreamline({120.2f, 300.7f}, method, false);
        EXPECT_EQ(Scene().Stats().steps - before, 2000u) << method;
        ASSERT_EQ(s->GetCount(), 1u);
        EXPECT_EQ(s->GetPoint(0), (PixelPoint{120, 301}));
        EXPECT_EQ(Grid().PointCount(), 1u);     // the seed's pixel is stored like any point
        EXPECT_EQ(Scene().GetSeedCount(), 0u);  // one point offers no candidates
    }
}

TEST_F(TracingTest, SeedSitsAfterItsBackwardPoints) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(10.0f, 0.0f));
    const GridNode seed{100.3f, 200.0f};
    for (int method : {0, 1, 2}) {
        const std::size_t n = BackwardPoints(seed, method);
        ASSERT_GT(n, 10u);
        Scene().ResetForDraw();
        const auto s = Scene().CreateStreamline(seed, method, false);
        EXPECT_EQ(s->GetPoint(n), (PixelPoint{100, 200})) << method;
        const std::vector<PixelPoint> points = PointsOf(*s);
        for (std::size_t i = 0; i + 1 < points.size(); ++i) ASSERT_LT(points[i].x, points[i + 1].x);
        // Both directions run to the domain's edges; the first point of each is more than 1.5
        // pixels from the seed's pixel.
        EXPECT_LE(points.front().x, 2);
        EXPECT_GE(points.back().x, 347);
        EXPECT_GT(PixelDistance(points[n - 1].x, points[n - 1].y, 100, 200), 1.5);
        EXPECT_GT(PixelDistance(points[n + 1].x, points[n + 1].y, 100, 200), 1.5);
    }
}

TEST_F(TracingTest, ConsecutivePointsAreMoreThanOneAndAHalfPixelsApart) {
    // Slow, diagonal, fast and curved flows; a step of ten pixels adds one point, not five.
    const streamlines_test::VelocityField fields[] = {
        [](float, float) {
            return std::pair{0.5f, 0.0f};
        },
        [](float, float) {
            return std::pair{7.0f, 7.0f};
        },
        [](float, float) {
            return std::pair{-3.0f, 11.0f};
        },
        [](float, float) {
            return std::pair{100.0f, 0.0f};
        },
        [](float x, float y) {
            return std::pair{-(y - 280.0f) * 0.05f, (x - 175.0f) * 0.05f};
        },
    };
    for (const auto& field : fields) {
        ASSERT_NO_FATAL_FAILURE(LoadField(field));
        for (int method : {0, 1, 2}) {
            const auto s = Scene().CreateStreamline({170.0f, 250.0f}, method, true);
            EXPECT_GT(s->GetCount(), 3u);
            ExpectSpacedApart(*s);
        }
    }
    ASSERT_NO_FATAL_FAILURE(LoadUniform(100.0f, 0.0f));
    const auto jumps = Scene().CreateStreamline({0.0f, 100.0f}, 1, true);
    ASSERT_EQ(jumps->GetCount(), 35u);  // x = 0, 10, ..., 340
    EXPECT_EQ(jumps->GetPoint(1), (PixelPoint{10, 100}));
}

TEST_F(TracingTest, DirectionWhoseFirstStepLeavesTheDomainAddsNothing) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(10.0f, 0.0f));
    const auto s = Scene().CreateStreamline({348.95f, 300.0f}, 0, false);
    ASSERT_GT(s->GetCount(), 1u);
    EXPECT_EQ(s->GetPoint(s->GetCount() - 1), (PixelPoint{349, 300}));  // the seed is last
    const auto t = Scene().CreateStreamline({0.0f, 100.0f}, 2, true);
    EXPECT_EQ(t->GetPoint(0), (PixelPoint{0, 100}));  // nothing behind the left edge
}

TEST_F(TracingTest, FailedStepEndsItsDirectionInsteadOfJumpingToTheOrigin) {
    // The origin lies inside this domain: a failed step must not be traced as a point there.
    ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(8, -100, 249), Axis(9, -200, 359), [](float, float) {
        return std::pair{10.0f, 0.0f};
    })));
    for (int method : {1, 2}) {
        const auto s = Scene().CreateStreamline({240.0f, 100.0f}, method, true);
        const PixelPoint origin = Scene().WorldToPixel({0.0f, 0.0f});
        for (const PixelPoint& p : PointsOf(*s)) {
            ASSERT_NE(p, origin) << method;
            ASSERT_EQ(p.y, 300) << method;
        }
    }
}

TEST_F(TracingTest, SeparationTestStopsOneDirectionAndTheOtherStillRuns) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(10.0f, 0.0f));
    Scene().m_fDTest = 5.0f;
    StoreWall(200);
    const std::size_t stored = Grid().PointCount();
    const auto s = Scene().CreateStreamline({100.0f, 301.0f}, 1, false);
    const std::vector<PixelPoint> points = PointsOf(*s);
    // Forward it comes as close as the test allows: 194 is 6 from the wall, 196 only 4.
    EXPECT_EQ(points.back(), (PixelPoint{194, 301}));
    EXPECT_LE(points.front().x, 2);
    EXPECT_EQ(Grid().PointCount(), stored + points.size());

    // A click streamline runs through.
    const auto click = Scene().CreateStreamline({100.0f, 301.0f}, 1, true);
    EXPECT_GE(click->GetPoint(click->GetCount() - 1).x, 347);
    EXPECT_EQ(Grid().PointCount(), stored + points.size());  // and is not stored
}

TEST_F(TracingTest, ClosedStreamlineIsFollowedUntilTheStepLimit) {
    // A vortex about the raster's middle, one turn in about 63 steps: a streamline never
    // stops on its own points, so both directions go round until their 1000 steps are done.
    ASSERT_NO_FATAL_FAILURE(LoadField([](float x, float y) { return std::pair{-(y - 280.0f), x - 175.0f}; }));
    const auto before = Scene().Stats().steps;
    const auto s = Scene().CreateStreamline({225.0f, 280.0f}, 2, false);
    EXPECT_EQ(Scene().Stats().steps - before, 2000u);
    const std::vector<PixelPoint> points = PointsOf(*s);
    const std::set<std::pair<int, int>> distinct = [&] {
        std::set<std::pair<int, int>> d;
        for (const PixelPoint& p : points) d.insert({p.x, p.y});
        return d;
    }();
    EXPECT_GT(points.size(), 3 * distinct.size());
    for (const PixelPoint& p : points) EXPECT_NEAR(std::hypot(p.x - 175.0, p.y - 280.0), 50.0, 1.0);
}

TEST_F(TracingTest, PlacedStreamlineIsStoredAndOffersCandidatesAClickStreamlineDoesNot) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(10.0f, 0.0f));
    const auto click = Scene().CreateStreamline({100.0f, 300.0f}, 1, true);
    EXPECT_EQ(Grid().PointCount(), 0u);
    EXPECT_EQ(Scene().GetSeedCount(), 0u);
    const auto placed = Scene().CreateStreamline({100.0f, 300.0f}, 1, false);
    EXPECT_EQ(PointsOf(*placed), PointsOf(*click));
    EXPECT_EQ(Grid().PointCount(), placed->GetCount());
    // Every segment is horizontal and inside: two candidates each.
    EXPECT_EQ(Scene().GetSeedCount(), 2 * (placed->GetCount() - 1));
    // Each point went to its own cell.
    for (const PixelPoint& p : PointsOf(*placed)) {
        const GridCell& cell = Grid().Cell((p.y / 10) * 35 + p.x / 10);
        bool found = false;
        for (const PixelPoint& q : cell.Points()) found = found || q == p;
        EXPECT_TRUE(found) << p.x << "," << p.y;
    }
}

// Seed candidates need no data set: only the streamline and d_sep.
class SeedCandidateTest : public ::testing::Test {
protected:
    std::vector<PixelPoint> CandidatesOf(std::initializer_list<PixelPoint> points) {
        Streamline s;
        for (const PixelPoint& p : points) s.AppendPoint(p.x, p.y);
        const std::size_t before = scene.GetSeedCount();
        scene.AddSeedCandidates(s);
        std::vector<PixelPoint> seeds;
        for (std::size_t i = before; i < scene.GetSeedCount(); ++i) seeds.push_back(scene.GetSeed(i));
        return seeds;
    }
    testsupport::SceneFixture fixture;
    FlowScene& scene = fixture.scene;
};

TEST_F(SeedCandidateTest, CandidatesLieDSepToTheLeftThenToTheRightOfEachSegment) {
    ASSERT_EQ(scene.m_nDSep, 10);
    EXPECT_EQ(CandidatesOf({{50, 50}, {52, 50}}), (std::vector<PixelPoint>{{50, 60}, {50, 40}}));
    EXPECT_EQ(CandidatesOf({{50, 50}, {50, 52}}), (std::vector<PixelPoint>{{40, 50}, {60, 50}}));
    EXPECT_EQ(CandidatesOf({{50, 50}, {48, 50}}), (std::vector<PixelPoint>{{50, 40}, {50, 60}}));
    // Diagonal: the offsets are truncated towards zero, to 7 rather than 7.07.
    EXPECT_EQ(CandidatesOf({{100, 100}, {102, 102}}), (std::vector<PixelPoint>{{93, 107}, {107, 93}}));
    // (-4.47, 8.94) truncates to (-4, 8), not (-5, 8).
    EXPECT_EQ(CandidatesOf({{100, 100}, {102, 101}}), (std::vector<PixelPoint>{{96, 108}, {104, 92}}));
    scene.m_nDSep = 15;
    EXPECT_EQ(CandidatesOf({{50, 50}, {50, 52}}), (std::vector<PixelPoint>{{35, 50}, {65, 50}}));
}

TEST_F(SeedCandidateTest, SegmentBySegmentAndNoneForTheLastPoint) {
    EXPECT_TRUE(CandidatesOf({{50, 50}}).empty());
    EXPECT_EQ(CandidatesOf({{50, 50}, {52, 50}, {52, 52}}),
              (std::vector<PixelPoint>{{50, 60}, {50, 40}, {42, 50}, {62, 50}}));
}

TEST_F(SeedCandidateTest, CandidatesOutsideTheRasterAreDropped) {
    EXPECT_EQ(CandidatesOf({{3, 100}, {3, 102}}), (std::vector<PixelPoint>{{13, 100}}));
    EXPECT_EQ(CandidatesOf({{0, 559}, {2, 559}}), (std::vector<PixelPoint>{{0, 549}}));
    EXPECT_EQ(CandidatesOf({{349, 0}, {349, 2}}), (std::vector<PixelPoint>{{339, 0}}));
    EXPECT_EQ(CandidatesOf({{345, 5}, {345, 7}}), (std::vector<PixelPoint>{{335, 5}}));
    scene.m_nDSep = 400;  // larger than the raster is wide: both sides fall off
    EXPECT_TRUE(CandidatesOf({{175, 280}, {175, 282}}).empty());
    scene.m_nDSep = 10;
    // Points of a hand-made line far off the raster stay off it.
    EXPECT_TRUE(CandidatesOf({{2147483600, 5}, {2147483600, 7}, {-2147483600, 7}}).empty());
}

}  // namespace

// The separation test looks only at points that join the line: one that passes within d_test
// of a stored point between two of them does not end the direction.
TEST_F(TracingTest, OnlyPointsPastTheSpacingMeetTheSeparationTest) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(3.0f, 0.0f));  // 0.3 pixels a step
    FlowScene& s = Scene();
    s.m_nDSep = 10;
    s.m_fDTestPercent = 10.0f;
    UpdateDTest(s);  // d_test 1: a stored point in the line's own pixel is too close
    s.ResetForDraw();
    Streamline stored;
    stored.AppendPoint(103, 200);
    s.InsertIntoGrid(stored);
    const auto line = s.CreateStreamline({100.0f, 200.0f}, kMethodRK2, false);
    const std::vector<PixelPoint> points = PointsOf(*line);
    // Points join two pixels apart, at 102 and 104, each exactly 1 from the stored one.
    EXPECT_NE(std::find(points.begin(), points.end(), PixelPoint{102, 200}), points.end());
    EXPECT_NE(std::find(points.begin(), points.end(), PixelPoint{104, 200}), points.end());
    EXPECT_GT(points.back().x, 300);
}
