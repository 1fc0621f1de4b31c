#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "sampling/interpolation.h"
#include "tests/support/loaded_scene.h"

namespace {

using testsupport::Axis;
using testsupport::LoadedScene;
using testsupport::MakeRectilinear;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The grid x = 0, 1, 2, 3 by y = 0, 10, 20: cells 0, 1, 2 in the bottom row, 4, 5, 6 above.
DataSetArrays SmallGrid() {
    return MakeRectilinear({0, 1, 2, 3}, {0, 10, 20});
}

// The cell search written out the long way: the start cell, then the first column along the
// first row, then the first row of that column, each with inclusive lower and strict upper
// bounds; the last column and row also take their far line; no column means column 0 and
// no row means cell 0.
int ReferenceFindCell(const DataSetArrays& d, float x, float y, int start) {
    const auto ni = static_cast<int>(d.ni);
    const auto nj = static_cast<int>(d.nj);
    const auto node = [&](int k) { return d.nodes[static_cast<std::size_t>(k)]; };
    if (node(start).x <= x && x < node(start + ni + 1).x && node(start).y <= y && y < node(start + ni + 1).y)
        return start;
    int column = -1;
    for (int i = 0; i <= ni - 2 && column < 0; ++i)
        if (node(i).x <= x && x < node(i + 1).x) column = i;
    if (column < 0 && x == node(ni - 1).x) column = ni - 2;
    if (column < 0) column = 0;
    for (int j = 0; j <= nj - 2; ++j)
        if (node(j * ni + column).y <= y && y < node((j + 1) * ni + column + 1).y) return j * ni + column;
    if (y == node((nj - 1) * ni + column + 1).y) return (nj - 2) * ni + column;
    return 0;
}

// Strictly increasing with steps that vary by a factor of up to e^6 from one to the next.
std::vector<float> StretchedAxis(std::mt19937& rng, int n) {
    std::uniform_real_distribution<float> origin(-100.0f, 100.0f);
    std::uniform_real_distribution<float> logStep(-3.0f, 3.0f);
    std::vector<float> axis{origin(rng)};
    while (static_cast<int>(axis.size()) < n) {
        const float next = axis.back() + std::exp(logStep(rng));
        if (next > axis.back()) axis.push_back(next);
    }
    return axis;
}

// Points inside and around the grid, on its node lines, on its far edges, and some that are
// not numbers or infinite.
float PickCoordinate(std::mt19937& rng, const std::vector<float>& axis) {
    const float lo = axis.front();
    const float hi = axis.back();
    const float margin = 0.1f * (hi - lo);
    std::uniform_int_distribution<int> kind(0, 19);
    std::uniform_int_distribution<std::size_t> pick(0, axis.size() - 1);
    std::uniform_real_distribution<float> span(lo - margin, hi + margin);
    switch (kind(rng)) {
        case 0:
            return kNaN;
        case 1:
            return rng() % 2 ? kInf : -kInf;
        case 2:
            return hi;
        case 3:
            return lo;
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
            return axis[pick(rng)];
        case 9:
            return std::nextafter(axis[pick(rng)], -kInf);
        default:
            return span(rng);
    }
}

class CellLocationTest : public LoadedScene {};

TEST_F(CellLocationTest, SmallGridPointsFallIntoTheirCells) {
    ASSERT_NO_FATAL_FAILURE(Load(SmallGrid()));
    FlowScene& s = Scene();
    ASSERT_TRUE(s.IsRectilinear());
    EXPECT_EQ(s.FindCell(0.5f, 5.0f, 0), 0);
    EXPECT_EQ(s.FindCell(1.0f, 10.0f, 0), 5);  // on both lines: the cell above and to the right
    EXPECT_EQ(s.FindCell(2.5f, 19.9f, 0), 6);
    EXPECT_EQ(s.FindCell(0.0f, 0.0f, 0), 0);
    EXPECT_EQ(s.FindCell(2.0f, 9.999f, 0), 2);
    EXPECT_EQ(s.FindCell(1.999f, 10.0f, 0), 5);
    // A start cell that does not hold the point does not change the answer.
    EXPECT_EQ(s.FindCell(2.5f, 19.9f, 5), 6);
    EXPECT_EQ(s.FindCell(0.5f, 5.0f, 6), 0);
}

TEST_F(CellLocationTest, DomainIncludesItsBoundaryAndNothingElse) {
    ASSERT_NO_FATAL_FAILURE(Load(SmallGrid()));
    FlowScene& s = Scene();
    EXPECT_TRUE(s.IsInDomain(0.0f, 0.0f));
    EXPECT_TRUE(s.IsInDomain(3.0f, 0.0f));
    EXPECT_TRUE(s.IsInDomain(0.0f, 20.0f));
    EXPECT_TRUE(s.IsInDomain(3.0f, 20.0f));
    EXPECT_TRUE(s.IsInDomain(1.5f, 7.0f));

    EXPECT_FALSE(s.IsInDomain(std::nextafter(0.0f, -1.0f), 5.0f));
    EXPECT_FALSE(s.IsInDomain(std::nextafter(3.0f, 4.0f), 5.0f));
    EXPECT_FALSE(s.IsInDomain(1.0f, std::nextafter(0.0f, -1.0f)));
    EXPECT_FALSE(s.IsInDomain(1.0f, std::nextafter(20.0f, 21.0f)));

    EXPECT_FALSE(s.IsInDomain(kNaN, 5.0f));
    EXPECT_FALSE(s.IsInDomain(1.0f, kNaN));
    EXPECT_FALSE(s.IsInDomain(kNaN, kNaN));
    EXPECT_FALSE(s.IsInDomain(kInf, 5.0f));
    EXPECT_FALSE(s.IsInDomain(1.0f, -kInf));
}

TEST_F(CellLocationTest, PointsOutsideTakeTheFallbacks) {
    ASSERT_NO_FATAL_FAILURE(Load(SmallGrid()));
    FlowScene& s = Scene();
    // No column: searched in column 0, so the row still counts.
    EXPECT_EQ(s.FindCell(-1.0f, 15.0f, 0), 4);
    EXPECT_EQ(s.FindCell(-1.0f, 5.0f, 0), 0);
    EXPECT_EQ(s.FindCell(7.0f, 15.0f, 0), 4);
    EXPECT_EQ(s.FindCell(kNaN, 15.0f, 0), 4);
    EXPECT_EQ(s.FindCell(-kInf, 15.0f, 0), 4);
    // No row: cell 0 whatever the column.
    EXPECT_EQ(s.FindCell(2.5f, -1.0f, 0), 0);
    EXPECT_EQ(s.FindCell(2.5f, 25.0f, 0), 0);
    EXPECT_EQ(s.FindCell(2.5f, kNaN, 0), 0);
    EXPECT_EQ(s.FindCell(kNaN, kNaN, 0), 0);
    EXPECT_EQ(s.FindCell(-5.0f, 99.0f, 0), 0);
}

TEST_F(CellLocationTest, FarEdgesGoIntoTheLastColumnAndRow) {
    DataSetArrays data = SmallGrid();
    for (std::size_t k = 0; k < 12; ++k) {
        data.u[k] = static_cast<float>(k) + 1.0f;
        data.v[k] = -10.0f * static_cast<float>(k);
    }
    ASSERT_NO_FATAL_FAILURE(Load(data));
    FlowScene& s = Scene();
    EXPECT_EQ(s.FindCell(3.0f, 5.0f, 0), 2);
    EXPECT_EQ(s.FindCell(0.5f, 20.0f, 0), 4);
    EXPECT_EQ(s.FindCell(3.0f, 20.0f, 0), 6);
    EXPECT_EQ(s.FindCell(3.0f, 10.0f, 0), 6);
    EXPECT_EQ(s.FindCell(3.0f, 20.0f, 6), 6);
    // Sampling on the far corner gives that node's values, not a value extrapolated from cell 0.
    const GridNode corner = s.SampleVelocity(3.0f, 20.0f);
    EXPECT_EQ(corner.x, 12.0f);
    EXPECT_EQ(corner.y, -110.0f);
    const GridNode rightEdge = s.SampleVelocity(3.0f, 5.0f);  // halfway between nodes 3 and 7
    EXPECT_FLOAT_EQ(rightEdge.x, 6.0f);
}

TEST_F(CellLocationTest, OnlyRectilinearIncreasingGridsAreSearchedByBisection) {
    std::mt19937 rng(7);
    ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(StretchedAxis(rng, 30), StretchedAxis(rng, 12))));
    EXPECT_TRUE(Scene().IsRectilinear());
    ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear({0, 1}, {0, 1})));
    EXPECT_TRUE(Scene().IsRectilinear());

    using Fault = GridShape::Fault;
    struct Case {
        const char* what;
        std::size_t node;
        GridNode value;
        Fault fault;  // what the shape check names, at that node
    };
    // Each changes one node of the 4 x 3 grid, never one that defines the extents.
    const Case cases[] = {
        {"x varies along a column", 5, {1.25f, 10.0f}, Fault::OffAxes},
        {"y varies along a row", 6, {2.0f, 11.0f}, Fault::OffAxes},
        {"x not increasing", 2, {0.5f, 0.0f}, Fault::XNotIncreasing},
        {"two columns on one line", 2, {1.0f, 0.0f}, Fault::XNotIncreasing},
        {"y not increasing along the first column", 4, {0.0f, 0.0f}, Fault::YNotIncreasing},
        {"a node that is not a number", 5, {kNaN, 10.0f}, Fault::NotFinite},
        {"an infinite node", 6, {2.0f, kInf}, Fault::NotFinite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataSetArrays data = SmallGrid();
        data.nodes[c.node] = c.value;
        ASSERT_NO_FATAL_FAILURE(Load(data));
        EXPECT_FALSE(Scene().IsRectilinear());
        const GridShape shape = CheckGridShape(data.nodes.get(), 4, 3);
        EXPECT_EQ(shape.fault, c.fault);
        EXPECT_EQ(shape.j * 4 + shape.i, static_cast<std::int64_t>(c.node));
    }
    // A second plane may look like anything: only plane 0 is sampled.
    DataSetArrays twoPlanes = MakeRectilinear({0, 1, 2, 3}, {0, 10, 20}, 2);
    twoPlanes.nodes[twoPlanes.Index(1, 1, 1)] = {9.0f, -3.0f};
    ASSERT_NO_FATAL_FAILURE(Load(twoPlanes));
    EXPECT_TRUE(Scene().IsRectilinear());
}

// A reader judges plane 0 in runs that end wherever its chunks do: runs of every length give
// the answer of the whole plane at once, whichever node breaks it (or none), in any row.
TEST(GridShapeCheck, RunsOfAnyLengthJudgeAsTheWholePlane) {
    for (int node = -1; node < 12; ++node) {
        for (const GridNode change : {GridNode{0.25f, 0.0f}, GridNode{0.0f, 0.5f}, GridNode{kNaN, 0.0f}}) {
            DataSetArrays data = SmallGrid();
            if (node >= 0) data.nodes[static_cast<std::size_t>(node)] += change;
            const GridShape whole = CheckGridShape(data.nodes.get(), 4, 3);
            EXPECT_EQ(whole.Rectilinear(), node < 0);
            for (std::int64_t run = 1; run <= 12; ++run) {
                SCOPED_TRACE(testing::Message() << "node " << node << ", runs of " << run);
                GridShapeCheck check(data.nodes.get(), 4);
                for (std::int64_t done = 0; done < 12; done += run)
                    check.Next(std::min<std::int64_t>(run, 12 - done));
                EXPECT_EQ(check.Result().fault, whole.fault);
                EXPECT_EQ(check.Result().i, whole.i);
                EXPECT_EQ(check.Result().j, whole.j);
            }
        }
    }
}

// A large file's rows are judged in parts on several threads, in whatever order they finish:
// the first row alone, then a check from each part's first row, chained in order. One or two
// broken nodes anywhere, parts split at any rows, give the answer of the whole plane.
TEST(GridShapeCheck, PartsOfRowsJudgedApartGiveTheWholePlane) {
    constexpr std::int64_t ni = 4, nj = 6;
    std::mt19937 rng(20261211);
    const GridNode changes[] = {{0.25f, 0.0f}, {-1.5f, 0.0f}, {0.0f, -15.0f}, {kNaN, 0.0f}, {0.0f, kNaN}};
    for (int trial = 0; trial < 400; ++trial) {
        DataSetArrays data = MakeRectilinear({0, 1, 2, 3}, {0, 10, 20, 30, 40, 50});
        for (int broken = static_cast<int>(rng() % 3); broken > 0; --broken)
            data.nodes[rng() % (ni * nj)] += changes[rng() % std::size(changes)];
        const GridShape whole = CheckGridShape(data.nodes.get(), ni, nj);

        std::vector<std::int64_t> firstRows{1};
        for (std::int64_t j = 2; j < nj; ++j)
            if (rng() % 2) firstRows.push_back(j);
        GridShapeCheck firstRow(data.nodes.get(), ni);
        firstRow.Next(ni);
        std::vector<GridShapeCheck> parts;
        for (const std::int64_t j : firstRows) parts.emplace_back(data.nodes.get(), ni, j);
        std::vector<std::size_t> order(parts.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        for (const std::size_t k : order) {
            const std::int64_t end = k + 1 < firstRows.size() ? firstRows[k + 1] : nj;
            for (std::int64_t left = (end - firstRows[k]) * ni; left > 0;) {
                const std::int64_t run =
                    std::min<std::int64_t>(left, 1 + static_cast<std::int64_t>(rng() % 7));
                parts[k].Next(run);
                left -= run;
            }
        }
        GridShape chained = firstRow.Result();
        for (const auto& part : parts) chained = part.After(chained);
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        EXPECT_EQ(chained.fault, whole.fault);
        EXPECT_EQ(chained.i, whole.i);
        EXPECT_EQ(chained.j, whole.j);
    }
}

TEST_F(CellLocationTest, StartCellIsTriedFirstOnAShearedGrid) {
    // Row 1 is shifted right by half a column, so cell 0's rectangle (node 0 to node 4)
    // reaches x = 1.5 and overlaps cell 1's column.
    DataSetArrays data = MakeRectilinear({0, 1, 2}, {0, 1, 2});
    for (int i = 0; i < 3; ++i) data.nodes[data.Index(i, 1)].x += 0.5f;
    ASSERT_NO_FATAL_FAILURE(Load(data));
    FlowScene& s = Scene();
    ASSERT_FALSE(s.IsRectilinear());
    EXPECT_EQ(s.FindCell(1.2f, 0.5f, 0), 0);  // inside the start cell's rectangle
    EXPECT_EQ(s.FindCell(1.2f, 0.5f, 4), 1);  // not in cell 4: the column comes from the first row
    EXPECT_EQ(s.FindCell(2.0f, 0.5f, 4), 1);  // the first row's last x: last column
}

// The bisection must give the scan's answer everywhere, on grids whose spacing varies wildly.
TEST_F(CellLocationTest, SearchAgreesWithTheScanOnStretchedGrids) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> count(2, 90);
    for (int grid = 0; grid < 24; ++grid) {
        std::vector<float> xs = StretchedAxis(rng, count(rng));
        std::vector<float> ys = StretchedAxis(rng, grid == 0 ? 2 : count(rng));
        DataSetArrays data = MakeRectilinear(xs, ys);
        ASSERT_NO_FATAL_FAILURE(Load(data));
        FlowScene& s = Scene();
        // A narrow grid far from zero is moved to the origin on loading; search what was loaded.
        if (s.Origin().Shifted()) {
            const WorldOrigin origin = s.Origin();
            for (float& x : xs) x = static_cast<float>(x - origin.x);
            for (float& y : ys) y = static_cast<float>(y - origin.y);
            data = MakeRectilinear(xs, ys);
        }
        ASSERT_TRUE(s.IsRectilinear());
        const auto ni = static_cast<int>(data.ni);
        std::uniform_int_distribution<int> column(0, ni - 2);
        std::uniform_int_distribution<int> row(0, static_cast<int>(data.nj) - 2);
        int mismatches = 0;
        for (int n = 0; n < 3000; ++n) {
            const float x = PickCoordinate(rng, xs);
            const float y = PickCoordinate(rng, ys);
            const int start = n % 2 ? 0 : row(rng) * ni + column(rng);
            const int expected = ReferenceFindCell(data, x, y, start);
            const int found = s.FindCell(x, y, start);
            if (found != expected && ++mismatches <= 5)
                ADD_FAILURE() << "grid " << grid << " (" << ni << " x " << data.nj << "), point (" << x
                              << ", " << y << "), start " << start << ": found " << found << ", expected "
                              << expected;
        }
        EXPECT_EQ(mismatches, 0) << "grid " << grid;
    }
}

// Grids that are not rectilinear keep the scan's answers, far edges included: those whose
// first row and columns still rise (nodes moved by less than half a step), which are searched
// by bisection, and those where they fall back and forth, which are scanned.
TEST_F(CellLocationTest, DistortedGridsKeepTheScansAnswers) {
    std::mt19937 rng(99);
    for (int grid = 0; grid < 16; ++grid) {
        const std::vector<float> xs = StretchedAxis(rng, 6 + grid);
        const std::vector<float> ys = StretchedAxis(rng, 5 + grid);
        DataSetArrays data = MakeRectilinear(xs, ys);
        // Move inner nodes (never the first row or column) by up to a third of a step, or by
        // up to one and a half.
        const float reach = grid % 2 ? 1.5f : 0.3f;
        std::uniform_real_distribution<float> jitter(-reach, reach);
        for (int j = 1; j < data.nj; ++j)
            for (int i = 1; i < data.ni; ++i) {
                GridNode& node = data.nodes[data.Index(i, j)];
                node.x +=
                    jitter(rng) * (xs[static_cast<std::size_t>(i)] - xs[static_cast<std::size_t>(i - 1)]);
                node.y +=
                    jitter(rng) * (ys[static_cast<std::size_t>(j)] - ys[static_cast<std::size_t>(j - 1)]);
            }
        ASSERT_NO_FATAL_FAILURE(Load(data));
        FlowScene& s = Scene();
        ASSERT_FALSE(s.IsRectilinear());
        for (int n = 0; n < 2000; ++n) {
            const float x = PickCoordinate(rng, xs);
            const float y = PickCoordinate(rng, ys);
            ASSERT_EQ(s.FindCell(x, y, 0), ReferenceFindCell(data, x, y, 0))
                << "point (" << x << ", " << y << ")";
        }
    }
}

// Nodes in no order at all, with repeated coordinates and zeros of both signs, as a hostile
// file may give them: the search by intervals gives the scan's cell for every point.
TEST_F(CellLocationTest, ScrambledGridsKeepTheScansAnswers) {
    std::mt19937 rng(5);
    const std::vector<float> values = {-3.0f, -1.0f, -0.0f, 0.0f, 0.5f, 1.0f, 2.0f, 7.0f};
    std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
    for (int grid = 0; grid < 24; ++grid) {
        DataSetArrays data =
            MakeRectilinear(std::vector<float>(static_cast<std::size_t>(2 + grid % 7), 0.0f),
                            std::vector<float>(static_cast<std::size_t>(2 + grid / 3), 0.0f));
        for (std::int64_t k = 0; k < data.ni * data.nj; ++k)
            data.nodes[static_cast<std::size_t>(k)] = {values[pick(rng)], values[pick(rng)]};
        // The first and last node span the domain.
        data.nodes[0] = {-5.0f, -5.0f};
        data.nodes[static_cast<std::size_t>(data.ni * data.nj - 1)] = {9.0f, 9.0f};
        ASSERT_NO_FATAL_FAILURE(Load(data));
        const FlowScene& s = Scene();
        for (int n = 0; n < 500; ++n) {
            const float x = n % 5 == 0 ? kNaN : std::nextafter(values[pick(rng)], n % 3 ? 0.0f : -kInf);
            const float y = n % 7 == 0 ? kNaN : std::nextafter(values[pick(rng)], n % 2 ? kInf : 0.0f);
            ASSERT_EQ(s.FindCell(x, y, 0), ReferenceFindCell(data, x, y, 0))
                << "grid " << grid << ", point (" << x << ", " << y << ")";
        }
    }
}

}  // namespace

// Sampling remembers the last column and row and looks them up in bins; along a wandering
// walk, with jumps and points outside, it must still interpolate in the scan's cell.
TEST_F(CellLocationTest, SamplingAlongAWalkUsesTheScansCell) {
    std::mt19937 rng(7);
    for (int grid = 0; grid < 6; ++grid) {
        const std::vector<float> xs = StretchedAxis(rng, 40 + 30 * grid);
        const std::vector<float> ys = StretchedAxis(rng, 60 + 20 * grid);
        DataSetArrays data = MakeRectilinear(xs, ys, 1, [](float x, float y) {
            return testsupport::NodeValues{std::sin(0.1f * x) * y, x - 0.3f * y, 0.0f, 0.0f};
        });
        ASSERT_NO_FATAL_FAILURE(Load(data));
        const FlowScene& s = Scene();
        const auto ni = static_cast<int>(data.ni);
        float x = xs[xs.size() / 2], y = ys[ys.size() / 2];
        std::normal_distribution<float> stepX(0.0f, 0.02f * (xs.back() - xs.front()));
        std::normal_distribution<float> stepY(0.0f, 0.02f * (ys.back() - ys.front()));
        int mismatches = 0;
        int previous = 0;
        for (int n = 0; n < 4000; ++n) {
            if (n % 11 == 3) {
                // Onto the upper or right line of the cell just sampled: it belongs to the next.
                x = xs[static_cast<std::size_t>(previous % ni) + 1];
                y = ys[static_cast<std::size_t>(previous / ni) + 1];
            } else if (n % 97 == 0) {
                x = PickCoordinate(rng, xs);
                y = PickCoordinate(rng, ys);
            } else {
                x += stepX(rng);
                y += stepY(rng);
            }
            const int h = ReferenceFindCell(data, x, y, 0);
            previous = h;
            const auto k = static_cast<std::size_t>(h);
            const auto up = static_cast<std::size_t>(ni);
            const GridNode ll = data.nodes[k], ur = data.nodes[k + up + 1];
            const auto expectedU = static_cast<float>(InterpolateInCell(
                x, y, ll.x, ll.y, ur.x, ur.y, data.u[k], data.u[k + 1], data.u[k + up], data.u[k + up + 1]));
            const auto expectedV = static_cast<float>(InterpolateInCell(
                x, y, ll.x, ll.y, ur.x, ur.y, data.v[k], data.v[k + 1], data.v[k + up], data.v[k + up + 1]));
            const GridNode sampled = s.SampleVelocity(x, y);
            const bool same = (sampled.x == expectedU || (std::isnan(sampled.x) && std::isnan(expectedU))) &&
                              (sampled.y == expectedV || (std::isnan(sampled.y) && std::isnan(expectedV)));
            if (!same && ++mismatches <= 5)
                ADD_FAILURE() << "grid " << grid << ", point (" << x << ", " << y << "): sampled ("
                              << sampled.x << ", " << sampled.y << "), expected (" << expectedU << ", "
                              << expectedV << ")";
        }
        EXPECT_EQ(mismatches, 0) << "grid " << grid;
    }
}
