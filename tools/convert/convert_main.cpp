// tesmora-convert INPUT OUTPUT.gri: reads any file the viewer opens and writes it as the .gri
// pair, so that the data can be handed to others.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "formats/format_reader.h"
#include "formats/gri_writer.h"
#include "scene/flow_scene.h"
#include "streamlines/separation_grid.h"
#include "tools/tool_reporter.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadUsage = 2;
const char* const kProgram = "tesmora-convert";
const char* const kHelp =
    "Usage: tesmora-convert [options] INPUT OUTPUT.gri\n"
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
    "Options:\n"
    "  -h, --help  Show this help and exit.\n"
    "  --version   Show the version and exit.\n"
    "\n"
    "Exit status: 0 written, 1 not read or not written, 2 bad usage.\n";

int BadUsage(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(), kProgram);
    return kExitBadUsage;
}

bool EndsWithGri(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return end == ".gri";
}

// Whether writing PATH would replace the file INPUT, which would lose the original.
bool SameFile(const std::string& path, const std::string& input) {
    std::error_code ec;
    return std::filesystem::equivalent(path, input, ec) && !ec;
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
        return kExitWritten;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", kProgram, TESMORA_VERSION);
        return kExitWritten;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2) return BadUsage(positional.isEmpty() ? "missing INPUT and OUTPUT.gri" : "missing OUTPUT.gri");
    if (positional.size() > 2) return BadUsage("one input and one output, not also '" + positional[2].toStdString() + "'");
    const std::string input = QFile::encodeName(positional[0]).toStdString();
    const std::string output = QFile::encodeName(positional[1]).toStdString();
    if (!EndsWithGri(output)) return BadUsage("OUTPUT must end in .gri, not '" + output + "'");
    const std::string solution = FlowScene::SolutionPathFor(output);
    if (SameFile(output, input) || SameFile(solution, input))
        return BadUsage("writing " + output + " would replace the input " + input);

    ToolReporter reporter(kProgram);
    formats::FormatReader reader;
    SeparationGrid grid;
    FlowScene scene(grid, &reporter);
    scene.SetDataSetReader(&reader);
    if (!scene.LoadDataSet(input)) return kExitFailed;

    std::string error;
    if (!formats::WriteGriPair(output, {scene.m_ni, scene.m_nj, scene.m_nk, scene.m_pNodes.get(), scene.m_pU.get(),
                                        scene.m_pV.get(), scene.m_pP.get(), scene.m_pW.get()},
                               &error)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        return kExitFailed;
    }
    const DataSetNotes& notes = scene.Notes();
    std::printf("%s: %d x %d x %d nodes from %s written to %s and %s\n", kProgram, scene.m_ni, scene.m_nj, scene.m_nk,
                notes.format.empty() ? "a .gri pair" : notes.format.c_str(), output.c_str(), solution.c_str());
    return kExitWritten;
}
