// The separation grid: its cells, the neighbour slots and the distance test against it.

#include "streamlines/separation_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/streamlines/flow_fixture.h"

namespace {

using streamlines_test::ExpectSubscriptError;

constexpr NeighbourSlots kCleared{-1, -1, -1, -1, -1, -1, -1, -1, -1};

struct GridSize {
    int d, cols, rows, lastX0, lastY0;
};

class GridSizeTest : public ::testing::TestWithParam<GridSize> {};

TEST_P(GridSizeTest, CellsTileTheRasterWithOnlyTheLastColumnAndRowCut) {
    const GridSize g = GetParam();
    SeparationGrid grid;
    grid.Build(g.d);
    ASSERT_EQ(grid.m_nCols, g.cols);
    ASSERT_EQ(grid.m_nRows, g.rows);
    ASSERT_EQ(grid.CellCount(), g.cols * g.rows);
    const GridCell& last = grid.Cell(grid.CellCount() - 1);
    EXPECT_EQ(*last.m_pMin, (PixelPoint{g.lastX0, g.lastY0}));
    EXPECT_EQ(*last.m_pMax, (PixelPoint{349, 559}));

    long long area = 0;
    for (int c = 0; c < grid.CellCount(); ++c) {
        const GridCell& cell = grid.Cell(c);
        ASSERT_TRUE(cell.m_pMin && cell.m_pMax);
        EXPECT_EQ(cell.GetCount(), 0u);
        const int w = cell.m_pMax->x - cell.m_pMin->x + 1;
        const int h = cell.m_pMax->y - cell.m_pMin->y + 1;
        if (c % g.cols != g.cols - 1) {
            EXPECT_EQ(w, g.d) << c;
        }
        if (c / g.cols != g.rows - 1) {
            EXPECT_EQ(h, g.d) << c;
        }
        area += static_cast<long long>(w) * h;
    }
    // Every pixel lies in the cell that the lookup names, and the areas add up to the
    // raster's: the cells cover it without overlapping.
    EXPECT_EQ(area, 350LL * 560LL);
    NeighbourSlots slots = kCleared;
    grid.ResetNeighbours(slots);
    for (int y = 0; y < 560; ++y)
        for (int x = 0; x < 350; ++x) {
            grid.LocateCell(x, y, slots);
            ASSERT_EQ(slots[0], (y / g.d) * g.cols + x / g.d) << x << "," << y;
            ASSERT_TRUE(grid.Contains(x, y, slots[0]));
        }
}

INSTANTIATE_TEST_SUITE_P(TableSizes, GridSizeTest,
                         ::testing::Values(GridSize{5, 70, 112, 345, 555}, GridSize{10, 35, 56, 340, 550},
                                           GridSize{13, 27, 44, 338, 559}, GridSize{20, 18, 28, 340, 540}));

TEST(SeparationGridTest, CellEdgesBelongToTheLowerCell) {
    SeparationGrid grid;
    grid.Build(10);
    EXPECT_EQ(*grid.Cell(0).m_pMin, (PixelPoint{0, 0}));
    EXPECT_EQ(*grid.Cell(0).m_pMax, (PixelPoint{9, 9}));
    EXPECT_EQ(*grid.Cell(35).m_pMin, (PixelPoint{0, 10}));
    EXPECT_EQ(*grid.Cell(35).m_pMax, (PixelPoint{9, 19}));
    EXPECT_TRUE(grid.Contains(9, 9, 0));
    EXPECT_FALSE(grid.Contains(10, 9, 0));
    EXPECT_FALSE(grid.Contains(9, 10, 0));
    EXPECT_TRUE(grid.Contains(10, 9, 1));
    EXPECT_FALSE(grid.Contains(-1, 0, 0));
    EXPECT_FALSE(grid.Contains(0, 0, -1));    // no such cell
    EXPECT_FALSE(grid.Contains(0, 0, 1960));  // no such cell
}

TEST(SeparationGridTest, NeighbourListsOfTheNineKindsOfCell) {
    SeparationGrid grid;
    grid.Build(10);  // 35 by 56
    const struct {
        int cell;
        NeighbourSlots slots;
    } cases[] = {
        {0, {0, 1, 35, 36, -1, -1, -1, -1, -1}},                   // first of the first row
        {34, {34, 33, 68, 69, -1, -1, -1, -1, -1}},                // last of the first row
        {1925, {1925, 1890, 1891, 1926, -1, -1, -1, -1, -1}},      // first of the last row
        {1959, {1959, 1923, 1924, 1958, -1, -1, -1, -1, -1}},      // last of the last row
        {5, {5, 4, 6, 39, 40, 41, -1, -1, -1}},                    // first row
        {1930, {1930, 1894, 1895, 1896, 1929, 1931, -1, -1, -1}},  // last row
        {70, {70, 35, 36, 71, 105, 106, -1, -1, -1}},              // first column
        {69, {69, 33, 34, 68, 103, 104, -1, -1, -1}},              // last column
        {36, {36, 0, 1, 2, 35, 37, 70, 71, 72}},                   // interior
    };
    for (const auto& c : cases) {
        // Located from a pixel in the middle of the cell, coming from a full interior list, so
        // stale slots would show.
        NeighbourSlots slots{36, 0, 1, 2, 35, 37, 70, 71, 72};
        if (c.cell == 36) slots = {0, 1, 35, 36, -1, -1, -1, -1, -1};
        grid.LocateCell((c.cell % 35) * 10 + 5, (c.cell / 35) * 10 + 5, slots);
        EXPECT_EQ(slots, c.slots) << "cell " << c.cell;
    }
}

TEST(SeparationGridTest, LookupInTheCurrentCellKeepsTheSlots) {
    SeparationGrid grid;
    grid.Build(10);
    NeighbourSlots slots = kCleared;
    grid.LocateCell(15, 15, slots);  // cell 36
    ASSERT_EQ(slots[0], 36);
    // A lookup that recomputed would overwrite this marker.
    slots[8] = 4242;
    grid.LocateCell(19, 19, slots);
    grid.LocateCell(10, 10, slots);
    EXPECT_EQ(slots[0], 36);
    EXPECT_EQ(slots[8], 4242);
    grid.LocateCell(20, 10, slots);  // the next cell along
    EXPECT_EQ(slots, (NeighbourSlots{37, 1, 2, 3, 36, 38, 71, 72, 73}));
}

TEST(SeparationGridTest, PixelsOutsideTheRasterGoToTheNearestCell) {
    SeparationGrid grid;
    grid.Build(10);
    NeighbourSlots slots = kCleared;
    grid.ResetNeighbours(slots);
    const struct {
        int x, y, cell;
    } cases[] = {{-1, -1, 0},    {-1000000, 5, 0},
                 {350, 0, 34},   {2147483647, 559, 1959},
                 {5, 560, 1925}, {-2147483647 - 1, 2147483647, 1925},
                 {175, -3, 17},  {400, 300, 30 * 35 + 34}};
    for (const auto& c : cases) {
        grid.LocateCell(c.x, c.y, slots);
        EXPECT_EQ(slots[0], c.cell) << c.x << "," << c.y;
    }
}

TEST(SeparationGridTest, LookupRecoversFromSlotsThatNameNoCell) {
    // Slots left from a larger grid, or never reset, must not be read as cells.
    SeparationGrid grid;
    grid.Build(20);
    NeighbourSlots slots = kCleared;
    grid.LocateCell(25, 25, slots);
    EXPECT_EQ(slots[0], 19);
    slots = {1959, 1923, 1924, 1958, -1, -1, -1, -1, -1};
    grid.LocateCell(349, 559, slots);
    EXPECT_EQ(slots, (NeighbourSlots{503, 484, 485, 502, -1, -1, -1, -1, -1}));
}

TEST(SeparationGridTest, ResetNeighboursMakesCellZeroCurrentWhateverTheSlotsHeld) {
    SeparationGrid grid;
    grid.Build(13);
    NeighbourSlots slots = kCleared;
    grid.LocateCell(100, 100, slots);
    ASSERT_NE(slots[8], -1);  // an interior cell fills all nine
    grid.ResetNeighbours(slots);
    EXPECT_EQ(slots, (NeighbourSlots{0, 1, 27, 28, -1, -1, -1, -1, -1}));
    // The same as locating a pixel of cell 0 from elsewhere.
    NeighbourSlots located{100, -1, -1, -1, -1, -1, -1, -1, -1};
    grid.LocateCell(3, 3, located);
    EXPECT_EQ(located, slots);
}

TEST(SeparationGridTest, ClearSlotsFromLeavesTheSlotsBefore) {
    NeighbourSlots slots{0, 1, 2, 3, 4, 5, 6, 7, 8};
    SeparationGrid::ClearSlotsFrom(6, slots);
    EXPECT_EQ(slots, (NeighbourSlots{0, 1, 2, 3, 4, 5, -1, -1, -1}));
    SeparationGrid::ClearSlotsFrom(9, slots);
    SeparationGrid::ClearSlotsFrom(100, slots);
    EXPECT_EQ(slots, (NeighbourSlots{0, 1, 2, 3, 4, 5, -1, -1, -1}));
}

TEST(SeparationGridTest, GridsOneCellWideNameOnlyExistingNeighbours) {
    // Sides beyond the control bar's range: one column of cells, or a single cell.
    SeparationGrid grid;
    grid.Build(400);
    ASSERT_EQ(grid.m_nCols, 1);
    ASSERT_EQ(grid.m_nRows, 2);
    NeighbourSlots slots = kCleared;
    grid.ResetNeighbours(slots);
    EXPECT_EQ(slots, (NeighbourSlots{0, 1, -1, -1, -1, -1, -1, -1, -1}));
    grid.LocateCell(0, 559, slots);
    EXPECT_EQ(slots, (NeighbourSlots{1, 0, -1, -1, -1, -1, -1, -1, -1}));
    grid.Build(1000);
    grid.ResetNeighbours(slots);
    EXPECT_EQ(slots, (NeighbourSlots{0, -1, -1, -1, -1, -1, -1, -1, -1}));
    // A side below one pixel is taken as one.
    grid.Build(0);
    EXPECT_EQ(grid.CellCount(), 350 * 560);
}

TEST(SeparationGridTest, CellsStorePointsInOrderAndReleaseThemWithTheCells) {
    SeparationGrid grid;
    grid.DestroyCells();  // nothing to destroy yet
    EXPECT_EQ(grid.CellCount(), 0);
    grid.Build(10);
    GridCell& cell = grid.Cell(36);
    cell.AddPoint(12, 13);
    cell.AddPoint(500, 500);  // not checked against the cell's rectangle
    ASSERT_EQ(cell.GetCount(), 2u);
    EXPECT_EQ(cell.GetPoint(0), (PixelPoint{12, 13}));
    EXPECT_EQ(cell.GetPoint(1), (PixelPoint{500, 500}));
    ExpectSubscriptError([&] { cell.GetPoint(2); });
    ExpectSubscriptError([&] { grid.Cell(0).GetPoint(0); });
    grid.Cell(0).AddPoint(1, 1);
    EXPECT_EQ(grid.PointCount(), 3u);

    grid.DestroyCells();
    EXPECT_EQ(grid.CellCount(), 0);
    EXPECT_EQ(grid.PointCount(), 0u);
    NeighbourSlots slots{5, 5, 5, 5, 5, 5, 5, 5, 5};
    grid.ResetNeighbours(slots);
    EXPECT_EQ(slots, kCleared);
    grid.LocateCell(10, 10, slots);  // no cells: nothing to locate
    EXPECT_EQ(slots, kCleared);
    grid.Build(10);
    EXPECT_EQ(grid.PointCount(), 0u);
}

class SeparationTestFixture : public ::testing::Test {
protected:
    void SetUp() override { scene.ResetForDraw(); }
    void Store(int x, int y) {
        grid.LocateCell(x, y, scene.m_aCellNbr);
        grid.Cell(scene.m_aCellNbr[0]).AddPoint(x, y);
    }
    testsupport::SceneFixture fixture;
    SeparationGrid& grid = fixture.grid;
    FlowScene& scene = fixture.scene;
};

TEST_F(SeparationTestFixture, EmptyGridPassesEverything) {
    EXPECT_TRUE(scene.IsFarEnough(0, 0, 10.0f));
    EXPECT_TRUE(scene.IsFarEnough(349, 559, 10.0f));
    EXPECT_TRUE(scene.IsFarEnough(-50, 700, 10.0f));
}

TEST_F(SeparationTestFixture, ExactlyTheDistancePassesAndJustInsideFails) {
    Store(100, 100);
    EXPECT_TRUE(scene.IsFarEnough(110, 100, 10.0f));   // exactly 10
    EXPECT_TRUE(scene.IsFarEnough(106, 108, 10.0f));   // exactly 10, diagonal
    EXPECT_FALSE(scene.IsFarEnough(107, 107, 10.0f));  // sqrt(98), about 9.9
    EXPECT_FALSE(scene.IsFarEnough(109, 104, 10.0f));  // sqrt(97)
    EXPECT_FALSE(scene.IsFarEnough(100, 100, 10.0f));  // the point itself
    // A fractional test distance, as d_test often is.
    EXPECT_TRUE(scene.IsFarEnough(103, 104, 5.0f));
    EXPECT_FALSE(scene.IsFarEnough(103, 104, 5.5f));
    EXPECT_TRUE(scene.IsFarEnough(100, 100, 0.0f));  // nothing is closer than nothing
}

TEST_F(SeparationTestFixture, FindsPointsInEveryNeighbourCell) {
    // A pixel in the middle of cell 36 (x 10..19, y 10..19) and one stored point per
    // surrounding cell, each within the distance only of the pixel on its side.
    const int sides[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    for (const auto& s : sides) {
        scene.ResetForDraw();
        // On the cell's rim, towards the stored point.
        const int px = s[0] < 0 ? 10 : s[0] > 0 ? 19 : 15;
        const int py = s[1] < 0 ? 10 : s[1] > 0 ? 19 : 15;
        Store(15 + 10 * s[0], 15 + 10 * s[1]);
        const float d = static_cast<float>(std::hypot(15 + 10 * s[0] - px, 15 + 10 * s[1] - py));
        EXPECT_FALSE(scene.IsFarEnough(px, py, d + 0.01f)) << s[0] << "," << s[1];
        EXPECT_TRUE(scene.IsFarEnough(px, py, d - 0.01f)) << s[0] << "," << s[1];
    }
}

TEST_F(SeparationTestFixture, ReadsTheNeighboursEvenWhenTheCellIsCurrent) {
    Store(25, 15);                              // cell 37
    grid.LocateCell(12, 12, scene.m_aCellNbr);  // cell 36 becomes current
    ASSERT_EQ(scene.m_aCellNbr[0], 36);
    EXPECT_FALSE(scene.IsFarEnough(18, 15, 10.0f));
    EXPECT_TRUE(scene.IsFarEnough(15, 15, 10.0f));
}

TEST_F(SeparationTestFixture, PointsBeyondTheNeighbourCellsAreNotSeen) {
    // Distances larger than a cell only see the nine cells around the pixel.
    Store(40, 15);                                   // cell 39 (x 40..49)
    EXPECT_TRUE(scene.IsFarEnough(29, 15, 15.0f));   // cell 37 looks at 36..38 only
    EXPECT_FALSE(scene.IsFarEnough(30, 15, 15.0f));  // cell 38 has 39 beside it
}

}  // namespace
