// tesmora-info FILE...: loads data sets exactly as the viewer does and prints their summaries.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/native_names.h"
#include "formats/format_reader.h"
#include "scene/data_set_checks.h"
#include "scene/flow_scene.h"
#include "scene/scene_settings.h"
#include "streamlines/separation_grid.h"
#include "tools/cli/batch_runner.h"
#include "tools/cli/command_line.h"
#include "tools/cli/standard_output.h"
#include "tools/cli/tool_reporter.h"
#include "tools/info/data_set_json.h"
#include "tools/info/data_set_summary.h"

namespace {

constexpr int kExitLoaded = 0;
constexpr int kExitRejected = 1;

constexpr const char* kEpilogue =
    "\n"
    "Loads a data set exactly as the viewer does and prints its node counts, extents,\n"
    "scales, world rectangle, whether the grid is rectilinear and increasing, and the\n"
    "range of every per-node value (x, y, u, v, speed, pressure, vorticity) over all\n"
    "planes. Minimum and maximum are taken over the finite values; the last column\n"
    "counts the values that are not finite. A file the viewer would reject gets the\n"
    "viewer's message on stderr.\n"
    "\n"
    "FILE is a geometry file GEOMETRY.gri, whose solution file is found as the viewer\n"
    "finds it (GEOMETRY.gri less its last three characters, plus \"00000.dat\"), or a\n"
    "file another program wrote: column text (.txt, .csv, .tsv, .dat), Tecplot ASCII\n"
    "(.dat, .tec, .plt, .vec), VTK legacy (.vtk) or VTK XML (.vti, .vtr). For those it\n"
    "also prints the file's format, how many vectors it marks invalid (read as\n"
    "u = v = 0), whether it has no pressure (read as 0) and whether the vorticity was\n"
    "derived from u and v.\n"
    "\n"
    "The last line tells how far the fixed time step of 0.1 moves a point, in pixels of\n"
    "the 350 x 560 raster: at the median and the 95th percentile of the speed over the\n"
    "raster's pixels, leaving out those where the flow does not move (masked vectors,\n"
    "bodies at rest). Outside 0.2 to 5 pixels the streamlines jump or end as fragments,\n"
    "and tesmora-render --step-px 1 (the viewer's step \"1 px\") fits the data better.\n"
    "\n"
    "Several files are loaded in parallel, one per core, and reported in the order given, each\n"
    "summary under a line \"==> FILE <==\"; a file that fails is reported and the others are still\n"
    "done. --json prints the same as one JSON object per file (an array of them for several):\n"
    "file, format, counts, nodes, extent, scale, inverse_scale, world, shift, rectilinear, grid,\n"
    "invalid_nodes, ranges (min, max and non_finite of x, y, u, v, speed, pressure, vorticity;\n"
    "min and max null without a finite value) and time_step (moving_pixels, median_px,\n"
    "percentile95_px, fits); a file that could not be loaded is {\"file\", \"loaded\": false,\n"
    "\"error\"}, the error the text on stderr. --json-lines prints the same objects one to a\n"
    "line, one line per file in the order given, whether one file is named or several.\n"
    "\n"
    "Exit status: 0 all loaded, 1 any rejected or unreadable, or standard output not written,\n"
    "2 bad usage.\n";

// Tells on stderr as every tool does, and keeps the last failure's text for the JSON.
class KeepingReporter final : public Reporter {
public:
    void Report(const std::string& text, const std::string& caption) override {
        m_told.Report(text, caption);
        Keep(caption, text);
    }
    void Tell(const Message& message) override {
        m_told.Tell(message);
        Keep(message.caption, message.english);
    }
    const std::string& Last() const { return m_last; }

private:
    void Keep(const std::string& caption, const std::string& text) {
        m_last = caption.empty() || caption == messages::kAppCaption ? text : caption + ": " + text;
    }
    cli::ToolReporter m_told{"tesmora-info"};
    std::string m_last;
};

// One data set's summary, or nothing when it could not be loaded.
struct Summary {
    bool loaded = false;
    std::string text;
    QJsonObject json;
};

Summary Summarise(const std::string& path, bool json, const DrawModes& reading) {
    KeepingReporter reporter;
    formats::FormatReader reader;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    scene.SetDataSetReader(&reader);
    DrawSettings chosen = CurrentDrawSettings(scene);
    chosen.plane = reading.plane;
    chosen.resample = reading.resample;
    ApplyDrawSettings(scene, chosen);
    Summary summary;
    if (!scene.LoadDataSet(path)) {
        if (json) summary.json = RejectedJson(path, reporter.Last());
        return summary;
    }
    if (scene.FlowIsZero())
        std::fprintf(stderr, "tesmora-info: warning: %s: %s\n", common::PrintableName(path).c_str(),
                     loading::StillFlow(scene.Notes(), scene.m_nk).english.c_str());
    // As the viewer resamples after loading, for the time step's advance over the raster.
    scene.BuildRasters();
    summary.loaded = true;
    if (json) {
        summary.json = DataSetJson(scene, path);
    } else {
        summary.text = DescribeDataSet(scene, path);
    }
    return summary;
}

int Run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    cli::CommandLine line("tesmora-info", "[options] FILE...", "Prints what flow data sets hold.");
    line.Parser().setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    line.Parser().addPositionalArgument(
        "FILE", "A data set: a geometry file GEOMETRY.gri, or another program's file; may repeat.");
    const QCommandLineOption jsonOption("json", "Print JSON instead of text (see below).");
    const QCommandLineOption jsonLinesOption("json-lines", "Print one JSON object per file, one to a line.");
    line.Parser().addOption(jsonOption);
    line.Parser().addOption(jsonLinesOption);
    const cli::SettingOptions readingOptions(line, {"plane", "resample"});
    if (const std::optional<int> end =
            cli::EndEarly(line.Start(common::NativeArguments(argc, argv), kEpilogue)))
        return *end;
    auto badUsage = [&line](const std::string& message) { return *cli::EndEarly(line.Bad(message)); };
    const QStringList positional = line.Parser().positionalArguments();
    if (positional.isEmpty()) return badUsage("missing FILE");
    const bool jsonLines = line.Parser().isSet(jsonLinesOption);
    const bool json = jsonLines || line.Parser().isSet(jsonOption);
    DrawSettings chosen;
    if (std::string error; !readingOptions.Read(line, chosen, error)) return badUsage(error);
    std::vector<std::string> paths;
    for (const QString& p : positional) paths.push_back(cli::NativePath(p));

    std::vector<Summary> summaries(paths.size());
    const std::size_t failed = cli::RunBatch(
        paths.size(), cli::BatchWorkers(paths.size()),
        [&](std::size_t i) {
            summaries[i] = Summarise(paths[i], json, chosen);
            return summaries[i].loaded;
        },
        line.Name());
    if (jsonLines) {
        for (const Summary& s : summaries)
            cli::PrintOut(QJsonDocument(s.json).toJson(QJsonDocument::Compact).toStdString() + "\n");
    } else if (json) {
        QJsonArray all;
        for (const Summary& s : summaries) all.append(s.json);
        const QJsonDocument doc = paths.size() == 1 ? QJsonDocument(summaries[0].json) : QJsonDocument(all);
        cli::PrintOut(doc.toJson(QJsonDocument::Indented).toStdString());
    } else {
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (!summaries[i].loaded) continue;
            if (paths.size() > 1)
                cli::PrintOut(std::string(i ? "\n" : "") + "==> " + common::PrintableName(paths[i]) +
                              " <==\n");
            cli::PrintOut(summaries[i].text);
        }
    }
    return failed ? kExitRejected : kExitLoaded;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::FinishStandardOutput("tesmora-info", Run(argc, argv));
}
