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
#include "tests/support/placement_checks.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

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

std::vector<std::vector<PixelPoint>> Lines(const FlowScene& scene) {
    std::vector<std::vector<PixelPoint>> lines;
    for (const auto& line : scene.m_streamlines)
        lines.emplace_back(line->Data(), line->Data() + line->GetCount());
    return lines;
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

// A series NAME.gri with NAME.0000K.dat of the forced double gyre at TIMES[K].
std::vector<Frame> GyreSeries(const testsupport::TempDir& dir, const std::string& name,
                              const std::vector<double>& times, Reporter& reporter) {
    const AnalyticFlow& flow = *FindFlow("forced-double-gyre");
    for (std::size_t k = 0; k < times.size(); ++k) {
        const std::string alone = name + "_" + std::to_string(k);
        testsupport::WriteDataSet(dir, alone,
                                  MakeFlow(flow.name, 61, 31, 1, 0.0f, {}, times[k] * flow.period));
        std::filesystem::copy_file(dir.File(alone + ".00000.dat"),
                                   dir.File(name + ".0000" + std::to_string(k) + ".dat"));
        if (k == 0) std::filesystem::copy_file(dir.File(alone + ".gri"), dir.File(name + ".gri"));
    }
    std::vector<Frame> frames;
    EXPECT_TRUE(FramesOf({dir.File(name + ".gri")}, nullptr, reporter, frames));
    EXPECT_EQ(frames.size(), times.size());
    return frames;
}

// Coherent frames start from the seeds of the frame before. On a field that stays, every line
// is traced again from its seed and the picture stays to the pixel; on one that changes, every
// frame keeps the placement's spacing, and most of its lines come from the frame before.
TEST(CoherentFrames, AFieldThatStaysKeepsItsLinesAndAChangingOneItsSpacing) {
    testsupport::TempDir dir;
    testsupport::CollectingReporter reporter;
    const std::vector<Frame> steady = GyreSeries(dir, "steady", {0.1, 0.1, 0.1}, reporter);
    const std::vector<Frame> changing = GyreSeries(dir, "changing", {0.0, 0.002, 0.004, 0.006}, reporter);
    for (const int placement : {kPlacementStandard, kPlacementFine})
        for (const float step : {0.0f, 1.0f})
            for (const int dsep : {6, 12}) {
                SCOPED_TRACE(::testing::Message()
                             << "placement " << placement << ", step " << step << ", dsep " << dsep);
                DrawSettings settings;
                settings.placement = placement;
                settings.stepPixels = step;
                settings.dsep = dsep;
                settings.coherent = true;
                testsupport::SceneFixture f;
                f.scene.SetFixedSeed(5);
                ApplyDrawSettings(f.scene, settings);
                f.scene.OpenDataSet(steady[0].path);
                ASSERT_TRUE(f.scene.HasDataSet());
                const std::size_t bytes = 3 * f.scene.Raster().Pixels();
                for (std::size_t k = 1; k < steady.size(); ++k) {
                    const auto lines = Lines(f.scene);
                    const std::vector<std::uint8_t> image(f.scene.m_pImage.get(),
                                                          f.scene.m_pImage.get() + bytes);
                    ASSERT_TRUE(f.scene.ShowFrame(steady[k]));
                    ASSERT_GT(lines.size(), 10u);
                    EXPECT_EQ(f.scene.Stats().carriedLines, lines.size());
                    EXPECT_EQ(Lines(f.scene), lines);
                    EXPECT_TRUE(std::equal(image.begin(), image.end(), f.scene.m_pImage.get()));
                }
                f.scene.ReleaseDataSet();
                f.scene.OpenDataSet(changing[0].path);
                ASSERT_TRUE(f.scene.HasDataSet());
                for (std::size_t k = 1; k < changing.size(); ++k) {
                    const std::size_t before = f.scene.GetStreamlineCount();
                    ASSERT_TRUE(f.scene.ShowFrame(changing[k]));
                    for (const std::string& broken : testsupport::PlacementViolations(f.scene))
                        ADD_FAILURE() << "frame " << k << ": " << broken;
                    EXPECT_GT(2 * f.scene.Stats().carriedLines, before) << "frame " << k;
                }
            }
    EXPECT_TRUE(reporter.entries.empty());
}

}  // namespace
