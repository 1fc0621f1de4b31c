// The two PIV exports in tests/data/realdata/sources, opened directly, against the data sets
// they were converted into by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "formats/format_reader.h"
#include "tests/support/test_support.h"

namespace {

struct Expected {
    const char* source;
    const char* converted;
    std::int64_t invalid;
    // Vectors the converted set holds as zero and the source, read now, with their values:
    // OpenPIV's mask marks its interpolated replacements, which keep their values.
    int kept;
};

class RealData : public ::testing::TestWithParam<Expected> {};

// The converted sets took every zero vector as missing for the vorticity and derived the rest
// as this reader does; their pressure is a placeholder, so the reader's own (none) is not
// compared.
TEST_P(RealData, OpeningTheSourceGivesTheConvertedSet) {
    const Expected& e = GetParam();
    testsupport::SceneFixture converted;
    ASSERT_TRUE(converted.scene.LoadDataSet(std::string(TESMORA_REALDATA "/") + e.converted));
    const FlowScene& c = converted.scene;

    formats::FormatReader reader;
    testsupport::SceneFixture direct;
    direct.scene.SetDataSetReader(&reader);
    ASSERT_TRUE(direct.scene.LoadDataSet(std::string(TESMORA_REALDATA "/sources/") + e.source));
    const FlowScene& d = direct.scene;
    ASSERT_EQ(d.m_ni, c.m_ni);
    ASSERT_EQ(d.m_nj, c.m_nj);
    ASSERT_EQ(d.m_nk, 1);
    EXPECT_EQ(d.Notes().invalidNodes, e.invalid);
    EXPECT_TRUE(d.Notes().pressureMissing);
    EXPECT_TRUE(d.Notes().vorticityComputed);
    EXPECT_EQ(d.m_fScaleX, c.m_fScaleX);
    EXPECT_EQ(d.m_fScaleY, c.m_fScaleY);

    const int ni = c.m_ni, nj = c.m_nj;
    auto zero = [&](int i, int j) {
        const auto n = static_cast<std::size_t>(j * ni + i);
        return c.m_pU[n] == 0.0f && c.m_pV[n] == 0.0f;
    };
    int compared = 0, kept = 0;
    for (int j = 0; j < nj; ++j)
        for (int i = 0; i < ni; ++i) {
            const auto n = static_cast<std::size_t>(j * ni + i);
            ASSERT_EQ(d.m_pNodes[n].x, c.m_pNodes[n].x) << i << ", " << j;
            ASSERT_EQ(d.m_pNodes[n].y, c.m_pNodes[n].y) << i << ", " << j;
            if (zero(i, j) && (d.m_pU[n] != 0.0f || d.m_pV[n] != 0.0f)) {
                ++kept;
            } else {
                EXPECT_EQ(d.m_pU[n], c.m_pU[n]) << i << ", " << j;
                EXPECT_EQ(d.m_pV[n], c.m_pV[n]) << i << ", " << j;
            }
            EXPECT_EQ(d.m_pP[n], 0.0f);
            // Where neither the node nor a neighbour its differences read is a zero vector, the
            // two ways of deriving the vorticity are the same.
            bool clean = !zero(i, j);
            for (int di : {-1, 1}) clean = clean && (i + di < 0 || i + di >= ni || !zero(i + di, j));
            for (int dj : {-1, 1}) clean = clean && (j + dj < 0 || j + dj >= nj || !zero(i, j + dj));
            if (!clean) continue;
            EXPECT_NEAR(d.m_pW[n], c.m_pW[n], 1e-6 * std::max(1.0f, std::fabs(c.m_pW[n]))) << i << ", " << j;
            ++compared;
        }
    EXPECT_GT(compared, ni * nj * 3 / 4);
    EXPECT_EQ(kept, e.kept);
}

INSTANTIATE_TEST_SUITE_P(Sources, RealData,
                         ::testing::Values(Expected{"karman_field_A000.txt", "karman_piv.gri", 0, 600},
                                           Expected{"soapfilm_Run000001.vec", "soapfilm_piv.gri", 353, 0}),
                         [](const auto& p) {
                             const std::string s = p.param.converted;
                             return s.substr(0, s.find('_'));
                         });

}  // namespace
