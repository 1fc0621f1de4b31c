// tesmora-convert INPUT OUTPUT.gri: reads any file the viewer opens and writes it as the .gri
// pair, so that the data can be handed to others.
#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <string>

#include "common/native_names.h"
#include "formats/format_reader.h"
#include "formats/gri_writer.h"
#include "scene/flow_scene.h"
#include "scene/scene_settings.h"
#include "streamlines/separation_grid.h"
#include "tools/cli/command_line.h"
#include "tools/cli/output_check.h"
#include "tools/cli/standard_output.h"
#include "tools/cli/tool_reporter.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr const char* kEpilogue =
    "\n"
    "Reads INPUT exactly as the viewer opens it and writes it as a geometry file OUTPUT.gri\n"
    "and its solution file (OUTPUT less its last three characters, plus \"00000.dat\"),\n"
    "which the viewer then shows as it shows INPUT.\n"
    "\n"
    "INPUT may be column text (.txt, .csv, .tsv, .dat), Tecplot ASCII (.dat, .tec, .plt,\n"
    "TSI Insight's .vec), VTK legacy (.vtk), VTK XML (.vti, .vtr) or a .gri pair. Vectors\n"
    "the file marks invalid are written as u = v = 0, a missing pressure as 0, and a missing\n"
    "vorticity as derived from u and v. Both files are written under temporary names and\n"
    "renamed only when both are complete.\n"
    "\n"
    "Exit status: 0 written, 1 not read or not written (standard output included), 2 bad usage or\n"
    "an output that would replace the input.\n";

int Run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    cli::CommandLine line("tesmora-convert", "[options] INPUT OUTPUT.gri",
                          "Writes any data set the viewer opens as a .gri pair.");
    line.Parser().setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    line.Parser().addPositionalArgument("INPUT", "The data set to read.");
    line.Parser().addPositionalArgument("OUTPUT.gri", "The geometry file to write.");
    const cli::SettingOptions readingOptions(line, {"plane", "resample"});
    if (const std::optional<int> end =
            cli::EndEarly(line.Start(common::NativeArguments(argc, argv), kEpilogue)))
        return *end;
    auto badUsage = [&line](const std::string& message) { return *cli::EndEarly(line.Bad(message)); };
    const QStringList positional = line.Parser().positionalArguments();
    if (positional.size() < 2)
        return badUsage(positional.isEmpty() ? "missing INPUT and OUTPUT.gri" : "missing OUTPUT.gri");
    if (positional.size() > 2)
        return badUsage("one input and one output, not also '" + cli::NativePath(positional[2]) + "'");
    const std::string input = cli::NativePath(positional[0]);
    const std::string output = cli::NativePath(positional[1]);
    if (!cli::EndsWithGri(output)) return badUsage("OUTPUT must end in .gri, not '" + output + "'");
    DrawSettings chosen;
    if (std::string error; !readingOptions.Read(line, chosen, error)) return badUsage(error);
    const std::string solution = FlowScene::SolutionPathFor(output);
    if (const std::optional<int> end =
            cli::CheckOutputs(line.Name(), {output, solution}, formats::FilesReadFor(input)))
        return *end;

    cli::ToolReporter reporter(line.Name());
    formats::FormatReader reader;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    scene.SetDataSetReader(&reader);
    DrawSettings settings = CurrentDrawSettings(scene);
    settings.plane = chosen.plane;
    settings.resample = chosen.resample;
    ApplyDrawSettings(scene, settings);
    if (!scene.LoadDataSet(input)) return kExitFailed;

    const DataSetArrays data = scene.TakeDataSet();
    std::string error;
    if (!formats::WriteGriPair(output, data, &error)) {
        std::fprintf(stderr, "%s: %s\n", line.Name().c_str(), error.c_str());
        return kExitFailed;
    }
    cli::PrintOut(line.Name() + ": " + std::to_string(data.ni) + " x " + std::to_string(data.nj) + " x " +
                  std::to_string(data.nk) + " nodes from " +
                  (data.notes.format.empty() ? std::string("a .gri pair") : data.notes.format) +
                  " written to " + output + " and " + solution + "\n");
    return kExitWritten;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::FinishStandardOutput("tesmora-convert", Run(argc, argv));
}
