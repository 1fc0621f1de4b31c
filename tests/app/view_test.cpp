// The view's picture, read back from its framebuffer: where the image and the streamlines
// land, what Draw, the mode radios and a click change, and what a bad file leaves.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/updown_control.h"
#include "tests/app/app_harness.h"

using apptest::AppHarness;
using apptest::ImagePixel;
using apptest::IsArrowBase;
using apptest::IsBlack;
using apptest::IsWhite;
using apptest::NearWindow;
using apptest::WindowPixel;

namespace {

constexpr int kLeft = picturekit::kPictureLeft;
constexpr int kBottom = picturekit::kPictureBottom;

// Every raster pixel away from the streamlines shows exactly the image's colour there.
::testing::AssertionResult ShowsImageOffLines(const QImage& frame, const FlowScene& scene,
                                              const std::vector<bool>& mask) {
    int checked = 0;
    for (int y = 0; y < 560; y += 7)
        for (int x = 0; x < 350; x += 5) {
            if (mask[static_cast<std::size_t>(y * 350 + x)]) continue;
            ++checked;
            const apptest::Rgb shown = WindowPixel(frame, kLeft + x, kBottom + y);
            const apptest::Rgb image = ImagePixel(scene, x, y);
            if (!(shown == image))
                return ::testing::AssertionFailure()
                       << "raster pixel (" << x << ", " << y << ") shows " << shown.r << "," << shown.g << ","
                       << shown.b << " not " << image.r << "," << image.g << "," << image.b;
        }
    if (checked < 1000) return ::testing::AssertionFailure() << "only " << checked << " pixels off the lines";
    return ::testing::AssertionSuccess();
}

// Every point of S is drawn white, give or take the pixel a line through a corner lights.
::testing::AssertionResult DrawsWhite(const QImage& frame, const Streamline& s) {
    if (s.GetCount() < 2)
        return ::testing::AssertionFailure() << "streamline of " << s.GetCount() << " points";
    for (std::size_t i = 0; i < s.GetCount(); ++i) {
        const PixelPoint p = s.GetPoint(i);
        if (!NearWindow(frame, kLeft + p.x, kBottom + p.y, IsWhite))
            return ::testing::AssertionFailure()
                   << "no white near point " << i << " (" << p.x << ", " << p.y << ")";
    }
    return ::testing::AssertionSuccess();
}

// White appears only where a line of the mask passes.
::testing::AssertionResult WhiteOnlyOnLines(const QImage& frame, const std::vector<bool>& mask) {
    for (int y = 0; y < 560; ++y)
        for (int x = 0; x < 350; ++x)
            if (IsWhite(WindowPixel(frame, kLeft + x, kBottom + y)) &&
                !mask[static_cast<std::size_t>(y * 350 + x)])
                return ::testing::AssertionFailure()
                       << "stray white at raster pixel (" << x << ", " << y << ")";
    return ::testing::AssertionSuccess();
}

long long CountAll(const QImage& frame, bool (*pred)(apptest::Rgb)) {
    return picturekit::PictureOf(frame).CountAll(pred);
}

class View : public ::testing::Test {
protected:
    // Opens the sample as File > Open does, with a fixed first seed so that a failure repeats.
    bool OpenSample(AppHarness& h) {
        h.Scene().SetFixedSeed(7);
        return h.App().OpenPath(QString::fromStdString(sample));
    }
    testsupport::TempDir dir;
    std::string sample = testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow());
};

}  // namespace

TEST_F(View, IsBlackWithoutData) {
    AppHarness h;
    const QImage frame = h.Paint();
    ASSERT_GE(frame.width(), kLeft + 350);
    ASSERT_GE(frame.height(), kBottom + 560);
    EXPECT_EQ(CountAll(frame, IsBlack), frame.width() * frame.height());
}

TEST_F(View, OpenShowsThePictureAtItsPlace) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    ASSERT_TRUE(h.Scene().HasDataSet());
    ASSERT_GT(h.Scene().GetStreamlineCount(), 10u);
    EXPECT_EQ(h.Frame().windowTitle(), "wing.gri - Tesmora");

    const QImage frame = h.Paint();
    const std::vector<bool> mask = apptest::StreamlineMask(h.Scene());
    EXPECT_TRUE(ShowsImageOffLines(frame, h.Scene(), mask));
    for (std::size_t i = 0; i < h.Scene().GetStreamlineCount(); ++i) {
        const Streamline& s = h.Scene().StreamlineAt(i);
        if (s.GetCount() >= 2) {
            EXPECT_TRUE(DrawsWhite(frame, s)) << "streamline " << i;
        }
    }
    EXPECT_TRUE(WhiteOnlyOnLines(frame, mask));
    // Just outside the picture on all four sides the view stays black, except where a line
    // along the picture's left or bottom edge lights the pixel beside its vertices.
    const auto nearLine = [&mask](int x, int y) { return mask[static_cast<std::size_t>(y * 350 + x)]; };
    for (int y = 0; y < 560; y += 13) {
        if (!nearLine(0, y)) {
            EXPECT_TRUE(IsBlack(WindowPixel(frame, kLeft - 1, kBottom + y))) << y;
        }
        EXPECT_TRUE(IsBlack(WindowPixel(frame, kLeft + 350, kBottom + y))) << y;
    }
    for (int x = 0; x < 350; x += 13) {
        if (!nearLine(x, 0)) {
            EXPECT_TRUE(IsBlack(WindowPixel(frame, kLeft + x, kBottom - 1))) << x;
        }
        EXPECT_TRUE(IsBlack(WindowPixel(frame, kLeft + x, kBottom + 560))) << x;
    }
    // The speed background is green.
    EXPECT_EQ(ImagePixel(h.Scene(), 100, 100).r, 0);
    EXPECT_GT(ImagePixel(h.Scene(), 100, 100).g, 0);
}

TEST_F(View, DrawAppliesTheChangedSettings) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    const QImage before = h.Paint();

    QTest::mouseClick(h.Bar().BackgroundRadio(1), Qt::LeftButton);
    for (int i = 0; i < 5; ++i) h.ClickSpin(h.Bar().DSepSpin(), true);
    AppHarness::Settle();
    // Until Draw the picture is the same; only the box shows the new distance.
    EXPECT_EQ(h.Paint(), before);
    EXPECT_EQ(h.Bar().DSepBox()->text(), "15");
    EXPECT_EQ(h.Scene().Grid().Side(), 10);

    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_EQ(h.Scene().Grid().Side(), 15);
    const QImage after = h.Paint();
    const std::vector<bool> mask = apptest::StreamlineMask(h.Scene());
    EXPECT_TRUE(ShowsImageOffLines(after, h.Scene(), mask));
    EXPECT_TRUE(WhiteOnlyOnLines(after, mask));
    // Pressure is red: no green, no blue anywhere in the image now.
    int red = 0;
    for (int y = 0; y < 560; y += 11)
        for (int x = 0; x < 350; x += 11) {
            const apptest::Rgb c = ImagePixel(h.Scene(), x, y);
            EXPECT_EQ(c.g, 0);
            EXPECT_EQ(c.b, 0);
            red += c.r > 0 ? 1 : 0;
        }
    EXPECT_GT(red, 1000);
}

TEST_F(View, StreamlinesOrArrowsShowAtOnceWithoutDraw) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    const QImage streamlines = h.Paint();
    EXPECT_EQ(CountAll(streamlines, IsArrowBase), 0);

    AppHarness::Settle();  // the paint that the open asked for
    const int paints = h.View().PaintCount();
    QTest::mouseClick(h.Bar().ModeRadio(true), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_GT(h.View().PaintCount(), paints);
    const QImage arrows = h.View().grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    int bases = 0;
    int lattice = 0;
    for (int y = 15; y < 560 - 15; y += 15)
        for (int x = 15; x < 350 - 15; x += 15) {
            ++lattice;
            bases += NearWindow(arrows, kLeft + x, kBottom + y, IsArrowBase) ? 1 : 0;
        }
    EXPECT_EQ(lattice, 792);
    EXPECT_EQ(bases, lattice);
    // The arrows' scaling asks for its paint as well.
    const int beforeScaling = h.View().PaintCount();
    QTest::mouseClick(h.Bar().ArrowsBySpeedBox(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_GT(h.View().PaintCount(), beforeScaling);
    QTest::mouseClick(h.Bar().ArrowsBySpeedBox(), Qt::LeftButton);
    // The placed streamlines are still there and come back with the mode.
    const std::size_t placed = h.Scene().GetStreamlineCount();
    EXPECT_GT(placed, 0u);
    const int beforeBack = h.View().PaintCount();
    QTest::mouseClick(h.Bar().ModeRadio(false), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_GT(h.View().PaintCount(), beforeBack);
    EXPECT_EQ(h.Scene().GetStreamlineCount(), placed);
    EXPECT_EQ(h.Paint(), streamlines);

    // Draw in hedgehog mode places nothing; back in streamline mode they are placed at once.
    QTest::mouseClick(h.Bar().ModeRadio(true), Qt::LeftButton);
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_EQ(h.Scene().GetStreamlineCount(), 0u);
    QTest::mouseClick(h.Bar().ModeRadio(false), Qt::LeftButton);
    EXPECT_GT(h.Scene().GetStreamlineCount(), 0u);
    const QImage again = h.Paint();
    EXPECT_TRUE(WhiteOnlyOnLines(again, apptest::StreamlineMask(h.Scene())));
    EXPECT_GT(picturekit::PictureOf(again).Count(kLeft, kBottom, kLeft + 350, kBottom + 560, IsWhite), 0);
}

TEST_F(View, ClickStreamlineShowsOnceAndIsGoneAtTheNextPaint) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    const QImage before = h.Paint();
    const std::size_t placed = h.Scene().GetStreamlineCount();
    const std::size_t gridPoints = h.Scene().Grid().PointCount();

    h.ClickAtDevice(kLeft + 120, kBottom + 300);
    ASSERT_NE(h.Scene().m_pClickStreamline, nullptr);
    const Streamline& click = *h.Scene().m_pClickStreamline;
    // Traced from the clicked pixel, through the placed ones without stopping.
    EXPECT_GT(click.GetCount(), 100u);
    EXPECT_EQ(h.Scene().GetStreamlineCount(), placed);
    EXPECT_EQ(h.Scene().Grid().PointCount(), gridPoints);

    const QImage shown = h.Paint();
    EXPECT_TRUE(DrawsWhite(shown, click));
    EXPECT_TRUE(WhiteOnlyOnLines(shown, apptest::StreamlineMask(h.Scene(), &click)));
    EXPECT_NE(shown, before);
    // The next paint of any cause shows the placed streamlines only.
    EXPECT_EQ(h.Paint(), before);
    AppHarness::Settle();
    EXPECT_EQ(h.Paint(), before);
}

TEST_F(View, ClickStreamlineSurvivesIntoASavedPictureWhileShown) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    const QImage plain = h.View().GrabPicture();
    h.ClickAtDevice(kLeft + 200, kBottom + 100);
    AppHarness::Settle();  // the click's own paint
    const QImage withClick = h.View().GrabPicture();
    EXPECT_NE(withClick, plain);
    h.Paint();
    EXPECT_EQ(h.View().GrabPicture(), plain);
}

TEST_F(View, ClicksOnTheEdgeOrWithoutDataDoNothing) {
    AppHarness h;
    h.ClickAtDevice(kLeft + 100, kBottom + 100);
    EXPECT_EQ(h.Scene().m_pClickStreamline, nullptr);

    ASSERT_TRUE(OpenSample(h));
    for (const QPoint p :
         {QPoint(350, 300), QPoint(700, 300), QPoint(500, 70), QPoint(500, 630), QPoint(349, 71)}) {
        h.ClickAtDevice(p.x(), p.y());
        EXPECT_EQ(h.Scene().m_pClickStreamline, nullptr) << p.x() << ", " << p.y();
    }
    // The first pixel inside: raster pixel (1, 1).
    h.ClickAtDevice(351, 71);
    ASSERT_NE(h.Scene().m_pClickStreamline, nullptr);
    const Streamline& s = *h.Scene().m_pClickStreamline;
    bool seedFound = false;
    for (std::size_t i = 0; i < s.GetCount(); ++i) seedFound = seedFound || s.GetPoint(i) == PixelPoint{1, 1};
    EXPECT_TRUE(seedFound);
    // The last pixel inside: raster pixel (349, 559).
    h.ClickAtDevice(699, 629);
    ASSERT_NE(h.Scene().m_pClickStreamline, nullptr);
    EXPECT_NE(h.Scene().m_pClickStreamline.get(), &s);
}

TEST_F(View, ClickUsesTheMethodChosenBeforeDraw) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    h.ClickAtDevice(kLeft + 60, kBottom + 200);
    ASSERT_NE(h.Scene().m_pClickStreamline, nullptr);
    const Streamline rk2 = *h.Scene().m_pClickStreamline;
    QTest::mouseClick(h.Bar().MethodRadio(0), Qt::LeftButton);
    h.ClickAtDevice(kLeft + 60, kBottom + 200);
    const Streamline euler = *h.Scene().m_pClickStreamline;
    // The same seed traced with Euler steps: the same start, a different path somewhere.
    bool differs = rk2.GetCount() != euler.GetCount();
    for (std::size_t i = 0; !differs && i < rk2.GetCount(); ++i)
        differs = !(rk2.GetPoint(i) == euler.GetPoint(i));
    EXPECT_TRUE(differs);
}

TEST_F(View, WrongMagicIsReportedAndLeavesTheViewBlack) {
    AppHarness h;
    ASSERT_TRUE(OpenSample(h));
    const std::string bad = dir.File("bad.gri");
    std::string bytes = "XN4DB 4 4 1 0 0 0.0";
    bytes.resize(40 + 16 * 12, '\0');
    testsupport::WriteBytes(bad, bytes);

    apptest::ModalCatcher catcher;
    EXPECT_FALSE(h.App().OpenPath(QString::fromStdString(bad)));
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    // The fixed first line, then the file and the reason in German.
    EXPECT_EQ(
        catcher.SeenSoFar()[0].text,
        QString::fromStdString("Wrong File Format!\nDie Datei \u201E" + bad +
                               "\u201C ist keine Geometriedatei: sie beginnt nicht mit \u201ESN4DB \u201C."));
    EXPECT_EQ(catcher.SeenSoFar()[0].title, "LOADING ERROR");
    EXPECT_EQ(catcher.SeenSoFar()[0].icon, static_cast<int>(QMessageBox::Critical));
    EXPECT_FALSE(h.Scene().HasDataSet());
    EXPECT_EQ(h.Frame().windowTitle(), "Unbenannt - Tesmora");
    const QImage frame = h.Paint();
    EXPECT_EQ(CountAll(frame, IsBlack), frame.width() * frame.height());
    // Nothing of the earlier data set answers a click or Draw.
    h.ClickAtDevice(kLeft + 100, kBottom + 100);
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    EXPECT_FALSE(h.Scene().HasDataSet());
    EXPECT_EQ(CountAll(h.Paint(), IsBlack), frame.width() * frame.height());
}

TEST_F(View, MissingFileIsReported) {
    AppHarness h;
    apptest::ModalCatcher catcher;
    EXPECT_FALSE(h.App().OpenPath(QString::fromStdString(dir.File("nowhere.gri"))));
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    EXPECT_FALSE(catcher.SeenSoFar()[0].text.isEmpty());
    EXPECT_FALSE(h.Scene().HasDataSet());
}
