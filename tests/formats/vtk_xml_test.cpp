#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/memory_budget.h"
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
    // Block sizes that add up past 2^64 (data/make_wrapping_blocks.py): 2^64 - 8 and 16, and
    // 2^62 and 2^64 - 2^62 + 8, each pair wrapping round to 8.
    const std::string wrapping = Fixture("wrapping_block_sizes.vti");
    std::string wrappingToAllocatable = wrapping;
    const std::size_t sizes = wrapping.find('_', wrapping.find("<AppendedData")) + 1 + 24;
    for (int b = 0; b < 8; ++b) {
        const auto shift = static_cast<unsigned>(8 * b);
        wrappingToAllocatable[sizes + static_cast<std::size_t>(b)] = static_cast<char>((1ull << 62) >> shift);
        wrappingToAllocatable[sizes + 8 + static_cast<std::size_t>(b)] =
            static_cast<char>((0ull - (1ull << 62) + 8) >> shift);
    }
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
        {wrapping, "the compressed blocks run past the end of the file"},
        {wrappingToAllocatable, "the compressed blocks run past the end of the file"},
        {Replaced(raw, "vtkZLibDataCompressor", "vtkLZ4DataCompressor"),
         "compressed with \"vtkLZ4DataCompressor\"; zlib"},
        {Replaced(ascii, "type=\"RectilinearGrid\"", "type=\"HyperTreeGrid\""),
         "line 2: the file holds \"HyperTreeGrid\""},
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
        {Replaced(Fixture("ascii.vti"), "WholeExtent=\"0 4 0 3 0 0\"", "WholeExtent=\"0 4.5 0 3 0 0\""),
         "WholeExtent needs whole numbers"},
        {Replaced(Fixture("ascii.vti"), "WholeExtent=\"0 4 0 3 0 0\"",
                  "WholeExtent=\"0 2147483648 0 3 0 0\""),
         "WholeExtent holds 2147483648, beyond the largest index 2147483647"},
        {Replaced(ascii, "<Piece Extent=\"0 5 0 4 0 0\">", "<Coordinates/><Piece Extent=\"0 5 0 4 0 0\">"),
         "data stands outside a piece"},
        {Replaced(plain, "offset=\"0\"", "offset=\"1e300\""), "has no usable offset"},
        {"<?xml version=\"1.0\"?><Other/>", "not a VTK XML file"},
        {Replaced(Fixture("ascii.vti"), "Spacing=", "Note=\"" + std::string(70000, 'x') + "\" Spacing="),
         "a tag of the XML is longer than 65536 bytes"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string error = Read(c.text, "f.vti", d);
        EXPECT_TRUE(Contains(error, c.message)) << c.message << "\n-> " << error;
    }
}

// The words of a compressed array's header (blocks, block size, last block's size, two
// compressed sizes) at the bounds a file may push them to, two at a time: every combination is
// read or rejected with a message, and nothing else leaves the reader.
TEST(VtkXml, HeaderWordsAtTheirBoundsAreReadOrRejected) {
    const std::string wrapping = Fixture("wrapping_block_sizes.vti");
    const std::size_t header = wrapping.find('_', wrapping.find("<AppendedData")) + 1;
    const std::uint64_t bounds[] = {0,          1,          16,          32,         0x7fffffff,
                                    0x80000000, 0xffffffff, 0x100000000, 1ull << 62, ~0ull >> 1,
                                    1ull << 63, ~0ull - 7,  ~0ull};
    int rejected = 0;
    for (std::size_t word = 0; word < 5; ++word)
        for (const std::uint64_t a : bounds)
            for (const std::uint64_t b : bounds) {
                std::string file = wrapping;
                for (std::size_t byte = 0; byte < 8; ++byte) {
                    file[header + 8 * word + byte] = static_cast<char>(a >> (8 * byte));
                    file[header + 8 * ((word + 1) % 5) + byte] = static_cast<char>(b >> (8 * byte));
                }
                DataSetArrays d;
                rejected += Read(file, "f.vti", d).empty() ? 0 : 1;
            }
    EXPECT_EQ(rejected, 5 * 13 * 13);
}

// An array's text is read where it stands in the file, unless a comment or an entity is in it
// and the XML parser reads it: the values are the same either way.
TEST(VtkXml, ArrayTextWithACommentOrAnEntityReadsTheSame) {
    const std::string ascii = Fixture("ascii.vti");
    DataSetArrays plain;
    ASSERT_EQ(Read(ascii, "f.vti", plain), "");
    for (const char* inside : {"-1.5 <!-- between -->-1.25 -1", "&#45;1.5 -1.25 -1"}) {
        DataSetArrays d;
        ASSERT_EQ(Read(Replaced(ascii, "-1.5 -1.25 -1", inside), "f.vti", d), "") << inside;
        for (std::size_t n = 0; n < static_cast<std::size_t>(plain.NodeCount()); ++n) {
            EXPECT_EQ(d.p[n], plain.p[n]) << inside << ", node " << n;
            EXPECT_EQ(d.u[n], plain.u[n]) << inside << ", node " << n;
        }
    }
}

// What an array declares is asked of the machine before it is read: zlib packs a gigabyte of
// zeros into a megabyte.
TEST(VtkXml, ArraysLargerThanTheMemoryLeftAreRejectedBeforeTheyAreRead) {
    SetAvailableMemoryForTesting(64);
    for (const char* name :
         {"appended_raw_zlib_u32_f64.vti", "binary_u32_f32.vtr", "ascii.vti", "rect_binary.vtk"}) {
        DataSetArrays d;
        EXPECT_TRUE(Contains(Read(Fixture(name), name, d), "not enough memory for")) << name;
    }
    SetAvailableMemoryForTesting(std::nullopt);
}

TEST(VtkXml, NotesSayWhatWasRead) {
    DataSetArrays d;
    ASSERT_EQ(Read(Fixture("appended_b64_zlib_u64_f32.vtr"), "f.vtr", d), "");
    EXPECT_EQ(d.notes.format, "VTK XML RectilinearGrid, appended base64, zlib, point data");
    ASSERT_EQ(Read(Fixture("cells_zlib.vtr"), "f.vtr", d), "");
    EXPECT_EQ(d.notes.format, "VTK XML RectilinearGrid, appended raw, zlib, cell data");
}

}  // namespace
