// tesmora-render-check: runs tesmora-render with the arguments after "--" and checks its exit
// code, its messages and the picture it wrote, the way a person looking at it would: the
// background's colour, white streamlines where the exported points say, red arrow bases on
// the lattice. Each failed check prints one line; the exit code is 0 only when all pass.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/raster_geometry.h"
#include "render/picture_frame.h"
#include "render/scene_drawing.h"
#include "tests/support/picture_kit_qt.h"

namespace {

int g_failures = 0;

void Fail(const QString& text) {
    std::fprintf(stderr, "FAIL: %s\n", qPrintable(text));
    ++g_failures;
}

using picturekit::IsArrowBase;
using picturekit::IsWhite;
using picturekit::Picture;
using picturekit::Rgb;

bool IsDeepRed(Rgb c) {
    return IsArrowBase(c) && c.g <= 30;
}

// Every pixel that is not a white overlay pixel has the background's channel pattern, and the
// field is really shown: a good part of the picture is lit and the brightest value is the top
// of the colour map.
void CheckBackground(const Picture& pic, const QString& colour) {
    long long lit = 0, background = 0, wrong = 0;
    int brightest = 0;
    QString firstWrong;
    for (int y = 0; y < kRasterHeight; ++y) {
        for (int x = 0; x < kRasterWidth; ++x) {
            const Rgb c = pic.At(x, y);
            if (IsWhite(c) && colour != "grey") continue;
            ++background;
            const int r = c.r, g = c.g, b = c.b;
            bool ok = r == g && g == b;  // grey
            int level = r;
            if (colour == "green") {
                ok = r == 0 && b == 0;
                level = g;
            } else if (colour == "red") {
                ok = g == 0 && b == 0;
            }
            if (!ok && wrong++ == 0)
                firstWrong = QString("(%1, %2) = %3,%4,%5").arg(x).arg(y).arg(r).arg(g).arg(b);
            if (level > 0) ++lit;
            brightest = std::max(brightest, level);
        }
    }
    if (wrong > 0)
        Fail(QString("%1 pixels are not %2 background, first %3").arg(wrong).arg(colour, firstWrong));
    if (lit * 2 < background)
        Fail(QString("only %1 of %2 background pixels are lit").arg(lit).arg(background));
    // The top of the colour map is 254 or 255; its pixel may lie under a line, its neighbours
    // do not fall far below it.
    if (brightest < 245) Fail(QString("the brightest %1 is %2, not near 255").arg(colour).arg(brightest));
}

std::vector<std::vector<QPoint>> Lines(const QJsonArray& array) {
    std::vector<std::vector<QPoint>> lines;
    for (const QJsonValue& line : array) {
        std::vector<QPoint> points;
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
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (Picture::InRaster(cx + dx, cy + dy)) {
                    mask[static_cast<std::size_t>((cy + dy) * kRasterWidth + cx + dx)] = 1;
                }
            }
        }
    }
}

// White where the exported streamlines run, and nowhere else: a pixel of every drawn point
// (one pixel of slack; points on the left or bottom edge may land outside the picture), and
// every white pixel within a pixel of some segment.
void CheckStreamlines(const Picture& pic, const QString& jsonPath, bool clicksOnly) {
    QFile file(jsonPath);
    if (!file.open(QIODevice::ReadOnly)) return Fail("cannot read " + jsonPath);
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    auto lines = Lines(root["clicks"].toArray());
    const std::size_t clickCount = lines.size();
    if (!clicksOnly) {
        auto placed = Lines(root["streamlines"].toArray());
        if (placed.empty()) Fail("no streamlines were placed");
        lines.insert(lines.end(), placed.begin(), placed.end());
    }
    std::vector<char> nearLine(kRasterSize, 0);
    long long missing = 0, checked = 0;
    QString firstMissing;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const auto& line = lines[l];
        if (line.size() < 2) continue;  // a single point draws nothing
        for (std::size_t k = 1; k < line.size(); ++k) MarkSegment(nearLine, line[k - 1], line[k]);
        for (const QPoint& p : line) {
            if (p.x() == 0 || p.y() == 0) continue;
            ++checked;
            if (!pic.Near(p.x(), p.y(), 1, IsWhite) && missing++ == 0) {
                firstMissing = QString("(%1, %2) of %3 %4")
                                   .arg(p.x())
                                   .arg(p.y())
                                   .arg(l < clickCount ? "click" : "streamline")
                                   .arg(l);
            }
        }
    }
    if (checked == 0) Fail("no streamline point to look for");
    if (missing > 0)
        Fail(QString("%1 of %2 streamline points have no white pixel near, first %3")
                 .arg(missing)
                 .arg(checked)
                 .arg(firstMissing));
    if (clicksOnly) return;
    long long stray = 0;
    for (int y = 0; y < kRasterHeight; ++y) {
        for (int x = 0; x < kRasterWidth; ++x) {
            if (IsWhite(pic.At(x, y)) && !nearLine[static_cast<std::size_t>(y * kRasterWidth + x)]) ++stray;
        }
    }
    if (stray > 0) Fail(QString("%1 white pixels lie away from every streamline").arg(stray));
}

// Red arrow bases next to nearly all lattice points and, with constant-length arrows (whose
// first tenth is deep red), deep red only next to lattice points.
void CheckHedgehog(const Picture& pic, double minCoverage, bool constantLength) {
    const int s = HedgehogSpacing(kHedgehogScale);
    auto onLattice = [s](int v, int limit) { return v >= s && v < limit - s && v % s == 0; };
    long long stray = 0;
    QString firstStray;
    for (int y = 0; y < kRasterHeight; ++y) {
        for (int x = 0; x < kRasterWidth; ++x) {
            if (!constantLength || !IsDeepRed(pic.At(x, y))) continue;
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy) {
                for (int dx = -2; dx <= 2 && !near; ++dx) {
                    near = onLattice(x + dx, kRasterWidth) && onLattice(y + dy, kRasterHeight);
                }
            }
            if (!near && stray++ == 0) firstStray = QString("(%1, %2)").arg(x).arg(y);
        }
    }
    if (stray > 0)
        Fail(QString("%1 red arrow pixels lie off the lattice, first %2").arg(stray).arg(firstStray));
    int points = 0, withBase = 0;
    for (int y = s; y < kRasterHeight - s; y += s) {
        for (int x = s; x < kRasterWidth - s; x += s) {
            ++points;
            if (pic.Near(x, y, 1, IsArrowBase)) ++withBase;
        }
    }
    if (points != 792) Fail(QString("the lattice has %1 points, not 36 rows of 22").arg(points));
    if (withBase < minCoverage * points)
        Fail(QString("only %1 of %2 lattice points show a red base").arg(withBase).arg(points));
}

// Right of the picture, a colour bar (a column lit in colours from bottom to top) and white
// letters beside it; the picture's own columns hold none of the legend.
void CheckLegend(const Picture& pic) {
    const int bar = kRasterWidth + 19;
    int barRows = 0;
    for (int y = 20; y < 500; ++y) barRows += pic.At(bar, y).IsBlack() ? 0 : 1;
    if (barRows < 450) Fail(QString("the legend's bar lights %1 of 480 rows").arg(barRows));
    const long long letters = pic.Count(kRasterWidth + 30, 0, pic.Width(), kRasterHeight, IsWhite);
    if (letters < 40) Fail(QString("the legend has %1 white letter pixels").arg(letters));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Runs tesmora-render (the arguments after --) and checks what it did.");
    const QCommandLineOption exitCode("exit", "Expected exit code (default 0).", "N", "0");
    const QCommandLineOption stderrText("stderr-contains", "Text the error output must contain; may repeat.",
                                        "TEXT");
    const QCommandLineOption stderrLacks("stderr-lacks",
                                         "Text the error output must not contain; may repeat.", "TEXT");
    const QCommandLineOption stdoutText("stdout-contains", "Text the output must contain; may repeat.",
                                        "TEXT");
    const QCommandLineOption picture("picture", "The PNG the run must write.", "FILE");
    const QCommandLineOption noFile("no-file", "A file the run must not leave behind; may repeat.", "FILE");
    const QCommandLineOption file("file", "A file the run must leave behind; may repeat.", "FILE");
    const QCommandLineOption background("background", "The background: green|red|grey.", "COLOUR");
    const QCommandLineOption streamlines("streamlines",
                                         "The --streamlines-json file to look for in the picture.", "FILE");
    const QCommandLineOption clicks("clicks", "As --streamlines, but only the click streamlines.", "FILE");
    const QCommandLineOption hedgehog("hedgehog",
                                      "Arrow bases: at least this share of lattice points (0..1).", "SHARE");
    const QCommandLineOption lattice("red-on-lattice",
                                     "Deep red only next to lattice points (constant-length arrows).");
    const QCommandLineOption jsonText("json-contains",
                                      "Text the --streamlines file must contain; may repeat.", "TEXT");
    const QCommandLineOption legend("legend", "The picture is 480 pixels wide, the legend right of it.");
    parser.addOptions({exitCode, stderrText, stderrLacks, stdoutText, picture, noFile, file, background,
                       streamlines, clicks, hedgehog, lattice, jsonText, legend});
    parser.process(app);
    QStringList command = parser.positionalArguments();
    if (command.isEmpty()) {
        std::fprintf(stderr, "usage: tesmora-render-check [checks] -- PROGRAM ARGS...\n");
        return 2;
    }

    // Outputs of an earlier run must not pass for this one's.
    for (const QString& path : parser.values(picture) + parser.values(noFile) + parser.values(file) +
                                   parser.values(streamlines) + parser.values(clicks)) {
        QFile::remove(path);
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const QString program = command.takeFirst();
    process.start(program, command);
    if (!process.waitForFinished(120000)) {
        Fail("the run did not finish: " + process.errorString());
        return 1;
    }
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    std::fprintf(stdout, "%s", qPrintable(out));
    std::fprintf(stderr, "%s", qPrintable(err));

    if (process.exitStatus() != QProcess::NormalExit) Fail("the run crashed");
    if (process.exitCode() != parser.value(exitCode).toInt()) {
        Fail(QString("exit code %1, expected %2").arg(process.exitCode()).arg(parser.value(exitCode)));
    }
    for (const QString& text : parser.values(stderrText)) {
        if (!err.contains(text)) Fail("the error output lacks \"" + text + "\"");
    }
    for (const QString& text : parser.values(stderrLacks)) {
        if (err.contains(text)) Fail("the error output has \"" + text + "\"");
    }
    for (const QString& text : parser.values(stdoutText)) {
        if (!out.contains(text)) Fail("the output lacks \"" + text + "\"");
    }
    for (const QString& path : parser.values(noFile)) {
        if (QFileInfo::exists(path)) Fail(path + " was written");
    }
    for (const QString& path : parser.values(file)) {
        if (!QFileInfo::exists(path)) Fail(path + " was not written");
    }
    if (!parser.values(jsonText).isEmpty()) {
        QFile json(parser.value(streamlines));
        const QString text = json.open(QIODevice::ReadOnly) ? QString::fromUtf8(json.readAll()) : QString();
        for (const QString& t : parser.values(jsonText)) {
            if (!text.contains(t)) Fail(parser.value(streamlines) + " lacks " + t);
        }
    }
    if (parser.isSet(picture)) {
        const Picture pic = picturekit::PictureOf(QImage(parser.value(picture)));
        const int width = parser.isSet(legend) ? PictureWidth(true) : kRasterWidth;
        if (pic.Width() != width || pic.Height() != kRasterHeight) {
            Fail(parser.value(picture) + QString(" is not a %1 x 560 picture").arg(width));
        } else {
            if (parser.isSet(legend)) CheckLegend(pic);
            if (parser.isSet(background)) CheckBackground(pic, parser.value(background));
            if (parser.isSet(streamlines)) CheckStreamlines(pic, parser.value(streamlines), false);
            if (parser.isSet(clicks)) CheckStreamlines(pic, parser.value(clicks), true);
            if (parser.isSet(hedgehog))
                CheckHedgehog(pic, parser.value(hedgehog).toDouble(), parser.isSet(lattice));
        }
    }
    return g_failures == 0 ? 0 : 1;
}
