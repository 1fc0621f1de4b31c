#include "tools/render/render_options.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "base/raster_geometry.h"
#include "common/native_names.h"
#include "output/video_file.h"
#include "render/view_projection.h"
#include "tools/cli/command_line.h"

namespace {

// The values of --format, named by their files' extensions.
constexpr cli::NamedValue kFormats[] = {
    {"png", static_cast<int>(PictureFormat::Png)},
    {"svg", static_cast<int>(PictureFormat::Svg)},
    {"pdf", static_cast<int>(PictureFormat::Pdf)},
};

// The help text's tail: what the exit codes and the comparison mean.
constexpr const char* kEpilogue =
    "\n"
    "The picture is the viewer's 350 x 560 image region after one paint (and the clicks), as an\n"
    "RGB PNG with the top row first; with --legend the legend's 130 columns follow on its right.\n"
    "Raster pixels count from (0, 0) at the bottom left. --size makes a picture of any size, and\n"
    "--size auto one of the data's proportions, landscape for a landscape field; --window shows a\n"
    "part of the data, larger. Streamlines keep --dsep in the picture's pixels, so a larger\n"
    "picture holds more of them; they are placed within the picture and end at its edge.\n"
    "\n"
    "Colour maps: ramp is green (speed), red (pressure) or grey (vorticity) from black at the\n"
    "smallest value; viridis and cividis run from the smallest value (0 for speed) to the\n"
    "largest; coolwarm is blue below zero and red above, over a range symmetric about zero, the\n"
    "map for vorticity. Pixels that are not numbers are black. With --aspect equal both axes\n"
    "share one scale, the data centred and black around it.\n"
    "\n"
    "An output ending in .svg or .pdf is a vector file of the same picture: streamlines and\n"
    "arrows as paths over the background at its raster resolution; with --legend the legend's\n"
    "bar is an image of its pixels, its marks are lines and its title and values are text that\n"
    "can be selected and searched. Every file says how it was made: the program, the data set,\n"
    "every setting and the seed (a PNG in text chunks, an SVG in its <desc>, a PDF in its\n"
    "document information). Files are written whole or not at all; \"-\" is standard output.\n"
    "\n"
    "Reference comparison: a pixel differs when one of its channels differs from the reference by\n"
    "more than 8 (of 255); the comparison fails when more than T percent of the picture's pixels\n"
    "differ. On failure the rendered picture stays at the output path and a picture of the\n"
    "differing pixels is written beside it (NAME-diff.png).\n"
    "\n"
    "Exit codes: 0 picture written (and matching the reference); 1 the data set could not be\n"
    "loaded, an output file or standard output not written, or the reference not read; 2 bad\n"
    "usage, or an output that would replace an input or another output; 3 no OpenGL context;\n"
    "4 the picture differs from the reference, or the reference is missing.\n";

}  // namespace

std::vector<std::string> BatchPicturePaths(const std::string& folder, const std::vector<std::string>& inputs,
                                           PictureFormat format) {
    const std::string into = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    const QString extension = QLatin1Char('.') + QLatin1String(FormatExtension(format));
    std::vector<QString> stems;
    std::vector<QStringList> folders;  // each input's folders, the nearest first
    qsizetype deepest = 0;
    for (const std::string& input : inputs) {
        const QFileInfo file(common::FromNative(input));
        stems.push_back(file.completeBaseName());
        QStringList above = QDir::cleanPath(file.absolutePath()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        std::reverse(above.begin(), above.end());
        deepest = std::max(deepest, above.size());
        folders.push_back(std::move(above));
    }
    // Each name is prefixed with as few of its folders as make the names of its namesakes differ.
    std::map<QString, std::vector<std::size_t>> namesakes;
    for (std::size_t i = 0; i < inputs.size(); ++i) namesakes[stems[i]].push_back(i);
    std::vector<QString> names = stems;
    for (const auto& [stem, group] : namesakes) {
        if (group.size() < 2) continue;
        bool told = false;
        for (qsizetype depth = 1; depth <= deepest && !told; ++depth) {
            std::set<QString> taken;
            for (const std::size_t i : group) {
                const QStringList& above = folders[i];
                QStringList parts(above.begin(), above.begin() + std::min<qsizetype>(depth, above.size()));
                std::reverse(parts.begin(), parts.end());
                names[i] = (parts + QStringList{stem}).join(QLatin1Char('_'));
                taken.insert(names[i]);
            }
            told = taken.size() == group.size();
        }
        // One file given twice: no folder tells them apart, and the plain name says best which.
        if (!told)
            for (const std::size_t i : group) names[i] = stem;
    }
    std::vector<std::string> paths;
    for (const QString& name : names) paths.push_back(into + common::ToNative(name + extension));
    return paths;
}

std::vector<std::size_t> ChosenFrames(const FrameChoice& choice, std::size_t count, std::string* why) {
    const long long last = choice.last < 0 ? static_cast<long long>(count) - 1 : choice.last;
    if (choice.first >= static_cast<long long>(count) || last >= static_cast<long long>(count) ||
        choice.first > last) {
        if (why)
            *why = "--frames " + std::to_string(choice.first) + ":" +
                   (choice.last < 0 ? std::string() : std::to_string(choice.last)) + " asks for frames the " +
                   std::to_string(count) + " of the series (0 to " + std::to_string(count - 1) +
                   ") do not hold";
        return {};
    }
    std::vector<std::size_t> chosen;
    long long position = 0;
    for (long long frame = choice.first; frame <= last; frame += choice.step, ++position)
        if (position % choice.shards == choice.shard) chosen.push_back(static_cast<std::size_t>(frame));
    if (chosen.empty() && why)
        *why = "--shard " + std::to_string(choice.shard) + "/" + std::to_string(choice.shards) +
               " leaves no frame of the " + std::to_string(position) + " chosen";
    return chosen;
}

std::string FramePicturePath(const std::string& folder, std::size_t number, PictureFormat format) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05zu.%s", number, FormatExtension(format));
    return (folder.empty() || folder.back() == '/' ? folder : folder + "/") + name;
}

namespace {

// --frames A:B[:S]: A and B whole numbers from 0, B empty for the last frame.
bool ReadFrameRange(const QString& text, FrameChoice& choice) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3) return false;
    auto whole = [](const QString& part, long long& value) {
        bool ok = false;
        value = part.trimmed().toLongLong(&ok);
        return ok && value >= 0 && value <= 99999;
    };
    if (!whole(parts[0], choice.first)) return false;
    if (parts[1].trimmed().isEmpty()) {
        choice.last = -1;
    } else if (!whole(parts[1], choice.last)) {
        return false;
    }
    if (parts.size() == 3 && (!whole(parts[2], choice.step) || choice.step < 1)) return false;
    return choice.last < 0 || choice.first <= choice.last;
}

// --shard K/N: 0 <= K < N.
bool ReadShard(const QString& text, FrameChoice& choice) {
    const QStringList parts = text.split(QLatin1Char('/'));
    bool okK = false, okN = false;
    if (parts.size() != 2) return false;
    choice.shard = parts[0].trimmed().toLongLong(&okK);
    choice.shards = parts[1].trimmed().toLongLong(&okN);
    return okK && okN && choice.shards >= 1 && choice.shards <= 100000 && choice.shard >= 0 &&
           choice.shard < choice.shards;
}

// tesmora-render's options, in the order --help lists them.
struct RenderOptions {
    explicit RenderOptions(cli::CommandLine& line);

    const QCommandLineOption output{
        {"o", "output"},
        "The picture, its format told by its extension: png, svg or pdf (default: the data set's name with "
        "the extension of --format, in the current folder).",
        "FILE"};
    const QCommandLineOption format{"format",
                                    "The pictures' format: " + cli::ChoiceList(kFormats) +
                                        " (default: the output's extension, png for a batch or standard "
                                        "output); an output's extension must agree with it.",
                                    "FORMAT"};
    const QCommandLineOption frames{
        "frames",
        "Draws a time series: the files given are its frames in the natural order of the numbers in their "
        "paths (run_6_10/ after run_6_9/), or one .gri pair's numbered solution files NAME.00000.dat, "
        "NAME.00001.dat, ...; A:B[:S] draws frames A to B (both included, B empty for the last) every S-th, "
        "'all' every frame. -o names a folder of numbered pictures (frame_00000.png, ...) or a video "
        "(.mp4: H.264, .webm: VP9).",
        "A:B[:S]|all"};
    const QCommandLineOption shard{"shard",
                                   "Of the frames chosen, draws every N-th from the K-th (K from 0 to N-1), "
                                   "so that N jobs of a job array "
                                   "draw each frame once into one folder; a series only.",
                                   "K/N"};
    const QCommandLineOption fps{"fps", "Frames per second of a video, 1 to 120 (default 10).", "N"};
    const QCommandLineOption seed{
        "seed",
        "Seed of the first streamline's random draw, 0..4294967295 (default: the current time in seconds).",
        "N"};
    const QCommandLineOption click{
        "click",
        "Trace one more streamline from raster pixel (X, Y), X 1..349, Y 1..559, as "
        "a left click does; may repeat, drawn in order.",
        "X,Y"};
    const QCommandLineOption json{"streamlines-json",
                                  "Write the placed streamlines in raster pixels, in placement order: "
                                  "{\"dsep\", \"dtest\", \"method\", "
                                  "\"step\": {\"mode\": \"time\"|\"pixels\", \"length\"}, \"placement\", "
                                  "\"seed\" (null with --placement "
                                  "fine), \"settings\": {option: value, ...}, \"streamlines\": [[[x, y], "
                                  "...], ...], \"seed_pixels\": [[x, "
                                  "y], ...], \"clicks\": [...]}, and \"streamlines_world\" and "
                                  "\"clicks_world\": the same points in the "
                                  "data set's coordinates. \"-\" is standard output.",
                                  "FILE"};
    const QCommandLineOption stats{
        "stats",
        "Print one JSON line: grid counts, the step, number of streamlines and points, "
        "and the milliseconds of load, rasters, placement and drawing. Of a series, one line per picture: "
        "its frame, its streamlines, how many of them carry on a line of the picture before (carried: with "
        "--coherent those traced from its seeds, else those that start at one) and "
        "the percentage of its pixels that differ from that picture by more than 8 in a channel "
        "(changed_percent)."};
    const QCommandLineOption reference{"reference", "Compare the picture with this PNG (see below).", "FILE"};
    const QCommandLineOption threshold{
        "reference-threshold",
        QStringLiteral("Percentage of pixels that may differ from the reference, 0..100 (default %1).")
            .arg(RenderRequest{}.referenceThreshold),
        "T"};
    std::optional<cli::SettingOptions> settings;  // made between --format and --seed
};

RenderOptions::RenderOptions(cli::CommandLine& line) {
    QCommandLineParser& parser = line.Parser();
    parser.addPositionalArgument(
        "FILE",
        "The data set: a geometry file GEOMETRY.gri (its solution file is found beside it), or column text, "
        "Tecplot ASCII or VTK as other programs write them. Several make a batch: -o then names a folder "
        "(created if missing, default the current one), each picture is named after its data set with the "
        "extension of --format (data sets of one name in different folders after the folders that tell them "
        "apart: RUN_3_field.png for RUN_3/field.txt), and the data sets are drawn in parallel, one per "
        "core.");
    parser.addOptions({output, format});
    settings.emplace(line);
    parser.addOptions({frames, shard, fps, seed, click, json, stats, reference, threshold});
}

// Where the pictures go and in which format: one file told by its extension, standard output,
// or a folder for a batch. An empty text when all is well, the usage error otherwise.
std::string ResolveOutputs(const QCommandLineParser& parser, const RenderOptions& o, RenderRequest& r) {
    if (r.sequence) {
        if (!parser.isSet(o.output)) r.output = ".";
        if (r.output == "-") return "a series needs a folder or a video for -o, not standard output";
        if (!r.streamlinesJson.empty() || !r.reference.empty())
            return "--streamlines-json and --reference take one picture, not a series";
        if (IsVideoPath(r.output)) {
            if (parser.isSet(o.format) && r.format != PictureFormat::Png)
                return "a video's frames are pictures, not " + std::string(FormatExtension(r.format));
            std::string why;
            if (!CanWriteVideo(r.output, &why)) return why;
        }
        return {};
    }
    if (parser.isSet(o.fps)) return "--fps is a video's, and a video is written of a series (--frames)";
    if (!r.batch.empty()) {
        if (!parser.isSet(o.output)) r.output = ".";
        if (r.output == "-") return "several data sets need a folder for -o, not standard output";
        if (!r.streamlinesJson.empty() || !r.reference.empty())
            return "--streamlines-json and --reference take one data set, not several";
        std::vector<std::string> names = BatchPicturePaths(r.output, r.batch, r.format);
        std::sort(names.begin(), names.end());
        const auto twice = std::adjacent_find(names.begin(), names.end());
        return twice == names.end() ? std::string()
                                    : "two data sets would both be drawn to " + common::PrintableName(*twice);
    }
    if (r.output == "-") return {};
    const std::optional<PictureFormat> told = FormatOfPath(r.output);
    if (!told)
        return "the output " + common::PrintableName(r.output) +
               " has no picture format by its extension; the formats are " + FormatList();
    if (parser.isSet(o.format) && *told != r.format)
        return "the output " + common::PrintableName(r.output) + " is " + FormatExtension(*told) +
               " by its extension, but --format asks for " + FormatExtension(r.format);
    r.format = *told;
    return {};
}

// The clicks in the order given, each a pixel a click into the view can reach: strictly inside
// the picture. An automatic size is known only once the data set is read, and is checked then.
std::string ReadClicks(const QStringList& values, const PictureSize& size, std::vector<PixelPoint>& clicks) {
    const RasterSize bound =
        size.IsAuto() ? RasterSize{kPictureSideMax, kPictureSideMax} : RasterSize{size.width, size.height};
    for (const QString& value : values) {
        const QStringList parts = value.split(QLatin1Char(','));
        bool okX = false, okY = false;
        const long long x = parts.size() == 2 ? parts[0].trimmed().toLongLong(&okX) : 0;
        const long long y = parts.size() == 2 ? parts[1].trimmed().toLongLong(&okY) : 0;
        const bool small = okX && okY && x > -1000000 && x < 1000000 && y > -1000000 && y < 1000000;
        // The same bounds as a click into the view: strictly inside the picture.
        const auto pixel = small ? ClickRasterPixel(static_cast<int>(x) + kImageOriginX,
                                                    static_cast<int>(y) + kImageOriginY, bound)
                                 : std::nullopt;
        if (!pixel)
            return "--click takes X,Y with X from 1 to " + std::to_string(bound.width - 1) +
                   " and Y from 1 to " + std::to_string(bound.height - 1) +
                   " (the pixels a click can reach), not '" + value.toStdString() + "'";
        clicks.push_back(*pixel);
    }
    return {};
}

}  // namespace

RenderRequest ParseRenderArguments(const QStringList& arguments) {
    cli::CommandLine line(
        "tesmora-render", "[options] FILE...",
        "Renders a flow data set to a PNG, SVG or PDF without a display, exactly as the viewer draws it.");
    const RenderOptions o(line);
    const QCommandLineParser& parser = line.Parser();
    RenderRequest r;
    r.outcome = line.Start(arguments, kEpilogue);
    if (!r.outcome.Goes()) return r;
    auto bad = [&line](const std::string& message) {
        RenderRequest answer;
        answer.outcome = line.Bad(message);
        return answer;
    };

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return bad("missing the data set FILE");
    std::string error;
    int formatValue = static_cast<int>(r.format);
    if (!line.ReadChoice(o.format, kFormats, formatValue, error)) return bad(error);
    r.format = static_cast<PictureFormat>(formatValue);
    r.geometry = cli::NativePath(positional.front());
    r.output = cli::NativePath(QFileInfo(positional.front()).completeBaseName() + QLatin1Char('.') +
                               QLatin1String(FormatExtension(r.format)));
    long long seedValue = 0;
    // Each value option is checked once even if repeated: the last occurrence counts, except
    // --click, which collects all.
    if (!line.ReadPath(o.output, r.output, error) || !o.settings->Read(line, r.settings, error) ||
        !line.ReadWhole(o.seed, 0, 4294967295LL, seedValue, error) ||
        !line.ReadPath(o.json, r.streamlinesJson, error) || !line.ReadPath(o.reference, r.reference, error) ||
        !line.ReadReal(o.threshold, 0.0, 100.0, r.referenceThreshold, error, "a percentage"))
        return bad(error);
    long long framesPerSecond = r.framesPerSecond;
    if (!line.ReadWhole(o.fps, 1, 120, framesPerSecond, error)) return bad(error);
    r.framesPerSecond = static_cast<int>(framesPerSecond);
    r.sequence = parser.isSet(o.frames) || parser.isSet(o.shard) || IsVideoPath(r.output);
    if (parser.isSet(o.frames) && parser.value(o.frames) != QLatin1String("all") &&
        !ReadFrameRange(parser.value(o.frames), r.frames))
        return bad(
            "--frames takes A:B[:S] (whole numbers, A at most B, S at least 1, B empty for the last "
            "frame) or all, not '" +
            parser.value(o.frames).toStdString() + "'");
    if (parser.isSet(o.shard) && !ReadShard(parser.value(o.shard), r.frames))
        return bad("--shard takes K/N with 0 <= K < N, not '" + parser.value(o.shard).toStdString() + "'");
    if (r.sequence) {
        for (const QString& p : positional) r.sequenceFiles.push_back(cli::NativePath(p));
    } else if (positional.size() > 1) {
        for (const QString& p : positional) r.batch.push_back(cli::NativePath(p));
    }
    if (std::string why = ResolveOutputs(parser, o, r); !why.empty()) return bad(why);
    if (parser.isSet(o.seed)) r.seed = static_cast<std::uint32_t>(seedValue);
    if (std::string why = ReadClicks(parser.values(o.click), r.settings.size, r.clicks); !why.empty())
        return bad(why);
    r.stats = parser.isSet(o.stats);
    if (parser.isSet(o.threshold) && !parser.isSet(o.reference))
        return bad("--reference-threshold needs --reference");
    return r;
}
