// tesmora-render: draws a data set as the viewer would and writes the picture to a PNG, SVG
// or PDF, without any display.
#include <sys/stat.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "common/native_names.h"
#include "common/target_file.h"
#include "formats/format_reader.h"
#include "lettering/legend_text_painter.h"
#include "output/figure_painter.h"
#include "output/picture_file.h"
#include "output/scene_capture.h"
#include "output/video_file.h"
#include "render/figure_layout.h"
#include "render/offscreen_context.h"
#include "render/scene_drawing.h"
#include "render/view_projection.h"
#include "scene/data_set_checks.h"
#include "scene/flow_scene.h"
#include "tools/cli/batch_runner.h"
#include "tools/cli/command_line.h"
#include "tools/cli/output_check.h"
#include "tools/cli/standard_output.h"
#include "tools/cli/tool_reporter.h"
#include "tools/render/picture_compare.h"
#include "tools/render/render_options.h"
#include "tools/render/render_report.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitNotLoaded = 1;  // also an output that could not be written, a reference not read
constexpr int kExitNoContext = 3;
constexpr int kExitUsage = 2;
constexpr int kExitDiffers = 4;

void Error(const std::string& text) {
    std::fprintf(stderr, "tesmora-render: %s\n", text.c_str());
}

QString Native(const std::string& path) {
    return common::FromNative(path);
}

// The settings as the control bar leaves them: the test distance follows distance and
// percentage the way the percentage's spin button computes it.
void ApplySettings(FlowScene& scene, const RenderRequest& r) {
    ApplyDrawSettings(scene, r.settings);
    scene.SetFixedSeed(r.seed);
}

// Raster rows come bottom first; a PNG starts at the top.
QImage PictureImage(const std::vector<std::uint8_t>& rgb, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3u;
    for (int row = 0; row < height; ++row) {
        const std::size_t rasterRow = static_cast<std::size_t>(height - 1 - row);
        std::memcpy(image.scanLine(row), rgb.data() + rasterRow * rowBytes, rowBytes);
    }
    return image;
}

bool WriteFile(const std::string& path, const QByteArray& bytes) {
    std::string error;
    if (!common::WriteTargetFile(
            path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), &error)) {
        Error(error);
        return false;
    }
    return true;
}

// The reference's bytes, read only from a regular file: a FIFO would block the run for good.
// Otherwise false, with *MISSING set when there is no file and *WHY why it cannot be read.
bool ReadReference(const std::string& path, QByteArray* bytes, bool* missing, std::string* why) {
    struct stat status {};
    *missing = false;
    if (::stat(path.c_str(), &status) != 0) {
        *missing = errno == ENOENT;
        *why = std::string("cannot be reached: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *why = "is not a regular file";
        return false;
    }
    QFile file(Native(path));
    if (!file.open(QIODevice::ReadOnly)) {
        *why = "cannot be read: " + file.errorString().toStdString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *why = "cannot be read: " + file.errorString().toStdString();
        return false;
    }
    return true;
}

int CompareWithReference(const QImage& picture, const RenderRequest& r) {
    const QString output = Native(r.output);
    const QString referencePath = common::FromNative(common::PrintableName(r.reference));
    const QString absoluteOutput =
        common::FromNative(common::PrintableName(common::ToNative(QFileInfo(output).absoluteFilePath())));
    QByteArray referenceBytes;
    bool missing = false;
    std::string why;
    if (!ReadReference(r.reference, &referenceBytes, &missing, &why)) {
        if (missing) {
            Error("no reference picture at " + common::PrintableName(r.reference) + "; if the picture at " +
                  absoluteOutput.toStdString() + " is right, copy it there to make it the reference");
            return kExitDiffers;
        }
        // Not a difference but a failure to compare, which a CI job must tell apart.
        Error("the reference " + common::PrintableName(r.reference) + " " + why);
        return kExitNotLoaded;
    }
    const QImage reference = QImage::fromData(referenceBytes);
    if (reference.isNull()) {
        Error("the reference " + common::PrintableName(r.reference) + " is not a readable picture");
        return kExitNotLoaded;
    }
    const PictureDifference d = ComparePictures(picture, reference);
    if (d.sameSize && d.Percent() <= r.referenceThreshold) return kExitWritten;

    if (!d.sameSize) {
        Error(QString("the reference %1 is %2 x %3 pixels, the picture %4 x %5; the picture is kept at %6")
                  .arg(referencePath)
                  .arg(reference.width())
                  .arg(reference.height())
                  .arg(picture.width())
                  .arg(picture.height())
                  .arg(absoluteOutput)
                  .toStdString());
        return kExitDiffers;
    }
    const QString diffPath = DifferencePath(output);
    std::string diffError;
    // The differing pixels are an extra: never written over the reference itself.
    const bool diffWritten =
        !common::WouldReplace(common::ToNative(diffPath), r.reference) &&
        WritePictureFile(common::ToNative(diffPath), PictureFormat::Png,
                         PictureData{DifferenceImage(picture, reference), {}, {}}, &diffError);
    Error(QString("the picture differs from the reference %1: %2% of the pixels differ by more than %3 in a "
                  "channel (largest difference %4), more than the allowed %5%; the picture is kept at %6%7")
              .arg(referencePath)
              .arg(d.Percent(), 0, 'f', 3)
              .arg(kChannelTolerance)
              .arg(d.largest)
              .arg(r.referenceThreshold)
              .arg(absoluteOutput)
              .arg(diffWritten ? ", the differing pixels in " +
                                     common::FromNative(common::PrintableName(
                                         common::ToNative(QFileInfo(diffPath).absoluteFilePath())))
                               : QString())
              .toStdString());
    return kExitDiffers;
}

// The context a picture of RASTER's size needs, with the legend when it is on: the picture at
// the classic place in it, (350, 70) from the bottom left, and the legend to its right.
int ContextWidth(bool legend, RasterSize raster) {
    return kImageOriginX + PictureWidth(legend, raster.width);
}
int ContextHeight(RasterSize raster) {
    return kImageOriginY + raster.height;
}

// The scene of one run, with what it reports through and reads with.
struct RenderScene {
    SeparationGrid grid;
    cli::ToolReporter reporter{"tesmora-render"};  // what the viewer's message box would say
    formats::FormatReader reader;
    FlowScene scene{grid, &reporter};
    RenderScene() { scene.SetDataSetReader(&reader); }
};

// After the data set is read, when its picture's size is known: the clicks must lie inside the
// picture, and CONTEXT must hold it (it is made anew, larger, when it does not). An exit code
// when either fails.
std::optional<int> FitPicture(std::unique_ptr<OffscreenContext>& context, const FlowScene& scene,
                              const RenderRequest& r, const std::string& name, bool ofBatch = false) {
    const RasterSize raster = scene.Raster();
    for (const PixelPoint& click : r.clicks)
        if (click.x >= raster.width - 1 || click.y >= raster.height - 1) {
            Error("--click " + std::to_string(click.x) + "," + std::to_string(click.y) +
                  " lies outside the " + std::to_string(raster.width) + " x " +
                  std::to_string(raster.height) + " picture of " + common::PrintableName(name));
            return kExitUsage;
        }
    const bool legend = r.settings.legend;
    if (context->Width() < ContextWidth(legend, raster) || context->Height() < ContextHeight(raster)) {
        // The old context goes first: ending it releases whatever context is current.
        context.reset();
        std::string error;
        context = OffscreenContext::Create(ContextWidth(legend, raster), ContextHeight(raster), &error);
        if (!context) {
            Error(error);
            return kExitNoContext;
        }
    }
    if (scene.FlowIsZero()) {
        const std::string warning = "warning: " + loading::StillFlow(scene.Notes(), scene.m_nk).english;
        Error(ofBatch ? common::PrintableName(name) + ": " + warning : warning);
    } else if (!(r.settings.stepPixels > 0.0f)) {
        const std::string warning = TimeStepWarning(MeasureTimeStepAdvance(scene));
        if (!warning.empty()) Error(ofBatch ? common::PrintableName(name) + ": " + warning : warning);
    }
    return std::nullopt;
}

// The scene drawn in CONTEXT with R's clicks, into PICTURE's raster (and its vector picture
// for SVG and PDF); CLICKS gets the lines the clicks traced.
bool DrawScene(OffscreenContext& context, FlowScene& scene, const RenderRequest& r, PictureFormat format,
               std::vector<Streamline>& clicks, PictureData& picture, std::string* error) {
    const RasterSize raster = scene.Raster();
    const bool legend = r.settings.legend;
    SetViewProjection(context.Width(), context.Height());
    BeginFrame();
    const std::unique_ptr<QtLegendTextPainter> text =
        legend ? std::make_unique<QtLegendTextPainter>() : nullptr;
    DrawPicture(scene, PictureFrame{}, text.get());
    clicks.clear();
    for (const PixelPoint& click : r.clicks) {
        TraceAndDrawClick(scene, click.x, click.y);
        // A click beside the data (equal proportions) traces nothing: an empty line keeps its place.
        clicks.push_back(scene.m_pClickStreamline ? *scene.m_pClickStreamline : Streamline());
    }
    EndFrame();
    const int width = PictureWidth(legend, raster.width);
    picture.raster =
        FigureImage(PictureImage(ReadPicture(context, width, raster.height), width, raster.height),
                    LayOutFigure(scene), legend);
    return format == PictureFormat::Png || CaptureScenePicture(scene, clicks, &picture.vector, error);
}

// One data set drawn in CONTEXT, made current on this thread (or made anew, larger, when the
// picture needs more room), and written where R says. One of a batch names its data set in
// its warnings, as they come in the order the workers reach them.
int Draw(std::unique_ptr<OffscreenContext>& context, const RenderRequest& r, bool ofBatch = false) {
    std::string error;
    RenderScene session;
    FlowScene& scene = session.scene;
    ApplySettings(scene, r);

    QElapsedTimer timer;
    timer.start();
    scene.OpenDataSet(r.geometry);
    RenderTimes times;
    times.openMs = static_cast<double>(timer.nsecsElapsed()) / 1.0e6;
    if (!scene.HasDataSet()) return kExitNotLoaded;
    if (const std::optional<int> end = FitPicture(context, scene, r, r.geometry, ofBatch)) return *end;

    timer.restart();
    std::vector<Streamline> clicks;
    PictureData picture;
    if (!DrawScene(*context, scene, r, r.format, clicks, picture, &error)) {
        Error(error);
        return kExitNotLoaded;
    }
    times.drawingMs = static_cast<double>(timer.nsecsElapsed()) / 1.0e6;
    picture.notes = DescribePicture({"tesmora-render", cli::ProgramVersion(), r.geometry,
                                     CurrentDrawSettings(scene), scene.LastSeed(), r.clicks});
    if (!WritePictureFile(r.output, r.format, picture, &error)) {
        Error(error);
        return kExitNotLoaded;
    }
    if (!r.streamlinesJson.empty() && !WriteFile(r.streamlinesJson, StreamlinesJson(scene, clicks))) {
        return kExitNotLoaded;
    }
    if (r.stats) cli::PrintOut(StatsJson(scene, times, context->Description()).toStdString() + "\n");
    if (!r.reference.empty()) return CompareWithReference(picture.raster, r);
    return kExitWritten;
}

// Qt's own warnings name the program too, as every message of a tool does. Qt Gui's note that
// XDG_RUNTIME_DIR is unset (as under cron, CI and in containers) tells the user nothing about
// the picture and is left out.
void PrefixQtMessages(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    std::fprintf(stderr, "tesmora-render: %s\n", message.toLocal8Bit().constData());
}

// The letters of the legend, the axes and the title need Qt Gui's fonts, on its platform
// without a display; without them nothing of Qt Gui is started.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    bool letters = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        for (const char* option : {"--legend", "--axes", "--title"}) {
            const std::size_t n = std::strlen(option);
            // "--title TEXT" and "--title=TEXT" alike.
            letters = letters ||
                      (std::strncmp(argv[i], option, n) == 0 && (argv[i][n] == '\0' || argv[i][n] == '='));
        }
    }
    qInstallMessageHandler(PrefixQtMessages);
    if (!letters) return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

// Every file the run reads: the data sets, with the solution files of .gri pairs, and the
// reference.
std::vector<std::string> Inputs(const RenderRequest& r) {
    std::vector<std::string> inputs;
    for (const std::string& input : r.batch.empty() ? std::vector<std::string>{r.geometry} : r.batch)
        for (std::string& file : formats::FilesReadFor(input)) inputs.push_back(std::move(file));
    if (!r.reference.empty()) inputs.push_back(r.reference);
    return inputs;
}

int Run(const RenderRequest& r, std::atomic<bool>& drawn) {
    if (const std::optional<int> end =
            cli::CheckOutputs("tesmora-render", {r.output, r.streamlinesJson}, Inputs(r)))
        return *end;
    std::string error;
    // Made before the data set is read, so that a machine without OpenGL is told so at once.
    auto context = OffscreenContext::Create(ContextWidth(r.settings.legend, {}), ContextHeight({}), &error);
    if (!context) {
        Error(error);
        return kExitNoContext;
    }
    const int code = Draw(context, r);
    if (code == kExitWritten || code == kExitDiffers) drawn = true;
    return code;
}

bool MakeFolder(const std::string& folder) {
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(folder), made);
    if (made || !std::filesystem::is_directory(std::filesystem::path(folder))) {
        Error("cannot make the folder " + common::PrintableName(folder) +
              (made ? ": " + made.message() : std::string(": a file of that name is in the way")));
        return false;
    }
    return true;
}

// A time series drawn frame by frame with one scene: the grid is read once, each frame's
// fields swapped in, and every picture goes to the folder or into the video as it is drawn.
int RunSequence(const RenderRequest& r, std::atomic<bool>& drawn) {
    std::vector<Frame> frames;
    {
        formats::FormatReader probe;
        cli::ToolReporter reporter{"tesmora-render"};
        if (!FramesOf(r.sequenceFiles, &probe, reporter, frames)) return kExitNotLoaded;
    }
    std::string error;
    const std::vector<std::size_t> chosen = ChosenFrames(r.frames, frames.size(), &error);
    if (chosen.empty()) {
        Error(error);
        return kExitUsage;
    }
    const bool video = IsVideoPath(r.output);
    std::vector<std::string> outputs{r.output};
    if (!video) {
        if (!MakeFolder(r.output)) return kExitNotLoaded;
        outputs.clear();
        for (const std::size_t number : chosen)
            outputs.push_back(FramePicturePath(r.output, number, r.format));
    }
    std::vector<std::string> inputs = r.sequenceFiles;
    for (const Frame& frame : frames)
        for (std::string& file : formats::FilesReadFor(frame)) inputs.push_back(std::move(file));
    if (const std::optional<int> end = cli::CheckOutputs("tesmora-render", outputs, inputs)) return *end;

    auto context = OffscreenContext::Create(ContextWidth(r.settings.legend, {}), ContextHeight({}), &error);
    if (!context) {
        Error(error);
        return kExitNoContext;
    }
    RenderScene session;
    FlowScene& scene = session.scene;
    ApplySettings(scene, r);
    scene.OpenDataSet(frames.front().path);
    if (!scene.HasDataSet()) return kExitNotLoaded;
    if (const std::optional<int> end = FitPicture(context, scene, r, frames.front().path)) return *end;
    // One colour scale for every frame, whichever of them this run draws (a shard, a range).
    if (frames.size() > 1 && r.settings.range == kRangeSequence) {
        if (!scene.MeasureSequenceRanges(frames)) return kExitNotLoaded;
        scene.ColourBackground();
    }

    // A coherent frame follows from the frame placed before it, so a shard places every frame
    // the whole run would, from its first on, and draws its own: its pictures are the run's.
    std::vector<std::size_t> placed = chosen;
    if (r.settings.coherent) {
        FrameChoice whole = r.frames;
        whole.shard = 0;
        whole.shards = 1;
        placed = ChosenFrames(whole, frames.size(), nullptr);
    }
    VideoFile film;
    std::size_t shown = 0;
    std::vector<Streamline> clicks;
    std::vector<GridNode> seedsBefore;
    QImage pictureBefore;
    std::size_t n = 0;  // of the pictures drawn
    for (std::size_t k = 0; k < placed.size() && n < chosen.size(); ++k) {
        const std::size_t number = placed[k];
        if (number != shown) {
            // The run's first frame is placed anew, whichever frame was read for the grid.
            scene.m_modes.coherent = r.settings.coherent && k > 0;
            const bool ok = scene.ShowFrame(frames[number]);
            scene.m_modes.coherent = r.settings.coherent;
            if (!ok) return kExitNotLoaded;
            shown = number;
        }
        if (chosen[n] != number) continue;
        PictureData picture;
        const PictureFormat format = video ? PictureFormat::Png : r.format;
        if (!DrawScene(*context, scene, r, format, clicks, picture, &error)) {
            Error(error);
            return kExitNotLoaded;
        }
        bool written = true;
        if (video) {
            const QImage rgb = picture.raster.convertToFormat(QImage::Format_RGB888);
            written = (n > 0 || film.Open(r.output, rgb.width(), rgb.height(), r.framesPerSecond, &error)) &&
                      film.AddFrame(rgb.constBits(), static_cast<std::size_t>(rgb.bytesPerLine()), &error);
        } else {
            const Frame& frame = frames[number];
            picture.notes = DescribePicture({"tesmora-render", cli::ProgramVersion(),
                                             frame.solution.empty() ? frame.path : frame.solution,
                                             CurrentDrawSettings(scene), scene.LastSeed(), r.clicks});
            written = WritePictureFile(outputs[n], format, picture, &error);
        }
        if (!written) {
            Error(error);
            return kExitNotLoaded;
        }
        drawn = true;
        if (r.stats) {
            const bool first = n == 0;
            // Carried lines may start beside their seed, moved along the line; the placement counts
            // them. Placed anew, a line is carried over where it happens to start at a seed of the last.
            const std::size_t from = r.settings.coherent
                                         ? static_cast<std::size_t>(scene.Stats().carriedLines)
                                         : LinesFromSeeds(scene, seedsBefore);
            const std::optional<std::size_t> carried =
                first ? std::nullopt : std::optional<std::size_t>(from);
            const std::optional<double> changed =
                first ? std::nullopt
                      : std::optional<double>(ComparePictures(picture.raster, pictureBefore).Percent());
            cli::PrintOut(FrameStatsJson(number, scene, carried, changed).toStdString() + "\n");
            seedsBefore = scene.LineSeeds();
            pictureBefore = picture.raster;
        }
        ++n;
    }
    if (video && !film.Finish(&error)) {
        Error(error);
        return kExitNotLoaded;
    }
    return kExitWritten;
}

// Each worker draws in a context of its own, made on its first data set and kept for the rest.
int RunBatch(const RenderRequest& r, std::atomic<bool>& drawn) {
    if (!MakeFolder(r.output)) return kExitNotLoaded;
    const std::vector<std::string> pictures = BatchPicturePaths(r.output, r.batch, r.format);
    if (const std::optional<int> end = cli::CheckOutputs("tesmora-render", pictures, Inputs(r))) return *end;
    std::atomic<bool> noContext{false};
    const std::size_t failed = cli::RunBatch(
        r.batch.size(), cli::BatchWorkers(r.batch.size()),
        [&](std::size_t i) {
            thread_local std::unique_ptr<OffscreenContext> context;
            std::string error;
            if (!context)
                context =
                    OffscreenContext::Create(ContextWidth(r.settings.legend, {}), ContextHeight({}), &error);
            RenderRequest one = r;
            one.batch.clear();
            one.geometry = r.batch[i];
            one.output = pictures[i];
            if (!context) {
                noContext = true;
                Error(common::PrintableName(one.geometry) + ": " + error);
                return false;
            }
            if (Draw(context, one, true) == kExitWritten) {
                drawn = true;
                return true;
            }
            Error(common::PrintableName(one.geometry) + ": not drawn");
            return false;
        },
        "tesmora-render");
    if (failed)
        Error(std::to_string(failed) + " of " + std::to_string(r.batch.size()) + " data sets not drawn");
    return failed == 0 ? kExitWritten : noContext ? kExitNoContext : kExitNotLoaded;
}

int RunProgram(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv);
    QCoreApplication::setApplicationName("tesmora-render");
    common::RemoveTemporariesOnInterrupt();

    RenderRequest r = ParseRenderArguments(common::NativeArguments(argc, argv));
    if (const std::optional<int> end = cli::EndEarly(r.outcome)) return *end;
    // Chosen here rather than by the scene, so that it can be told, and a batch shares it.
    // Arrows and the fine placement draw nothing at random: no seed to tell.
    const bool tellSeed = !r.seed && !r.settings.hedgehog && r.settings.placement != kPlacementFine;
    if (!r.seed) r.seed = static_cast<std::uint32_t>(std::time(nullptr));
    std::atomic<bool> drawn{false};
    const int code = r.sequence        ? RunSequence(r, drawn)
                     : r.batch.empty() ? Run(r, drawn)
                                       : RunBatch(r, drawn);
    // Told once a picture exists, so that a run that fails starts with its reason.
    if (tellSeed && drawn)
        std::fprintf(stderr, "tesmora-render: seed %u from the clock; --seed %u draws this picture again\n",
                     *r.seed, *r.seed);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::FinishStandardOutput("tesmora-render", RunProgram(argc, argv));
}
