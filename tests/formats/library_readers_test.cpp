// The readers that go through a library which opens files by name: PIVlab's MATLAB files
// (matio) and netCDF files (the netCDF library), on fixtures the libraries' own writers made
// (data/make_pivlab_mat.py, data/make_netcdf.py).
#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formats/format_reader.h"
#include "formats/mat_reader.h"
#include "formats/mat_walk.h"
#include "formats/netcdf_classic_header.h"
#include "formats/netcdf_reader.h"
#include "formats/read_error.h"
#include "tests/formats/formats_test_support.h"
#include "tests/support/test_support.h"

namespace {

using formatstest::Contains;

std::string Fixture(const std::string& name) {
    return std::string(TESMORA_FORMATS_DATA) + "/" + name;
}

// Every valid node holds the analytic velocity (x + 2y + SHIFT, 3x - y) of its coordinates;
// the invalid ones, exactly those at INVALID (x, y), hold 0.
void ExpectField(const DataSetArrays& d, std::int64_t ni, std::int64_t nj,
                 const std::vector<std::pair<float, float>>& invalid, double shift = 0) {
    ASSERT_TRUE(d.nodes && d.u && d.v && d.p && d.w);
    ASSERT_EQ(d.ni, ni);
    ASSERT_EQ(d.nj, nj);
    ASSERT_EQ(d.nk, 1);
    EXPECT_EQ(d.notes.invalidNodes, static_cast<std::int64_t>(invalid.size()));
    for (std::int64_t n = 0; n < d.NodeCount(); ++n) {
        const auto at = static_cast<std::size_t>(n);
        const double x = d.nodes[at].x, y = d.nodes[at].y;
        bool bad = false;
        for (const auto& [ix, iy] : invalid) bad = bad || (ix == d.nodes[at].x && iy == d.nodes[at].y);
        EXPECT_EQ(!d.notes.invalid.empty() && d.notes.invalid[at], bad) << x << "," << y;
        EXPECT_NEAR(d.u[at], bad ? 0.0 : x + 2 * y + shift, 1e-4) << x << "," << y;
        EXPECT_NEAR(d.v[at], bad ? 0.0 : 3 * x - y, 1e-4) << x << "," << y;
    }
}

std::string Labels(const DataSetArrays& d) {
    std::string text;
    for (const FieldLabel* l : {&d.notes.x, &d.notes.y, &d.notes.u, &d.notes.v})
        text += l->name + "/" + l->unit + ";";
    return text;
}

// PIVlab's series: filtered vectors chosen over the empty smoothed cells, the first of three
// frames; a NaN and a masked (typevector 0) vector invalid, a replaced one (2) kept.
TEST(MatReader, ReadsPivlabResultsAsPivlabSavesThem) {
    DataSetArrays d;
    formats::ReadMatFile(Fixture("mat/pivlab_frames.mat"), "f.mat", d);
    ExpectField(d, 9, 7, {{48, 32}, {96, 80}});
    EXPECT_EQ(d.nodes[0].x, 16);
    EXPECT_EQ(d.nodes[0].y, 16);
    EXPECT_EQ(d.notes.format, "PIVlab MAT-file 5, u_filtered and v_filtered, frame 1 of 3");
    EXPECT_EQ(Labels(d), "x/px;y/px;u_filtered/px/frame;v_filtered/px/frame;");
    EXPECT_TRUE(d.notes.pressureMissing);

    // One pair's results as plain matrices: the original vectors, typevector's mask alone.
    formats::ReadMatFile(Fixture("mat/pivlab_single.mat"), "g.mat", d);
    ExpectField(d, 9, 7, {{96, 80}});
    EXPECT_EQ(d.notes.format, "PIVlab MAT-file 5, u_original and v_original");
    EXPECT_EQ(Labels(d), "x/;y/;u_original/;v_original/;");
}

// The three layouts: PIVview's components along data_type with y descending (netCDF-3), OpenPIV's
// 2-D x, y, u, v whose flagged and masked vectors keep their replacements (netCDF-4), and a CF
// series found by standard_name, its first frame (netCDF-3, 64-bit offsets). Fill values, NaN
// and values outside valid_range are invalid.
TEST(NetcdfReader, ReadsThePivLayoutsWithTheirUnitsAndMissingValues) {
    struct Case {
        const char* name;
        std::vector<std::pair<float, float>> invalid;
        const char* format;
        const char* labels;
    };
    for (const Case& c :
         std::vector<Case>{{"pivview.nc",
                            {{1.5f, 1.0f}},
                            "netCDF-3 classic, piv_data components",
                            "x/mm;y/mm;piv_data:0/m/s;piv_data:1/m/s;"},
                           {"openpiv.nc", {{3.0f, 2.0f}}, "netCDF-4, u and v", "x/mm;y/mm;u/m/s;v/m/s;"},
                           {"cf_series.nc",
                            {{3.5f, 0.0f}},
                            "netCDF-3 64-bit offset, U_field and V_field, frame 1 of 3 along time",
                            "x/mm;y/mm;U_field/m s-1;V_field/m s-1;"}}) {
        SCOPED_TRACE(c.name);
        DataSetArrays d;
        formats::ReadNetcdfFile(Fixture(std::string("netcdf/") + c.name), c.name, d);
        ExpectField(d, 8, 6, c.invalid);
        EXPECT_EQ(d.nodes[0].x, 0.0f);
        EXPECT_EQ(d.nodes[static_cast<std::size_t>(d.NodeCount() - 1)].y, 2.5f);
        EXPECT_EQ(d.notes.format, c.format);
        EXPECT_EQ(Labels(d), c.labels);
    }
}

// A series kept in one file is a series of frames, each read with its own values and marks
// (frame f's u is shifted by f; only frame 0 has invalid vectors); a file of one field lists
// no frames, and a frame past the last is refused.
TEST(LibraryReaders, EveryFrameOfASeriesInOneFileIsRead) {
    struct Case {
        const char* name;
        std::int64_t ni, nj;
        std::vector<std::pair<float, float>> invalidInFirst;
    };
    formats::FormatReader reader;
    for (const Case& c : std::vector<Case>{{"mat/pivlab_frames.mat", 9, 7, {{48, 32}, {96, 80}}},
                                           {"netcdf/cf_series.nc", 8, 6, {{3.5f, 0.0f}}}}) {
        SCOPED_TRACE(c.name);
        testsupport::CollectingReporter told;
        std::vector<Frame> frames;
        ASSERT_TRUE(reader.FramesIn(Fixture(c.name), frames, told));
        ASSERT_EQ(frames.size(), 3u);
        for (std::size_t k = 0; k < frames.size(); ++k) {
            DataSetArrays d;
            ASSERT_TRUE(reader.ReadFrame(frames[k], {}, d, told));
            ExpectField(d, c.ni, c.nj, k == 0 ? c.invalidInFirst : std::vector<std::pair<float, float>>{},
                        static_cast<double>(k));
            EXPECT_TRUE(Contains(d.notes.format, "frame " + std::to_string(k + 1) + " of 3"))
                << d.notes.format;
        }
        DataSetArrays d;
        EXPECT_FALSE(reader.ReadFrame(Frame(Fixture(c.name), "", 3), {}, d, told));
        ASSERT_FALSE(told.entries.empty());
        EXPECT_TRUE(Contains(told.entries.back().text, "kein Bild 4")) << told.entries.back().text;
        EXPECT_FALSE(d.u);
    }
    for (const char* single : {"mat/pivlab_single.mat", "netcdf/openpiv.nc"}) {
        testsupport::CollectingReporter told;
        std::vector<Frame> frames;
        EXPECT_TRUE(reader.FramesIn(Fixture(single), frames, told)) << single;
        EXPECT_TRUE(frames.empty()) << single;
    }
}

// Damaged and hostile files, each through the path the viewer takes for bytes: refused with a
// message naming the file, nothing held, nothing allocated for what a header only claims.
TEST(LibraryReaders, HostileFilesAreRefusedNamingTheFile) {
    const std::string single = testsupport::ReadBytes(Fixture("mat/pivlab_single.mat"));
    const std::string pivview = testsupport::ReadBytes(Fixture("netcdf/pivview.nc"));
    const std::string openpiv = testsupport::ReadBytes(Fixture("netcdf/openpiv.nc"));
    // MAT 5: the dimensions of a matrix sit 16 and 12 bytes before its name's tag's end.
    const auto patchDims = [&](const std::string& name, std::uint32_t rows, std::uint32_t cols) {
        std::string bytes = single;
        const std::size_t at = bytes.find(name) - 16;
        std::memcpy(bytes.data() + at, &rows, 4);
        std::memcpy(bytes.data() + at + 4, &cols, 4);
        return bytes;
    };
    // netCDF-3: the first dimension's length, big-endian, after "CDF\1", numrecs, the list's tag
    // and count, the name's length and the padded name "x".
    std::string hugeDim = pivview;
    hugeDim.replace(24, 4, std::string("\x7f\xff\xff\xff", 4));
    // The same dimension named with 300 bytes, which the library would copy into its callers'
    // buffers of 257.
    const std::string longName =
        pivview.substr(0, 16) + std::string("\0\0\x01\x2c", 4) + std::string(300, 'x') + pivview.substr(24);
    std::string noVelocity = pivview;
    noVelocity.replace(noVelocity.find("piv_data"), 8, "piv_date");
    struct Case {
        std::string bytes;
        std::string name;
        std::string message;
    };
    const std::vector<Case> cases{
        {single.substr(0, 400), "cut.mat",
         "cut.mat: this is not a MATLAB file that can be read: a MAT 5 element declares more than the file"},
        {"x y u v\n0 0 1 1\n", "text.mat", "text.mat: this is not a MATLAB file"},
        {patchDims("u_original", 9, 7), "shape.mat",
         "shape.mat: x is 7 \u00D7 9 but u_original is 9 \u00D7 7"},
        {patchDims("u_original", 1u << 30, 1u << 30), "huge.mat",
         "huge.mat: this is not a MATLAB file that can be read: a MAT 5 element declares more than the file"},
        {pivview.substr(0, 300), "cut.nc", "cut.nc: this is not a netCDF file that can be read"},
        {openpiv.substr(0, openpiv.size() / 2), "cut4.nc",
         "cut4.nc: this is not a netCDF file that can be read"},
        {hugeDim, "huge.nc", "huge.nc: this is not a netCDF file that can be read"},
        {pivview.substr(0, pivview.size() - 8), "short.nc",
         "short.nc: this is not a netCDF file that can be read: a variable's data lie past the end"},
        {longName, "long.nc",
         "long.nc: this is not a netCDF file that can be read: its header holds a name longer"},
        {noVelocity, "none.nc", "none.nc: no velocity found (the file has: \"x\", \"y\", \"piv_date\")"},
        {"CDF\x01" + std::string(60, '\xff'), "garbage.nc", "garbage.nc: this is not a netCDF file"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string message = formatstest::Read(c.bytes, c.name, d);
        EXPECT_TRUE(Contains(message, c.message)) << c.name << ": " << message;
    }
}

// A classic netCDF file's header is walked before the library takes it, which would allocate
// whatever a header promises and give fill values for data the file lacks: the whole file
// passes, cut inside its header or its variables' data it is refused, and once both are whole
// every cut passes on to the library. A netCDF-4 file is left to the library.
TEST(NetcdfReader, AHeaderCutAnywhereIsRefusedBeforeTheLibraryTakesIt) {
    testsupport::TempDir dir;
    const std::string path = dir.File("cut.nc");
    for (const char* name : {"netcdf/pivview.nc", "netcdf/cf_series.nc", "netcdf/openpiv.nc"}) {
        const std::string bytes = testsupport::ReadBytes(Fixture(name));
        const bool classic = bytes.starts_with("CDF");
        std::size_t headerEnd = 0;
        for (std::size_t n = 0; n <= bytes.size(); n += classic ? 1 : 997) {
            testsupport::WriteBytes(path, bytes.substr(0, n));
            const bool fits = !formats::ClassicHeaderOverrun(path);
            if (fits && headerEnd == 0 && n >= 4) headerEnd = n;
            ASSERT_EQ(fits, !classic || n < 4 || (headerEnd != 0 && n >= headerEnd))
                << name << " cut at " << n;
        }
        EXPECT_TRUE(!classic || headerEnd > 32u) << name << ": header ends at " << headerEnd;
    }
}

// matio takes a MAT file's sizes at their word: the file is walked first. A file of two little-
// and big-endian MAT 4 variables passes whole and cut between them, and is refused cut anywhere
// else, as it is with a variable declaring more rows than the file holds; a MAT 5 matrix whose
// sub-element claims more than the matrix holds is refused too.
TEST(MatReader, TheFileIsWalkedBeforeMatioTakesItsSizes) {
    const auto word = [](std::uint32_t v, bool big) {
        std::string w(4, '\0');
        for (int i = 0; i < 4; ++i)
            w[static_cast<std::size_t>(big ? 3 - i : i)] = static_cast<char>(v >> (8 * i));
        return w;
    };
    const auto variable = [&](bool big, std::uint32_t type, std::uint32_t rows, const std::string& name,
                              std::size_t dataBytes) {
        return word(type, big) + word(rows, big) + word(1, big) + word(0, big) +
               word(static_cast<std::uint32_t>(name.size() + 1), big) + name + '\0' +
               std::string(dataBytes, '\x01');
    };
    const std::string first = variable(false, 0, 3, "x", 24);     // 3 doubles, little-endian
    const std::string second = variable(true, 1010, 2, "yy", 8);  // 2 singles, big-endian
    testsupport::TempDir dir;
    const std::string path = dir.File("v4.mat");
    const std::string file = first + second;
    for (std::size_t n = 0; n <= file.size(); ++n) {
        testsupport::WriteBytes(path, file.substr(0, n));
        const bool between = n == first.size() || n == file.size();
        EXPECT_EQ(!formats::MatOverrun(path), between) << "cut at " << n;
    }
    testsupport::WriteBytes(path, first + variable(true, 1010, 2000000000, "yy", 8));
    EXPECT_TRUE(formats::MatOverrun(path));
    // MAT 5: the fixture passes, and fails once the name of one matrix claims 2 GB inside it.
    std::string mat5 = testsupport::ReadBytes(Fixture("mat/pivlab_single.mat"));
    testsupport::WriteBytes(path, mat5);
    EXPECT_FALSE(formats::MatOverrun(path));
    const std::size_t name = mat5.find("u_original");
    ASSERT_NE(name, std::string::npos);
    mat5.replace(name - 4, 4, std::string("\xff\xff\xff\x7f", 4));
    testsupport::WriteBytes(path, mat5);
    EXPECT_TRUE(formats::MatOverrun(path));
}

}  // namespace

// A MAT 5 matrix's dimensions are what matio allocates for; a matrix, plain or compressed, or a
// cell of them, declaring more elements than its data hold is refused, and one that holds them
// is left to matio, whatever its byte order.
TEST(MatReader, AMatrixMustHoldTheElementsItsDimensionsDeclare) {
    const auto word = [](std::uint32_t v, bool big) {
        std::string w(4, '\0');
        for (int i = 0; i < 4; ++i)
            w[static_cast<std::size_t>(big ? 3 - i : i)] = static_cast<char>(v >> (8 * i));
        return w;
    };
    const auto element = [&](std::uint32_t type, const std::string& data, bool big) {
        std::string e = word(type, big) + word(static_cast<std::uint32_t>(data.size()), big) + data;
        return e + std::string((8 - data.size() % 8) % 8, '\0');
    };
    // A double matrix of ROWS × COLUMNS whose data hold VALUES doubles; when CELL, the second of
    // a cell whose first is empty, written as its tag alone.
    // A matrix's flags of class KIND, its dimensions R × C and its name, followed by INNER.
    const auto body = [&](std::uint32_t kind, std::uint32_t r, std::uint32_t c, const std::string& inner,
                          bool big) {
        return element(6, word(kind, big) + word(0, big), big) +
               element(5, word(r, big) + word(c, big), big) + element(1, "u", big) + inner;
    };
    const auto matrix = [&](std::uint32_t rows, std::uint32_t columns, std::uint32_t values, bool big,
                            bool cell) {
        std::string m =
            element(14, body(6, rows, columns, element(9, std::string(8 * values, '\0'), big), big), big);
        return cell ? element(14, body(1, 1, 2, element(14, "", big) + m, big), big) : m;
    };
    // COMPRESSED 2: with a wrong checksum at the stream's end, which matio reads past.
    const auto file = [&](const std::string& content, bool big, int compressed) {
        std::string header(116, ' ');
        header += std::string(8, '\0') + (big ? std::string("\x01\x00MI", 4) : std::string("\x00\x01IM", 4));
        if (!compressed) return header + content;
        uLongf bytes = compressBound(content.size());
        std::string packed(bytes, '\0');
        EXPECT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &bytes,
                           reinterpret_cast<const Bytef*>(content.data()), content.size()),
                  Z_OK);
        packed.resize(bytes);
        if (compressed == 2) packed.back() = static_cast<char>(packed.back() ^ 0x5A);
        return header + word(15, big) + word(static_cast<std::uint32_t>(bytes), big) + packed;
    };
    testsupport::TempDir dir;
    const std::string path = dir.File("m.mat");
    for (const bool big : {false, true})
        for (const int compressed : {0, 1, 2})
            for (const bool cell : {false, true})
                for (const auto& [rows, columns, values] :
                     std::vector<std::array<std::uint32_t, 3>>{{3, 4, 12},
                                                               {3, 4, 13},
                                                               {3, 4, 11},
                                                               {0, 5, 0},
                                                               {11000, 11000, 4},
                                                               {65536, 65536, 1}}) {
                    testsupport::WriteBytes(path,
                                            file(matrix(rows, columns, values, big, cell), big, compressed));
                    const bool holds = std::uint64_t{rows} * columns <= values;
                    EXPECT_EQ(!formats::MatOverrun(path), holds)
                        << rows << " × " << columns << " in " << values << (big ? " big" : " little")
                        << (compressed ? " compressed" : "") << (compressed == 2 ? ", wrong checksum" : "")
                        << (cell ? " in a cell" : "");
                }
    // A cell must hold the cells it declares and a structure the fields of every element (matio
    // allocates them first: 308 GB for one cell), and a header broken before its values is
    // refused (matio took 9 s to free 200 million missing cells).
    const std::string three =
        matrix(1, 1, 1, false, false) + matrix(1, 1, 1, false, false) + matrix(1, 1, 1, false, false);
    const auto structure = [&](std::uint32_t elements) {
        const std::string names =
            element(5, word(32, false), false) + element(1, "a" + std::string(31, '\0'), false);
        return element(14, body(2, 1, elements, names + three, false), false);
    };
    for (const auto& [content, holds] : std::vector<std::pair<std::string, bool>>{
             {element(14, body(1, 3, 1, three, false), false), true},
             {element(14, body(1, 3, 67372033, three, false), false), false},
             {element(14, word(0x04040401, false) + std::string(40, '\x04'), false), false},
             {structure(3), true},
             {structure(4), false},
             {structure(67372033), false},
             // A matrix of a class the check does not read is passed over, and the next one checked.
             {element(
                  14,
                  body(1, 1, 2,
                       element(14, body(88, 1, 1, "", false), false) + matrix(3, 4, 11, false, false), false),
                  false),
              false}}) {
        for (const int compressed : {0, 1}) {
            testsupport::WriteBytes(path, file(content, false, compressed));
            EXPECT_EQ(!formats::MatOverrun(path), holds)
                << content.size() << (compressed ? " compressed" : "");
        }
    }
}

// The records a classic file declares must be in it: the library would give fill values for the
// rest. The count of a file still being written (all ones) is the library's to work out.
TEST(NetcdfReader, TheRecordsDeclaredMustBeInTheFile) {
    const std::string series = testsupport::ReadBytes(Fixture("netcdf/cf_series.nc"));
    testsupport::TempDir dir;
    const std::string path = dir.File("records.nc");
    for (const std::uint32_t records : {0u, 1u, 3u, 4u, 1u << 21, 0xFFFFFFFFu}) {
        std::string bytes = series;
        for (int b = 0; b < 4; ++b)
            bytes[static_cast<std::size_t>(4 + b)] = static_cast<char>(records >> (24 - 8 * b));
        testsupport::WriteBytes(path, bytes);
        const auto overrun = formats::ClassicHeaderOverrun(path);
        const bool fits = records <= 3 || records == 0xFFFFFFFFu;
        EXPECT_EQ(!overrun, fits) << records;
        if (overrun) {
            EXPECT_TRUE(Contains(overrun->english, "more records than the file holds")) << records;
        }
    }
}
