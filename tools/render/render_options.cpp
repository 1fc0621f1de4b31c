#include "tools/render/render_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <array>

#include "render/view_projection.h"
#include "scene/flow_scene.h"

namespace {

constexpr std::array<const char*, 3> kMethods = {"euler", "rk2", "rk4"};
constexpr std::array<const char*, 3> kBackgrounds = {"speed", "pressure", "vorticity"};

// The help text's tail: what the exit codes and the comparison mean.
constexpr const char* kEpilogue =
    "\n"
    "The picture is the viewer's 350 x 560 image region after one paint (and the clicks), as an\n"
    "RGB PNG with the top row first. Raster pixels count from (0, 0) at the bottom left.\n"
    "\n"
    "Reference comparison: a pixel differs when one of its channels differs from the reference by\n"
    "more than 8 (of 255); the comparison fails when more than T percent of the 196000 pixels\n"
    "differ. On failure the rendered picture stays at the output path and a picture of the\n"
    "differing pixels is written beside it (NAME-diff.png).\n"
    "\n"
    "Exit codes: 0 picture written (and matching the reference); 1 the data set could not be\n"
    "loaded or an output file not written; 2 bad usage; 3 no OpenGL context; 4 the picture\n"
    "differs from the reference, or the reference is missing.\n";

RenderRequest BadUsage(const QString& text) {
    RenderRequest r;
    r.action = RenderRequest::Action::BadUsage;
    r.text = text.toStdString();
    return r;
}

template <std::size_t N>
int IndexOf(const std::array<const char*, N>& names, const QString& value) {
    for (std::size_t i = 0; i < N; ++i) {
        if (value == QLatin1String(names[i])) return static_cast<int>(i);
    }
    return -1;
}

template <std::size_t N>
QString Joined(const std::array<const char*, N>& names) {
    QStringList list;
    for (const char* n : names) list << QLatin1String(n);
    return list.join(QLatin1Char('|'));
}

// A whole decimal number within [lo, hi]; nullopt otherwise.
std::optional<long long> WholeNumber(const QString& text, long long lo, long long hi) {
    bool ok = false;
    const long long value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < lo || value > hi) return std::nullopt;
    return value;
}

}  // namespace

const char* MethodName(int method) {
    return method >= 0 && method < static_cast<int>(kMethods.size())
               ? kMethods[static_cast<std::size_t>(method)]
               : "unknown";
}

const char* BackgroundName(int background) {
    return background >= 0 && background < static_cast<int>(kBackgrounds.size())
               ? kBackgrounds[static_cast<std::size_t>(background)]
               : "unknown";
}

RenderRequest ParseRenderArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Renders a flow data set to a PNG without a display, exactly as the viewer draws it.");
    parser.addPositionalArgument("FILE",
                                 "The data set: a geometry file GEOMETRY.gri (its solution file is found beside "
                                 "it), or column text, Tecplot ASCII or VTK as other programs write them.");
    const QCommandLineOption output({"o", "output"},
                                    "The picture (default: the data set's name with .png, in the "
                                    "current folder).",
                                    "FILE.png");
    const QCommandLineOption background(
        "background", "Background field: speed|pressure|vorticity (default speed).", "FIELD");
    const QCommandLineOption method("method", "Integration method: euler|rk2|rk4 (default rk2).", "METHOD");
    const QCommandLineOption dsep("dsep", "Separating distance in pixels, 5..20 (default 10).", "N");
    const QCommandLineOption dtestPercent(
        "dtest-percent", "Test distance as a percentage of the separating distance, 10..90 (default 50).",
        "P");
    const QCommandLineOption hedgehog("hedgehog", "Draw arrows instead of streamlines.");
    const QCommandLineOption bySpeed("arrows-by-speed", "Arrow length follows the speed.");
    const QCommandLineOption seed("seed",
                                  "Seed of the first streamline's random draw, 0..4294967295 (default: the "
                                  "current time in seconds).",
                                  "N");
    const QCommandLineOption click(
        "click",
        "Trace one more streamline from raster pixel (X, Y), X 1..349, Y 1..559, as "
        "a left click does; may repeat, drawn in order.",
        "X,Y");
    const QCommandLineOption json("streamlines-json",
                                  "Write the placed streamlines in raster pixels, in placement order: "
                                  "{\"dsep\", \"dtest\", \"method\", \"seed\", \"streamlines\": "
                                  "[[[x, y], ...], ...], \"clicks\": [...]}.",
                                  "FILE");
    const QCommandLineOption stats("stats",
                                   "Print one JSON line: grid counts, number of streamlines and points, and "
                                   "the milliseconds of load, rasters, placement and drawing.");
    const QCommandLineOption reference("reference", "Compare the picture with this PNG (see below).", "FILE");
    const QCommandLineOption threshold("reference-threshold",
                                       "Percentage of pixels that may differ from the reference, 0..100 "
                                       "(default 0.5).",
                                       "T");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version("version", "Show the version and exit.");
    parser.addOptions({help, version, output, background, method, dsep, dtestPercent, hedgehog, bySpeed, seed,
                       click, json, stats, reference, threshold});

    if (!parser.parse(arguments)) return BadUsage(parser.errorText());

    RenderRequest r;
    if (parser.isSet(help)) {
        r.action = RenderRequest::Action::Help;
        // Qt names the program by the path it was started with; the help names it plainly.
        QString text = parser.helpText();
        text.remove(0, text.indexOf(QLatin1Char('\n')) + 1);
        r.text = ("Usage: tesmora-render [options] FILE\n" + text + QLatin1String(kEpilogue))
                     .toStdString();
        return r;
    }
    if (parser.isSet(version)) {
        r.action = RenderRequest::Action::Version;
        return r;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return BadUsage("missing the data set FILE");
    if (positional.size() > 1) return BadUsage("only one data set may be given, not " + positional.join(' '));
    r.geometry = QFile::encodeName(positional.front()).toStdString();

    // Each value option is checked once even if repeated: the last occurrence counts, except
    // --click, which collects all.
    if (parser.isSet(output)) {
        const QString value = parser.value(output);
        if (value.isEmpty()) return BadUsage("--output needs a file name");
        r.output = QFile::encodeName(value).toStdString();
    } else {
        r.output = QFile::encodeName(QFileInfo(positional.front()).completeBaseName() + ".png").toStdString();
    }
    if (parser.isSet(background)) {
        r.background = IndexOf(kBackgrounds, parser.value(background));
        if (r.background < 0) {
            return BadUsage("--background must be one of " + Joined(kBackgrounds) + ", not '" +
                            parser.value(background) + "'");
        }
    }
    if (parser.isSet(method)) {
        r.method = IndexOf(kMethods, parser.value(method));
        if (r.method < 0) {
            return BadUsage("--method must be one of " + Joined(kMethods) + ", not '" + parser.value(method) +
                            "'");
        }
    }
    if (parser.isSet(dsep)) {
        const auto v = WholeNumber(parser.value(dsep), kDSepMin, kDSepMax);
        if (!v) {
            return BadUsage(QString("--dsep must be a whole number of pixels from %1 to %2, not '%3'")
                                .arg(kDSepMin)
                                .arg(kDSepMax)
                                .arg(parser.value(dsep)));
        }
        r.dsep = static_cast<int>(*v);
    }
    if (parser.isSet(dtestPercent)) {
        const auto v = WholeNumber(parser.value(dtestPercent), kDTestPercentMin, kDTestPercentMax);
        if (!v) {
            return BadUsage(QString("--dtest-percent must be a whole percentage from %1 to %2, not '%3'")
                                .arg(kDTestPercentMin)
                                .arg(kDTestPercentMax)
                                .arg(parser.value(dtestPercent)));
        }
        r.dtestPercent = static_cast<int>(*v);
    }
    r.hedgehog = parser.isSet(hedgehog);
    r.arrowsBySpeed = parser.isSet(bySpeed);
    if (parser.isSet(seed)) {
        const auto v = WholeNumber(parser.value(seed), 0, 4294967295LL);
        if (!v)
            return BadUsage("--seed must be a whole number from 0 to 4294967295, not '" + parser.value(seed) +
                            "'");
        r.seed = static_cast<std::uint32_t>(*v);
    }
    for (const QString& value : parser.values(click)) {
        const QStringList parts = value.split(QLatin1Char(','));
        const auto x = parts.size() == 2 ? WholeNumber(parts[0], -1000000, 1000000) : std::nullopt;
        const auto y = parts.size() == 2 ? WholeNumber(parts[1], -1000000, 1000000) : std::nullopt;
        // The same bounds as a click into the view: strictly inside the picture.
        const auto pixel = x && y ? ClickRasterPixel(static_cast<int>(*x) + kImageOriginX,
                                                     static_cast<int>(*y) + kImageOriginY)
                                  : std::nullopt;
        if (!pixel) {
            return BadUsage(
                "--click takes X,Y with X from 1 to 349 and Y from 1 to 559 (the pixels a click "
                "can reach), not '" +
                value + "'");
        }
        r.clicks.push_back(*pixel);
    }
    if (parser.isSet(json)) {
        if (parser.value(json).isEmpty()) return BadUsage("--streamlines-json needs a file name");
        r.streamlinesJson = QFile::encodeName(parser.value(json)).toStdString();
    }
    r.stats = parser.isSet(stats);
    if (parser.isSet(reference)) {
        if (parser.value(reference).isEmpty()) return BadUsage("--reference needs a file name");
        r.reference = QFile::encodeName(parser.value(reference)).toStdString();
    }
    if (parser.isSet(threshold)) {
        bool ok = false;
        const double t = parser.value(threshold).trimmed().toDouble(&ok);
        if (!ok || !(t >= 0.0 && t <= 100.0)) {
            return BadUsage("--reference-threshold must be a percentage from 0 to 100, not '" +
                            parser.value(threshold) + "'");
        }
        if (!parser.isSet(reference)) return BadUsage("--reference-threshold needs --reference");
        r.referenceThreshold = t;
    }
    r.action = RenderRequest::Action::Render;
    return r;
}
