#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/vtk_legacy_reader.h"
#include "tests/formats/vtk_fixtures.h"

namespace {

using formatstest::Contains;
using formatstest::Read;
using formatstest::VtkFixture;

class VtkLegacy : public ::testing::TestWithParam<VtkFixture> {};

TEST_P(VtkLegacy, HoldsTheFieldsItWasWrittenFrom) {
    formatstest::ExpectFixture(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Files, VtkLegacy,
                         ::testing::Values(VtkFixture{"points_ascii.vtk", 5, 4, 1, false, -1, 0},
                                           VtkFixture{"points_binary.vtk", 5, 4, 1, false, -1, 0},
                                           VtkFixture{"points_field.vtk", 4, 3, 2, true, -1, 0.5},
                                           VtkFixture{"rect_ascii.vtk", 6, 5, 1, false, -1, 0},
                                           VtkFixture{"rect_binary.vtk", 6, 5, 1, true, 7, 0},
                                           VtkFixture{"rect_binary_named.vtk", 6, 5, 1, false, -1, 0},
                                           VtkFixture{"rect_cells.vtk", 5, 4, 1, false, -1, 0}),
                         [](const auto& p) {
                             std::string name = p.param.name;
                             return name.substr(0, name.find('.'));
                         });

TEST(VtkLegacy, NotesSayWhatWasRead) {
    DataSetArrays d;
    const std::string path = formatstest::FixturePath("rect_cells.vtk");
    ASSERT_EQ(Read(testsupport::ReadBytes(path), path, d), "");
    EXPECT_EQ(d.notes.format, "VTK legacy RECTILINEAR_GRID, binary, cell data");
}

TEST(VtkLegacy, BadFilesAreRejectedNamingTheLineOrByte) {
    const std::string binary = testsupport::ReadBytes(formatstest::FixturePath("points_binary.vtk"));
    const std::string ascii = testsupport::ReadBytes(formatstest::FixturePath("points_ascii.vtk"));
    const std::string head = "# vtk DataFile Version 3.0\nt\nASCII\nDATASET STRUCTURED_POINTS\n";
    struct Case {
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases{
        {binary.substr(0, binary.size() - 100),
         "f.vtk, byte 360: 60 values are announced, more than the file holds"},
        {ascii.substr(0, ascii.size() - 40), "the file ends after"},
        {"# vtk DataFile\nt\nASCII\n", "line 1: the file does not begin with"},
        {"# vtk DataFile Version 3.0\nt\nTEXT\n", "neither ASCII nor BINARY"},
        {"# vtk DataFile Version 3.0\nt\nASCII\nDATASET FIELD\n", "line 4: the data set is \"FIELD\""},
        {head + "DIMENSIONS 2 2 1\nPOINT_DATA 5\n", "line 6: POINT_DATA gives 5 values, the grid has 4"},
        {head + "DIMENSIONS 40000 40000 1\n", "more than 33554432 points"},
        {head + "DIMENSIONS 2 nan 1\n", "DIMENSIONS: \"nan\" is not a usable count"},
        {head + "DIMENSIONS 2 2 1\nPOINT_DATA 4\nVECTORS v float\n1 2 3\n",
         "line 7: 12 values are announced, more than"},
        {head + "DIMENSIONS 2 2 1\nPOINT_DATA 4\nVECTORS v float\n1.000 2.000 3.000 4.000\n",
         "line 9: the file ends after 4 of 12"},
        {head + "DIMENSIONS 2 2 1\nPOINT_DATA 4\nVECTORS v float128\n", "unknown data type \"float128\""},
        {head + "DIMENSIONS 2 2 1\nPOINT_DATA 4\nSCALARS p float\nLOOKUP_TABLE default\n1 2 3 4\n",
         "no velocity found"},
        {head + "DIMENSIONS 2 2 1\nSPACING 0 1 1\nPOINT_DATA 4\nVECTORS v float\n1 2 3 1 2 3 1 2 3 1 2 3\n",
         "the spacing (SPACING) is 0"},
        {head + "POINT_DATA 4\n", "DIMENSIONS is missing"},
        {"# vtk DataFile Version 3.0\nt\nASCII\nDATASET RECTILINEAR_GRID\nDIMENSIONS 2 2 1\nX_COORDINATES 2 "
         "float\n0 1\n"
         "Y_COORDINATES 2 float\n0 0\nZ_COORDINATES 1 float\n0\nPOINT_DATA 4\nVECTORS v float\n1 2 3 1 2 3 1 "
         "2 3 1 2 3\n",
         "the y coordinates do not run one way"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string error = Read(c.text, "f.vtk", d);
        EXPECT_TRUE(Contains(error, c.message)) << c.text.substr(0, 200) << "\n-> " << error;
    }
}

}  // namespace
