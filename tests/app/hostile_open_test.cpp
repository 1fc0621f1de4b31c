// File > Open on every near miss and degenerate field of the loader's seed corpus, each after
// a good data set: a rejected file is reported in one message box and leaves the view black,
// a file that loads is shown, and a click into it traces without trouble.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/ui_texts.h"
#include "tests/app/app_harness.h"
#include "tests/fuzz/seed_corpus.h"

using apptest::AppHarness;
using apptest::ImagePixel;
using apptest::IsBlack;
using apptest::WindowPixel;

namespace {

constexpr int kLeft = 350;
constexpr int kBottom = 70;

std::string WriteCase(const testsupport::TempDir& dir, const std::string& name, const FuzzCase& c) {
    const std::string geometry = dir.File(name + ".gri");
    testsupport::WriteBytes(geometry, c.geometry);
    testsupport::WriteBytes(FlowScene::SolutionPathFor(geometry), c.solution);
    return geometry;
}

// Raster pixels within two pixels of a segment of a placed streamline. On these small grids a
// step of the integration spans many pixels, so the segments are marked, not only the points.
std::vector<bool> SegmentMask(const FlowScene& scene) {
    std::vector<bool> mask(350 * 560, false);
    auto mark = [&mask](double x, double y) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const int px = static_cast<int>(std::lround(x)) + dx,
                          py = static_cast<int>(std::lround(y)) + dy;
                if (px >= 0 && py >= 0 && px < 350 && py < 560)
                    mask[static_cast<std::size_t>(py * 350 + px)] = true;
            }
    };
    for (std::size_t l = 0; l < scene.GetStreamlineCount(); ++l) {
        const Streamline& s = scene.StreamlineAt(l);
        for (std::size_t i = 0; i < s.GetCount(); ++i) {
            const PixelPoint q = s.GetPoint(i);
            const PixelPoint p = i == 0 ? q : s.GetPoint(i - 1);
            const int steps = 2 * std::max(std::abs(q.x - p.x), std::abs(q.y - p.y)) + 1;
            for (int k = 0; k <= steps; ++k) {
                const double t = static_cast<double>(k) / steps;
                mark(p.x + t * (q.x - p.x), p.y + t * (q.y - p.y));
            }
        }
    }
    return mask;
}

// The image region shows the scene's image wherever no streamline passes.
int PixelsOffLinesNotShowingTheImage(const QImage& frame, const FlowScene& scene) {
    const std::vector<bool> mask = SegmentMask(scene);
    int wrong = 0;
    for (int y = 0; y < 560; ++y)
        for (int x = 0; x < 350; ++x)
            if (!mask[static_cast<std::size_t>(y * 350 + x)] &&
                WindowPixel(frame, kLeft + x, kBottom + y) != ImagePixel(scene, x, y))
                ++wrong;
    return wrong;
}

int CountBlack(const QImage& frame) {
    int n = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) n += IsBlack(picturekit::ToRgb(frame.pixel(x, y))) ? 1 : 0;
    return n;
}

class HostileOpen : public ::testing::TestWithParam<SeedCase> {
protected:
    testsupport::TempDir dir;
};

TEST_P(HostileOpen, IsShownOrReportedWithABlackView) {
    const SeedCase& c = GetParam();
    const std::string good = WriteCase(dir, "good", SeedCorpus().front().input);
    const std::string path = WriteCase(dir, c.name, c.input);

    AppHarness h;
    ASSERT_TRUE(h.Started());
    h.Scene().SetFixedSeed(12345);
    ASSERT_TRUE(h.App().OpenPath(QString::fromStdString(good)));
    // The case's method and background as the control bar sets them (method 3 is none).
    h.Scene().m_nMethod = c.input.settings.method;
    h.Scene().m_nBackground = c.input.settings.background;

    apptest::ModalCatcher catcher;
    const bool loaded = h.App().OpenPath(QString::fromStdString(path));
    AppHarness::Settle();
    EXPECT_EQ(loaded, c.shouldLoad);
    EXPECT_EQ(h.Scene().HasDataSet(), c.shouldLoad);
    if (!c.shouldLoad) {
        ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
        const auto& box = catcher.SeenSoFar()[0];
        EXPECT_EQ(box.icon, static_cast<int>(QMessageBox::Critical));
        const bool magic = c.input.geometry.compare(0, 6, "SN4DB ") != 0;
        EXPECT_TRUE(
            box.text.contains(magic ? QString("Wrong File Format!") : QString::fromStdString(c.name + ".")))
            << box.text.toStdString();
        const QImage frame = h.Paint();
        EXPECT_EQ(CountBlack(frame), frame.width() * frame.height());
        return;
    }
    // A file of several planes asks which to show, and nothing else; declined, plane 0 is shown.
    const std::size_t asked = h.Scene().m_nk > 1 ? 1 : 0;
    ASSERT_EQ(catcher.SeenSoFar().size(), asked) << catcher.SeenSoFar()[0].text.toStdString();
    if (asked) {
        EXPECT_EQ(catcher.SeenSoFar()[0].title, QString::fromUtf8(ui::kPlaneCaption));
    }
    EXPECT_EQ(PixelsOffLinesNotShowingTheImage(h.Paint(), h.Scene()), 0);
    h.ClickAtDevice(kLeft + c.input.clickX, kBottom + c.input.clickY);
    EXPECT_TRUE(h.Scene().HasDataSet());
    EXPECT_EQ(catcher.SeenSoFar().size(), asked);
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileOpen, ::testing::ValuesIn(SeedCorpus()),
                         [](const ::testing::TestParamInfo<SeedCase>& p) { return p.param.name; });

}  // namespace
