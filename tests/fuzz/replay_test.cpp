// Replays the fuzzer's seed corpus through the same path the fuzzer takes, in the normal and
// the sanitizer build: every valid case ends Loaded, every near miss Empty, and nothing in
// between.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "base/settings_table.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/seed_corpus.h"
#include "tests/support/test_support.h"

namespace {

// Every setting reaches the fuzzer: a case's settings, drawn at random over the values the
// decoder can give, come back from their bytes, and each field takes more than one value
// across the cases.
TEST(FuzzInput, EncodingRoundTripsAndReachesEverySetting) {
    ASSERT_LE(FuzzSettingBits(), 47);
    std::mt19937 random(5);
    std::vector<std::set<std::string>> seen(settings::Table().size());
    for (int i = 0; i < 300; ++i) {
        std::string head(12, '\0');
        for (char& b : head) b = static_cast<char>(random());
        FuzzCase c = DecodeFuzzInput(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
        c.geometry = "SN4DB 2 2 1";
        c.solution = std::string(5, '\x7f');
        const std::string bytes = EncodeFuzzInput(c);
        const FuzzCase d = DecodeFuzzInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        // As the program reads them: a placement none of the words names places as the standard one.
        for (const settings::Row& row : settings::Table())
            EXPECT_EQ(settings::ValueText(row, d.settings), settings::ValueText(row, c.settings)) << row.name;
        // Small, so that a case costs a small placement.
        const PictureSize& size = d.settings.size;
        EXPECT_LE(size.IsAuto() ? size.autoLongSide : std::max(size.width, size.height), 95);
        EXPECT_EQ(d.drawAfterOpen, c.drawAfterOpen);
        EXPECT_EQ(d.clickX, c.clickX);
        EXPECT_EQ(d.clickY, c.clickY);
        EXPECT_EQ(d.geometry, c.geometry);
        EXPECT_EQ(d.solution, c.solution);
        std::size_t k = 0;
        for (const settings::Row& row : settings::Table())
            seen[k++].insert(settings::ValueText(row, d.settings));
    }
    std::size_t k = 0;
    // Figure settings stay at their defaults: reading and placing do not depend on them; nor
    // does the plane of the fuzzer's 2-D data sets.
    for (const settings::Row& row : settings::Table())
        EXPECT_EQ(seen[k++].size() > 1u, !settings::ListedOnlyWhenSet(row)) << row.name;
    // A method none of the choices names is given, and integrates as RK2 does.
    FuzzCase odd;
    odd.settings.method = 3;
    const std::string bytes = EncodeFuzzInput(odd);
    EXPECT_EQ(
        DecodeFuzzInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()).settings.method,
        3);
}

TEST(FuzzInput, ShortInputsDecodeToSomethingRunnable) {
    testsupport::TempDir dir;
    for (std::size_t size = 0; size < 14; ++size) {
        const std::string bytes(size, '\xff');
        const FuzzCase c = DecodeFuzzInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), size);
        EXPECT_GE(c.settings.dsep, kDSepMin);
        EXPECT_LE(c.settings.dsep, kDSepMax);
        EXPECT_EQ(c.geometry.size() + c.solution.size(), size > 12 ? size - 12 : 0);
        const FuzzOutcome outcome = RunFuzzCase(c, dir.Path().string());
        EXPECT_FALSE(outcome.loaded);
        EXPECT_TRUE(outcome.consistent);
    }
}

class SeedCorpusReplay : public ::testing::TestWithParam<SeedCase> {};

TEST_P(SeedCorpusReplay, EndsLoadedOrEmptyAsExpected) {
    const SeedCase& c = GetParam();
    testsupport::TempDir dir;
    const std::string bytes = EncodeFuzzInput(c.input);
    const FuzzOutcome outcome =
        RunFuzzCase(DecodeFuzzInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                    dir.Path().string());
    EXPECT_EQ(outcome.loaded, c.shouldLoad);
    EXPECT_TRUE(outcome.consistent);
    if (!outcome.loaded) {
        EXPECT_EQ(outcome.clickPoints, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, SeedCorpusReplay, ::testing::ValuesIn(SeedCorpus()),
                         [](const auto& p) { return p.param.name; });

}  // namespace
