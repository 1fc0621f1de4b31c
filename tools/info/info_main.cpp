// tesmora-info GEOMETRY.gri: loads a data set exactly as the viewer does and prints its summary.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <string>

#include "common/version_notice.h"
#include "scene/flow_scene.h"
#include "scene/reporter.h"
#include "streamlines/separation_grid.h"
#include "tools/info/data_set_summary.h"

namespace {

constexpr int kExitLoaded = 0;
constexpr int kExitRejected = 1;
constexpr int kExitBadUsage = 2;
const char* const kProgram = "tesmora-info";
const char* const kHelp =
    "Usage: tesmora-info [options] GEOMETRY.gri\n"
    "Loads a data set exactly as the viewer does and prints its node counts, extents,\n"
    "scales, world rectangle, whether the grid is rectilinear and increasing, and the\n"
    "range of every per-node value (x, y, u, v, speed, pressure, vorticity) over all\n"
    "planes. Minimum and maximum are taken over the finite values; the last column\n"
    "counts the values that are not finite. A file the viewer would reject gets the\n"
    "viewer's message on stderr. The solution file is found as the viewer finds it:\n"
    "GEOMETRY.gri less its last three characters, plus \"00000.dat\".\n"
    "\n"
    "Options:\n"
    "  -h, --help  Show this help and exit.\n"
    "  --version   Show the version and exit.\n"
    "\n"
    "Exit status: 0 loaded, 1 rejected or unreadable, 2 bad usage.\n";

// What the viewer would show in its message box goes to stderr, under the program's name.
class ToolReporter final : public Reporter {
public:
    void Report(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, caption.c_str(), text.c_str());
    }
};

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
        std::printf("%s %s\n%s", kProgram, TESMORA_VERSION, tesmora::kVersionNotice);
        return kExitLoaded;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return BadUsage("missing GEOMETRY.gri");
    if (positional.size() > 1)
        return BadUsage("one file at a time, not also '" + positional[1].toStdString() + "'");

    const std::string path = QFile::encodeName(positional[0]).toStdString();
    ToolReporter reporter;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    if (!scene.LoadDataSet(path)) return kExitRejected;
    std::fputs(DescribeDataSet(scene, path).c_str(), stdout);
    return kExitLoaded;
}
