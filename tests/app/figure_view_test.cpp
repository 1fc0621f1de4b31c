// The figure's items of the Ansicht menu: the axes around the picture in each way the view
// shows it and in the saved picture, and the line choices that change the picture at once.

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "app/view_figure.h"
#include "render/figure_layout.h"
#include "tests/app/app_harness.h"

using apptest::AppHarness;
using apptest::IsWhite;
using apptest::WindowPixel;

namespace {

QAction* ActionNamed(AppHarness& h, const char* name) {
    return h.Frame().findChild<QAction*>(QLatin1String(name));
}

class FigureView : public ::testing::Test {
protected:
    bool OpenSample(AppHarness& h) {
        h.Scene().SetFixedSeed(7);
        return h.App().OpenPath(QString::fromStdString(sample));
    }
    testsupport::TempDir dir;
    std::string sample = testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow());
};

// The frame lies in the view's pixels just outside the picture FRAME shows, white all round.
void ExpectFrameAround(const QImage& shown, const PictureFrame& at, RasterSize raster, const char* how) {
    const int w = static_cast<int>(std::lround(raster.width * at.zoom));
    const int h = static_cast<int>(std::lround(raster.height * at.zoom));
    int outside = 0;
    for (int y = at.originY; y < at.originY + h; ++y) {
        outside += !IsWhite(WindowPixel(shown, at.originX - 1, y));
        outside += !IsWhite(WindowPixel(shown, at.originX + w, y));
    }
    for (int x = at.originX; x < at.originX + w; ++x) {
        outside += !IsWhite(WindowPixel(shown, x, at.originY - 1));
        outside += !IsWhite(WindowPixel(shown, x, at.originY + h));
    }
    EXPECT_EQ(outside, 0) << how;
    // Ticks and labels left of the frame and below it.
    EXPECT_GT(picturekit::PictureOf(shown).Count(0, at.originY, at.originX - 1, at.originY + h, IsWhite), 15)
        << how;
    EXPECT_GT(picturekit::PictureOf(shown).Count(at.originX, 0, at.originX + w, at.originY - 1, IsWhite), 15)
        << how;
}

}  // namespace

TEST_F(FigureView, TheAxesFrameThePictureAsShownAndAsSaved) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    CTesmoraView& view = h.View();
    const QImage plainShown = h.Paint();
    const QImage plainSaved = view.GrabPicture();

    ActionNamed(h, "actionViewAxes")->trigger();
    EXPECT_TRUE(h.Scene().m_modes.axes);
    EXPECT_TRUE(ActionNamed(h, "actionViewAxes")->isChecked());
    const FigureMargins m = ViewFigureMargins(h.Scene());
    ASSERT_GT(m.left, 20);
    ASSERT_GT(m.bottom, 20);

    // Classic: the picture stays where and as it was, the axes in the room around it.
    const QImage classic = h.Paint();
    ExpectFrameAround(classic, view.Frame(), h.Scene().Raster(), "classic");
    const int pictureTop = classic.height() - (kImageOriginY + kRasterHeight);
    // The frame's right side stands on the legend's first column.
    EXPECT_EQ(classic.copy(kImageOriginX, pictureTop, kRasterWidth, kRasterHeight),
              plainShown.copy(kImageOriginX, pictureTop, kRasterWidth, kRasterHeight));
    EXPECT_EQ(classic.copy(kImageOriginX + kRasterWidth + 1, pictureTop, kLegendWidth - 1, kRasterHeight),
              plainShown.copy(kImageOriginX + kRasterWidth + 1, pictureTop, kLegendWidth - 1, kRasterHeight));
    // Saved, the picture grows by the margins and is the one shown.
    const QImage saved = view.GrabPicture();
    EXPECT_EQ(saved.size(), plainSaved.size() + QSize(m.left + m.right, m.top + m.bottom));
    EXPECT_EQ(saved, classic.copy(kImageOriginX - m.left, pictureTop - m.top, saved.width(), saved.height())
                         .convertToFormat(QImage::Format_RGB888));

    // Scaled to the window, the picture leaves the margins free.
    ActionNamed(h, "actionViewFitWindow")->trigger();
    AppHarness::Settle();
    const PictureFrame fitted = view.Frame();
    ASSERT_GT(fitted.zoom, 1.0);
    EXPECT_GE(fitted.originX, m.left);
    EXPECT_GE(fitted.originY, m.bottom);
    ExpectFrameAround(h.Paint(), fitted, h.Scene().Raster(), "fitted");
    EXPECT_EQ(view.GrabPicture().width(),
              std::lround(PictureWidth(true) * fitted.zoom) + ViewFigureMargins(h.Scene()).left);

    // Filling, the picture is made smaller by the margins, and again without them.
    ActionNamed(h, "actionViewFillView")->trigger();
    AppHarness::Settle();
    const QSize device = view.DeviceSize();
    const FigureMargins filled = ViewFigureMargins(h.Scene());
    EXPECT_EQ(h.Scene().Raster(), (RasterSize{device.width() - kLegendWidth - filled.left - filled.right,
                                              device.height() - filled.top - filled.bottom}));
    ExpectFrameAround(h.Paint(), view.Frame(), h.Scene().Raster(), "filled");
    ActionNamed(h, "actionViewAxes")->trigger();
    AppHarness::Settle();
    EXPECT_EQ(h.Scene().Raster(), (RasterSize{device.width() - kLegendWidth, device.height()}));
    EXPECT_EQ(view.Frame(), (PictureFrame{0, 0, 1.0}));
}

// Each choice changes the picture at its next paint and back again; the lines' colour, like the
// colour map, waits for Draw.
TEST_F(FigureView, TheLineChoicesChangeThePictureAndBack) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    struct Choice {
        const char* action;
        bool DrawSettings::*setting;
        bool hedgehog;
    };
    for (const Choice& c : {Choice{"actionViewLineArrows", &DrawSettings::lineArrows, false},
                            Choice{"actionViewSmooth", &DrawSettings::smooth, false},
                            Choice{"actionViewArrowHeads", &DrawSettings::arrowHeads, true}}) {
        if (c.hedgehog) h.View().OnModeHedgehog();
        const QImage before = h.Paint();
        ActionNamed(h, c.action)->trigger();
        EXPECT_TRUE(h.View().Settings().*c.setting) << c.action;
        EXPECT_TRUE(ActionNamed(h, c.action)->isChecked()) << c.action;
        EXPECT_NE(h.Paint(), before) << c.action;
        ActionNamed(h, c.action)->trigger();
        EXPECT_FALSE(h.View().Settings().*c.setting) << c.action;
        EXPECT_EQ(h.Paint(), before) << c.action;
    }
    h.View().OnModeStreamlines();

    EXPECT_TRUE(ActionNamed(h, "actionLinesPlain")->isChecked());
    const QImage plain = h.Paint();
    ActionNamed(h, "actionLinesSpeed")->trigger();
    EXPECT_EQ(h.View().Settings().lineColour, kLinesSpeed);
    EXPECT_FALSE(ActionNamed(h, "actionLinesPlain")->isChecked());
    EXPECT_EQ(h.Paint(), plain);
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_TRUE(h.Scene().LineScale().coloured);
    EXPECT_NE(h.Paint(), plain);
}
