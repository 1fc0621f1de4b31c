// The picture items of the Ansicht menu: the legend beside the picture, the colour map and the
// proportions for the next Draw, the picture filling the window with clicks and the read-out
// mapping back, and a window too low for the picture.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <cmath>

#include "app/frame_bar.h"
#include "formats/gri_writer.h"
#include "render/legend_layout.h"
#include "sampling/colour_tables.h"
#include "tests/app/app_harness.h"

using apptest::AppHarness;
using apptest::ImagePixel;
using apptest::IsWhite;
using apptest::Rgb;
using apptest::WindowPixel;

namespace {

QAction* ActionNamed(AppHarness& h, const char* name) {
    return h.Frame().findChild<QAction*>(QLatin1String(name));
}

class PictureView : public ::testing::Test {
protected:
    bool OpenSample(AppHarness& h) {
        h.Scene().SetFixedSeed(7);
        return h.App().OpenPath(QString::fromStdString(sample));
    }
    testsupport::TempDir dir;
    std::string sample = testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow());
};

long long LitIn(const QImage& frame, int x0, int y0, int x1, int y1, bool (*pred)(Rgb)) {
    return picturekit::PictureOf(frame).Count(x0, y0, x1, y1, pred);
}

bool IsLit(Rgb c) {
    return !c.IsBlack();
}

TEST_F(PictureView, TheLegendStandsBesideThePictureAndTheMenuSwitchesIt) {
    AppHarness h;
    for (const char* name : {"actionViewLegend", "actionMapDesign"})
        EXPECT_TRUE(ActionNamed(h, name)->isChecked());
    for (const char* name : {"actionMapViridis", "actionViewEqualAspect", "actionViewFitWindow"})
        EXPECT_FALSE(ActionNamed(h, name)->isChecked()) << name;
    ASSERT_TRUE(OpenSample(h));

    const QImage with = h.Paint();
    const int right = 700 + kLegendWidth;
    EXPECT_GT(LitIn(with, 700, 70, right, 630, IsLit), 3000);
    EXPECT_GT(LitIn(with, 700, 70, right, 630, IsWhite), 100) << "ticks and letters";
    EXPECT_EQ(LitIn(with, right, 0, with.width(), with.height(), IsLit), 0);
    // The bar shows the image's ramp: green for speed, black at the bottom.
    const LegendLayout layout = LayOutLegend(h.Scene().ImageScale());
    const Rgb barTop =
        WindowPixel(with, 700 + kLegendBarLeft + 5, 70 + layout.barBottom + layout.barHeight - 3);
    EXPECT_EQ(barTop.r, 0);
    EXPECT_GT(barTop.g, 240);

    ActionNamed(h, "actionViewLegend")->trigger();
    EXPECT_FALSE(h.Scene().m_modes.legend);
    EXPECT_FALSE(ActionNamed(h, "actionViewLegend")->isChecked());
    const QImage without = h.Paint();
    EXPECT_EQ(LitIn(without, 700, 0, without.width(), without.height(), IsLit), 0);
    EXPECT_EQ(without.copy(0, 0, 700, without.height()), with.copy(0, 0, 700, with.height()));
    ActionNamed(h, "actionViewLegend")->trigger();
    EXPECT_EQ(h.Paint(), with);

    // Map and proportions wait for Draw, as the background does.
    ActionNamed(h, "actionMapViridis")->trigger();
    ActionNamed(h, "actionViewEqualAspect")->trigger();
    EXPECT_EQ(h.Scene().m_modes.colourMap, kColourMapViridis);
    EXPECT_EQ(h.Scene().m_modes.aspect, kAspectEqual);
    EXPECT_FALSE(ActionNamed(h, "actionMapDesign")->isChecked());
    EXPECT_EQ(h.Paint(), with);
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_EQ(h.Scene().m_nMappedAspect, kAspectEqual);
    EXPECT_EQ(h.Scene().ImageScale().map, kColourMapViridis);
    const LegendLayout viridis = LayOutLegend(h.Scene().ImageScale());
    const ColourEntry top = viridis.ramp[static_cast<std::size_t>(viridis.barHeight - 3)];
    EXPECT_EQ(top,
              MapColour(kColourMapViridis, kBackgroundSpeed, (viridis.barHeight - 2.5) / viridis.barHeight));
    const Rgb shownTop =
        WindowPixel(h.Paint(), 700 + kLegendBarLeft + 5, 70 + viridis.barBottom + viridis.barHeight - 3);
    EXPECT_EQ(shownTop, (Rgb{top[0], top[1], top[2]}));
}

// Scaled to the window: each raster pixel covers its share of the view, lines stay one colour,
// and a device position maps back to the raster pixel drawn there, for the read-out and clicks.
TEST_F(PictureView, FillsTheWindowAndMapsThePointerBackToTheSamePixels) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    ActionNamed(h, "actionViewFitWindow")->trigger();
    EXPECT_TRUE(h.View().FitsWindow());
    AppHarness::Settle();
    const QImage frame = h.Paint();
    const PictureFrame at = h.View().Frame();
    const QSize device = h.View().DeviceSize();
    ASSERT_GT(at.zoom, 1.0);
    // The largest that fits: it touches two opposite sides, and is centred.
    const double width = 480 * at.zoom, height = 560 * at.zoom;
    EXPECT_TRUE(std::fabs(width - device.width()) < 1.0 || std::fabs(height - device.height()) < 1.0);
    EXPECT_NEAR(at.originX, (device.width() - width) / 2, 1.0);
    EXPECT_NEAR(at.originY, (device.height() - height) / 2, 1.0);

    const std::vector<bool> mask = apptest::StreamlineMask(h.Scene());
    int compared = 0, white = 0, other = 0;
    for (int wy = at.originY; wy < at.originY + height - 1; wy += 2)
        for (int wx = at.originX; wx < at.originX + 350 * at.zoom - 1; wx += 2) {
            // A device pixel whose middle lies on the border of two raster pixels may show either.
            const double fx = (wx + 0.5 - at.originX) / at.zoom, fy = (wy + 0.5 - at.originY) / at.zoom;
            if (std::fabs(fx - std::round(fx)) < 0.01 || std::fabs(fy - std::round(fy)) < 0.01) continue;
            const PixelPoint p = WindowToRaster(at, wx + 0.5, wy + 0.5);
            const Rgb shown = WindowPixel(frame, wx, wy);
            if (!mask[static_cast<std::size_t>(p.y * 350 + p.x)]) {
                ++compared;
                ASSERT_EQ(shown, ImagePixel(h.Scene(), p.x, p.y)) << wx << ", " << wy;
            } else if (IsWhite(shown)) {
                ++white;
            } else if (!(shown == ImagePixel(h.Scene(), p.x, p.y))) {
                ++other;  // near a line, a pixel is the line or the image
            }
        }
    EXPECT_GT(compared, 20000);
    EXPECT_GT(white, 1000);
    EXPECT_EQ(other, 0) << "lines are drawn at the window's resolution, without blending";
    EXPECT_GT(
        LitIn(frame, static_cast<int>(at.originX + 355 * at.zoom), at.originY,
              static_cast<int>(at.originX + 480 * at.zoom), static_cast<int>(at.originY + height), IsWhite),
        200)
        << "the legend is scaled with the picture";

    for (int y = 1; y < 560; y += 37)
        for (int x = 1; x < 350; x += 29) {
            // The device pixel at the raster pixel's middle, counted from the top and from the bottom.
            const int dx = static_cast<int>(std::floor(at.originX + at.zoom * (x + 0.5)));
            const int fromBottom = static_cast<int>(std::floor(at.originY + at.zoom * (y + 0.5)));
            ASSERT_EQ(h.View().RasterPixelAt(dx, device.height() - 1 - fromBottom), (PixelPoint{x, y}));
            ASSERT_EQ(h.View().ClickPixelAt(dx, device.height() - 1 - fromBottom), (PixelPoint{x, y}));
        }
    h.ClickAtDevice(static_cast<int>(at.originX + at.zoom * 120.5),
                    static_cast<int>(at.originY + at.zoom * 300.5) + 1);
    ASSERT_NE(h.Scene().m_pClickStreamline, nullptr);
    const Streamline& click = *h.Scene().m_pClickStreamline;
    bool fromThere = false;
    for (std::size_t i = 0; i < click.GetCount(); ++i)
        fromThere = fromThere || click.GetPoint(i) == PixelPoint{120, 300};
    EXPECT_TRUE(fromThere);

    const QImage saved = h.View().GrabPicture();
    EXPECT_EQ(saved.width(), std::lround(width));
    EXPECT_EQ(saved.height(), std::lround(height));

    ActionNamed(h, "actionViewFitWindow")->trigger();
    EXPECT_EQ(h.View().Frame(), PictureFrame{});
}

TEST_F(PictureView, AWindowTooLowScrollsWithThePicturesTopInSight) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    h.Frame().setWindowState(Qt::WindowNoState);
    h.Frame().resize(1000, 380);
    AppHarness::Settle();
    QScrollArea* scroll = h.Frame().ViewScroll();
    ASSERT_LT(scroll->viewport()->height() * h.Ratio(), 630);
    // The view keeps the picture's size and the area scrolls, starting at the top.
    EXPECT_EQ(h.View().DeviceSize().height(), 630);
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
    EXPECT_EQ(h.View().mapTo(scroll->viewport(), QPoint(0, 0)).y(), 0);
    const QImage frame = h.Paint();
    // The picture's top row is the view's first.
    EXPECT_EQ(WindowPixel(frame, 360, 629), ImagePixel(h.Scene(), 10, 559));
    EXPECT_GE(h.View().DeviceSize().width(), 700 + kLegendWidth);

    // Filling the window, it shrinks to fit instead.
    ActionNamed(h, "actionViewFitWindow")->trigger();
    AppHarness::Settle();
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_LE(560 * h.View().Frame().zoom, scroll->viewport()->height() * h.Ratio() + 0.5);
}

}  // namespace

namespace {

// A landscape field with a still disc, so that the data's proportions and a zoom show.
DataSetArrays Landscape() {
    using testsupport::Axis;
    return testsupport::MakeRectilinear(
        Axis(121, 0.0f, 30.0f), Axis(41, 0.0f, 10.0f), 1, [](float x, float y) {
            const bool still = std::hypot(x - 20.0f, y - 5.0f) < 2.0f;
            return testsupport::NodeValues{still ? 0.0f : 1.0f, still ? 0.0f : 0.2f, x, y};
        });
}

// Filling the view: the picture has the view's pixels less the legend's at the data's
// proportions, the wheel zooms about the pointer, a drag pans, Pos1 shows the whole data
// again, a click and the read-out keep working, and the choice outlives the program.
TEST_F(PictureView, FillsTheViewZoomsPansAndRemembersIt) {
    const std::string landscape = testsupport::WriteDataSet(dir, "landscape", Landscape());
    const QString choices = QString::fromStdString(dir.File("view.ini"));
    auto h = std::make_unique<AppHarness>(QStringList{QStringLiteral("tesmora")}, choices);
    ASSERT_TRUE(h->App().OpenPath(QString::fromStdString(landscape)));
    ActionNamed(*h, "actionViewFillView")->trigger();
    AppHarness::Settle();
    CTesmoraView& view = h->View();
    FlowScene& scene = h->Scene();
    const QSize device = view.DeviceSize();
    EXPECT_EQ(scene.Raster(), (RasterSize{device.width() - kLegendWidth, device.height()}));
    EXPECT_EQ(scene.m_modes.aspect, kAspectEqual);
    EXPECT_TRUE(ActionNamed(*h, "actionViewEqualAspect")->isChecked());
    EXPECT_TRUE(ActionNamed(*h, "actionViewWholeData")->isEnabled());
    // The disc is round: as many pixels across as up.
    const PixelPoint centre = scene.WorldToPixel({20.0f, 5.0f});
    EXPECT_NEAR(scene.WorldToPixel({22.0f, 5.0f}).x - centre.x,
                scene.WorldToPixel({20.0f, 7.0f}).y - centre.y, 1);
    const QImage filled = h->Paint();
    EXPECT_GT(LitIn(filled, 0, 0, device.width() - kLegendWidth, device.height(), IsLit),
              static_cast<long long>(scene.Raster().Pixels()) / 3);

    // The point under the pointer stays under it.
    const int px = device.width() / 3, py = device.height() / 2;
    const auto under = [&] {
        const std::optional<PixelPoint> p = view.RasterPixelAt(px, py);
        return p ? scene.PixelToWorld(p->x, p->y) : GridNode{-1e9f, -1e9f};
    };
    const GridNode before = under();
    const double widthBefore = scene.PixelToWorld(scene.Raster().width - 1, 0).x - scene.PixelToWorld(0, 0).x;
    view.ZoomAbout(px, py, 2.0);
    AppHarness::Settle();
    const double widthAfter = scene.PixelToWorld(scene.Raster().width - 1, 0).x - scene.PixelToWorld(0, 0).x;
    EXPECT_NEAR(widthAfter, widthBefore / 2.0, widthBefore * 0.01);
    EXPECT_NEAR(under().x, before.x, 2.0 * widthAfter / scene.Raster().width);
    EXPECT_NEAR(under().y, before.y, 2.0 * widthAfter / scene.Raster().width);
    ASSERT_GT(scene.GetStreamlineCount(), 0u);
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i)
        for (std::size_t k = 0; k < scene.StreamlineAt(i).GetCount(); ++k)
            ASSERT_TRUE(
                scene.IsInPicture(scene.StreamlineAt(i).Data()[k].x, scene.StreamlineAt(i).Data()[k].y));

    // A drag to the right brings what lay left into view.
    const GridNode leftBefore = scene.PixelToWorld(0, 0);
    QTest::mousePress(&view, Qt::MiddleButton, {}, QPoint(200, 200));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 200), QPointF(300, 200), Qt::NoButton, Qt::MiddleButton,
                     {});
    QCoreApplication::sendEvent(&view, &move);
    QTest::mouseRelease(&view, Qt::MiddleButton, {}, QPoint(300, 200));
    AppHarness::Settle();
    EXPECT_LT(scene.PixelToWorld(0, 0).x, leftBefore.x - 0.5 * 100 * widthAfter / scene.Raster().width);

    // A click still traces, and the read-out names the point under the pointer.
    const std::optional<PixelPoint> clicked = view.ClickPixelAt(px, py);
    ASSERT_TRUE(clicked);
    view.OnLButtonDown(px, py);
    ASSERT_TRUE(scene.m_pClickStreamline);
    EXPECT_GT(scene.m_pClickStreamline->GetCount(), 2u);

    ActionNamed(*h, "actionViewWholeData")->trigger();
    AppHarness::Settle();
    EXPECT_FALSE(scene.m_modes.window.IsSet());
    EXPECT_NEAR(scene.PixelToWorld(scene.Raster().width - 1, 0).x - scene.PixelToWorld(0, 0).x, widthBefore,
                widthBefore * 0.01);

    // The next start fills the view again; the control bar's settings start afresh.
    h.reset();
    AppHarness again({QStringLiteral("tesmora")}, choices);
    EXPECT_TRUE(again.View().FillsView());
    EXPECT_TRUE(ActionNamed(again, "actionViewFillView")->isChecked());
    ActionNamed(again, "actionViewFillView")->trigger();
    EXPECT_FALSE(again.View().FillsView());
    EXPECT_EQ(again.Scene().m_modes.size, PictureSize{});
}

// A series opens at its first frame with the frame bar; each step shows that frame's own field
// over the one grid, the ends wrap round, and a single field keeps the bar out of sight.
TEST(FrameBar, StepsThroughASeriesAndHidesForOneField) {
    testsupport::TempDir dir;
    std::vector<DataSetArrays> frames;
    for (int k = 0; k < 3; ++k) {
        frames.push_back(testsupport::MakeRectilinear(
            testsupport::Axis(30, 0.0f, 3.0f), testsupport::Axis(40, 0.0f, 4.0f), 1,
            [phase = static_cast<float>(k)](float x, float y) {
                return testsupport::NodeValues{1.0f + 0.3f * phase * std::sin(y), std::cos(x + phase), x, y};
            }));
        std::string error;
        ASSERT_TRUE(k == 0 ? formats::WriteGriPair(dir.File("seq.gri"), frames.back(), &error)
                           : formats::WriteGriSolution(dir.File("seq.0000" + std::to_string(k) + ".dat"),
                                                       frames.back(), &error))
            << error;
    }
    AppHarness h({QStringLiteral("tesmora"), QString::fromStdString(dir.File("seq.gri"))});
    ASSERT_TRUE(h.Started());
    CFrameBar* bar = h.Frame().FrameBar();
    ASSERT_EQ(bar->FrameCount(), 3);
    EXPECT_TRUE(bar->isVisible());
    const auto shows = [&](int k) {
        const FlowScene& scene = h.Scene();
        return std::equal(scene.m_pV.get(), scene.m_pV.get() + scene.NodeCount(),
                          frames[static_cast<std::size_t>(k)].v.get());
    };
    EXPECT_TRUE(shows(0));
    for (const int expected : {1, 2, 0}) {
        bar->NextAction()->trigger();
        AppHarness::Settle();
        EXPECT_EQ(bar->Frame(), expected);
        EXPECT_TRUE(shows(expected)) << expected;
    }
    bar->PreviousAction()->trigger();
    EXPECT_TRUE(shows(2));
    EXPECT_EQ(bar->findChild<QLabel*>(QStringLiteral("frameNumber"))->text(), QStringLiteral("Bild 3 von 3"));
    // Carrying the lines starts with the next frame shown.
    QCheckBox* coherent = bar->findChild<QCheckBox*>(QStringLiteral("coherentLines"));
    ASSERT_NE(coherent, nullptr);
    EXPECT_FALSE(coherent->isChecked());
    EXPECT_EQ(h.Scene().Stats().carriedLines, 0u);
    coherent->click();
    EXPECT_TRUE(h.Scene().m_modes.coherent);
    bar->NextAction()->trigger();
    AppHarness::Settle();
    EXPECT_GT(h.Scene().Stats().carriedLines, 0u);
    // Each frame's own colour range, and back to the series': the picture and its legend take
    // it at once.
    QCheckBox* range = bar->RangeBox();
    EXPECT_TRUE(range->isEnabled());
    EXPECT_FALSE(range->isChecked());
    ASSERT_TRUE(h.Scene().HasSequenceRanges());
    const double series = h.Scene().ImageScale().high;
    range->click();
    EXPECT_EQ(h.Scene().m_modes.range, kRangeFrame);
    EXPECT_FALSE(h.Scene().HasSequenceRanges());
    EXPECT_LT(h.Scene().ImageScale().high, series);
    range->click();
    EXPECT_EQ(h.Scene().m_modes.range, kRangeSequence);
    EXPECT_EQ(h.Scene().ImageScale().high, series);
    bar->PlayAction()->trigger();
    EXPECT_TRUE(bar->Playing());
    ASSERT_TRUE(h.App().OpenPath(QString::fromStdString(testsupport::WriteDataSet(dir, "alone", frames[1]))));
    EXPECT_FALSE(bar->Playing());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(range->isEnabled());
}

}  // namespace
