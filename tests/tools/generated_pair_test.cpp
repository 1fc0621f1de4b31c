// Generated data sets through the writer and back through the viewer's loader.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>

#include "common/target_file.h"
#include "formats/gri_writer.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

using testsupport::ReadBytes;
using testsupport::SceneFixture;
using testsupport::TempDir;

TEST(GeneratedPair, EveryFlowLoadsWithTheRequestedCountsAndValues) {
    TempDir dir;
    for (const std::string& name : FlowNames()) {
        const DataSetArrays data = MakeFlow(name, 23, 37, 3, 1.5f);
        const std::string path = dir.File(name + ".gri");
        std::string error;
        ASSERT_TRUE(formats::WriteGriPair(path, data, &error)) << error;
        EXPECT_EQ(std::filesystem::file_size(path), 40u + 12u * 23u * 37u * 3u);
        EXPECT_EQ(std::filesystem::file_size(dir.File(name + ".00000.dat")), 20u * 23u * 37u * 3u);

        SceneFixture f;
        ASSERT_TRUE(f.scene.LoadDataSet(path)) << name;
        EXPECT_TRUE(f.reporter.entries.empty());
        EXPECT_EQ(f.scene.m_ni, 23);
        EXPECT_EQ(f.scene.m_nj, 37);
        EXPECT_EQ(f.scene.m_nk, 3);
        const FlowDomain& d = FindFlow(name)->domain;
        EXPECT_FLOAT_EQ(f.scene.m_fExtentX, static_cast<float>(d.x1 - d.x0));
        EXPECT_FLOAT_EQ(f.scene.m_fExtentY, static_cast<float>(d.y1 - d.y0));
        for (std::size_t n = 0; n < 23u * 37u * 3u; ++n) {
            ASSERT_EQ(f.scene.m_pNodes[n], data.nodes[n]) << name << " node " << n;
            ASSERT_EQ(f.scene.m_pU[n], data.u[n]);
            ASSERT_EQ(f.scene.m_pV[n], data.v[n]);
            ASSERT_EQ(f.scene.m_pP[n], data.p[n]);
            ASSERT_EQ(f.scene.m_pW[n], data.w[n]);
        }
    }
}

// A failed write must not destroy the pair it was meant to replace, nor leave anything behind.
TEST(GeneratedPair, FailedWriteLeavesAnEarlierPairIntact) {
    TempDir dir;
    const std::string path = dir.File("flow.gri");
    std::string error;
    ASSERT_TRUE(formats::WriteGriPair(path, MakeFlow("saddle", 5, 7, 1, 0.0f), &error)) << error;
    const std::string geometry = ReadBytes(path), solution = ReadBytes(dir.File("flow.00000.dat"));

    // A full disk, as far as this process can tell: the geometry file (1012 bytes) fits under
    // the limit, its solution file (1620 bytes) does not.
    common::RemoveTemporariesOnInterrupt();  // a write beyond the limit fails instead of ending the test
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1500;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = formats::WriteGriPair(path, MakeFlow("rotation", 9, 9, 1, 0.0f), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("flow.00000.dat"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(path), geometry);
    EXPECT_EQ(ReadBytes(dir.File("flow.00000.dat")), solution);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
        << "no temporary file left";

    EXPECT_FALSE(
        formats::WriteGriPair(dir.File("missing/flow.gri"), MakeFlow("saddle", 5, 7, 1, 0.0f), &error));
    EXPECT_NE(error.find("missing/flow.gri"), std::string::npos) << error;

    DataSetArrays mismatched = MakeFlow("saddle", 5, 7, 1, 0.0f);
    mismatched.w.reset();
    EXPECT_FALSE(formats::WriteGriPair(dir.File("bad.gri"), mismatched, &error));
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.gri")));
}

}  // namespace
