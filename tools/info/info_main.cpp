// tesmora-info FILE: loads a data set exactly as the viewer does and prints its summary.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <string>

#include "formats/format_reader.h"
#include "scene/flow_scene.h"
#include "streamlines/separation_grid.h"
#include "tools/info/data_set_summary.h"
#include "tools/tool_reporter.h"

namespace {

constexpr int kExitLoaded = 0;
constexpr int kExitRejected = 1;
constexpr int kExitBadUsage = 2;
const char* const kProgram = "tesmora-info";
const char* const kHelp =
    "Usage: tesmora-info [options] FILE\n"
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
    "Options:\n"
    "  -h, --help  Show this help and exit.\n"
    "  --version   Show the version and exit.\n"
    "\n"
    "Exit status: 0 loaded, 1 rejected or unreadable, 2 bad usage.\n";

int BadUsage(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(),
                 kProgram);
    return kExitBadUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version("version", "Show the version and exit.");
    parser.addOptions({help, version});

    if (!parser.parse(QCoreApplication::arguments())) return BadUsage(parser.errorText().toStdString());
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
        return kExitLoaded;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", kProgram, TESMORA_VERSION);
        return kExitLoaded;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return BadUsage("missing FILE");
    if (positional.size() > 1)
        return BadUsage("one file at a time, not also '" + positional[1].toStdString() + "'");

    const std::string path = QFile::encodeName(positional[0]).toStdString();
    ToolReporter reporter(kProgram);
    formats::FormatReader reader;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    scene.SetDataSetReader(&reader);
    if (!scene.LoadDataSet(path)) return kExitRejected;
    std::fputs(DescribeDataSet(scene, path).c_str(), stdout);
    return kExitLoaded;
}
