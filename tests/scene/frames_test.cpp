// A time series: frames found and ordered as people number them, and a frame shown over the
// loaded grid gives the very picture its data set gives when opened alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "scene/frame_list.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::Axis;
using testsupport::MakeRectilinear;
using testsupport::NodeValues;

// For random numbers with random leading zeros, paths order by the numbers' values, and the
// order is a strict weak one.
TEST(Frames, NaturalOrderFollowsTheNumbersInThePaths) {
    std::mt19937 random(11);
    auto spelled = [&](int n) { return std::string(random() % 3, '0') + std::to_string(n); };
    for (int trial = 0; trial < 2000; ++trial) {
        const int a = static_cast<int>(random() % 200), b = static_cast<int>(random() % 200);
        const std::string pa = "run/Open_PIV_" + spelled(6) + "_" + spelled(a) + "/field_A000.txt";
        const std::string pb = "run/Open_PIV_" + spelled(6) + "_" + spelled(b) + "/field_A000.txt";
        if (a != b) {
            EXPECT_EQ(NaturalLess(pa, pb), a < b) << pa << " " << pb;
        }
        EXPECT_FALSE(NaturalLess(pa, pa));
        EXPECT_FALSE(NaturalLess(pa, pb) && NaturalLess(pb, pa)) << pa << " " << pb;
    }
    // A reader that takes every file and finds one field in each.
    struct EveryFile : DataSetReader {
        bool Accepts(const std::string&) const override { return true; }
        bool Read(const std::string&, DataSetArrays&, Reporter&) override { return false; }
    } reader;
    testsupport::CollectingReporter reporter;
    std::vector<Frame> frames;
    ASSERT_TRUE(FramesOf({"d/f_10.vtk", "d/f_9.vtk", "d/f_100.vtk", "c/f_9.vtk"}, &reader, reporter, frames));
    std::vector<std::string> order;
    for (const Frame& frame : frames) order.push_back(frame.path);
    EXPECT_EQ(order, (std::vector<std::string>{"c/f_9.vtk", "d/f_9.vtk", "d/f_10.vtk", "d/f_100.vtk"}));
}

DataSetArrays Swirl(float phase, int nx = 41) {
    return MakeRectilinear(Axis(nx, 0.0f, 4.0f), Axis(31, 0.0f, 3.0f), 1, [phase](float x, float y) {
        return NodeValues{std::sin(y + phase) + 0.2f, std::cos(x - phase), x * phase, y - phase};
    });
}

class FrameSeries : public ::testing::Test {
protected:
    // seq.gri with its numbered solution files: frame K is the solution of PHASES[K].
    void SetUp() override {
        const float phases[] = {0.0f, 0.7f, 1.9f};
        for (int k = 0; k < 3; ++k) {
            alone.push_back(testsupport::WriteDataSet(dir, "alone" + std::to_string(k), Swirl(phases[k])));
            std::filesystem::copy_file(dir.File("alone" + std::to_string(k) + ".00000.dat"),
                                       dir.File("seq.0000" + std::to_string(k) + ".dat"));
        }
        std::filesystem::copy_file(alone[0], dir.File("seq.gri"));
        // After a gap, a file is no frame of the series.
        std::filesystem::copy_file(dir.File("seq.00000.dat"), dir.File("seq.00004.dat"));
    }
    static void Open(FlowScene& scene, const std::string& path, int colourMap = kColourMapViridis) {
        DrawSettings settings;
        settings.colourMap = colourMap;
        settings.stepPixels = 1.0f;
        settings.placement = kPlacementFine;
        ApplyDrawSettings(scene, settings);
        scene.OpenDataSet(path);
    }
    static std::vector<std::vector<PixelPoint>> Lines(const FlowScene& scene) {
        std::vector<std::vector<PixelPoint>> lines;
        for (const auto& line : scene.m_streamlines)
            lines.emplace_back(line->Data(), line->Data() + line->GetCount());
        return lines;
    }
    testsupport::TempDir dir;
    std::vector<std::string> alone;
};

TEST_F(FrameSeries, EachFrameIsThePictureOfItsDataSetAlone) {
    std::vector<Frame> frames;
    testsupport::SceneFixture series;
    ASSERT_TRUE(FramesOf({dir.File("seq.gri")}, nullptr, series.reporter, frames));
    ASSERT_EQ(frames.size(), 3u);
    Open(series.scene, dir.File("seq.gri"));
    ASSERT_TRUE(series.scene.HasDataSet());
    for (const int k : {2, 0, 1}) {
        SCOPED_TRACE(k);
        ASSERT_TRUE(series.scene.ShowFrame(frames[static_cast<std::size_t>(k)]));
        testsupport::SceneFixture single;
        Open(single.scene, alone[static_cast<std::size_t>(k)]);
        EXPECT_EQ(single.scene.ImageScale().high, series.scene.ImageScale().high);
        const std::size_t bytes = 3 * single.scene.Raster().Pixels();
        EXPECT_TRUE(std::equal(single.scene.m_pImage.get(), single.scene.m_pImage.get() + bytes,
                               series.scene.m_pImage.get()));
        EXPECT_EQ(Lines(single.scene), Lines(series.scene));
    }
    EXPECT_TRUE(series.reporter.entries.empty());
}

// A frame on another grid, or one that cannot be read, is named and changes nothing.
TEST_F(FrameSeries, AFrameOnAnotherGridIsRefusedByName) {
    const std::string other = testsupport::WriteDataSet(dir, "other", Swirl(0.7f, 42));
    testsupport::SceneFixture series;
    Open(series.scene, dir.File("seq.gri"));
    const std::size_t bytes = 3 * series.scene.Raster().Pixels();
    const std::vector<std::uint8_t> before(series.scene.m_pImage.get(), series.scene.m_pImage.get() + bytes);
    const auto lines = Lines(series.scene);
    for (const Frame& bad : {Frame{other, {}}, Frame{dir.File("seq.gri"), dir.File("seq.00009.dat")}}) {
        series.reporter.entries.clear();
        EXPECT_FALSE(series.scene.ShowFrame(bad));
        ASSERT_EQ(series.reporter.entries.size(), 1u);
        EXPECT_NE(series.reporter.entries[0].text.find(bad.solution.empty() ? "other.gri" : "seq.00009.dat"),
                  std::string::npos)
            << series.reporter.entries[0].text;
        EXPECT_TRUE(std::equal(before.begin(), before.end(), series.scene.m_pImage.get()));
        EXPECT_EQ(Lines(series.scene), lines);
    }
}

}  // namespace
