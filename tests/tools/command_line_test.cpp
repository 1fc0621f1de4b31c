// tesmora-flowgen, tesmora-info and tesmora-convert as a user runs them: exit codes, messages
// and files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "formats/gri_writer.h"
#include "scene/frame_list.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

using testsupport::ReadBytes;
using testsupport::SceneFixture;
using testsupport::TempDir;
using testsupport::WriteBytes;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs PROGRAM with ARGS, its standard output to STDOUT_PATH when given, else kept in out.
Outcome Execute(const std::string& program, const std::vector<std::string>& args,
                const std::string& stdoutPath = {}) {
    TempDir capture;
    std::string command = ShellQuoted(program);
    for (const std::string& a : args) (command += ' ') += ShellQuoted(a);
    command += " >";
    command += ShellQuoted(stdoutPath.empty() ? capture.File("out") : stdoutPath) + " 2>" +
               ShellQuoted(capture.File("err")) + " </dev/null";
    const int status = std::system(command.c_str());
    Outcome run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (stdoutPath.empty()) run.out = ReadBytes(capture.File("out"));
    run.err = ReadBytes(capture.File("err"));
    return run;
}

Outcome Flowgen(const std::vector<std::string>& args) {
    return Execute(TESMORA_FLOWGEN, args);
}
Outcome Info(const std::vector<std::string>& args) {
    return Execute(TESMORA_INFO, args);
}
Outcome Convert(const std::vector<std::string>& args) {
    return Execute(TESMORA_CONVERT, args);
}

const std::string kSoapfilm = TESMORA_REALDATA "/sources/soapfilm_Run000001.vec";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// --- every tool -------------------------------------------------------------------------

// Standard output that cannot take what a tool prints (a full disk) is a failure a script must
// see, whatever was to be printed: exit 1 and why.
TEST(EveryTool, StandardOutputThatCannotBeWrittenExitsWithOne) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    ASSERT_EQ(Flowgen({"saddle", dir.File("s.gri"), "--ni", "4", "--nj", "4"}).exitCode, 0);
    struct Case {
        const char* program;
        std::string name;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases{
        {TESMORA_FLOWGEN, "tesmora-flowgen", {"saddle", dir.File("f.gri"), "--ni", "4", "--nj", "4"}},
        {TESMORA_FLOWGEN, "tesmora-flowgen", {"--help"}},
        {TESMORA_INFO, "tesmora-info", {dir.File("s.gri")}},
        {TESMORA_INFO, "tesmora-info", {"--json", dir.File("s.gri"), dir.File("s.gri")}},
        {TESMORA_INFO, "tesmora-info", {"--version"}},
        {TESMORA_CONVERT, "tesmora-convert", {dir.File("s.gri"), dir.File("c.gri")}},
        {TESMORA_CONVERT, "tesmora-convert", {"--help"}},
#ifdef TESMORA_VIEWER
        {TESMORA_VIEWER, "tesmora", {"--version"}},
        {TESMORA_VIEWER, "tesmora", {"--help"}},
#endif
    };
    for (const Case& c : cases) {
        const Outcome run = Execute(c.program, c.args, "/dev/full");
        EXPECT_EQ(run.exitCode, 1) << c.name << " " << c.args[0] << "\n" << run.err;
        EXPECT_TRUE(Contains(run.err, c.name + ": cannot write standard output: No space left on device"))
            << run.err;
    }
}

// --- tesmora-flowgen ----------------------------------------------------------------------

TEST(FlowgenCommand, WritesEveryFlowWithTheRequestedCountsAndDefaults) {
    TempDir dir;
    for (const std::string& flow : FlowNames()) {
        const std::string path = dir.File(flow + ".gri");
        const Outcome run = Flowgen({flow, path, "--ni", "9", "--nj", "13", "--nk", "2", "--stretch", "1.5"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(run.err.empty()) << run.err;
        EXPECT_TRUE(Contains(run.out, path)) << run.out;
        SceneFixture f;
        ASSERT_TRUE(f.scene.LoadDataSet(path)) << flow;
        EXPECT_EQ(f.scene.m_ni, 9);
        EXPECT_EQ(f.scene.m_nj, 13);
        EXPECT_EQ(f.scene.m_nk, 2);
        // Stretched: finer in the middle than at the ends.
        EXPECT_LT(f.scene.m_pNodes[5].x - f.scene.m_pNodes[4].x,
                  f.scene.m_pNodes[1].x - f.scene.m_pNodes[0].x);
    }
    // One dash reads as two; counts not given take their defaults.
    ASSERT_EQ(Flowgen({"-ni", "10", "cylinder", dir.File("c.gri")}).exitCode, 0);
    SceneFixture f;
    ASSERT_TRUE(f.scene.LoadDataSet(dir.File("c.gri")));
    EXPECT_EQ(f.scene.m_ni, 10);
    EXPECT_EQ(f.scene.m_nj, 102);
    EXPECT_EQ(f.scene.m_nk, 1);
}

// The frames of a flow that changes in time are a series the scene shows frame by frame, each
// with its own fields over the one grid.
TEST(FlowgenCommand, FramesOfAnUnsteadyFlowAreASeriesOnOneGrid) {
    TempDir dir;
    for (const std::string flow : {"forced-double-gyre", "moving-vortex-street"}) {
        const std::string path = dir.File(flow + ".gri");
        const Outcome run = Flowgen({flow, path, "--ni", "30", "--nj", "20", "--frames", "3"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        SceneFixture f;
        std::vector<Frame> frames;
        ASSERT_TRUE(FramesOf({path}, nullptr, f.reporter, frames));
        ASSERT_EQ(frames.size(), 3u) << flow;
        f.scene.OpenDataSet(path);
        ASSERT_TRUE(f.scene.HasDataSet());
        std::set<std::vector<float>> fields;
        for (const Frame& frame : frames) {
            ASSERT_TRUE(f.scene.ShowFrame(frame)) << frame.solution;
            fields.insert(std::vector<float>(f.scene.m_pV.get(), f.scene.m_pV.get() + f.scene.NodeCount()));
        }
        EXPECT_EQ(fields.size(), 3u) << flow << ": every frame its own";
    }
}

TEST(FlowgenCommand, BadUsageExitsWithTwoNamingTheProblemAndWritesNothing) {
    TempDir dir;
    const std::string out = dir.File("x.gri");
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    };
    const std::vector<Case> cases{
        {{"cylinder", out, "--ni", "1"}, {"--ni", "2 to 32767", "'1'"}},
        {{"cylinder", out, "--ni", "abc"}, {"--ni", "'abc'"}},
        {{"cylinder", out, "--ni", "64.5"}, {"--ni"}},
        {{"cylinder", out, "--nj", "32768"}, {"--nj", "2 to 32767"}},
        {{"cylinder", out, "--nj", "99999999999999999999"}, {"--nj"}},
        {{"cylinder", out, "--nk", "0"}, {"--nk", "1 to 32767"}},
        {{"cylinder", out, "--stretch", "-1"}, {"--stretch", "0 to 5"}},
        {{"cylinder", out, "--stretch", "nan"}, {"--stretch"}},
        {{"cylinder", out, "--stretch", "inf"}, {"--stretch"}},
        {{"cylinder", out, "--length-scale", "0"}, {"--length-scale", "1e-06 to 1000000"}},
        {{"cylinder", out, "--speed-scale", "2e6"}, {"--speed-scale", "'2e6'"}},
        {{"cylinder", out, "--ni", "32767", "--nj", "32767"}, {"1073676289", "16777216"}},
        {{"cylinder", out, "--ni", "4097", "--nj", "4096"}, {"limit"}},
        {{"cylinder", out, "--ni"}, {"ni"}},
        {{"cylinder", out, "--colour", "red"}, {"colour"}},
        {{"vortex", out}, {"'vortex'", "cylinder", "vortex-street", "double-gyre", "saddle", "rotation"}},
        {{}, {"FLOW"}},
        {{"saddle"}, {"OUTPUT"}},
        {{"saddle", out, "extra"}, {"'extra'"}},
        {{"saddle", dir.File("abc")}, {"must end in .gri", "abc'"}},
        {{"cylinder", dir.File("k.dat")}, {"must end in .gri", "k.dat'"}},
        {{"saddle", out, "--frames", "4"}, {"saddle", "does not change in time", "forced-double-gyre"}},
        {{"forced-double-gyre", out, "--frames", "0"}, {"--frames", "1 to 10000"}},
    };
    for (const Case& c : cases) {
        const Outcome run = Flowgen(c.args);
        std::string what;
        for (const std::string& a : c.args) what += a + " ";
        EXPECT_EQ(run.exitCode, 2) << what;
        for (const std::string& m : c.mentions) EXPECT_TRUE(Contains(run.err, m)) << what << "\n" << run.err;
        EXPECT_TRUE(Contains(run.err, "--help")) << what;
        EXPECT_TRUE(run.out.empty()) << what;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(FlowgenCommand, HelpListsEveryFlowAndOptionAndVersionAnswers) {
    for (const char* option : {"--help", "-h"}) {
        const Outcome run = Flowgen({option});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.err.empty());
        for (const std::string& flow : FlowNames()) EXPECT_TRUE(Contains(run.out, "  " + flow + " ")) << flow;
        for (const char* o : {"--ni <N>", "--nj <N>", "--nk <N>", "--stretch <S>", "--length-scale <L>",
                              "--speed-scale <U>", "--version", "16777216"})
            EXPECT_TRUE(Contains(run.out, o)) << o;
        EXPECT_TRUE(Contains(run.out, "Usage: tesmora-flowgen [options] FLOW OUTPUT.gri"));
    }
    const Outcome version = Flowgen({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(Contains(version.out, "tesmora-flowgen "));
}

TEST(FlowgenCommand, UnwritableOutputExitsWithOne) {
    TempDir dir;
    const std::string path = dir.File("no-such-folder/flow.gri");
    const Outcome run = Flowgen({"saddle", path, "--ni", "4", "--nj", "4"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, path)) << run.err;
}

// --- tesmora-info -------------------------------------------------------------------------

TEST(InfoCommand, PrintsCountsScalesAndFieldRanges) {
    TempDir dir;
    const std::string path = dir.File("rot.gri");
    ASSERT_EQ(Flowgen({"rotation", path, "--ni", "21", "--nj", "33", "--nk", "2"}).exitCode, 0);
    const Outcome run = Info({path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_TRUE(Contains(run.out, "ni 21, nj 33, nk 2")) << run.out;
    EXPECT_TRUE(Contains(run.out, "1386 (693 per plane)")) << run.out;
    EXPECT_TRUE(Contains(run.out, "extent      x 20, y 32")) << run.out;
    EXPECT_TRUE(Contains(run.out, "scale       x 17.45, ")) << run.out;  // 349 / 20
    EXPECT_TRUE(Contains(run.out, "world       x -10 .. 10, y -16 .. 16")) << run.out;
    EXPECT_TRUE(Contains(run.out, "rectilinear and increasing")) << run.out;
    // Solid-body rotation at 0.1: vorticity 0.2 everywhere, no speed at the centre node, the
    // largest at the corners (0.1 * sqrt(10^2 + 16^2)).
    EXPECT_TRUE(Contains(run.out, "vorticity   0.2             0.2             0")) << run.out;
    const auto speedLine = run.out.substr(run.out.find("\nspeed"), 60);
    EXPECT_TRUE(Contains(speedLine, " 0 ")) << speedLine;
    EXPECT_TRUE(Contains(speedLine, "1.88679")) << speedLine;
}

TEST(InfoCommand, TellsHowFarTheTimeStepMovesAndWhenItDoesNotSuit) {
    TempDir dir;
    // The cylinder as it is: a speed of about 1 at 17.45 pixels per unit, 1.75 pixels a step.
    ASSERT_EQ(Flowgen({"cylinder", dir.File("c.gri")}).exitCode, 0);
    const Outcome plain = Info({dir.File("c.gri")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_TRUE(Contains(plain.out, "time step   0.1 moves 1.79 px at the median speed, 2.14 px at the 95th"))
        << plain.out;
    EXPECT_FALSE(Contains(plain.out, "--step-px")) << plain.out;
    // 5 cm across at 1.5 m/s: 600 times as far. The body at rest holds no moving pixel.
    ASSERT_EQ(Flowgen({"cylinder", dir.File("si.gri"), "--length-scale", "0.0025", "--speed-scale", "1.5"})
                  .exitCode,
              0);
    const Outcome si = Info({dir.File("si.gri")});
    ASSERT_EQ(si.exitCode, 0) << si.err;
    EXPECT_TRUE(Contains(si.out, "time step   0.1 moves 1074 px at the median speed, 1287 px")) << si.out;
    EXPECT_TRUE(Contains(si.out, "over the 188515 raster pixels where the flow moves")) << si.out;
    EXPECT_TRUE(Contains(si.out, "not within 0.2 to 5 px: tesmora-render --step-px 1")) << si.out;
    EXPECT_TRUE(Contains(si.out, "extent      x 0.05, y 0.08")) << si.out;
}

TEST(InfoCommand, CountsNonFiniteValuesAndLeavesThemOutOfTheRange) {
    TempDir dir;
    DataSetArrays data = MakeFlow("saddle", 4, 5, 1, 0.0f);
    std::fill_n(data.p.get(), data.NodeCount(), 1.0f);
    data.p[3] = std::nanf("");
    data.p[7] = INFINITY;
    data.p[8] = -3.0f;
    std::fill_n(data.w.get(), data.NodeCount(), std::nanf(""));
    std::string error;
    ASSERT_TRUE(formats::WriteGriPair(dir.File("nan.gri"), data, &error)) << error;
    const Outcome run = Info({dir.File("nan.gri")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "pressure    -3              1               2\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "vorticity   -               -               20\n")) << run.out;
}

// A .gri pair written on a machine of the other byte order loads with absurd speeds; it is
// shown all the same, with a question on stderr.
TEST(InfoCommand, AsksAboutTheByteOrderWhenTheSpeedsAreAbsurd) {
    TempDir dir;
    ASSERT_EQ(Flowgen({"rotation", dir.File("swapped.gri"), "--ni", "8", "--nj", "8"}).exitCode, 0);
    std::string solution = ReadBytes(dir.File("swapped.00000.dat"));
    for (std::size_t at = 0; at + 4 <= solution.size(); at += 4)
        std::reverse(&solution[at], &solution[at + 4]);
    WriteBytes(dir.File("swapped.00000.dat"), solution);
    const Outcome run = Info({dir.File("swapped.gri")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(
        Contains(run.err, "tesmora-info: warning: the speeds of '" + dir.File("swapped.gri") + "' span "))
        << run.err;
    EXPECT_TRUE(Contains(run.err, " orders of magnitude, from ")) << run.err;
    EXPECT_TRUE(Contains(run.err, ": wrong byte order?\n")) << run.err;
    EXPECT_TRUE(Contains(run.out, "ni 8, nj 8, nk 1")) << run.out;
}

TEST(InfoCommand, RejectedOrUnreadableFilesExitWithOneAndTheLoadersMessage) {
    TempDir dir;
    WriteBytes(dir.File("magic.gri"),
               "sn4db 4 4 1 0 0 0.0" + std::string(21, '\0') + std::string(12 * 16, '\0'));
    const Outcome magic = Info({dir.File("magic.gri")});
    EXPECT_EQ(magic.exitCode, 1);
    EXPECT_TRUE(Contains(magic.err, "Wrong File Format!")) << magic.err;
    EXPECT_TRUE(Contains(magic.err, "LOADING ERROR")) << magic.err;
    EXPECT_TRUE(magic.out.empty());

    ASSERT_EQ(Flowgen({"saddle", dir.File("lonely.gri"), "--ni", "4", "--nj", "4"}).exitCode, 0);
    std::filesystem::remove(dir.File("lonely.00000.dat"));
    const Outcome lonely = Info({dir.File("lonely.gri")});
    EXPECT_EQ(lonely.exitCode, 1);
    EXPECT_TRUE(Contains(lonely.err, "lonely.00000.dat")) << lonely.err;

    const Outcome missing = Info({dir.File("nothing.gri")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Contains(missing.err, "nothing.gri")) << missing.err;
    EXPECT_TRUE(missing.out.empty());
}

TEST(InfoCommand, BadUsageExitsWithTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"--json"}, {"--verbose", "a.gri"}}) {
        const Outcome run = Info(args);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_TRUE(Contains(run.err, "--help")) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
    const Outcome help = Info({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Contains(help.out, "Usage: tesmora-info [options] FILE")) << help.out;
    EXPECT_TRUE(Contains(help.out, "Exit status: 0 all loaded, 1 any rejected or unreadable")) << help.out;
}

// A batch keeps the order given, reports the bad file and does the others; the JSON says what
// the text says.
TEST(InfoCommand, SeveralFilesAsTextAndAsJsonWithOneBadAmongThem) {
    TempDir dir;
    const char* flows[] = {"cylinder", "vortex-street", "double-gyre", "saddle", "rotation"};
    std::vector<std::string> files;
    for (int f = 0; f < 5; ++f) {
        if (f == 2) {
            files.push_back(dir.File("bad.gri"));
            WriteBytes(files.back(), "not a grid");
        }
        files.push_back(dir.File(std::string(flows[f]) + ".gri"));
        ASSERT_EQ(Flowgen({flows[f], files.back(), "--ni", std::to_string(8 + f * 5), "--nj",
                           std::to_string(30 - f), "--nk", std::to_string(1 + f % 2)})
                      .exitCode,
                  0);
    }
    std::vector<std::string> jsonArgs = files;
    jsonArgs.insert(jsonArgs.begin(), "--json");
    const Outcome text = Info(files), json = Info(jsonArgs);
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(Contains(json.err, "bad.gri")) << json.err;
    const QJsonArray all = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(all.size(), 6) << json.out;
    std::size_t at = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QJsonObject o = all[i].toObject();
        EXPECT_EQ(o["file"].toString().toStdString(), files[static_cast<std::size_t>(i)]);
        EXPECT_EQ(o["loaded"].toBool(), i != 2);
        if (i == 2) {
            // The reason stderr gives, so that a script reading the JSON learns it too.
            EXPECT_TRUE(Contains(o["error"].toString().toStdString(), "Wrong File Format! '" + files[2]))
                << o["error"].toString().toStdString();
            continue;
        }
        EXPECT_FALSE(o.contains("error"));
        const int f = static_cast<int>(i < 2 ? i : i - 1);
        const QJsonObject counts = o["counts"].toObject();
        EXPECT_EQ(counts["ni"].toInt(), 8 + f * 5);
        EXPECT_EQ(counts["nj"].toInt(), 30 - f);
        EXPECT_EQ(counts["nk"].toInt(), 1 + f % 2);
        EXPECT_EQ(o["nodes"].toInt(), counts["ni"].toInt() * counts["nj"].toInt() * counts["nk"].toInt());
        // The text's summary of the same file follows its header, in the same order.
        at = text.out.find("==> " + files[static_cast<std::size_t>(i)] + " <==", at);
        ASSERT_NE(at, std::string::npos) << text.out;
        const std::string section = text.out.substr(at, text.out.find("==>", at + 4) - at);
        char median[64];
        std::snprintf(median, sizeof median, "moves %.3g px at the median",
                      o["time_step"].toObject()["median_px"].toDouble());
        EXPECT_TRUE(Contains(section, median)) << section;
        const QJsonObject speed = o["ranges"].toObject()["speed"].toObject();
        EXPECT_LE(speed["min"].toDouble(), speed["max"].toDouble());
        EXPECT_EQ(speed["non_finite"].toInt(), 0);
        // A file without units reports as it always has: neither units nor names.
        EXPECT_FALSE(o.contains("fields"));
        EXPECT_FALSE(Contains(section, "\nunits ")) << section;
    }
    EXPECT_FALSE(Contains(text.out, "bad.gri <=="));

    // One object a line, of the same shape for one file as for several.
    for (const std::size_t count : {std::size_t{1}, std::size_t{3}, files.size()}) {
        std::vector<std::string> args(files.end() - static_cast<std::ptrdiff_t>(count), files.end());
        args.insert(args.begin(), "--json-lines");
        const Outcome lines = Info(args);
        std::vector<std::string> got;
        for (std::size_t from = 0, end; (end = lines.out.find('\n', from)) != std::string::npos;
             from = end + 1)
            got.push_back(lines.out.substr(from, end - from));
        ASSERT_EQ(got.size(), count) << lines.out;
        for (std::size_t i = 0; i < count; ++i) {
            const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(got[i]));
            ASSERT_TRUE(doc.isObject()) << got[i];
            EXPECT_EQ(doc.object(), all[static_cast<qsizetype>(files.size() - count + i)].toObject());
        }
    }
}

// --- files other programs wrote ------------------------------------------------------------

TEST(InfoCommand, SaysWhatItMadeOfAnotherProgramsFile) {
    const Outcome run = Info({kSoapfilm});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line :
         {"file        ", "format      Tecplot ASCII, POINT\n", "counts      ni 63, nj 63, nk 1\n",
          "invalid     353 nodes marked invalid in the file, read as u = v = 0\n",
          "pressure    no pressure in this file, read as 0\n",
          "vorticity   none in this file, derived from u and v\n",
          "world       x 0.31248 .. 19.68624, y -19.68624 .. -0.31248\n",
          "units       x mm, y mm, u m/s, v m/s\nnames       x \"X\", y \"Y\", u \"U\", v \"V\"\n"})
        EXPECT_TRUE(Contains(run.out, line)) << line << "\n" << run.out;
    EXPECT_FALSE(Contains(run.out, "solution    ")) << run.out;
    const Outcome json = Info({"--json", kSoapfilm});
    const QJsonObject fields =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.out))["fields"].toObject();
    EXPECT_EQ(fields.keys(), (QStringList{"u", "v", "x", "y"})) << json.out;
    EXPECT_EQ(fields["u"].toObject(), (QJsonObject{{"name", "U"}, {"unit", "m/s"}})) << json.out;

    // A VTK file with its own pressure and vorticity says neither.
    const Outcome vtk = Info({TESMORA_FORMATS_DATA "/vtk/binary_zlib_u64_f64.vti"});
    ASSERT_EQ(vtk.exitCode, 0) << vtk.err;
    EXPECT_TRUE(Contains(vtk.out, "invalid     0 nodes")) << vtk.out;
    EXPECT_FALSE(Contains(vtk.out, "no pressure")) << vtk.out;
    EXPECT_FALSE(Contains(vtk.out, "derived from u and v")) << vtk.out;

    // A reader's failure is told in English, under the program's name, with the line.
    TempDir dir;
    WriteBytes(dir.File("holes.csv"), "x,y,u,v\n0,0,1,1\n1,0,1,1\n0,1,1,1\n");
    const Outcome holes = Info({dir.File("holes.csv")});
    EXPECT_EQ(holes.exitCode, 1);
    EXPECT_TRUE(Contains(holes.err, "tesmora-info: LOADING ERROR: " + dir.File("holes.csv") +
                                        ": the points form a lattice of 2 × 2 nodes with holes"))
        << holes.err;
    EXPECT_TRUE(holes.out.empty());
}

// --resample sizes the lattice a mesh is sampled onto, in tesmora-info as in tesmora-convert; a
// lattice that cannot be is bad usage naming the option.
TEST(InfoCommand, ResampleSizesTheLatticeOfAMesh) {
    TempDir dir;
    const std::string mesh = dir.File("square.dat");
    WriteBytes(mesh,
               "VARIABLES = x y u v\nZONE ZONETYPE=FETRIANGLE, NODES=4, ELEMENTS=2\n"
               "0 0 1 0\n2 0 1 0\n0 1 1 0\n2 1 1 0\n1 2 4\n1 4 3\n");
    const Outcome automatic = Info({mesh});
    ASSERT_EQ(automatic.exitCode, 0) << automatic.err;
    EXPECT_TRUE(Contains(automatic.out, "counts      ni 3, nj 2, nk 1\n")) << automatic.out;
    const Outcome chosen = Info({"--resample", "40x30", mesh});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err;
    EXPECT_TRUE(Contains(chosen.out, "counts      ni 40, nj 30, nk 1\n")) << chosen.out;
    ASSERT_EQ(Convert({"--resample", "5x2048", mesh, dir.File("out.gri")}).exitCode, 0);
    EXPECT_TRUE(Contains(Info({dir.File("out.gri")}).out, "counts      ni 5, nj 2048, nk 1\n"));
    for (const char* bad : {"0x5", "1x1", "5x2049", "40", "40x30x2", "forty", "-3x4"}) {
        for (const Outcome& run :
             {Info({"--resample", bad, mesh}), Convert({"--resample", bad, mesh, dir.File("b.gri")})}) {
            EXPECT_EQ(run.exitCode, 2) << bad << "\n" << run.err;
            EXPECT_TRUE(Contains(run.err, "--resample takes NIxNJ")) << bad << "\n" << run.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("b.gri")));
}

TEST(ConvertCommand, WritesAPairThatLoadsAsTheSource) {
    TempDir dir;
    const std::string out = dir.File("soap.gri");
    const Outcome run = Convert({kSoapfilm, out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_TRUE(Contains(run.out, "63 x 63 x 1 nodes from Tecplot ASCII, POINT written to " + out))
        << run.out;
    EXPECT_EQ(std::filesystem::file_size(out), 40u + 12u * 63u * 63u);
    EXPECT_EQ(std::filesystem::file_size(dir.File("soap.00000.dat")), 20u * 63u * 63u);
    // Everything from the counts to the last field's range is the same.
    auto summary = [](const std::string& text) { return text.substr(text.find("counts")); };
    std::string direct = summary(Info({kSoapfilm}).out), converted = summary(Info({out}).out);
    for (const char* note :
         {"invalid     353 nodes marked invalid in the file, read as u = v = 0\n",
          "pressure    no pressure in this file, read as 0\n",
          "vorticity   none in this file, derived from u and v\n", "units       x mm, y mm, u m/s, v m/s\n",
          "names       x \"X\", y \"Y\", u \"U\", v \"V\"\n"})
        direct.erase(direct.find(note), std::string(note).size());
    EXPECT_EQ(direct, converted);

    // A grid in UTM coordinates keeps them: the shift that keeps its sampling precise is the
    // scene's own business, not the file's.
    std::ofstream(dir.File("utm.csv")) << "x,y,u,v\n"
                                       << "451000,5400000,1,0\n451002,5400000,1,0\n"
                                       << "451000,5400002,1,0\n451002,5400002,1,0\n";
    ASSERT_EQ(Convert({dir.File("utm.csv"), dir.File("utm.gri")}).exitCode, 0);
    const std::string utm = Info({dir.File("utm.gri")}).out;
    EXPECT_TRUE(Contains(utm, "world       x 451000 .. 451002, y 5400000 .. 5400002\n")) << utm;
}

TEST(ConvertCommand, BadUsageUnreadableInputAndUnwritableOutput) {
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string mention;
    };
    WriteBytes(dir.File("d.00000.dat"), "x y u v\n0 0 1 1\n1 0 1 1\n0 1 1 1\n1 1 1 1\n");
    // A pair whose solution file is also, by a second name, the solution file of the output.
    ASSERT_EQ(Flowgen({"saddle", dir.File("in.gri"), "--ni", "4", "--nj", "4"}).exitCode, 0);
    std::filesystem::create_hard_link(dir.File("in.00000.dat"), dir.File("linked.00000.dat"));
    const std::string solution = ReadBytes(dir.File("in.00000.dat"));
    // A file its owner has made read-only, which cp and the shell would not replace either.
    WriteBytes(dir.File("kept.gri"), "earlier");
    std::filesystem::permissions(dir.File("kept.gri"), std::filesystem::perms::owner_read);
    const std::vector<Case> cases{
        {{}, 2, "missing INPUT and OUTPUT.gri"},
        {{kSoapfilm}, 2, "missing OUTPUT.gri"},
        {{kSoapfilm, dir.File("a.gri"), "b"}, 2, "'b'"},
        {{kSoapfilm, dir.File("a.png")}, 2, "OUTPUT must end in .gri"},
        {{dir.File("d.00000.dat"), dir.File("d.gri")}, 2, "would replace the input"},
        {{"--colour", kSoapfilm, dir.File("a.gri")}, 2, "colour"},
        {{dir.File("none.txt"), dir.File("a.gri")},
         1,
         "tesmora-convert: cannot read " + dir.File("none.txt")},
        {{kSoapfilm, dir.File("no/such/folder/a.gri")},
         1,
         "tesmora-convert: cannot create " + dir.File("no/such/folder/a.gri")},
        {{dir.File("in.gri"), dir.File("linked.gri")},
         2,
         "writing " + dir.File("linked.00000.dat") + " would replace the input " + dir.File("in.00000.dat")},
        {{kSoapfilm, dir.File("kept.gri")},
         1,
         "tesmora-convert: cannot replace " + dir.File("kept.gri") + ": it is write-protected"},
    };
    for (const Case& c : cases) {
        const Outcome run = Convert(c.args);
        EXPECT_EQ(run.exitCode, c.exit) << c.mention << "\n" << run.err;
        EXPECT_TRUE(Contains(run.err, c.mention)) << run.err;
        if (c.exit == 2) {
            EXPECT_TRUE(Contains(run.err, "--help")) << run.err;
        }
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(ReadBytes(dir.File("d.00000.dat")).size(), 40u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.gri")));
    EXPECT_EQ(ReadBytes(dir.File("in.00000.dat")), solution);
    EXPECT_FALSE(std::filesystem::exists(dir.File("linked.gri")));
    EXPECT_EQ(ReadBytes(dir.File("kept.gri")), "earlier");
    EXPECT_FALSE(std::filesystem::exists(dir.File("kept.00000.dat")));
    const Outcome help = Convert({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Contains(help.out, "Usage: tesmora-convert [options] INPUT OUTPUT.gri")) << help.out;
    EXPECT_TRUE(Contains(Convert({"--version"}).out, "tesmora-convert "));
}

}  // namespace
