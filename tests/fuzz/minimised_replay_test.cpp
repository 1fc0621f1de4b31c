// Replays what the fuzz campaigns found (tests/fuzz/minimised/TARGET, minimised by
// scripts/fuzz --merge) through the path each fuzzer takes, in the normal and the sanitizer
// build: whatever the input, the program ends with a data set or with nothing, never between.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "formats/column_text_reader.h"
#include "formats/mat_reader.h"
#include "formats/netcdf_reader.h"
#include "formats/tecplot_reader.h"
#include "formats/vtk_legacy_reader.h"
#include "formats/vtk_xml_reader.h"
#include "scene/header_parser.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/python_arrays_case.h"
#include "tests/fuzz/reader_fuzz_case.h"
#include "tests/support/test_support.h"

namespace {

bool Consistent(const FuzzOutcome& outcome) {
    return outcome.consistent;
}

FuzzCase Decoded(const std::string& bytes) {
    return DecodeFuzzInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

ReaderFunction ReaderOf(const std::string& name) {
    if (name == "column_text") return formats::ReadColumnText;
    if (name == "tecplot") return formats::ReadTecplot;
    if (name == "vtk_legacy") return formats::ReadVtkLegacy;
    if (name == "mat") return formats::ReadMat;
    if (name == "netcdf") return formats::ReadNetcdf;
    return formats::ReadVtkXml;
}

class Minimised : public ::testing::TestWithParam<const char*> {};

TEST_P(Minimised, EveryFoundInputEndsLoadedOrEmpty) {
    const std::string target = GetParam();
    const std::filesystem::path folder = std::filesystem::path(TESMORA_FUZZ_MINIMISED) / target;
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no campaign has run for " << target;
    testsupport::TempDir dir;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string bytes = testsupport::ReadBytes(entry.path().string());
        const std::string name = entry.path().filename().string();
        ++inputs;
        if (target == "header") {
            (void)ParseGeometryHeader(bytes);
        } else if (target == "loader") {
            EXPECT_TRUE(Consistent(RunLoaderCase(Decoded(bytes), dir.Path().string()))) << name;
        } else if (target == "load") {
            const FuzzCase c = Decoded(bytes);
            if (PromisedNodes(c) <= 400) {
                EXPECT_TRUE(Consistent(RunFuzzCase(c, dir.Path().string()))) << name;
            }
        } else if (target == "python_arrays") {
            EXPECT_TRUE(
                RunArraysCase(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()).consistent)
                << name;
        } else {
            // The library readers take the format from the name, as the fuzzers give it.
            const std::string file = target == "mat" ? "fuzz.mat" : target == "netcdf" ? "fuzz.nc" : name;
            EXPECT_TRUE(RunReader(ReaderOf(target), bytes, file).consistent) << name;
        }
    }
    if (inputs == 0) GTEST_SKIP() << "no campaign has found anything for " << target;
}

INSTANTIATE_TEST_SUITE_P(Campaigns, Minimised,
                         ::testing::Values("header", "loader", "load", "column_text", "tecplot", "vtk_legacy",
                                           "vtk_xml", "mat", "netcdf", "python_arrays"));

// The Python module's seeds reach both ends of its path: some place lines, some are refused
// with a message, and every one ends consistent.
TEST(PythonArraysSeeds, SomePlaceAndSomeAreRefused) {
    const std::filesystem::path folder = std::filesystem::path(TESMORA_FUZZ_CORPUS) / "python_arrays";
    int placed = 0, refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string bytes = testsupport::ReadBytes(entry.path().string());
        const ArraysOutcome out =
            RunArraysCase(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        EXPECT_TRUE(out.consistent) << entry.path().filename();
        placed += out.lines > 0;
        refused += !out.error.empty();
    }
    EXPECT_GE(placed, 2);
    EXPECT_GE(refused, 3);
}

}  // namespace
