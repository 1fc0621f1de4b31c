// Replays the fuzzer's seed corpus through the same path the fuzzer takes, in the normal and
// the sanitizer build: every valid case ends Loaded, every near miss Empty, and nothing in
// between.
#include <gtest/gtest.h>

#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/seed_corpus.h"
#include "tests/support/test_support.h"

namespace {

TEST(FuzzInput, EncodingRoundTrips) {
    FuzzCase c;
    c.settings.dsep = 17;
    c.settings.dtestPercent = 30;
    c.settings.method = 3;
    c.settings.background = 2;
    c.settings.hedgehog = true;
    c.settings.arrowsBySpeed = true;
    c.settings.stepPixels = kStepPixelsOn;
    c.clickX = 349;
    c.clickY = 559;
    c.geometry = "SN4DB 2 2 1";
    c.solution = std::string(5, '\x7f');
    const std::string bytes = EncodeFuzzInput(c);
    const FuzzCase d = DecodeFuzzInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(d.settings.dsep, 17);
    EXPECT_EQ(d.settings.dtestPercent, 30);
    EXPECT_EQ(d.settings.method, 3);
    EXPECT_EQ(d.settings.background, 2);
    EXPECT_TRUE(d.settings.hedgehog);
    EXPECT_TRUE(d.settings.arrowsBySpeed);
    EXPECT_EQ(d.settings.stepPixels, kStepPixelsOn);
    EXPECT_EQ(d.clickX, 349);
    EXPECT_EQ(d.clickY, 559);
    EXPECT_EQ(d.geometry, c.geometry);
    EXPECT_EQ(d.solution, c.solution);
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
