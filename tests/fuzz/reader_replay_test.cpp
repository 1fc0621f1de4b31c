// Replays the readers' seed corpora (corpus/<reader>/) through the path their fuzzers take, in
// the normal and the sanitizer build: every ok_ file gives a data set the scene takes, every
// bad_ file is rejected with a message, and nothing ends in between.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/column_text_reader.h"
#include "formats/mat_reader.h"
#include "formats/netcdf_reader.h"
#include "formats/tecplot_reader.h"
#include "formats/vtk_legacy_reader.h"
#include "formats/vtk_xml_reader.h"
#include "tests/fuzz/reader_fuzz_case.h"
#include "tests/support/test_support.h"

namespace {

struct Corpus {
    const char* folder;
    ReaderFunction reader;
};

class ReaderCorpus : public ::testing::TestWithParam<Corpus> {};

TEST_P(ReaderCorpus, OkFilesReadAndBadFilesAreRejected) {
    const std::filesystem::path folder = std::filesystem::path(TESMORA_FUZZ_CORPUS) / GetParam().folder;
    int ok = 0, bad = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const ReaderOutcome outcome =
            RunReader(GetParam().reader, testsupport::ReadBytes(entry.path().string()), name);
        EXPECT_TRUE(outcome.consistent) << name;
        if (name.starts_with("ok_")) {
            EXPECT_TRUE(outcome.read) << name << ": " << outcome.message;
            ++ok;
        } else {
            EXPECT_FALSE(outcome.read) << name;
            EXPECT_NE(outcome.message.find(name), std::string::npos) << name << ": " << outcome.message;
            ++bad;
        }
    }
    EXPECT_GE(ok, 2);
    EXPECT_GE(bad, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, ReaderCorpus,
    ::testing::Values(Corpus{"column_text", formats::ReadColumnText}, Corpus{"tecplot", formats::ReadTecplot},
                      Corpus{"vtk_legacy", formats::ReadVtkLegacy}, Corpus{"vtk_xml", formats::ReadVtkXml},
                      Corpus{"mat", formats::ReadMat}, Corpus{"netcdf", formats::ReadNetcdf}),
    [](const auto& p) { return std::string(p.param.folder); });

}  // namespace
