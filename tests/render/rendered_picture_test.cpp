// tesmora-render's pictures looked at as a person would: the background in its field's
// colours, white streamlines exactly where the exported points say and nowhere else, red arrow
// bases on the hedgehog's lattice, the legend right of the picture. These are properties of
// every correct picture, so unlike a baseline they hold through deliberate changes of the
// drawing, and they see every line and arrow, where a baseline's tolerance hides a few
// hundred pixels. Each test runs the shipped program on a generated sample with a fixed seed;
// its picture stays in the build folder (tests/render/out) to be looked at when a test fails.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/raster_geometry.h"
#include "render/picture_frame.h"
#include "render/scene_drawing.h"
#include "tests/support/picture_kit_qt.h"

namespace {

using picturekit::IsArrowBase;
using picturekit::IsWhite;
using picturekit::Picture;
using picturekit::Rgb;

QString Sample(const char* name) {
    return QStringLiteral(TESMORA_SAMPLES "/") + name;
}
QString Out(const std::string& name) {
    return QStringLiteral(TESMORA_OUT "/") + QString::fromStdString(name);
}

// What one run left: its exit, its messages, its picture and the text of its streamline file.
struct Drawn {
    int exitCode = -1;
    std::string out, err;
    Picture picture;
    std::string json;
};

// Runs tesmora-render with ARGUMENTS, writing NAME.png and NAME.json into the output folder,
// and expects a normal end with exit code 0 and a picture of WIDTH x 560 pixels (of any size
// with a WIDTH of 0).
Drawn Draw(const std::string& name, const QStringList& arguments, int width = kRasterWidth) {
    const QString png = Out(name + ".png"), json = Out(name + ".json");
    // An earlier run's files must not pass for this one's.
    QFile::remove(png);
    QFile::remove(json);
    QProcess process;
    process.start(QStringLiteral(TESMORA_RENDER),
                  arguments + QStringList{"-o", png, "--streamlines-json", json});
    Drawn d;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "the run did not finish within 120 s";
        return d;
    }
    d.out = process.readAllStandardOutput().toStdString();
    d.err = process.readAllStandardError().toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "the run crashed: " << d.err;
    d.exitCode = process.exitCode();
    EXPECT_EQ(d.exitCode, 0) << d.err;
    d.picture = picturekit::PictureOf(QImage(png));
    if (width > 0) {
        EXPECT_EQ(d.picture.Width(), width) << png.toStdString();
        EXPECT_EQ(d.picture.Height(), kRasterHeight) << png.toStdString();
    }
    QFile file(json);
    if (file.open(QIODevice::ReadOnly)) d.json = file.readAll().toStdString();
    return d;
}

// Whether TEXT (an output or the streamline file, which runs to hundreds of kilobytes) holds PART;
// a failure names the part and shows only the text's beginning.
::testing::AssertionResult Holds(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "no " << part << " in " << text.substr(0, 300) << (text.size() > 300 ? "..." : "");
}

bool SizeIs(const Drawn& d, int width) {
    return d.picture.Width() == width && d.picture.Height() == kRasterHeight;
}

enum class Background { Green, Red, Grey };

// Every pixel that is not a white overlay pixel has the background's channel pattern, and the
// field is really shown: a good part of the picture is lit and the brightest value is the top
// of the colour map. (Grey has white in its map, so there every pixel counts.)
void ExpectBackground(const Picture& pic, Background colour) {
    long long lit = 0, background = 0, wrong = 0;
    int brightest = 0;
    std::string firstWrong;
    for (int y = 0; y < kRasterHeight; ++y) {
        for (int x = 0; x < kRasterWidth; ++x) {
            const Rgb c = pic.At(x, y);
            if (IsWhite(c) && colour != Background::Grey) continue;
            ++background;
            bool ok = c.r == c.g && c.g == c.b;
            int level = c.r;
            if (colour == Background::Green) {
                ok = c.r == 0 && c.b == 0;
                level = c.g;
            } else if (colour == Background::Red) {
                ok = c.g == 0 && c.b == 0;
            }
            if (!ok && wrong++ == 0) {
                firstWrong = "(" + std::to_string(x) + ", " + std::to_string(y) +
                             ") = " + std::to_string(c.r) + "," + std::to_string(c.g) + "," +
                             std::to_string(c.b);
            }
            if (level > 0) ++lit;
            brightest = std::max(brightest, level);
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels off the background's colours, the first " << firstWrong;
    EXPECT_GE(lit * 2, background) << "too few background pixels are lit";
    // The top of the colour map is 254 or 255; its pixel may lie under a line, its neighbours
    // do not fall far below it.
    EXPECT_GE(brightest, 245);
}

using Line = std::vector<QPoint>;
std::vector<Line> Lines(const QJsonArray& array) {
    std::vector<Line> lines;
    for (const QJsonValue& line : array) {
        Line points;
        for (const QJsonValue& p : line.toArray())
            points.emplace_back(p.toArray()[0].toInt(), p.toArray()[1].toInt());
        lines.push_back(std::move(points));
    }
    return lines;
}

// Marks the pixels within one of the segment from P to Q (vertices lie on pixel corners, so
// a line lights the pixels on either side).
void MarkSegment(std::vector<char>& mask, QPoint p, QPoint q) {
    const int steps = 4 * std::max(std::abs(q.x() - p.x()), std::abs(q.y() - p.y())) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const int cx = static_cast<int>(std::floor(p.x() + t * (q.x() - p.x())));
        const int cy = static_cast<int>(std::floor(p.y() + t * (q.y() - p.y())));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Picture::InRaster(cx + dx, cy + dy))
                    mask[static_cast<std::size_t>((cy + dy) * kRasterWidth + cx + dx)] = 1;
    }
}

enum class Which { AllLines, ClicksOnly };

// White where the exported streamlines run: a pixel of every drawn point (one pixel of slack;
// points on the left or bottom edge may land outside the picture). With all lines, also white
// nowhere else: every white pixel within a pixel of some segment.
void ExpectStreamlines(const Drawn& d, Which which) {
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(d.json)).object();
    std::vector<Line> lines = Lines(root["clicks"].toArray());
    const std::size_t clickCount = lines.size();
    if (which == Which::AllLines) {
        const std::vector<Line> placed = Lines(root["streamlines"].toArray());
        EXPECT_FALSE(placed.empty()) << "no streamlines were placed";
        lines.insert(lines.end(), placed.begin(), placed.end());
    }
    std::vector<char> nearLine(kRasterSize, 0);
    long long missing = 0, checked = 0;
    std::string firstMissing;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const Line& line = lines[l];
        if (line.size() < 2) continue;  // a single point draws nothing
        for (std::size_t k = 1; k < line.size(); ++k) MarkSegment(nearLine, line[k - 1], line[k]);
        for (const QPoint& p : line) {
            if (p.x() == 0 || p.y() == 0) continue;
            ++checked;
            if (!d.picture.Near(p.x(), p.y(), 1, IsWhite) && missing++ == 0) {
                firstMissing = "(" + std::to_string(p.x()) + ", " + std::to_string(p.y()) + ") of " +
                               (l < clickCount ? "click " : "streamline ") + std::to_string(l);
            }
        }
    }
    EXPECT_GT(checked, 0) << "no streamline point to look for";
    EXPECT_EQ(missing, 0) << "of " << checked << " streamline points have no white pixel near, the first "
                          << firstMissing;
    if (which == Which::ClicksOnly) return;
    long long stray = 0;
    for (int y = 0; y < kRasterHeight; ++y)
        for (int x = 0; x < kRasterWidth; ++x)
            if (IsWhite(d.picture.At(x, y)) && !nearLine[static_cast<std::size_t>(y * kRasterWidth + x)])
                ++stray;
    EXPECT_EQ(stray, 0) << "white pixels lie away from every streamline";
}

enum class ArrowLength { Constant, BySpeed };

// Red arrow bases next to at least the share MIN_COVERAGE of the lattice points and, with
// constant-length arrows (whose first tenth is deep red), deep red only next to lattice points.
void ExpectHedgehog(const Picture& pic, double minCoverage, ArrowLength length) {
    const int s = HedgehogSpacing(kHedgehogScale);
    const auto onLattice = [s](int v, int limit) { return v >= s && v < limit - s && v % s == 0; };
    if (length == ArrowLength::Constant) {
        long long stray = 0;
        std::string firstStray;
        for (int y = 0; y < kRasterHeight; ++y) {
            for (int x = 0; x < kRasterWidth; ++x) {
                const Rgb c = pic.At(x, y);
                if (!IsArrowBase(c) || c.g > 30) continue;
                bool near = false;
                for (int dy = -2; dy <= 2 && !near; ++dy)
                    for (int dx = -2; dx <= 2 && !near; ++dx)
                        near = onLattice(x + dx, kRasterWidth) && onLattice(y + dy, kRasterHeight);
                if (!near && stray++ == 0)
                    firstStray = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
        EXPECT_EQ(stray, 0) << "red arrow pixels lie off the lattice, the first " << firstStray;
    }
    int points = 0, withBase = 0;
    for (int y = s; y < kRasterHeight - s; y += s) {
        for (int x = s; x < kRasterWidth - s; x += s) {
            ++points;
            if (pic.Near(x, y, 1, IsArrowBase)) ++withBase;
        }
    }
    EXPECT_EQ(points, 36 * 22);
    EXPECT_GE(withBase, minCoverage * points) << "lattice points that show a red base, of " << points;
}

// Right of the picture, a colour bar (a column lit in colours from bottom to top) and white
// letters beside it.
void ExpectLegend(const Picture& pic) {
    const int bar = kRasterWidth + 19;
    int barRows = 0;
    for (int y = 20; y < 500; ++y) barRows += pic.At(bar, y).IsBlack() ? 0 : 1;
    EXPECT_GE(barRows, 450) << "rows of 480 the legend's bar lights";
    EXPECT_GE(pic.Count(kRasterWidth + 30, 0, pic.Width(), kRasterHeight, IsWhite), 40)
        << "white letter pixels in the legend";
}

TEST(RenderedPicture, SpeedIsGreenWithTheStreamlinesWhereTheFileSays) {
    const Drawn d = Draw("speed", {Sample("cylinder.gri"), "--seed", "7"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectBackground(d.picture, Background::Green);
    ExpectStreamlines(d, Which::AllLines);
}

// One pixel grid: the PNG, the SVG (drawn by Qt's renderer) and the PDF (drawn by poppler's
// pdftoppm at a point a pixel, where it is installed) light the pixel of a streamline point, as
// the JSON names it. OpenGL leaves out a line's last pixel, and on a few diagonal steps takes
// the neighbour, so the last points are left out and a few in a hundred may miss in the PNG;
// a picture a pixel off lights a third of them.
TEST(RenderedPicture, ThePngTheSvgAndThePdfLightTheSamePixelsForAPoint) {
    const QStringList input{Sample("double-gyre.gri"), "--seed", "7"};
    const Drawn d = Draw("grid", input);
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    std::vector<Picture> pictures{d.picture};
    for (const char* format : {"svg", "pdf"}) {
        const QString file = Out(std::string("grid.") + format);
        QFile::remove(file);
        ASSERT_EQ(QProcess::execute(QStringLiteral(TESMORA_RENDER), input + QStringList{"-o", file}), 0)
            << format;
    }
    QSvgRenderer renderer(Out("grid.svg"));
    ASSERT_TRUE(renderer.isValid());
    QImage svg(kRasterWidth, kRasterHeight, QImage::Format_RGB888);
    svg.fill(Qt::black);
    {
        // As a viewer shows it: smooth, so that the paths' own geometry decides, not the rules
        // of Qt's aliased lines.
        QPainter painter(&svg);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, kRasterWidth, kRasterHeight));
    }
    pictures.push_back(picturekit::PictureOf(svg));
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (!pdftoppm.isEmpty()) {
        QFile::remove(Out("grid-pdf.png"));
        ASSERT_EQ(QProcess::execute(pdftoppm,
                                    {"-r", "72", "-png", "-singlefile", Out("grid.pdf"), Out("grid-pdf")}),
                  0);
        pictures.push_back(picturekit::PictureOf(QImage(Out("grid-pdf.png"))));
        ASSERT_EQ(pictures.back().Width(), kRasterWidth);
        ASSERT_EQ(pictures.back().Height(), kRasterHeight);
    }
    // White lines over the green ramp: red is the lines' alone, and a pixel counts where a line
    // covers more than half of it, not where an edge of one passes through it.
    const auto lit = [](Rgb c) { return c.r > 127; };
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(d.json)).object();
    const std::vector<Line> lines = Lines(root["streamlines"].toArray());
    for (std::size_t n = 0; n < pictures.size(); ++n) {
        long long points = 0, shown = 0;
        std::string firstMissed;
        for (const Line& line : lines)
            for (std::size_t i = 0; i + 1 < line.size(); ++i, ++points) {
                const QPoint p = line[i];
                if (lit(pictures[n].At(p.x(), p.y())))
                    ++shown;
                else if (firstMissed.empty())
                    firstMissed = "(" + std::to_string(p.x()) + ", " + std::to_string(p.y()) + ")";
            }
        EXPECT_GT(points, 5000);
        EXPECT_GE(shown * 100, points * 97) << "picture " << n << ": " << shown << " of " << points
                                            << " points lit, the first missed " << firstMissed;
    }
}

TEST(RenderedPicture, PressureIsRed) {
    const Drawn d = Draw("pressure", {Sample("double-gyre.gri"), "--seed", "7", "--background", "pressure",
                                      "--method", "rk4"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectBackground(d.picture, Background::Red);
    ExpectStreamlines(d, Which::AllLines);
}

TEST(RenderedPicture, VorticityIsGrey) {
    const Drawn d =
        Draw("vorticity", {Sample("vortex-street.gri"), "--seed", "7", "--background", "vorticity"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectBackground(d.picture, Background::Grey);
}

TEST(RenderedPicture, DenseEulerPlacementIsDrawnAndItsSettingsReported) {
    const Drawn d = Draw("dense", {Sample("saddle.gri"), "--seed", "3", "--method", "euler", "--dsep", "5",
                                   "--dtest-percent", "90"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectBackground(d.picture, Background::Green);
    ExpectStreamlines(d, Which::AllLines);
    for (const char* setting : {"\"dsep\":5,", "\"dtest\":4.5,", "\"method\":\"euler\"", "\"seed\":3,"})
        EXPECT_TRUE(Holds(d.json, setting));
}

TEST(RenderedPicture, HedgehogArrowsStartRedOnTheLatticeAndOnlyThere) {
    const Drawn d = Draw("hedgehog", {Sample("vortex-street.gri"), "--seed", "7", "--hedgehog"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectHedgehog(d.picture, 0.95, ArrowLength::Constant);
}

TEST(RenderedPicture, ArrowsBySpeedStartOnTheLattice) {
    const Drawn d =
        Draw("by-speed", {Sample("saddle.gri"), "--seed", "7", "--hedgehog", "--arrows-by-speed"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectHedgehog(d.picture, 0.9, ArrowLength::BySpeed);
}

TEST(RenderedPicture, ClickStreamlinesAreDrawnBesideThePlacedOnes) {
    const Drawn d =
        Draw("clicks", {Sample("rotation.gri"), "--seed", "7", "--click", "60,280", "--click", "175,500"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectStreamlines(d, Which::AllLines);
}

TEST(RenderedPicture, ClickStreamlineIsDrawnOverTheHedgehog) {
    const Drawn d =
        Draw("click-hh", {Sample("rotation.gri"), "--seed", "7", "--hedgehog", "--click", "100,100"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectStreamlines(d, Which::ClicksOnly);
    ExpectHedgehog(d.picture, 0.8, ArrowLength::Constant);
}

// The cylinder 5 cm across at 1.5 m/s: a time step of 0.1 crosses the picture, a step of one
// pixel does not.
TEST(RenderedPicture, ATimeStepThatCrossesThePictureIsWarnedAbout) {
    const Drawn d = Draw("si-time", {Sample("cylinder-si.gri"), "--seed", "7"});
    EXPECT_TRUE(Holds(d.err, "warning: one time step of 0.1 moves 1074 pixels"));
    EXPECT_TRUE(Holds(d.err, "--step-px 1"));
    EXPECT_TRUE(Holds(d.json, "\"step\":{\"length\":0.1,\"mode\":\"time\"}"));
}

TEST(RenderedPicture, APixelStepIsDrawnAndReported) {
    const Drawn d = Draw("si-pixels", {Sample("cylinder-si.gri"), "--seed", "7", "--step-px", "1", "--method",
                                       "rk4", "--stats"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectBackground(d.picture, Background::Green);
    ExpectStreamlines(d, Which::AllLines);
    EXPECT_TRUE(Holds(d.json, "\"step\":{\"length\":1,\"mode\":\"pixels\"}"));
    EXPECT_TRUE(Holds(d.out, "\"step\":{\"length\":1,\"mode\":\"pixels\"}"));
}

TEST(RenderedPicture, TheLegendStandsRightOfThePictureAndLeavesItAsItIs) {
    const Drawn d = Draw("legend", {Sample("cylinder.gri"), "--seed", "7", "--legend"}, PictureWidth(true));
    ASSERT_TRUE(SizeIs(d, PictureWidth(true)));
    ExpectLegend(d.picture);
    ExpectBackground(d.picture, Background::Green);
    ExpectStreamlines(d, Which::AllLines);
}

// The axes and the title add margins and leave the picture as it was, inside a white frame,
// whose right edge takes the legend panel's first column, which is black.
TEST(RenderedPicture, AxesFrameThePictureAndLeaveItAsItIs) {
    const QStringList plain{Sample("cylinder.gri"), "--seed", "7", "--legend"};
    const Drawn p = Draw("axes-plain", plain, PictureWidth(true));
    const Drawn d = Draw("axes", plain + QStringList{"--axes", "--title", "Zylinder"}, 0);
    ASSERT_GT(d.picture.Width(), p.picture.Width());
    ASSERT_GT(d.picture.Height(), p.picture.Height());
    // The picture's place: right of the frame's left edge and below its top edge.
    const int right = d.picture.Width() - p.picture.Width(), below = d.picture.Height() - p.picture.Height();
    int found = 0;
    for (int dy = 1; dy <= below; ++dy)
        for (int dx = 1; dx <= right; ++dx) {
            bool same = true;
            for (int y = 0; y < p.picture.Height() && same; ++y)
                for (int x = 0; x < p.picture.Width() && same; ++x)
                    same = x == kRasterWidth ? p.picture.At(x, y).IsBlack()
                                             : d.picture.At(x + dx, y + dy) == p.picture.At(x, y);
            if (!same) continue;
            ++found;
            for (int y = -1; y <= kRasterHeight; ++y) EXPECT_TRUE(IsWhite(d.picture.At(dx - 1, y + dy))) << y;
            for (int x = -1; x <= kRasterWidth; ++x) EXPECT_TRUE(IsWhite(d.picture.At(x + dx, dy - 1))) << x;
        }
    EXPECT_EQ(found, 1) << "the picture stands once, unchanged, inside the margins";
    EXPECT_TRUE(Holds(d.json, "\"axes\":true"));
    EXPECT_TRUE(Holds(d.json, "\"title\":\"Zylinder\""));
    EXPECT_EQ(p.json.find("\"axes\""), std::string::npos) << "a figure setting left out is not listed";
}

TEST(RenderedPicture, AVtkFileDrawsItsField) {
    const Drawn d = Draw(
        "vtk", {QStringLiteral(TESMORA_SOURCE_DIR "/tests/formats/data/vtk/appended_raw_zlib_u32_f64.vtr"),
                "--seed", "7"});
    ASSERT_TRUE(SizeIs(d, kRasterWidth));
    ExpectBackground(d.picture, Background::Green);
    ExpectStreamlines(d, Which::AllLines);
}

}  // namespace
