#include "tools/flowgen/flowgen_options.h"

#include <cmath>
#include <string>

#include "tools/cli/command_line.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

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

// What the help says after the options: the flows, and what they are made for.
std::string Epilogue() {
    std::string help = "\nFlows:\n";
    for (const AnalyticFlow& flow : AnalyticFlows()) help += Wrapped(flow.name, flow.summary, 17);
    help += "\n";
    help +=
        Wrapped("",
                "Every domain but the forced double gyre's has the picture's aspect, 350 wide to 560 high, "
                "and speeds suit the viewer's time step of 0.1: a typical step moves one to two pixels. "
                "All flows but "
                "the double gyres lie in x -10..10, y -16..16. The forced double gyre keeps the domain "
                "(2 by 1) and amplitude its literature uses; draw it with tesmora-render --step-px 1 "
                "--size auto.",
                0);
    help += Wrapped("",
                    "The scales write a flow in other units: --length-scale 0.0025 --speed-scale 1.5 gives "
                    "the cylinder in metres and metres per second, 5 cm across at 1.5 m/s, where one time "
                    "step crosses the picture and tesmora-render --step-px 1 draws it.",
                    0);
    help += Wrapped(
        "", "ni * nj * nk may be at most " + std::to_string(kMaxNodes) + " nodes (512 MiB of files).", 0);
    help += Wrapped(
        "", "Exit status: 0 written, 1 a file or standard output could not be written, 2 bad usage.", 0);
    return help;
}

}  // namespace

FlowgenRequest ParseFlowgenArguments(const QStringList& arguments) {
    const FlowgenRequest defaults;
    cli::CommandLine line("tesmora-flowgen", "[options] FLOW OUTPUT.gri",
                          "Writes a sample data set of an analytic flow on a rectilinear grid: the geometry\n"
                          "file OUTPUT.gri and its solution file, named like OUTPUT.gri less its last three\n"
                          "characters plus \"00000.dat\".");
    QCommandLineParser& parser = line.Parser();
    // -ni 64 reads as --ni 64; there are no one-letter options to combine.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption ni("ni",
                                QStringLiteral("Nodes along x, %1 to %2 (default %3).")
                                    .arg(kMinCount)
                                    .arg(kMaxCount)
                                    .arg(defaults.ni),
                                "N");
    const QCommandLineOption nj("nj",
                                QStringLiteral("Nodes along y, %1 to %2 (default %3).")
                                    .arg(kMinCount)
                                    .arg(kMaxCount)
                                    .arg(defaults.nj),
                                "N");
    const QCommandLineOption nk("nk",
                                QStringLiteral("Planes, 1 to %1 (default %2); every plane repeats plane 0.")
                                    .arg(kMaxPlanes)
                                    .arg(defaults.nk),
                                "N");
    const QCommandLineOption stretch(
        "stretch",
        QStringLiteral(
            "Clusters the nodes towards the middle of each axis, 0 to %1 (default %2: evenly spaced). "
            "Coordinates follow sinh(S t) / sinh(S) for t from -1 to 1, so the middle spacing is "
            "about 1 / cosh(S) of the spacing at the ends.")
            .arg(kMaxStretch)
            .arg(static_cast<double>(defaults.stretch)),
        "S");
    const QCommandLineOption lengthScale("length-scale",
                                         QStringLiteral("Multiplies every length, %1 to %2 (default 1).")
                                             .arg(kMinUnitScale)
                                             .arg(kMaxUnitScale),
                                         "L");
    const QCommandLineOption speedScale(
        "speed-scale",
        QStringLiteral("Multiplies every speed, %1 to %2 (default 1); the pressure goes with its square, "
                       "the vorticity with speed / length.")
            .arg(kMinUnitScale)
            .arg(kMaxUnitScale),
        "U");
    const QCommandLineOption frames(
        "frames",
        QStringLiteral(
            "For a flow that changes in time: N frames, 1 to %1 (default 1), evenly over one period "
            "from time 0, written as the solution files OUTPUT.00000.dat, OUTPUT.00001.dat, ...")
            .arg(kMaxFrames),
        "N");
    parser.addOptions({ni, nj, nk, stretch, lengthScale, speedScale, frames});
    parser.addPositionalArgument("FLOW", "The flow: " + QString::fromStdString(FlowList()) + ".");
    parser.addPositionalArgument("OUTPUT.gri", "The geometry file to write.");

    FlowgenRequest request;
    request.outcome = line.Start(arguments, Epilogue());
    if (!request.outcome.Goes()) return request;
    auto bad = [&line](const std::string& message) {
        FlowgenRequest answer;
        answer.outcome = line.Bad(message);
        return answer;
    };

    std::string message;
    double stretchValue = static_cast<double>(request.stretch);
    if (!line.ReadWhole(ni, kMinCount, kMaxCount, request.ni, message) ||
        !line.ReadWhole(nj, kMinCount, kMaxCount, request.nj, message) ||
        !line.ReadWhole(nk, 1, kMaxPlanes, request.nk, message) ||
        !line.ReadReal(stretch, 0.0, kMaxStretch, stretchValue, message) ||
        !line.ReadReal(lengthScale, kMinUnitScale, kMaxUnitScale, request.units.length, message,
                       "a factor") ||
        !line.ReadReal(speedScale, kMinUnitScale, kMaxUnitScale, request.units.speed, message, "a factor") ||
        !line.ReadWhole(frames, 1, kMaxFrames, request.frames, message))
        return bad(message);
    request.stretch = static_cast<float>(stretchValue);
    const long long nodes = static_cast<long long>(request.ni) * request.nj * request.nk;
    if (nodes > kMaxNodes)
        return bad("--ni, --nj and --nk give " + std::to_string(request.ni) + " x " +
                   std::to_string(request.nj) + " x " + std::to_string(request.nk) + " = " +
                   std::to_string(nodes) + " nodes, more than the limit of " + std::to_string(kMaxNodes));

    const QStringList positional = parser.positionalArguments();
    auto quote = [](const QString& text) {
        std::string quoted(1, '\'');
        quoted += cli::NativePath(text);
        return quoted += '\'';
    };
    if (positional.isEmpty()) return bad("missing FLOW and OUTPUT.gri");
    const std::string flow = positional[0].toStdString();
    if (!FindFlow(flow)) return bad("unknown flow " + quote(positional[0]) + "; the flows are " + FlowList());
    if (positional.size() < 2) return bad("missing OUTPUT.gri");
    if (positional.size() > 2) return bad("too many arguments, from " + quote(positional[2]));
    // Only a name ending in .gri is opened as a geometry file again; the solution file's name
    // cuts those three letters off.
    if (!cli::EndsWithGri(cli::NativePath(positional[1])))
        return bad("OUTPUT must end in .gri, not " + quote(positional[1]));

    if (request.frames > 1 && !FindFlow(flow)->evaluateAt)
        return bad("the flow " + flow +
                   " does not change in time, so --frames gives it nothing; the flows "
                   "that do are forced-double-gyre and moving-vortex-street");
    request.flow = flow;
    request.output = cli::NativePath(positional[1]);
    return request;
}
