#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/base64.h"
#include "formats/vtk_xml_reader.h"
#include "tests/formats/vtk_fixtures.h"

namespace {

using formatstest::Contains;
using formatstest::Read;
using formatstest::VtkFixture;

class VtkXml : public ::testing::TestWithParam<VtkFixture> {};

TEST_P(VtkXml, HoldsTheFieldsItWasWrittenFrom) {
    formatstest::ExpectFixture(GetParam());
}

// Every encoding VTK's XML writers have, each for an image and a rectilinear grid; see
// data/make_vtk_files.py for which file holds what.
std::vector<VtkFixture> XmlFixtures() {
    std::vector<VtkFixture> all;
    struct Kind {
        const char* ext;
        std::int64_t ni, nj;
        int maskNode;
    };
    static std::vector<std::string> names;
    for (const Kind& k : {Kind{".vti", 5, 4, 3}, Kind{".vtr", 6, 5, 3}}) {
        for (const char* base :
             {"ascii", "binary_u32_f32", "binary_zlib_u64_f64", "appended_raw_u64_f32",
              "appended_raw_zlib_u32_f64", "appended_b64_u32_f64", "appended_b64_zlib_u64_f32"})
            names.push_back(std::string(base) + k.ext);
    }
    for (std::size_t n = 0; n < names.size(); ++n) {
        const bool image = names[n].ends_with(".vti");
        const std::string& s = names[n];
        const bool vorticity = s.starts_with("binary_zlib") || s.starts_with("appended_b64_zlib");
        const int mask = s.starts_with("appended_b64_u32") ? 3 : -1;
        all.push_back({names[n].c_str(), image ? 5 : 6, image ? 4 : 5, 1, vorticity, mask, 0});
    }
    all.push_back({"cells_zlib.vtr", 5, 4, 1, false, -1, 0});
    all.push_back({"big_endian_zlib_u64.vtr", 6, 5, 1, false, -1, 0});
    all.push_back({"volume_zlib.vti", 4, 3, 2, false, -1, 0.5});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Files, VtkXml, ::testing::ValuesIn(XmlFixtures()), [](const auto& p) {
    std::string name = p.param.name;
    for (char& c : name)
        if (c == '.') c = '_';
    return name;
});

TEST(VtkXml, Base64ReadsPaddingInsideTheText) {
    // "AQID" is 1 2 3; "BA==" is 4 on its own; white space anywhere.
    formats::Base64Reader r("AQ ID\nBA==BQY=");
    unsigned char b[6] = {};
    ASSERT_TRUE(r.Read(6, b));
    for (unsigned char i = 0; i < 6; ++i) EXPECT_EQ(b[i], i + 1);
    EXPECT_FALSE(r.Read(1, b));
    formats::Base64Reader bad("A*==");
    EXPECT_FALSE(bad.Read(1, b));
}

std::string Fixture(const char* name) {
    return testsupport::ReadBytes(formatstest::FixturePath(name));
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    const std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

TEST(VtkXml, BadFilesAreRejectedNamingTheLineOrByte) {
    const std::string raw = Fixture("appended_raw_zlib_u32_f64.vti");
    const std::string plain = Fixture("appended_raw_u64_f32.vti");
    const std::string ascii = Fixture("ascii.vtr");
    const std::size_t data = raw.find('_', raw.find("<AppendedData")) + 1;
    std::string corrupt = raw;
    corrupt[data + 24 + 4] ^= 0x5a;  // inside the first of the three compressed blocks of "p"
    std::string bigBlock = raw;
    bigBlock[data + 4] = '\x10';  // the block size: no longer what 20 doubles take
    std::string hugePlain = plain;
    const std::size_t plainData = plain.find('_', plain.find("<AppendedData")) + 1;
    hugePlain[plainData + 5] = '\x7f';  // the byte count in a UInt64 header
    struct Case {
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases{
        {corrupt, "byte " + std::to_string(data) + ": block 1 cannot be inflated"},
        {bigBlock, "byte " + std::to_string(data) +
                       ": the array's blocks (3 of 16 bytes) do not make the expected 160"},
        {hugePlain, "bytes, 80 are expected"},
        {raw.substr(0, raw.size() - 200), "the compressed blocks run past the end of the file"},
        {Replaced(raw, "vtkZLibDataCompressor", "vtkLZ4DataCompressor"),
         "compressed with \"vtkLZ4DataCompressor\"; zlib"},
        {Replaced(ascii, "type=\"RectilinearGrid\"", "type=\"PolyData\""),
         "line 2: the file holds \"PolyData\""},
        {Replaced(ascii, "-1 -1.2000000476837158", "-1 x"),
         "line 6: the array \"p\" holds \"x\", not a number"},
        {Replaced(ascii, "-1 -1.2000000476837158", "-1"), "the array \"p\" holds 29 values instead of 30"},
        {Replaced(ascii, "</DataArray>", "</Data>"), "the XML is malformed"},
        {Replaced(ascii, "</Piece>", "</Piece><Piece Extent=\"0 5 0 4 0 0\"></Piece>"), "several pieces"},
        {Replaced(plain, "encoding=\"raw\"", "encoding=\"hex\""),
         "unknown encoding of the appended data \"hex\""},
        {Replaced(plain, "offset=\"0\"", "offset=\"99999\""), "past the end of the file"},
        {Replaced(Fixture("ascii.vti"), "Direction=\"1 0 0 0 1 0 0 0 1\"", "Direction=\"0 1 0 1 0 0 0 0 1\""),
         "the image is rotated"},
        {Replaced(Fixture("ascii.vti"), "WholeExtent=\"0 4 0 3 0 0\"", "WholeExtent=\"0 4 0 3\""),
         "WholeExtent needs 6 numbers"},
        {Replaced(Fixture("ascii.vti"), "Extent=\"0 4 0 3 0 0\">", "Extent=\"0 99999 0 99999 0 0\">"),
         "the extent (Extent) is unusable"},
        {Replaced(Fixture("ascii.vti"), "WholeExtent=\"0 4 0 3 0 0\"", "WholeExtent=\"0 1e300 0 3 0 0\""),
         "WholeExtent needs whole numbers"},
        {Replaced(plain, "offset=\"0\"", "offset=\"1e300\""), "has no usable offset"},
        {"<?xml version=\"1.0\"?><Other/>", "not a VTK XML file"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string error = Read(c.text, "f.vti", d);
        EXPECT_TRUE(Contains(error, c.message)) << c.message << "\n-> " << error;
    }
}

TEST(VtkXml, NotesSayWhatWasRead) {
    DataSetArrays d;
    ASSERT_EQ(Read(Fixture("appended_b64_zlib_u64_f32.vtr"), "f.vtr", d), "");
    EXPECT_EQ(d.notes.format, "VTK XML RectilinearGrid, appended base64, zlib, point data");
    ASSERT_EQ(Read(Fixture("cells_zlib.vtr"), "f.vtr", d), "");
    EXPECT_EQ(d.notes.format, "VTK XML RectilinearGrid, appended raw, zlib, cell data");
}

}  // namespace
