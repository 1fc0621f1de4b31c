// tesmora-render on files a user may be sent: every near miss and degenerate field of the
// loader's seed corpus, folders and unreadable files where a file should be, and awkward
// paths. Each run is the shipped program in its own process, so a crash, a hang or a leak
// report shows as what the user would see: a signal, a run that never ends, an exit code.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "render/picture_frame.h"
#include "scene/flow_scene.h"
#include "tests/fuzz/seed_corpus.h"
#include "tests/support/picture_kit_qt.h"
#include "tests/support/test_support.h"

namespace {

using ::testing::HasSubstr;
using testsupport::TempDir;
using testsupport::WriteBytes;

// Far above what any of these tiny data sets needs, even with the sanitizers; a run still
// going then is a hang.
constexpr int kRunLimitMs = 60000;

struct RunResult {
    bool finished = false;
    bool crashed = false;
    int exitCode = -1;
    std::string err;
};

// CHILD_SETUP, when given, runs in the new process before the program starts; standard
// output goes to STDOUT_FILE when one is given.
RunResult Render(const QStringList& arguments, const std::string& workingDir = {},
                 const std::function<void()>& childSetup = {}, const QString& stdoutFile = {}) {
    QProcess process;
    process.setProgram(QStringLiteral(TESMORA_RENDER));
    process.setArguments(arguments);
    if (!workingDir.empty()) process.setWorkingDirectory(QString::fromStdString(workingDir));
    if (childSetup) process.setChildProcessModifier(childSetup);
    if (!stdoutFile.isEmpty()) process.setStandardOutputFile(stdoutFile);
    process.start();
    RunResult r;
    if (!process.waitForFinished(kRunLimitMs)) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.finished = true;
    r.crashed = process.exitStatus() != QProcess::NormalExit;
    r.exitCode = process.exitCode();
    r.err = QString::fromLocal8Bit(process.readAllStandardError()).toStdString();
    return r;
}

QString Native(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::u8path(path));
}

// The geometry file NAME.gri in DIR and its solution file beside it; returns the geometry path.
std::string WriteCase(const TempDir& dir, const std::string& name, const FuzzCase& c) {
    const std::string geometry = dir.File(name + ".gri");
    WriteBytes(geometry, c.geometry);
    WriteBytes(FlowScene::SolutionPathFor(geometry), c.solution);
    return geometry;
}

// The case's settings as command-line options. Method 3 is no method (the viewer integrates
// it like RK2) and background 3 none (coloured grey like vorticity): the command line only
// takes the real ones.
QStringList SettingsOf(const FuzzCase& c) {
    static const char* const methods[] = {"euler", "rk2", "rk4", "rk2"};
    static const char* const backgrounds[] = {"speed", "pressure", "vorticity", "vorticity"};
    QStringList args{"--seed",          "12345",
                     "--dsep",          QString::number(c.settings.dsep),
                     "--dtest-percent", QString::number(c.settings.dtestPercent),
                     "--method",        methods[c.settings.method & 3],
                     "--background",    backgrounds[c.settings.background & 3],
                     "--click",         QString("%1,%2").arg(c.clickX).arg(c.clickY)};
    if (c.settings.hedgehog) args << "--hedgehog";
    if (c.settings.arrowsBySpeed) args << "--arrows-by-speed";
    return args;
}

using picturekit::IsBlack;
using picturekit::IsWhite;
using picturekit::Rgb;

// The PNG at PATH, read from its bottom row.
picturekit::Picture Picture(const std::string& path) {
    return picturekit::PictureOf(QImage(Native(path)));
}
bool IsPicture(const std::string& path, int width = kRasterWidth) {
    const picturekit::Picture pic = Picture(path);
    return pic.Width() == width && pic.Height() == kRasterHeight;
}
bool IsBrightGreen(Rgb c) {
    return c.r == 0 && c.b == 0 && c.g >= 254;
}

QJsonObject ReadJson(const std::string& path) {
    QFile file(Native(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// A rejection tells the user which file and why, in one report, and leaves nothing behind.
void ExpectRejected(const RunResult& r, const std::string& named, const std::string& png,
                    const std::string& json) {
    ASSERT_TRUE(r.finished) << "still running after " << kRunLimitMs / 1000 << " s";
    ASSERT_FALSE(r.crashed) << r.err;
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr(named));
    EXPECT_FALSE(Exists(png)) << "a picture was written for a file that was not loaded";
    EXPECT_FALSE(Exists(json));
}

void ExpectDrawn(const RunResult& r, const std::string& png, int width = kRasterWidth) {
    ASSERT_TRUE(r.finished) << "still running after " << kRunLimitMs / 1000 << " s";
    ASSERT_FALSE(r.crashed) << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(IsPicture(png, width)) << png << " is not a " << width << " x 560 picture";
}

class SeedFiles : public ::testing::TestWithParam<SeedCase> {};

TEST_P(SeedFiles, LoadAndDrawOrAreRejectedWithAReason) {
    const SeedCase& c = GetParam();
    TempDir dir;
    const std::string geometry = WriteCase(dir, c.name, c.input);
    const std::string png = dir.File("picture.png"), json = dir.File("lines.json");
    const RunResult r =
        Render(QStringList{Native(geometry), "-o", Native(png), "--streamlines-json", Native(json)} +
               SettingsOf(c.input));
    if (!c.shouldLoad) {
        // A wrong magic has its fixed text; every other reason names the file it is about.
        const bool magic = c.input.geometry.compare(0, 6, "SN4DB ") != 0;
        ExpectRejected(r, magic ? "Wrong File Format!" : c.name + ".", png, json);
        return;
    }
    ExpectDrawn(r, png);
    const QJsonObject lines = ReadJson(json);
    ASSERT_TRUE(lines["streamlines"].isArray()) << "no streamline list in " << json;
    EXPECT_EQ(lines["clicks"].toArray().size(), 1);

    // And with the modes beside the classic: a map, equal proportions and the legend; the
    // click may land beside the data, and then traces nothing.
    static const char* const maps[] = {"viridis", "cividis", "coolwarm", "coolwarm"};
    const std::string modes = dir.File("modes.png"), modesJson = dir.File("modes.json");
    ExpectDrawn(Render(QStringList{Native(geometry), "-o", Native(modes), "--streamlines-json",
                                   Native(modesJson), "--legend", "--aspect", "equal", "--colormap",
                                   maps[c.input.settings.background & 3]} +
                       SettingsOf(c.input)),
                modes, PictureWidth(true));
    EXPECT_EQ(ReadJson(modesJson)["clicks"].toArray().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Corpus, SeedFiles, ::testing::ValuesIn(SeedCorpus()),
                         [](const ::testing::TestParamInfo<SeedCase>& p) { return p.param.name; });

SeedCase Seed(const std::string& name) {
    for (SeedCase& c : SeedCorpus())
        if (c.name == name) return c;
    ADD_FAILURE() << "no seed case " << name;
    return {};
}

// Degenerate fields that load: the picture is what their data says.

TEST(DegenerateField, AtRestIsBlackWithoutStreamlines) {
    TempDir dir;
    const std::string geometry = WriteCase(dir, "rest", Seed("at_rest").input);
    const std::string png = dir.File("rest.png"), json = dir.File("rest.json");
    const RunResult r =
        Render({Native(geometry), "--seed", "1", "-o", Native(png), "--streamlines-json", Native(json)});
    ExpectDrawn(r, png);
    EXPECT_EQ(Picture(png).Count(0, 0, 350, 560, IsBlack), 350 * 560);
    EXPECT_TRUE(ReadJson(json)["streamlines"].toArray().isEmpty());
}

// The first seed is taken where the flow moves, whichever its direction.
TEST(DegenerateField, FlowToTheLowerLeftIsTracedLikeAnyOther) {
    TempDir dir;
    const std::string geometry = WriteCase(dir, "down", Seed("lower_left").input);
    const std::string png = dir.File("down.png"), json = dir.File("down.json");
    const RunResult r = Render({Native(geometry), "--seed", "1", "--click", "300,500", "-o", Native(png),
                                "--streamlines-json", Native(json)});
    ExpectDrawn(r, png);
    const QJsonObject lines = ReadJson(json);
    QJsonArray all = lines["streamlines"].toArray();
    EXPECT_FALSE(all.isEmpty());
    all.append(lines["clicks"].toArray().at(0));
    // Every line runs along (-3, -2) (its points are ordered from one end to the other).
    for (const QJsonValue& line : all) {
        const QJsonArray points = line.toArray();
        if (points.size() < 2) continue;
        const QJsonArray first = points.first().toArray(), last = points.last().toArray();
        const int dx = last[0].toInt() - first[0].toInt(), dy = last[1].toInt() - first[1].toInt();
        EXPECT_GT(dx * dy, 0) << "a line from (" << first[0].toInt() << ", " << first[1].toInt() << ") to ("
                              << last[0].toInt() << ", " << last[1].toInt() << ")";
    }
    // A uniform speed is the top of the colour map everywhere, under white lines.
    const picturekit::Picture pic = Picture(png);
    const long long white = pic.Count(0, 0, 350, 560, IsWhite);
    EXPECT_GT(white, 0);
    EXPECT_EQ(pic.Count(0, 0, 350, 560, IsBrightGreen) + white, 350 * 560);
}

DataSetArrays UniformWithNaN(int i, int j) {
    DataSetArrays d = DataSetArrays::Zeroed(4, 4, 1);
    for (std::size_t n = 0; n < 16; ++n) {
        d.nodes[n] = {static_cast<float>(n % 4), 1.6f * static_cast<float>(n / 4)};
        d.u[n] = d.v[n] = 1.0f;
    }
    d.u[d.Index(i, j)] = std::numeric_limits<float>::quiet_NaN();
    return d;
}

bool IsBackgroundGreen(Rgb c) {
    return c.r == 0 && c.g > 0;
}
bool IsNotBlack(Rgb c) {
    return !IsBlack(c);
}

// On the 4 x 4 grid (x 0..3, y 0..4.8) a u that is not a number at node (2, 2) makes every
// sample of the four cells around it (columns from 117, rows from 187) not a number: black.
// The arrows (red to white) start only outside them; some reach in.
TEST(DegenerateField, ValuesThatAreNotNumbersAreBlack) {
    TempDir dir;
    const std::string geometry = testsupport::WriteDataSet(dir, "nan", UniformWithNaN(2, 2));
    const std::string png = dir.File("nan.png");
    ExpectDrawn(Render({Native(geometry), "--hedgehog", "-o", Native(png)}), png);
    const picturekit::Picture pic = Picture(png);
    EXPECT_EQ(pic.Count(122, 192, 350, 560, IsBackgroundGreen), 0);
    EXPECT_GT(pic.Count(122, 192, 350, 560, IsBlack), 9 * 228 * 368 / 10);
    EXPECT_EQ(pic.Count(0, 0, 112, 560, IsNotBlack), 112 * 560);
    EXPECT_EQ(pic.Count(0, 0, 350, 182, IsNotBlack), 350 * 182);

    // At node (1, 1) the cells around it hold pixel (0, 0), where the raster's range starts:
    // they are black, and the rest is scaled by the finite values as without them.
    const std::string first = testsupport::WriteDataSet(dir, "nan-first", UniformWithNaN(1, 1));
    ExpectDrawn(Render({Native(first), "--hedgehog", "-o", Native(png)}), png);
    const picturekit::Picture nanFirst = Picture(png);
    EXPECT_EQ(nanFirst.Count(0, 0, 228, 368, IsBackgroundGreen), 0);
    EXPECT_GT(nanFirst.Count(240, 380, 350, 560, [](Rgb c) { return c.r == 0 && c.g >= 254 && c.b == 0; }),
              8 * 110 * 180 / 10);
}

// Files that are not files, and paths a program may trip over.

class Paths : public ::testing::Test {
protected:
    TempDir dir;
    const FuzzCase good = Seed("rotation").input;
    std::string png = dir.File("out.png");
    std::string json = dir.File("out.json");
};

TEST_F(Paths, SolutionThatIsAFolderIsRejected) {
    const std::string geometry = dir.File("folder.gri");
    WriteBytes(geometry, good.geometry);
    std::filesystem::create_directory(dir.File("folder.00000.dat"));
    ExpectRejected(Render({Native(geometry), "-o", Native(png), "--streamlines-json", Native(json)}),
                   "folder.00000.dat", png, json);
}

TEST_F(Paths, GeometryThatIsAFolderIsRejected) {
    const std::string geometry = dir.File("folder.gri");
    std::filesystem::create_directory(geometry);
    WriteBytes(dir.File("folder.00000.dat"), good.solution);
    ExpectRejected(Render({Native(geometry), "-o", Native(png), "--streamlines-json", Native(json)}),
                   "folder.gri", png, json);
}

// Root reads and searches past any file's permissions through these two capabilities. Run in
// a new process before its program starts, this takes them away from it and from all it runs,
// so that it meets permissions as every other user does. (Switching to another user would need
// that user to reach the build tree, which a checkout in root's home does not allow.) Only
// async-signal-safe calls: the process is a fork of one that may have threads.
void WithoutPermissionOverride() {
    static constexpr int kOverrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3] = {};
    bool dropped = ::syscall(SYS_capget, &header, caps) == 0;
    for (const int cap : kOverrides) {
        dropped = dropped && ::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) == 0;
        caps[CAP_TO_INDEX(cap)].effective &= ~CAP_TO_MASK(cap);
        caps[CAP_TO_INDEX(cap)].permitted &= ~CAP_TO_MASK(cap);
        caps[CAP_TO_INDEX(cap)].inheritable &= ~CAP_TO_MASK(cap);
    }
    if (dropped && ::syscall(SYS_capset, &header, caps) == 0) return;
    static constexpr char kMessage[] =
        "render_hostile_tests: root's permission override could not be dropped\n";
    (void)!::write(2, kMessage, sizeof kMessage - 1);
    ::_exit(125);
}

TEST_F(Paths, UnreadableSolutionIsRejected) {
    const std::string geometry = WriteCase(dir, "locked", good);
    const std::string solution = dir.File("locked.00000.dat");
    ASSERT_EQ(::chmod(solution.c_str(), 0), 0);
    // As root this process reads it all the same; the run then goes without that power.
    const bool readsPastPermissions = ::access(solution.c_str(), R_OK) == 0;
    ExpectRejected(Render({Native(geometry), "-o", Native(png), "--streamlines-json", Native(json)}, {},
                          readsPastPermissions ? WithoutPermissionOverride : std::function<void()>{}),
                   "locked.00000.dat", png, json);
}

// Opening a pipe would wait for a writer that never comes.
TEST_F(Paths, SolutionThatIsAPipeIsRejectedWithoutWaiting) {
    const std::string geometry = dir.File("pipe.gri");
    WriteBytes(geometry, good.geometry);
    ASSERT_EQ(::mkfifo(dir.File("pipe.00000.dat").c_str(), 0600), 0);
    ExpectRejected(Render({Native(geometry), "-o", Native(png), "--streamlines-json", Native(json)}),
                   "pipe.00000.dat", png, json);
}

// All of a path shorter than three characters is cut: "ab" has the solution file "00000.dat".
TEST_F(Paths, GeometryPathOfTwoCharactersReadsTheBareSolutionName) {
    WriteBytes(dir.File("ab"), good.geometry);
    WriteBytes(dir.File("00000.dat"), good.solution);
    const RunResult r = Render({"ab", "--seed", "3", "-o", Native(png)}, dir.Path().string());
    ExpectDrawn(r, png);

    // Without that file the run says which file it looked for.
    std::filesystem::remove(dir.File("00000.dat"));
    std::filesystem::remove(png);
    ExpectRejected(Render({"ab", "-o", Native(png), "--streamlines-json", Native(json)}, dir.Path().string()),
                   "00000.dat", png, json);
}

// What a run writes never takes the place of a file it reads, nor of another of its outputs:
// bad usage, and nothing written.
TEST_F(Paths, AnOutputThatWouldReplaceAnInputOrAnotherOutputIsBadUsage) {
    const std::string geometry = WriteCase(dir, "in", good);
    const std::string solution = FlowScene::SolutionPathFor(geometry);
    const std::string reference = dir.File("reference.png");
    WriteBytes(reference, "a picture");
    const std::vector<std::pair<QStringList, std::string>> cases{
        {{"-o", Native(png), "--streamlines-json", Native(geometry)}, "would replace the input " + geometry},
        {{"-o", Native(png), "--streamlines-json", Native(solution)}, "would replace the input " + solution},
        {{"-o", Native(reference), "--reference", Native(reference)}, "would replace the input " + reference},
        {{"-o", Native(png), "--streamlines-json", Native(dir.File("./out.png"))},
         "two outputs would both be written to"},
    };
    for (const auto& [options, told] : cases) {
        const RunResult r = Render(QStringList{Native(geometry), "--seed", "1"} + options);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_THAT(r.err, HasSubstr("tesmora-render: "));
        EXPECT_THAT(r.err, HasSubstr("--help"));
        EXPECT_THAT(r.err, HasSubstr(told));
        EXPECT_FALSE(Exists(png));
    }
    EXPECT_EQ(testsupport::ReadBytes(geometry), good.geometry);
    EXPECT_EQ(testsupport::ReadBytes(solution), good.solution);
    EXPECT_EQ(testsupport::ReadBytes(reference), "a picture");
}

// Every output is asked whether it can be written before the first is: a missing folder for
// the JSON leaves no picture behind, and a write-protected picture stays as it was.
TEST_F(Paths, AnOutputThatCannotBeWrittenFailsBeforeAnyIs) {
    const std::string geometry = WriteCase(dir, "in", good);
    const std::string kept = dir.File("kept.png");
    WriteBytes(kept, "earlier");
    ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
    const RunResult missing = Render({Native(geometry), "--seed", "1", "-o", Native(png),
                                      "--streamlines-json", Native(dir.File("no/x.json"))});
    EXPECT_EQ(missing.exitCode, 1) << missing.err;
    EXPECT_THAT(missing.err, HasSubstr("cannot create " + dir.File("no/x.json") + ": the folder "));
    EXPECT_FALSE(Exists(png));
    const RunResult protectedPicture = Render({Native(geometry), "--seed", "1", "-o", Native(kept)});
    EXPECT_EQ(protectedPicture.exitCode, 1) << protectedPicture.err;
    EXPECT_THAT(protectedPicture.err, HasSubstr("cannot replace " + kept + ": it is write-protected"));
    EXPECT_EQ(testsupport::ReadBytes(kept), "earlier");
}

// What reaches standard output is checked as a file is: a full disk is a failure.
TEST_F(Paths, StandardOutputThatCannotBeWrittenExitsWithOne) {
    if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string geometry = WriteCase(dir, "in", good);
    for (const QStringList& options : {QStringList{"--stats", "-o", Native(png)}, QStringList{"-o", "-"}}) {
        const RunResult r =
            Render(QStringList{Native(geometry), "--seed", "1"} + options, {}, {}, "/dev/full");
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_THAT(r.err, HasSubstr("cannot write standard output: No space left on device"));
    }
}

// A reference that cannot be read is no difference from it: exit 1, not 4, so that a CI job
// tells the two apart.
TEST_F(Paths, AReferenceThatCannotBeReadIsNotADifference) {
    const std::string geometry = WriteCase(dir, "in", good);
    const std::string text = dir.File("text.png");
    WriteBytes(text, "not a picture");
    for (const auto& [reference, told] : std::vector<std::pair<std::string, std::string>>{
             {dir.Path().string(), "is not a regular file"}, {text, "is not a readable picture"}}) {
        const RunResult r =
            Render({Native(geometry), "--seed", "1", "-o", Native(png), "--reference", Native(reference)});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_THAT(r.err, HasSubstr("the reference " + reference + " " + told));
    }
}

TEST_F(Paths, SpacesAndNonAsciiCharactersLoadAndRender) {
    const std::string folder = dir.File("str\u00F6m daten");
    std::filesystem::create_directory(std::filesystem::u8path(folder));
    const std::string geometry = folder + "/wirbel \u00E4\u00DF \u6E26.gri";
    WriteBytes(geometry, good.geometry);
    WriteBytes(folder + "/wirbel \u00E4\u00DF \u6E26.00000.dat", good.solution);
    const std::string picture = folder + "/bild \u00FC.png";
    const RunResult r = Render({Native(geometry), "--seed", "3", "-o", Native(picture)});
    ExpectDrawn(r, picture);
    // The same file under a plain name gives the same picture.
    const std::string plain = WriteCase(dir, "plain", good);
    ExpectDrawn(Render({Native(plain), "--seed", "3", "-o", Native(png)}), png);
    EXPECT_EQ(QImage(Native(picture)), QImage(Native(png)));
}

}  // namespace
