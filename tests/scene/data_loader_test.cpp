#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/memory_budget.h"
#include "base/parallel_parts.h"
#include "scene/data_set_checks.h"
#include "scene/gri_reader.h"
#include "scene/scene_settings.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::CollectingReporter;
using testsupport::MakeRectilinear;
using testsupport::SceneFixture;
using testsupport::TempDir;
using testsupport::WriteBytes;
using testsupport::WriteDataSet;

DataSetArrays TenByTwenty() {
    return MakeRectilinear({0, 2.5f, 5, 10}, {0, 5, 20}, 1, [](float x, float y) {
        return testsupport::NodeValues{x, y, x + y, x - y};
    });
}

void ExpectEmpty(const FlowScene& s) {
    EXPECT_FALSE(s.HasDataSet());
    EXPECT_EQ(s.m_pNodes, nullptr);
    EXPECT_EQ(s.m_pU, nullptr);
    EXPECT_EQ(s.m_pV, nullptr);
    EXPECT_EQ(s.m_pP, nullptr);
    EXPECT_EQ(s.m_pW, nullptr);
}

TEST(DataLoader, ReadsNodesFieldsCountsAndScales) {
    TempDir dir;
    SceneFixture f;
    ASSERT_TRUE(f.scene.LoadDataSet(WriteDataSet(dir, "grid", TenByTwenty())));
    const FlowScene& s = f.scene;
    EXPECT_TRUE(f.reporter.entries.empty());
    EXPECT_EQ(s.m_ni, 4);
    EXPECT_EQ(s.m_nj, 3);
    EXPECT_EQ(s.m_nk, 1);
    EXPECT_EQ(s.m_fExtentX, 10.0f);
    EXPECT_EQ(s.m_fExtentY, 20.0f);
    EXPECT_EQ(s.m_fScaleX, 34.9f);
    EXPECT_EQ(s.m_fScaleY, 27.95f);
    EXPECT_EQ(s.m_fInvScaleX, 1.0f / 34.9f);
    EXPECT_EQ(s.m_fInvScaleY, 1.0f / 27.95f);
    // Node (i, j) at j * ni + i, its values beside it; the image waits for the rasters.
    EXPECT_EQ(s.m_pNodes[6].x, 5.0f);
    EXPECT_EQ(s.m_pNodes[6].y, 5.0f);
    EXPECT_EQ(s.m_pU[11], 10.0f);
    EXPECT_EQ(s.m_pV[11], 20.0f);
    EXPECT_EQ(s.m_pP[11], 30.0f);
    EXPECT_EQ(s.m_pW[11], -10.0f);
    EXPECT_EQ(s.m_pImage, nullptr);
}

// A large pair is read in parts on several threads: every value lands where one thread would
// put it, and a node broken at a part's first row or inside a part is the one reported.
TEST(DataLoader, ALargePairReadInPartsGivesWhatOneThreadWould) {
    constexpr std::int64_t ni = 700, nj = 800;
    const auto bounds = PartBounds(ni, ni * nj, GriReader::kLeastNodesOfAPart, ni);
    if (bounds.size() < 3) GTEST_SKIP() << "one core: the pair is read in one part";
    std::vector<float> xs(ni), ys(nj);
    for (std::int64_t i = 0; i < ni; ++i) xs[static_cast<std::size_t>(i)] = 0.5f * static_cast<float>(i);
    for (std::int64_t j = 0; j < nj; ++j) ys[static_cast<std::size_t>(j)] = static_cast<float>(j * j);
    const DataSetArrays clean = MakeRectilinear(xs, ys, 1, [](float x, float y) {
        return testsupport::NodeValues{x - y, std::sin(x), y * 0.25f, x * y};
    });
    std::vector<std::pair<std::int64_t, GridNode>> breaks{{-1, {}}, {ni * nj - 1, {0.25f, 0.0f}}};
    for (std::size_t k = 1; k + 1 < bounds.size(); ++k) {
        breaks.push_back({bounds[k], {0.0f, -1e6f}});          // its row's first y below the row before
        breaks.push_back({bounds[k] + ni / 2, {0.0f, 0.5f}});  // off its row, inside the part
    }
    TempDir dir;
    for (const auto& [node, change] : breaks) {
        SCOPED_TRACE(testing::Message() << "node " << node);
        DataSetArrays data = clean.Copy();
        if (node >= 0) data.nodes[static_cast<std::size_t>(node)] += change;
        const std::string path = WriteDataSet(dir, "large", data);
        GriReader reader;
        DataSetArrays read;
        CollectingReporter reporter;
        ASSERT_TRUE(reader.Read(path, read, reporter));
        const auto n = static_cast<std::size_t>(ni * nj);
        EXPECT_EQ(std::memcmp(read.nodes.get(), data.nodes.get(), n * sizeof(GridNode)), 0);
        for (const auto& [got, want] :
             {std::pair{&read.u, &data.u}, {&read.v, &data.v}, {&read.p, &data.p}, {&read.w, &data.w}})
            EXPECT_EQ(std::memcmp(got->get(), want->get(), n * sizeof(float)), 0);
        const GridShape whole = CheckGridShape(data.nodes.get(), ni, nj);
        EXPECT_EQ(whole.Rectilinear(), node < 0);
        EXPECT_EQ(reader.PlaneShape().fault, whole.fault);
        EXPECT_EQ(reader.PlaneShape().i, whole.i);
        EXPECT_EQ(reader.PlaneShape().j, whole.j);
    }
}

TEST(DataLoader, KeepsEveryPlane) {
    TempDir dir;
    DataSetArrays data = MakeRectilinear({0, 1}, {0, 1}, 3);
    for (std::size_t n = 0; n < 12; ++n) data.u[n] = static_cast<float>(n);
    SceneFixture f;
    ASSERT_TRUE(f.scene.LoadDataSet(WriteDataSet(dir, "planes", data)));
    EXPECT_EQ(f.scene.m_nk, 3);
    EXPECT_EQ(f.scene.NodeCount(), 12);
    for (int n = 0; n < 12; ++n) EXPECT_EQ(f.scene.m_pU[static_cast<std::size_t>(n)], static_cast<float>(n));
    EXPECT_FALSE(f.scene.FlowIsZero());
    EXPECT_EQ(f.scene.Notes().planes, 0);
}

// A plane other than 0 is read alone, with its own values and invalid vectors; a plane the
// file does not have is refused naming the planes it has.
TEST(DataLoader, AChosenPlaneIsReadAlone) {
    TempDir dir;
    DataSetArrays data = MakeRectilinear({0, 1}, {0, 1}, 3);
    for (std::size_t n = 0; n < 12; ++n) data.u[n] = n < 4 ? 0.0f : static_cast<float>(n);
    const std::string path = WriteDataSet(dir, "planes", data);
    for (int plane : {1, 2, 3}) {
        SceneFixture f;
        DrawSettings s = CurrentDrawSettings(f.scene);
        s.plane = plane;
        ApplyDrawSettings(f.scene, s);
        if (plane == 3) {
            EXPECT_FALSE(f.scene.LoadDataSet(path));
            ASSERT_EQ(f.reporter.entries.size(), 1u);
            EXPECT_NE(f.reporter.entries[0].text.find("hat keine Ebene 3; ihre Ebenen sind 0 bis 2"),
                      std::string::npos)
                << f.reporter.entries[0].text;
            ExpectEmpty(f.scene);
            continue;
        }
        ASSERT_TRUE(f.scene.LoadDataSet(path));
        EXPECT_EQ(f.scene.m_nk, 1);
        EXPECT_EQ(f.scene.Notes().plane, plane);
        EXPECT_EQ(f.scene.Notes().planes, 3);
        for (int n = 0; n < 4; ++n)
            EXPECT_EQ(f.scene.m_pU[static_cast<std::size_t>(n)], static_cast<float>(4 * plane + n));
    }
    // Plane 0 of this file does not move: the picture says so, naming the planes that might.
    SceneFixture f;
    ASSERT_TRUE(f.scene.LoadDataSet(path));
    EXPECT_TRUE(f.scene.FlowIsZero());
    EXPECT_EQ(loading::StillFlow(f.scene.Notes(), f.scene.m_nk).english,
              "the flow is zero everywhere in plane 0, the one shown; the file has planes 0 to 2, another is "
              "chosen with --plane K");
}

TEST(DataLoader, SolutionNameCutsExactlyThreeCharacters) {
    EXPECT_EQ(FlowScene::SolutionPathFor("D:\\runs\\case7.gri"), "D:\\runs\\case7.00000.dat");
    EXPECT_EQ(FlowScene::SolutionPathFor("a.grid"), "a.g00000.dat");
    EXPECT_EQ(FlowScene::SolutionPathFor("ab"), "00000.dat");

    TempDir dir;
    const DataSetArrays data = TenByTwenty();
    WriteDataSet(dir, "x", data);  // x.gri + x.00000.dat
    std::filesystem::rename(dir.File("x.gri"), dir.File("a.grid"));
    std::filesystem::rename(dir.File("x.00000.dat"), dir.File("a.g00000.dat"));
    SceneFixture f;
    EXPECT_TRUE(f.scene.LoadDataSet(dir.File("a.grid")));
}

TEST(DataLoader, TrailingBytesAfterTheRecordsAreIgnored) {
    TempDir dir;
    const std::string path = WriteDataSet(dir, "tail", TenByTwenty());
    WriteBytes(path, testsupport::ReadBytes(path) + "trailing");
    const std::string solution = FlowScene::SolutionPathFor(path);
    WriteBytes(solution, testsupport::ReadBytes(solution) + "trailing");
    SceneFixture f;
    EXPECT_TRUE(f.scene.LoadDataSet(path));
}

struct Rejection {
    const char* name;
    // Turns a good data set written at PATH into a bad one.
    void (*spoil)(const std::string& path);
    const char* caption;
    const char* textPart;
};

std::string WithHeader(const std::string& path, const std::string& header) {
    std::string bytes = testsupport::ReadBytes(path);
    std::string padded = header;
    padded.resize(40, '\0');
    return padded + bytes.substr(40);
}

const Rejection kRejections[] = {
    {"lower-case magic", [](const std::string& p) { WriteBytes(p, WithHeader(p, "sn4db 4 3 1 0 0 0.0")); },
     "LOADING ERROR", "Wrong File Format!"},
    {"no blank after magic",
     [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DBx4 3 1 0 0 0.0")); }, "LOADING ERROR",
     "Wrong File Format!"},
    {"one column", [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DB 1 3 1")); }, "LOADING ERROR",
     "ni = 1"},
    {"one row", [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DB 4 1 1")); }, "LOADING ERROR",
     "nj = 1"},
    {"no plane", [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DB 4 3 0")); }, "LOADING ERROR",
     "nk = 0"},
    {"blank after magic", [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DB  4 3 1")); },
     "LOADING ERROR", "ni = 0"},
    // 65540 would be 4 after a 16-bit cut: the full decimal value is judged.
    {"count past 16 bits", [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DB 65540 3 1")); },
     "LOADING ERROR", "65540"},
    {"count above 32767", [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DB 4 32768 1")); },
     "LOADING ERROR", "32768"},
    {"huge counts, short file",
     [](const std::string& p) { WriteBytes(p, WithHeader(p, "SN4DB 32767 32767 32767")); }, "Tesmora",
     "zu kurz"},
    {"header cut short", [](const std::string& p) { WriteBytes(p, "SN4DB 4 3 1"); }, "Tesmora", "Kopf"},
    {"records cut short",
     [](const std::string& p) {
         const std::string bytes = testsupport::ReadBytes(p);
         WriteBytes(p, bytes.substr(0, bytes.size() - 1));
     },
     "Tesmora", "zu kurz"},
    {"solution missing", [](const std::string& p) { std::filesystem::remove(FlowScene::SolutionPathFor(p)); },
     "Tesmora", "00000.dat"},
    {"solution is a folder",
     [](const std::string& p) {
         const std::string s = FlowScene::SolutionPathFor(p);
         std::filesystem::remove(s);
         std::filesystem::create_directory(s);
     },
     "Tesmora", "Ordner"},
    {"solution cut short",
     [](const std::string& p) {
         const std::string s = FlowScene::SolutionPathFor(p);
         WriteBytes(s, testsupport::ReadBytes(s).substr(0, 20 * 12 - 4));
     },
     "Tesmora", "zu kurz"},
    {"geometry is a folder",
     [](const std::string& p) {
         std::filesystem::remove(p);
         std::filesystem::create_directory(p);
     },
     "Tesmora", "Ordner"},
};

DataSetArrays WithNode(DataSetArrays data, std::size_t index, GridNode node) {
    data.nodes[index] = node;
    return data;
}

class DataLoaderRejects : public ::testing::TestWithParam<Rejection> {};

TEST_P(DataLoaderRejects, WithAMessageAndAnEmptySceneAfterwhichAGoodLoadWorks) {
    const Rejection& r = GetParam();
    TempDir dir;
    const std::string bad = WriteDataSet(dir, "bad", TenByTwenty());
    r.spoil(bad);
    const std::string good = WriteDataSet(dir, "good", TenByTwenty());

    SceneFixture f;
    ASSERT_TRUE(f.scene.LoadDataSet(good));
    f.scene.ReleaseDataSet();
    EXPECT_FALSE(f.scene.LoadDataSet(bad)) << r.name;
    ExpectEmpty(f.scene);
    ASSERT_EQ(f.reporter.entries.size(), 1u) << r.name;
    EXPECT_EQ(f.reporter.entries[0].caption, r.caption) << r.name;
    EXPECT_NE(f.reporter.entries[0].text.find(r.textPart), std::string::npos)
        << r.name << ": " << f.reporter.entries[0].text;
    // The counts of the rejected header never reach the scene.
    EXPECT_EQ(f.scene.m_ni, 4);

    EXPECT_TRUE(f.scene.LoadDataSet(good));
    EXPECT_EQ(f.reporter.entries.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, DataLoaderRejects, ::testing::ValuesIn(kRejections), [](const auto& p) {
    std::string name = p.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST(DataLoader, RejectsExtentsThatAreZeroNegativeOrNotFinite) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const DataSetArrays base = TenByTwenty();
    const DataSetArrays cases[] = {
        WithNode(base.Copy(), 3, {0.0f, 0.0f}),    // first row ends where it starts
        WithNode(base.Copy(), 3, {-1.0f, 0.0f}),   // first row runs backwards
        WithNode(base.Copy(), 8, {0.0f, -3.0f}),   // first column runs backwards
        WithNode(base.Copy(), 0, {nan, 0.0f}),     // NaN origin
        WithNode(base.Copy(), 8, {0.0f, inf}),     // infinite top
        WithNode(base.Copy(), 3, {1e-44f, 0.0f}),  // a scale that overflows
    };
    TempDir dir;
    int n = 0;
    for (const DataSetArrays& data : cases) {
        SCOPED_TRACE(n);
        SceneFixture f;
        EXPECT_FALSE(f.scene.LoadDataSet(WriteDataSet(dir, "extent" + std::to_string(n++), data)));
        ExpectEmpty(f.scene);
        ASSERT_EQ(f.reporter.entries.size(), 1u);
        EXPECT_NE(f.reporter.entries[0].text.find("Ausdehnung"), std::string::npos);
    }
}

TEST(DataLoader, MissingGeometryFileNamesTheFile) {
    TempDir dir;
    SceneFixture f;
    EXPECT_FALSE(f.scene.LoadDataSet(dir.File("nowhere.gri")));
    ASSERT_EQ(f.reporter.entries.size(), 1u);
    EXPECT_NE(f.reporter.entries[0].text.find("nowhere.gri"), std::string::npos);
    ExpectEmpty(f.scene);
}

}  // namespace

namespace {

// Hands out a copy of DATA for any path ending in ".fake", as an importer would.
class FakeReader : public DataSetReader {
public:
    explicit FakeReader(DataSetArrays data) : m_data(std::move(data)) {}
    bool Accepts(const std::string& path) const override { return path.ends_with(".fake"); }
    bool Read(const std::string&, DataSetArrays& out, Reporter&) override {
        if (!out.Allocate(m_data.ni, m_data.nj, m_data.nk)) return false;
        for (std::size_t n = 0; n < static_cast<std::size_t>(out.NodeCount()); ++n) {
            out.nodes[n] = m_data.nodes[n];
            out.u[n] = m_data.u[n];
            out.v[n] = m_data.v[n];
            out.p[n] = m_data.p[n];
            out.w[n] = m_data.w[n];
        }
        return true;
    }

private:
    DataSetArrays m_data;
};

}  // namespace

TEST(DataLoader, AReaderFillsTheSceneAsTheFilesWouldAndMeetsTheSameChecks) {
    TempDir dir;
    SceneFixture fromFiles;
    ASSERT_TRUE(fromFiles.scene.LoadDataSet(WriteDataSet(dir, "grid", TenByTwenty())));

    SceneFixture f;
    FakeReader reader(TenByTwenty());
    f.scene.SetDataSetReader(&reader);
    ASSERT_TRUE(f.scene.LoadDataSet("grid.fake"));
    EXPECT_TRUE(f.reporter.entries.empty());
    EXPECT_EQ(f.scene.m_fScaleX, fromFiles.scene.m_fScaleX);
    EXPECT_EQ(f.scene.m_fScaleY, fromFiles.scene.m_fScaleY);
    EXPECT_EQ(f.scene.IsRectilinear(), fromFiles.scene.IsRectilinear());
    for (std::size_t n = 0; n < 12; ++n) EXPECT_EQ(f.scene.m_pW[n], fromFiles.scene.m_pW[n]);
    // A .gri file still goes to the loader.
    f.scene.ReleaseDataSet();
    EXPECT_TRUE(f.scene.LoadDataSet(WriteDataSet(dir, "again", TenByTwenty())));

    // Counts and extents are judged as for the loader's own files.
    DataSetArrays thin = MakeRectilinear({0}, {0, 1});
    DataSetArrays flat = MakeRectilinear({0, 1}, {3, 3});
    for (DataSetArrays* bad : {&thin, &flat}) {
        SceneFixture g;
        FakeReader badReader(bad->Copy());
        g.scene.SetDataSetReader(&badReader);
        EXPECT_FALSE(g.scene.LoadDataSet("bad.fake"));
        ExpectEmpty(g.scene);
        ASSERT_EQ(g.reporter.entries.size(), 1u);
        EXPECT_EQ(g.reporter.entries[0].caption, "LOADING ERROR");
    }
}

TEST(DataLoader, ADataSetLargerThanTheMemoryLeftIsRejectedBeforeAnythingIsTaken) {
    TempDir dir;
    const std::string path = WriteDataSet(dir, "grid", TenByTwenty());
    // The twelve nodes and the rasters need about 4.5 MB: they fit in 8 MB, not in 4.
    SetAvailableMemoryForTesting(std::uint64_t{4} << 20);
    SceneFixture f;
    EXPECT_FALSE(f.scene.LoadDataSet(path));
    ExpectEmpty(f.scene);
    ASSERT_EQ(f.reporter.entries.size(), 1u);
    EXPECT_NE(f.reporter.entries[0].text.find("Arbeitsspeicher"), std::string::npos);
    DataSetArrays arrays;
    EXPECT_FALSE(arrays.Allocate(4, 3, 1));
    EXPECT_EQ(arrays.nodes, nullptr);

    SetAvailableMemoryForTesting(std::uint64_t{8} << 20);
    EXPECT_TRUE(f.scene.LoadDataSet(path));
    EXPECT_TRUE(arrays.Allocate(4, 3, 1));
    SetAvailableMemoryForTesting(std::nullopt);
}

// Binary numbers read in the wrong byte order give speeds from 1e-44 to 1e23: such a data set is
// taken, and the user asked whether the byte order is right. A span a flow can have, values
// that are zero or not finite, and numbers read from text are not questioned.
TEST(DataLoader, SpeedsSpanningMoreThanThirtyOrdersAskAboutTheByteOrder) {
    struct Case {
        float least;
        bool binary;
        const char* told;  // the German text's number of orders, or nothing
    };
    const float inf = std::numeric_limits<float>::infinity();
    for (const Case& c :
         {Case{1e-31f, true, "31 Gr\u00F6\u00DFenordnungen"}, Case{1e-29f, true, nullptr},
          Case{1e-31f, false, nullptr}, Case{-4e-38f, true, "37 Gr\u00F6\u00DFenordnungen"}}) {
        DataSetArrays d = TenByTwenty();
        for (std::size_t n = 0; n < 12; ++n) d.v[n] = d.u[n] = n % 2 ? 1.0f : 2.0f;
        d.u[3] = d.v[3] = 0.0f;
        d.u[4] = inf;
        d.v[7] = std::numeric_limits<float>::quiet_NaN();
        d.u[5] = c.least;
        d.v[5] = 0.0f;
        d.notes.binary = c.binary;
        SceneFixture f;
        ASSERT_TRUE(f.scene.AdoptDataSet(std::move(d), "f.vtk"));
        if (!c.told) {
            EXPECT_TRUE(f.reporter.entries.empty()) << c.least << ": " << f.reporter.entries[0].text;
            continue;
        }
        ASSERT_EQ(f.reporter.entries.size(), 1u) << c.least;
        EXPECT_NE(f.reporter.entries[0].text.find(c.told), std::string::npos) << f.reporter.entries[0].text;
        EXPECT_NE(f.reporter.entries[0].text.find("falsche Bytereihenfolge?"), std::string::npos);
    }
}

// Every value counts, at any index of an array of any length: the least speed among ones and
// the greatest among tiny ones each stand at every index of 2 to 9 values in turn.
TEST(DataLoader, TheSpanOfSpeedsTakesEveryValue) {
    for (std::size_t n = 2; n <= 9; ++n)
        for (std::size_t at = 0; at < n; ++at)
            for (const auto& [rest, odd] : {std::pair{1.0f, 1e-31f}, std::pair{1e-31f, 1.0f}}) {
                std::vector<float> u(n, rest), v(n, 0.0f);
                u[at] = odd;
                EXPECT_TRUE(
                    loading::ImplausibleSpeeds(u.data(), v.data(), static_cast<std::int64_t>(n), "f.vtk"))
                    << n << " values, " << odd << " at " << at;
            }
}

// Near the limit the warning follows the exact span of the squared speeds, however a speed is
// split between u and v: the fastest node on the diagonal, the slowest at any angle, the span
// drawn across 29 to 33 orders.
TEST(DataLoader, TheSpanOfSpeedsNearItsLimitIsTheExactOne) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> orders(29.0, 33.0), turn(0.0, 1.5707963);
    int warned = 0;
    for (std::size_t trial = 0; trial < 400; ++trial) {
        const double least = std::pow(10.0, -orders(random)), angle = turn(random);
        std::vector<float> u(19, 1.0f), v(19, 1.0f);
        const std::size_t at = trial % 19;
        u[at] = static_cast<float>(least * std::cos(angle));
        v[at] = static_cast<float>(least * std::sin(angle));
        const double x = u[at], y = v[at];
        const bool expected = std::floor(0.5 * std::log10(2.0 / (x * x + y * y))) > 30.0;
        const bool told = loading::ImplausibleSpeeds(u.data(), v.data(), 19, "f.vtk").has_value();
        EXPECT_EQ(told, expected) << x << ", " << y;
        warned += told;
    }
    EXPECT_GT(warned, 100);
    EXPECT_LT(warned, 300);
}

// A UTM-like grid (y about 5.4e6, 2 m spacing) is drawn as the same grid near the origin would
// be: its floats cannot resolve a raster pixel where it lies, so the loader shifts it.
TEST(DataLoader, AGridFarFromTheOriginIsShiftedAndDrawnAsTheSameGridNearIt) {
    auto field = [](float x, float y) {
        return testsupport::NodeValues{1.0f + 0.01f * y, 0.3f * std::sin(0.05f * x), x, y};
    };
    std::vector<float> xs, ys, farXs, farYs;
    for (int i = 0; i < 40; ++i) xs.push_back(2.0f * static_cast<float>(i));
    for (int j = 0; j < 64; ++j) ys.push_back(2.0f * static_cast<float>(j));
    for (float x : xs) farXs.push_back(500000.0f + x);
    for (float y : ys) farYs.push_back(5400000.0f + y);
    DataSetArrays nearData = MakeRectilinear(xs, ys, 1, field);
    DataSetArrays farData = MakeRectilinear(farXs, farYs, 1, field);
    const auto nodes = static_cast<std::size_t>(nearData.NodeCount());
    std::copy_n(nearData.u.get(), nodes, farData.u.get());
    std::copy_n(nearData.v.get(), nodes, farData.v.get());

    TempDir dir;
    SceneFixture nearScene, farScene;
    for (SceneFixture* f : {&nearScene, &farScene}) f->scene.SetFixedSeed(5);
    nearScene.scene.OpenDataSet(WriteDataSet(dir, "near", nearData));
    farScene.scene.OpenDataSet(WriteDataSet(dir, "far", farData));
    ASSERT_TRUE(nearScene.scene.HasDataSet() && farScene.scene.HasDataSet());
    EXPECT_FALSE(nearScene.scene.Origin().Shifted());
    EXPECT_EQ(farScene.scene.Origin().x, 500000.0);
    EXPECT_EQ(farScene.scene.Origin().y, 5400000.0);
    EXPECT_EQ(farScene.scene.m_fScaleX, nearScene.scene.m_fScaleX);
    EXPECT_EQ(std::memcmp(farScene.scene.m_pRasterU.get(), nearScene.scene.m_pRasterU.get(),
                          kRasterSize * sizeof(float)),
              0);
    ASSERT_EQ(farScene.scene.GetStreamlineCount(), nearScene.scene.GetStreamlineCount());
    ASSERT_GT(nearScene.scene.GetStreamlineCount(), 5u);
    for (std::size_t i = 0; i < nearScene.scene.GetStreamlineCount(); ++i) {
        const Streamline& a = nearScene.scene.StreamlineAt(i);
        const Streamline& b = farScene.scene.StreamlineAt(i);
        ASSERT_EQ(a.GetCount(), b.GetCount());
        EXPECT_EQ(std::memcmp(a.Data(), b.Data(), a.GetCount() * sizeof(PixelPoint)), 0);
    }
    EXPECT_EQ(farScene.scene.Origin().ShownY(farScene.scene.m_pNodes[40].y), 5400002.0);
}

TEST(DataLoader, ACornerThatIsNotFiniteIsRejected) {
    TempDir dir;
    for (std::size_t corner : {std::size_t{0}, std::size_t{3}, std::size_t{8}, std::size_t{11}}) {
        DataSetArrays data = TenByTwenty();
        data.nodes[corner].y =
            corner == 11 ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
        SceneFixture f;
        EXPECT_FALSE(f.scene.LoadDataSet(WriteDataSet(dir, "c" + std::to_string(corner), data))) << corner;
        ExpectEmpty(f.scene);
        ASSERT_EQ(f.reporter.entries.size(), 1u);
        EXPECT_EQ(f.reporter.entries[0].caption, "LOADING ERROR");
    }
}
