#include "tools/render/render_options.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>

#include "base/settings_table.h"
#include "output/picture_notes.h"

namespace {

RenderRequest Parse(QStringList args) {
    args.prepend("tesmora-render");
    return ParseRenderArguments(args);
}

TEST(RenderOptions, DefaultsAreThoseOfAFreshViewer) {
    const RenderRequest r = Parse({"data/flow.case.gri"});
    ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::Go) << r.outcome.text;
    EXPECT_EQ(r.geometry, "data/flow.case.gri");
    EXPECT_EQ(r.output, "flow.case.png") << "the geometry's name, in the current folder";
    EXPECT_EQ(r.settings.background, 0);
    EXPECT_EQ(r.settings.method, 1);
    EXPECT_EQ(r.settings.dsep, 10);
    EXPECT_EQ(r.settings.dtestPercent, 50);
    EXPECT_FALSE(r.settings.hedgehog);
    EXPECT_FALSE(r.settings.arrowsBySpeed);
    EXPECT_EQ(r.settings.stepPixels, 0.0f) << "the time step";
    EXPECT_EQ(r.settings.colourMap, kColourMapRamp);
    EXPECT_EQ(r.settings.aspect, kAspectStretch);
    EXPECT_FALSE(r.settings.legend) << "the classic 350 x 560 picture";
    EXPECT_EQ(r.settings.placement, kPlacementStandard);
    EXPECT_FALSE(r.seed.has_value());
    EXPECT_TRUE(r.clicks.empty());
    EXPECT_TRUE(r.streamlinesJson.empty());
    EXPECT_TRUE(r.reference.empty());
}

TEST(RenderOptions, EveryOptionReachesTheRequest) {
    const RenderRequest r = Parse({"g.gri",
                                   "-o",
                                   "out/p.png",
                                   "--background",
                                   "vorticity",
                                   "--method",
                                   "euler",
                                   "--dsep",
                                   "20",
                                   "--dtest-percent",
                                   "10",
                                   "--step-px",
                                   "0.25",
                                   "--placement",
                                   "fine",
                                   "--hedgehog",
                                   "--arrows-by-speed",
                                   "--colormap",
                                   "coolwarm",
                                   "--aspect",
                                   "equal",
                                   "--legend",
                                   "--size",
                                   "800x600",
                                   "--window",
                                   "-1.5,2,0,1e3",
                                   "--seed",
                                   "4294967295",
                                   "--click",
                                   "1,1",
                                   "--click",
                                   "349,559",
                                   "--streamlines-json",
                                   "s.json",
                                   "--stats",
                                   "--reference",
                                   "b.png",
                                   "--reference-threshold",
                                   "2.5"});
    ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::Go) << r.outcome.text;
    EXPECT_EQ(r.output, "out/p.png");
    EXPECT_EQ(r.settings.background, 2);
    EXPECT_EQ(r.settings.method, 0);
    EXPECT_EQ(r.settings.dsep, 20);
    EXPECT_EQ(r.settings.dtestPercent, 10);
    EXPECT_TRUE(r.settings.hedgehog);
    EXPECT_TRUE(r.settings.arrowsBySpeed);
    EXPECT_EQ(r.settings.stepPixels, 0.25f);
    EXPECT_EQ(r.settings.placement, kPlacementFine);
    EXPECT_EQ(Parse({"g.gri", "--placement", "design"}).settings.placement, kPlacementStandard);
    EXPECT_EQ(Parse({"g.gri", "--placement", "Fine"}).outcome.kind, cli::Outcome::Kind::BadUsage);
    EXPECT_EQ(Parse({"g.gri", "--step-px", "5"}).settings.stepPixels, 5.0f);
    EXPECT_EQ(Parse({"g.gri", "--step-px", "1.3"}).settings.stepPixels, 1.3f);
    EXPECT_EQ(r.settings.colourMap, kColourMapCoolwarm);
    EXPECT_EQ(r.settings.aspect, kAspectEqual);
    EXPECT_TRUE(r.settings.legend);
    EXPECT_EQ(r.settings.size, (PictureSize{800, 600, 0}));
    EXPECT_EQ(r.settings.window, (WorldWindow{-1.5, 2.0, 0.0, 1000.0}));
    EXPECT_EQ(Parse({"g.gri", "--size", "auto"}).settings.size.autoLongSide, 560);
    EXPECT_EQ(Parse({"g.gri", "--size", "auto:1000"}).settings.size.autoLongSide, 1000);
    EXPECT_FALSE(Parse({"g.gri", "--window", "0,1,0,1", "--window", "all"}).settings.window.IsSet());
    EXPECT_EQ(r.seed, 4294967295u);
    ASSERT_EQ(r.clicks.size(), 2u);
    EXPECT_EQ(r.clicks[0], (PixelPoint{1, 1}));
    EXPECT_EQ(r.clicks[1], (PixelPoint{349, 559}));
    EXPECT_EQ(r.streamlinesJson, "s.json");
    EXPECT_TRUE(r.stats);
    EXPECT_EQ(r.reference, "b.png");
    EXPECT_DOUBLE_EQ(r.referenceThreshold, 2.5);
    // The first releases' word for the first choices still reads.
    EXPECT_EQ(Parse({"g.gri", "--colormap", "design", "--colormap", "viridis"}).settings.colourMap,
              kColourMapViridis);
    EXPECT_EQ(Parse({"g.gri", "--colormap", "viridis", "--colormap", "design"}).settings.colourMap,
              kColourMapRamp);
    EXPECT_EQ(Parse({"g.gri", "--aspect", "equal", "--aspect", "design"}).settings.aspect, kAspectStretch);
}

TEST(RenderOptions, BadValuesNameTheOptionAndWhatIsAllowed) {
    struct Case {
        QStringList args;
        std::string mentions;
    };
    const Case cases[] = {
        {{"g.gri", "--dsep", "4"}, "--dsep"},
        {{"g.gri", "--dsep", "21"}, "5 to 20"},
        {{"g.gri", "--dsep", "7.5"}, "--dsep"},
        {{"g.gri", "--dtest-percent", "9"}, "10 to 90"},
        {{"g.gri", "--dtest-percent", "91"}, "--dtest-percent"},
        {{"g.gri", "--method", "RK2"}, "euler|rk2|rk4"},
        {{"g.gri", "--background", "temperature"}, "speed|pressure|vorticity"},
        {{"g.gri", "--step-px", "0.2"}, "--step-px must be a length in pixels from 0.25 to 5"},
        {{"g.gri", "--step-px", "5.5"}, "'5.5'"},
        {{"g.gri", "--step-px", "0"}, "--step-px"},
        {{"g.gri", "--step-px", "nan"}, "--step-px"},
        {{"g.gri", "--step-px"}, "step-px"},
        {{"g.gri", "--colormap", "jet"}, "ramp|viridis|cividis|coolwarm"},
        {{"g.gri", "--aspect", "square"}, "stretch|equal"},
        {{"g.gri", "--placement", "exact"}, "standard|fine, not 'exact'"},
        {{"g.gri", "--size", "31x500"}, "--size takes sides of 32 to 8192 pixels, not '31x500'"},
        {{"g.gri", "--size", "500x8193"}, "32 to 8192"},
        {{"g.gri", "--size", "500"}, "--size takes WxH, auto or auto:N"},
        {{"g.gri", "--size", "auto:9"}, "auto:N"},
        {{"g.gri", "--window", "0,1,1,1"}, "--window needs X0 < X1 and Y0 < Y1"},
        {{"g.gri", "--window", "0,1,nan,1"}, "--window takes X0,X1,Y0,Y1"},
        {{"g.gri", "--window", "0,1,2"}, "--window takes X0,X1,Y0,Y1"},
        {{"g.gri", "--seed", "-1"}, "--seed"},
        {{"g.gri", "--seed", "4294967296"}, "0 to 4294967295"},
        {{"g.gri", "--click", "0,10"}, "--click"},
        {{"g.gri", "--click", "10,560"}, "1 to 559"},
        {{"g.gri", "--click", "10"}, "--click"},
        {{"g.gri", "--click", "a,b"}, "--click"},
        {{"g.gri", "--reference", "b.png", "--reference-threshold", "101"}, "--reference-threshold"},
        {{"g.gri", "--reference-threshold", "1"}, "needs --reference"},
        {{"g.gri", "--width", "800"}, "width"},
        {{}, "FILE"},
        {{"a.gri", "b.gri", "-o", "-"}, "folder"},
        {{"g.gri", "--format", "jpg"}, "--format must be one of png|svg|pdf"},
        {{"g.gri", "--format", "svg", "-o", "p.pdf"},
         "p.pdf is pdf by its extension, but --format asks for svg"},
        {{"g.gri", "--format", "svg", "-o", "p.jpg"}, "no picture format by its extension"},
        {{"x/a.gri", "./x/a.gri", "--format", "pdf", "-o", "out"}, "out/a.pdf"},
        {{"a.gri", "b.gri", "--streamlines-json", "s.json"}, "one data set"},
        {{"a.gri", "b.gri", "--reference", "r.png"}, "one data set"},
        {{"x/a.gri", "x/../x/a.gri", "-o", "out"}, "out/a.png"},
        {{"g.gri", "--method"}, "method"},
    };
    for (const Case& c : cases) {
        const RenderRequest r = Parse(c.args);
        EXPECT_EQ(r.outcome.kind, cli::Outcome::Kind::BadUsage) << c.args.join(' ').toStdString();
        EXPECT_NE(r.outcome.text.find(c.mentions), std::string::npos) << r.outcome.text;
    }
}

// Random settings, with every field of DrawSettings drawn here by hand rather than from the
// settings table, so that a setting the table leaves out fails the round trip.
DrawSettings RandomSettings(std::mt19937& random) {
    auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    DrawSettings s;
    s.dsep = pick(kDSepMin, kDSepMax);
    s.dtestPercent = pick(kDTestPercentMin, kDTestPercentMax);
    s.method = pick(kMethodEuler, kMethodRK4);
    s.background = pick(kBackgroundSpeed, kBackgroundWhite);
    s.hedgehog = pick(0, 1) != 0;
    s.arrowsBySpeed = pick(0, 1) != 0;
    s.stepPixels = pick(0, 2) == 0
                       ? 0.0f
                       : std::uniform_real_distribution<float>(kStepPixelsMin, kStepPixelsMax)(random);
    s.colourMap = pick(kColourMapRamp, kColourMapCoolwarm);
    s.aspect = pick(kAspectStretch, kAspectEqual);
    s.legend = pick(0, 1) != 0;
    s.placement = pick(kPlacementStandard, kPlacementFine);
    const int sizeKind = pick(0, 2);
    if (sizeKind == 1)
        s.size = {pick(kPictureSideMin, kPictureSideMax), pick(kPictureSideMin, kPictureSideMax), 0};
    if (sizeKind == 2) s.size.autoLongSide = pick(kPictureSideMin, kPictureSideMax);
    if (pick(0, 1) != 0) {
        std::uniform_real_distribution<double> coordinate(-1e7, 1e7);
        const double x = coordinate(random), y = coordinate(random);
        s.window = {x, x + std::ldexp(coordinate(random) + 1.5e7, -pick(0, 40)), y,
                    y + std::ldexp(coordinate(random) + 1.5e7, -pick(0, 40))};
    }
    s.axes = pick(0, 1) != 0;
    // Words the naive splitting of the command below keeps whole, with and without quotes.
    const char* titles[] = {"", "Wake", "Re=100,t=2.5", "K\u00E1rm\u00E1n"};
    s.title = titles[pick(0, 3)];
    s.lineArrows = pick(0, 1) != 0;
    s.arrowHeads = pick(0, 1) != 0;
    s.smooth = pick(0, 1) != 0;
    s.lineWidth =
        pick(0, 1) == 0 ? 0.0f : std::uniform_real_distribution<float>(kLineWidthMin, kLineWidthMax)(random);
    s.language = pick(kLanguageEnglish, kLanguageGerman);
    s.plane = pick(0, 1) == 0 ? 0 : pick(1, kPlaneMax);
    if (pick(0, 1) != 0)
        s.resample = {pick(kResampleSideMin, kResampleSideMax), pick(kResampleSideMin, kResampleSideMax)};
    s.lineColour = pick(kLinesPlain, kLinesVorticity);
    const char* units[] = {"", "x=mm,u=m/s", "p=Pa,w=1/s,y=km"};
    s.units = units[pick(0, 2)];
    s.range = pick(kRangeSequence, kRangeFrame);
    s.coherent = pick(0, 1) != 0;
    return s;
}

// What a picture records as its command draws it again: the same settings and seed.
TEST(RenderOptions, TheCommandAPictureRecordsParsesBackToItsSettings) {
    std::mt19937 random(23);
    for (int i = 0; i < 500; ++i) {
        PictureOrigin origin;
        origin.program = "tesmora-render";
        origin.input = "flows/run 7.gri";
        origin.settings = RandomSettings(random);
        origin.seed = static_cast<std::uint32_t>(random());
        const PictureNotes notes = DescribePicture(origin);
        const auto command = std::find_if(notes.entries.begin(), notes.entries.end(),
                                          [](const auto& e) { return e.first == "command"; });
        ASSERT_NE(command, notes.entries.end());
        // The shell's reading of the command: the input is the one quoted word.
        QStringList words = command->second.split(QLatin1Char(' '));
        ASSERT_EQ(words.takeFirst(), "tesmora-render");
        const QString first = words.takeFirst();
        ASSERT_EQ(first + " " + words.takeFirst(), "'flows/run 7.gri'");
        words.prepend("flows/run 7.gri");
        // The shell's reading of a quoted word of one piece.
        for (QString& w : words)
            if (w.size() >= 2 && w.startsWith('\'') && w.endsWith('\'')) w = w.mid(1, w.size() - 2);
        const RenderRequest r = Parse(words);
        ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::Go) << command->second.toStdString() << r.outcome.text;
        EXPECT_EQ(r.settings, origin.settings) << command->second.toStdString();
        EXPECT_EQ(r.seed, origin.seed);
    }
    // A picture made without the figure and reading settings records the command it always did.
    const std::string plain = settings::Options(DrawSettings{});
    for (const settings::Row& row : settings::Table())
        if (settings::ListedOnlyWhenSet(row)) {
            EXPECT_EQ(plain.find("--" + std::string(row.name)), std::string::npos) << row.name;
        }
}

TEST(RenderOptions, HelpListsTheOptionsWithDefaultsAndTheExitCodes) {
    const RenderRequest r = Parse({"--help"});
    ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::Help);
    for (const char* text : {"--output",          "--background",
                             "(default speed)",   "--method",
                             "(default rk2)",     "--dsep",
                             "(default 10)",      "--dtest-percent",
                             "(default 50)",      "--step-px",
                             "time step of 0.1",  "--hedgehog",
                             "--arrows-by-speed", "--seed",
                             "--click",           "--streamlines-json",
                             "--stats",           "--reference-threshold",
                             "Exit codes",        "3 no OpenGL context",
                             "--colormap",        "ramp|viridis",
                             "--aspect",          "--legend",
                             "stretch|equal",     "--format"}) {
        EXPECT_NE(r.outcome.text.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(Parse({"--version"}).outcome.kind, cli::Outcome::Kind::Version);
}

}  // namespace

namespace {

// --format agrees with the extension or stands where there is none: standard output and the
// default name, the legend drawn into each.
TEST(RenderOptions, TheOutputsExtensionTellsItsFormatAndAnyOtherIsBadUsage) {
    const struct {
        const char* output;
        std::optional<PictureFormat> format;
    } cases[] = {{"p.png", PictureFormat::Png}, {"dir.x/p.SVG", PictureFormat::Svg},
                 {"p.Pdf", PictureFormat::Pdf}, {"-", PictureFormat::Png},
                 {"p.jpg", std::nullopt},       {"p.svg.gz", std::nullopt},
                 {"p", std::nullopt},           {"out.png/p", std::nullopt},
                 {".png", std::nullopt},        {"p.", std::nullopt}};
    for (const auto& c : cases) {
        const RenderRequest r = Parse({"g.gri", "-o", c.output});
        if (c.format) {
            ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::Go) << c.output << ": " << r.outcome.text;
            EXPECT_EQ(r.format, *c.format) << c.output;
        } else {
            ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::BadUsage) << c.output;
            EXPECT_NE(r.outcome.text.find("png, svg or pdf"), std::string::npos) << r.outcome.text;
        }
    }
    for (const PictureFormat f : {PictureFormat::Png, PictureFormat::Svg, PictureFormat::Pdf}) {
        const std::string name = std::string("g.case.") + FormatExtension(f);
        EXPECT_EQ(Parse({"d/g.case.gri", "-o", "-", "--format", FormatExtension(f)}).format, f);
        const RenderRequest named = Parse({"d/g.case.gri", "--format", FormatExtension(f), "--legend"});
        EXPECT_EQ(named.format, f);
        EXPECT_EQ(named.output, name);
        EXPECT_EQ(Parse({"g.gri", "-o", QString::fromStdString(name), "--format", FormatExtension(f)}).format,
                  f);
    }
}

}  // namespace

namespace {

// Several data sets: each picture in the folder, named after its data set, in the order given.
TEST(RenderOptions, SeveralDataSetsAreABatchIntoAFolder) {
    const RenderRequest r = Parse({"x/a.case.gri", "b.gri", "../c.vtk", "-o", "pictures", "--seed", "3"});
    ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::Go) << r.outcome.text;
    EXPECT_EQ(r.batch, (std::vector<std::string>{"x/a.case.gri", "b.gri", "../c.vtk"}));
    EXPECT_EQ(r.output, "pictures");
    EXPECT_EQ(r.format, PictureFormat::Png);
    EXPECT_EQ(Parse({"a.gri", "b.gri", "--format", "svg", "-o", "out.png"}).format, PictureFormat::Svg)
        << "a folder's name tells no format";
    for (const PictureFormat format : {PictureFormat::Png, PictureFormat::Svg, PictureFormat::Pdf})
        for (const char* folder : {"out", "out/", "/tmp/a b"}) {
            const std::vector<std::string> paths = BatchPicturePaths(folder, r.batch, format);
            ASSERT_EQ(paths.size(), r.batch.size());
            for (std::size_t i = 0; i < paths.size(); ++i) {
                const std::string& path = paths[i];
                const std::string& input = r.batch[i];
                const std::string name = path.substr(path.rfind('/') + 1);
                EXPECT_EQ(path.substr(0, path.rfind('/')),
                          std::string(folder).substr(0, std::string(folder).find_last_not_of('/') + 1));
                EXPECT_EQ(name.substr(name.size() - 4), std::string(".") + FormatExtension(format));
                EXPECT_EQ(input.find(name.substr(0, name.size() - 4) + "."), input.rfind('/') + 1) << input;
            }
        }
    EXPECT_EQ(Parse({"a.gri", "b.gri"}).output, ".") << "the current folder";
    EXPECT_EQ(BatchPicturePaths("o", {"Str\xf6mung.gri"}, PictureFormat::Png),
              std::vector<std::string>{"o/Str\xf6mung.png"})
        << "the name's bytes kept";
}

// A PIV program's series keeps one file name in a folder per frame; each picture is named after
// as few folders as tell it from its namesakes, and names that differ anyway keep their own.
TEST(RenderOptions, NamesakesInDifferentFoldersAreNamedAfterTheirFolders) {
    std::vector<std::string> inputs;
    for (int frame = 0; frame <= 10; ++frame)
        inputs.push_back("run/Open_PIV_results_6_" + std::to_string(frame) + "/field_A000.txt");
    inputs.push_back("x/a/same/flow.vtk");
    inputs.push_back("x/b/same/flow.vtk");
    inputs.push_back("lone.gri");
    const RenderRequest r = Parse([&] {
        QStringList arguments;
        for (const std::string& input : inputs) arguments << QString::fromStdString(input);
        return arguments << "-o"
                         << "out";
    }());
    ASSERT_EQ(r.outcome.kind, cli::Outcome::Kind::Go) << r.outcome.text;
    const std::vector<std::string> paths = BatchPicturePaths("out", inputs, PictureFormat::Png);
    EXPECT_EQ(paths[0], "out/Open_PIV_results_6_0_field_A000.png");
    EXPECT_EQ(paths[10], "out/Open_PIV_results_6_10_field_A000.png");
    EXPECT_EQ(paths[11], "out/a_same_flow.png");
    EXPECT_EQ(paths[12], "out/b_same_flow.png");
    EXPECT_EQ(paths[13], "out/lone.png");
    EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()).size(), paths.size());
    EXPECT_EQ(Parse({"a/f.gri", "b/../a/f.gri"}).outcome.kind, cli::Outcome::Kind::BadUsage)
        << "one file twice";
}

}  // namespace

namespace {

// Over random choices of frames, the shards of a job array draw every chosen frame exactly
// once, in order, and a choice beyond the series is refused.
TEST(RenderOptions, ShardsOfAFrameChoiceDrawEachChosenFrameOnce) {
    std::mt19937 random(17);
    for (int trial = 0; trial < 500; ++trial) {
        const std::size_t count = 1 + random() % 40;
        FrameChoice choice;
        choice.first = static_cast<long long>(random() % count);
        choice.last = random() % 3 == 0
                          ? -1
                          : choice.first + static_cast<long long>(
                                               random() % (count - static_cast<std::size_t>(choice.first)));
        choice.step = 1 + static_cast<long long>(random() % 4);
        const long long last = choice.last < 0 ? static_cast<long long>(count) - 1 : choice.last;
        std::vector<std::size_t> expected;
        for (long long f = choice.first; f <= last; f += choice.step)
            expected.push_back(static_cast<std::size_t>(f));
        choice.shards = 1 + static_cast<long long>(random() % 5);
        std::vector<std::size_t> drawn;
        for (choice.shard = 0; choice.shard < choice.shards; ++choice.shard) {
            std::string why;
            const std::vector<std::size_t> part = ChosenFrames(choice, count, &why);
            EXPECT_TRUE(std::is_sorted(part.begin(), part.end()));
            EXPECT_EQ(part.empty(), !why.empty());
            drawn.insert(drawn.end(), part.begin(), part.end());
        }
        std::sort(drawn.begin(), drawn.end());
        EXPECT_EQ(drawn, expected);
        choice.shard = 0;
        choice.shards = 1;
        choice.last = static_cast<long long>(count);
        std::string why;
        EXPECT_TRUE(ChosenFrames(choice, count, &why).empty());
        EXPECT_NE(why.find(std::to_string(count)), std::string::npos) << why;
    }
    for (const QStringList& bad :
         {QStringList{"a.gri", "--frames", "3:1"}, QStringList{"a.gri", "--frames", "1:2:0"},
          QStringList{"a.gri", "--frames", "x"}, QStringList{"a.gri", "--shard", "2/2"},
          QStringList{"a.gri", "--frames", "all", "-o", "-"}, QStringList{"a.gri", "--fps", "30"}})
        EXPECT_EQ(Parse(bad).outcome.kind, cli::Outcome::Kind::BadUsage) << bad.join(' ').toStdString();
    const RenderRequest series =
        Parse({"b_10.vtk", "b_9.vtk", "--frames", "1:", "-o", "film.mp4", "--fps", "25"});
    ASSERT_EQ(series.outcome.kind, cli::Outcome::Kind::Go) << series.outcome.text;
    EXPECT_TRUE(series.sequence && series.batch.empty());
    EXPECT_EQ(series.sequenceFiles.size(), 2u);
    EXPECT_EQ(series.framesPerSecond, 25);
    EXPECT_EQ(series.frames.first, 1);
    EXPECT_EQ(series.frames.last, -1);
}

}  // namespace
