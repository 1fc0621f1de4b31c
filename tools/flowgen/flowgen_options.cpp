#include "tools/flowgen/flowgen_options.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <string>

#include "common/version_notice.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

const char* const kProgram = "tesmora-flowgen";

std::string Quote(const QString& s) {
    return "'" + s.toStdString() + "'";
}

// "  name    text" with the text wrapped under itself, as the options are.
std::string Wrapped(const std::string& name, const std::string& text, std::size_t indent) {
    constexpr std::size_t kWidth = 79;
    std::string out = name.empty() ? std::string() : "  " + name;
    if (!out.empty()) out.append(out.size() + 1 < indent ? indent - out.size() : 1, ' ');
    std::size_t column = out.size();
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(' ', pos);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(pos, end - pos);
        if (column > indent && column + 1 + word.size() > kWidth) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        pos = end + 1;
    }
    return out + "\n";
}

std::string FlowList() {
    std::string names;
    for (const std::string& name : FlowNames()) names += (names.empty() ? "" : ", ") + name;
    return names;
}

FlowgenRequest BadUsage(const std::string& message) {
    FlowgenRequest request;
    request.action = FlowgenRequest::Action::BadUsage;
    request.text =
        std::string(kProgram) + ": " + message + "\nTry '" + kProgram + " --help' for more information.\n";
    return request;
}

// A count option: a whole number within [low, high], or a message naming the option.
bool ParseCount(const QCommandLineParser& parser, const QCommandLineOption& option, int low, int high,
                int& value, std::string& message) {
    if (!parser.isSet(option)) return true;
    const QString text = parser.value(option);
    bool ok = false;
    const long long parsed = text.trimmed().toLongLong(&ok);
    if (!ok || parsed < low || parsed > high) {
        message = "--" + option.names().constLast().toStdString() + " must be a whole number from " +
                  std::to_string(low) + " to " + std::to_string(high) + ", not " + Quote(text);
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

std::string HelpText(const QCommandLineParser& parser) {
    // Qt names the program by the path it was started with; the help names it plainly.
    QString qtHelp = parser.helpText();
    qtHelp = qtHelp.mid(qtHelp.indexOf('\n') + 1);
    std::string help =
        std::string("Usage: ") + kProgram + " [options] FLOW OUTPUT.gri\n" + qtHelp.toStdString();
    help += "\nFlows:\n";
    for (const AnalyticFlow& flow : AnalyticFlows()) help += Wrapped(flow.name, flow.summary, 17);
    help += "\n";
    help += Wrapped("",
                    "Every domain has the picture's aspect, 350 wide to 560 high, and speeds suit the "
                    "viewer's time step of 0.1: a typical step moves one to two pixels. All flows but "
                    "the double gyre lie in x -10..10, y -16..16.",
                    0);
    help += Wrapped(
        "", "ni * nj * nk may be at most " + std::to_string(kMaxNodes) + " nodes (512 MiB of files).", 0);
    help += Wrapped("", "Exit status: 0 written, 1 a file could not be written, 2 bad usage.", 0);
    return help;
}

}  // namespace

FlowgenRequest ParseFlowgenArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    // -ni 64 reads as --ni 64; there are no one-letter options to combine.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        "Writes a sample data set of an analytic flow on a rectilinear grid: the geometry\n"
        "file OUTPUT.gri and its solution file, named like OUTPUT.gri less its last three\n"
        "characters plus \"00000.dat\".");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version("version", "Show the version and exit.");
    const QCommandLineOption ni("ni", "Nodes along x, 2 to 32767 (default 64).", "N");
    const QCommandLineOption nj("nj", "Nodes along y, 2 to 32767 (default 102).", "N");
    const QCommandLineOption nk("nk", "Planes, 1 to 32767 (default 1); every plane repeats plane 0.", "N");
    const QCommandLineOption stretch(
        "stretch",
        "Clusters the nodes towards the middle of each axis, 0 to 5 (default 0: evenly spaced). "
        "Coordinates follow sinh(S t) / sinh(S) for t from -1 to 1, so the middle spacing is "
        "about 1 / cosh(S) of the spacing at the ends.",
        "S");
    parser.addOptions({help, version, ni, nj, nk, stretch});
    parser.addPositionalArgument("FLOW", "The flow: " + QString::fromStdString(FlowList()) + ".");
    parser.addPositionalArgument("OUTPUT.gri", "The geometry file to write.");

    if (!parser.parse(arguments)) return BadUsage(parser.errorText().toStdString());

    FlowgenRequest request;
    if (parser.isSet(help)) {
        request.action = FlowgenRequest::Action::Help;
        request.text = HelpText(parser);
        return request;
    }
    if (parser.isSet(version)) {
        request.action = FlowgenRequest::Action::Version;
        request.text = std::string(kProgram) + " " + TESMORA_VERSION + "\n" + tesmora::kVersionNotice;
        return request;
    }

    std::string message;
    if (!ParseCount(parser, ni, kMinCount, kMaxCount, request.ni, message) ||
        !ParseCount(parser, nj, kMinCount, kMaxCount, request.nj, message) ||
        !ParseCount(parser, nk, 1, kMaxPlanes, request.nk, message))
        return BadUsage(message);
    if (parser.isSet(stretch)) {
        bool ok = false;
        const double s = parser.value(stretch).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(s) || s < 0.0 || s > kMaxStretch)
            return BadUsage("--stretch must be a number from 0 to 5, not " + Quote(parser.value(stretch)));
        request.stretch = static_cast<float>(s);
    }
    const long long nodes = static_cast<long long>(request.ni) * request.nj * request.nk;
    if (nodes > kMaxNodes)
        return BadUsage("--ni, --nj and --nk give " + std::to_string(request.ni) + " x " +
                        std::to_string(request.nj) + " x " + std::to_string(request.nk) + " = " +
                        std::to_string(nodes) + " nodes, more than the limit of " +
                        std::to_string(kMaxNodes));

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return BadUsage("missing FLOW and OUTPUT.gri");
    const std::string flow = positional[0].toStdString();
    if (!FindFlow(flow))
        return BadUsage("unknown flow " + Quote(positional[0]) + "; the flows are " + FlowList());
    if (positional.size() < 2) return BadUsage("missing OUTPUT.gri");
    if (positional.size() > 2) return BadUsage("too many arguments, from " + Quote(positional[2]));
    // The solution file's name cuts three characters off the geometry file's; they must come
    // from the file name, or the solution file would land elsewhere under a stray name.
    if (QFileInfo(positional[1]).fileName().size() <= 3)
        return BadUsage("OUTPUT.gri " + Quote(positional[1]) +
                        " needs a file name of more than three characters, such as flow.gri");

    request.action = FlowgenRequest::Action::Write;
    request.flow = flow;
    request.output = QFile::encodeName(positional[1]).toStdString();
    return request;
}
