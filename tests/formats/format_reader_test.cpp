#include "formats/format_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_bytes.h"
#include "scene/frame_list.h"
#include "scene/scene_settings.h"
#include "tests/formats/vtk_fixtures.h"

namespace {

using formatstest::Contains;
using formatstest::Read;

TEST(FormatReader, TakesOtherProgramsFilesByExtensionButNeverAGeometryFile) {
    const formats::FormatReader reader;
    for (const char* yes :
         {"a.txt", "b.CSV", "c.tsv", "d.Dat", "e.vec", "f.tec", "g.plt", "h.vtk", "i.VTI", "dir.x/j.vtr",
          "k.vts", "l.VTU", "m.vtp", "k.mat", "l.nc", "m.CDF", "n.nc4", "k.pvd"})
        EXPECT_TRUE(reader.Accepts(yes)) << yes;
    for (const char* no : {"a.gri", "a.GRI", "a.00000.gri", "txt", "a.txt/", "dir.txt/file", "a.png", ""})
        EXPECT_FALSE(reader.Accepts(no)) << no;
    EXPECT_EQ(formats::AcceptedPatterns().size(), 18u);
}

TEST(FormatReader, TheContentDecidesWhichReaderReadsIt) {
    DataSetArrays d;
    // VTK XML under a legacy name, Tecplot under a text name, column text under Tecplot's.
    const std::string xml = testsupport::ReadBytes(formatstest::FixturePath("ascii.vti"));
    ASSERT_EQ(Read(xml, "f.vtk", d), "");
    EXPECT_TRUE(Contains(d.notes.format, "VTK XML ImageData"));
    ASSERT_EQ(Read("VARIABLES = x y u v\nZONE I=2, J=2\n0 0 1 1\n1 0 1 1\n0 1 1 1\n1 1 1 1\n", "f.txt", d),
              "");
    EXPECT_TRUE(Contains(d.notes.format, "Tecplot"));
    ASSERT_EQ(Read("x y u v\n0 0 1 1\n1 0 1 1\n0 1 1 1\n1 1 1 1\n", "f.plt", d), "");
    EXPECT_TRUE(Contains(d.notes.format, "column text"));

    // Binary files: a .gri pair's solution file points to its geometry file.
    const std::string solution = testsupport::ReadBytes(TESMORA_REALDATA "/soapfilm_piv.00000.dat");
    EXPECT_TRUE(
        Contains(Read(solution, "/data/soapfilm_piv.00000.dat", d),
                 "solution file of a data set; open its geometry file /data/soapfilm_piv.gri instead"));
    EXPECT_TRUE(Contains(Read(std::string("x y\0u v", 7), "f.dat", d), "binary file, not text"));
    EXPECT_TRUE(Contains(Read("x y u v\n", "f.vtk", d), "line 1: the file does not begin with"));
}

// A file of a kind no reader takes is refused by its name (or, for binary Tecplot and HDF5,
// its first bytes) with the format and what to export instead, never as a .gri pair, and
// without being read: the .vc7 named here does not exist.
TEST(FormatReader, FilesNoReaderTakesAreRefusedNamingTheFormatAndWhatToExport) {
    struct Case {
        std::string name;
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases{
        {"run/B00001.VC7", "",
         "B00001.VC7: DaVis .vc7 is not read; export the vectors as text or Tecplot in DaVis."},
        {"B00001.im7", "IM7", "DaVis .im7 holds images, not vectors"},
        {"wing.cgns", "ADF", "CGNS is not read; export the solution as VTK or Tecplot ASCII"},
        {"flow.case", "FORMAT\ntype: ensight gold\n", "EnSight (.case) is not read"},
        {"flow.geo", "C Binary", "EnSight geometry (.geo) is not read"},
        {"piv.h5", "\x89HDF\r\n\x1a\n", "HDF5 (.h5) is not read"},
        {"piv.hdf5", "", "HDF5 (.hdf5) is not read"},
        {"flow.plt", "#!TDV112" + std::string(8, '\0'),
         "binary Tecplot (.plt) is not read; write the data as ASCII"},
        {"flow.dat", "#!TDV191", "binary Tecplot (.plt) is not read"},
        {"piv.dat", std::string("\x89HDF\r\n\x1a\n\0\0", 10), "HDF5 is not read; export the vectors as text"},
    };
    const formats::FormatReader reader;
    for (const Case& c : cases) {
        EXPECT_TRUE(reader.Accepts(c.name)) << c.name;
        DataSetArrays d;
        const std::string error = Read(c.bytes, c.name, d);
        EXPECT_TRUE(Contains(error, c.message)) << c.name << " -> " << error;
        EXPECT_FALSE(Contains(error, "gri")) << error;
    }
    testsupport::CollectingReporter told;
    DataSetArrays d;
    EXPECT_FALSE(formats::FormatReader().Read("/nowhere/B00001.vc7", d, told));
    ASSERT_EQ(told.entries.size(), 1u);
    EXPECT_TRUE(Contains(told.entries[0].text, "DaVis-.vc7-Dateien werden nicht gelesen"))
        << told.entries[0].text;
    // Readers of their own take these; they stay out of the open dialog's patterns.
    EXPECT_EQ(formats::AcceptedPatterns().size(), 18u);
}

// Every reader keeps the names and units of the columns it took each field from; a field
// without a column (pressure here, VTK's coordinates) has no label.
TEST(FormatReader, TheFieldsKeepTheNamesAndUnitsOfTheirColumns) {
    const auto labels = [](const DataSetArrays& d) {
        std::string text;
        for (const FieldLabel* l : {&d.notes.x, &d.notes.y, &d.notes.u, &d.notes.v, &d.notes.p, &d.notes.w})
            text += l->name + "/" + l->unit + ";";
        return text;
    };
    DataSetArrays d;
    const std::string rows = "0 0 1 1 5\n1 0 1 1 5\n0 1 1 1 5\n1 1 1 1 5\n";
    ASSERT_EQ(Read("x (mm)\ty (mm)\tU m/s\tV "
                   "m/s\tvort\n0\t0\t1\t1\t5\n1\t0\t1\t1\t5\n0\t1\t1\t1\t5\n1\t1\t1\t1\t5\n",
                   "f.txt", d),
              "");
    EXPECT_EQ(labels(d), "x/mm;y/mm;U/m/s;V/m/s;/;vort/;");
    ASSERT_EQ(
        Read("VARIABLES = \"x [m]\", \"y [m]\", \"u [m/s]\", \"v [m/s]\", \"p [Pa]\"\nZONE I=2, J=2\n" + rows,
             "f.dat", d),
        "");
    EXPECT_EQ(labels(d), "x/m;y/m;u/m/s;v/m/s;p/Pa;/;");
    ASSERT_EQ(Read("# vtk DataFile Version 3.0\nt\nASCII\nDATASET RECTILINEAR_GRID\nDIMENSIONS 2 2 1\n"
                   "X_COORDINATES 2 float\n0 1\nY_COORDINATES 2 float\n0 1\nZ_COORDINATES 1 float\n0\n"
                   "POINT_DATA 4\nVECTORS U(m/s) float\n1 2 0 1 2 0 1 2 0 1 2 0\n",
                   "f.vtk", d),
              "");
    EXPECT_EQ(labels(d), "/;/;U:0/m/s;U:1/m/s;/;/;");
    EXPECT_TRUE(d.notes.invalid.empty());
    // The invalid mask marks the vectors the file rejects, and only those.
    ASSERT_EQ(Read("x y u v flags\n0 0 1 1 0\n1 0 1 1 1\n0 1 1 1 0\n1 1 1 1 0\n", "f.csv", d), "");
    EXPECT_EQ(d.notes.invalid, (std::vector<std::uint8_t>{0, 1, 0, 0}));
}

// Whether a file is binary is told from its first block, before the rest is read: a large file
// of zeros is refused at once.
TEST(FormatReader, ABinaryFileIsToldFromItsFirstBlock) {
    testsupport::TempDir dir;
    const std::string path = dir.File("zeros.dat");
    testsupport::WriteBytes(path, std::string(std::size_t{1} << 20, '\0'));
    std::size_t seen = 0;
    EXPECT_THROW(formats::ReadFileBytes(path,
                                        [&seen](std::string_view first) {
                                            seen = first.size();
                                            throw std::runtime_error("enough");
                                        }),
                 std::runtime_error);
    EXPECT_EQ(seen, formats::kFirstBlockBytes);
    testsupport::SceneFixture f;
    formats::FormatReader reader;
    f.scene.SetDataSetReader(&reader);
    EXPECT_FALSE(f.scene.LoadDataSet(path));
    ASSERT_EQ(f.reporter.entries.size(), 1u);
    EXPECT_TRUE(Contains(f.reporter.entries[0].text, "Binärdatei")) << f.reporter.entries[0].text;
}

TEST(FormatReader, FailuresAreToldOnceInBothLanguagesAndLeaveNothing) {
    testsupport::TempDir dir;
    const std::string path = dir.File("twice.csv");
    testsupport::WriteBytes(path, "x,y,u,v\n0,0,1,1\n0,0,1,1\n");
    testsupport::SceneFixture f;
    formats::FormatReader reader;
    f.scene.SetDataSetReader(&reader);
    EXPECT_FALSE(f.scene.LoadDataSet(path));
    EXPECT_FALSE(f.scene.HasDataSet());
    ASSERT_EQ(f.reporter.entries.size(), 1u);
    EXPECT_EQ(f.reporter.entries[0].caption, "LOADING ERROR");
    EXPECT_EQ(f.reporter.entries[0].text,
              "\u201E" + path + "\u201C, Zeile 3: Der Punkt (0, 0) kommt zweimal vor, zuerst in Zeile 2.");
    EXPECT_FALSE(f.scene.LoadDataSet(dir.File("none.vtr")));
    EXPECT_EQ(f.reporter.entries[1].caption, "Tesmora");
}

// A zone of a 3 x 2 lattice with speed growing by SCALE, at TIME (none when negative).
std::string Zone(double scale, double time, int ni = 3) {
    std::string z = "ZONE T=\"ZONE " + std::to_string(scale) + "\", I=" + std::to_string(ni) + ", J=2";
    if (time >= 0) z += ", SOLUTIONTIME=" + std::to_string(time);
    z += "\n";
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < ni; ++i)
            z += std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(scale * (i + 1)) + " " +
                 std::to_string(scale * j) + "\n";
    return z;
}

std::vector<Frame> FramesOfFile(const std::string& path, testsupport::CollectingReporter& reporter) {
    formats::FormatReader reader;
    std::vector<Frame> frames;
    EXPECT_TRUE(FramesOf({path}, &reader, reporter, frames));
    return frames;
}

// Each zone of a Tecplot file is a frame with its SOLUTIONTIME, read as that zone; a zone on
// another lattice is refused by its number; one colour scale spans every frame.
TEST(FormatReader, ZonesOfATecplotFileAreFramesOnOneScale) {
    testsupport::TempDir dir;
    const std::string path = dir.File("zones.dat");
    testsupport::WriteBytes(path, "TITLE = \"a ZONE in a title\"\nVARIABLES = x y u v\n" + Zone(1, 0.5) +
                                      Zone(2, 1.5) + Zone(4, -1));
    testsupport::SceneFixture f;
    std::vector<Frame> frames = FramesOfFile(path, f.reporter);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].time, 0.5);
    EXPECT_EQ(frames[1].time, 1.5);
    EXPECT_FALSE(frames[2].time.has_value());
    formats::FormatReader reader;
    f.scene.SetDataSetReader(&reader);
    DrawSettings settings;
    settings.colourMap = kColourMapViridis;
    ApplyDrawSettings(f.scene, settings);
    f.scene.OpenDataSet(path);
    ASSERT_TRUE(f.scene.HasDataSet());
    std::vector<double> ownHigh;
    for (std::size_t k = 0; k < 3; ++k) {
        ASSERT_TRUE(f.scene.ShowFrame(frames[k])) << k;
        EXPECT_FLOAT_EQ(f.scene.m_pU[2], 3.0f * static_cast<float>(1 << k)) << k;
        ownHigh.push_back(f.scene.ImageScale().high);
    }
    EXPECT_LT(ownHigh[0], ownHigh[2]);
    ASSERT_TRUE(f.scene.MeasureSequenceRanges(frames));
    for (const std::size_t k : {std::size_t{1}, std::size_t{0}, std::size_t{2}}) {
        ASSERT_TRUE(f.scene.ShowFrame(frames[k]));
        EXPECT_EQ(f.scene.ImageScale().low, 0.0);
        EXPECT_EQ(f.scene.ImageScale().high, ownHigh[2]) << k;
    }
    // The ramp too spans the sequence: the same speed gives the same colour in every frame.
    settings.colourMap = kColourMapRamp;
    ApplyDrawSettings(f.scene, settings);
    ASSERT_TRUE(f.scene.ShowFrame(frames[0]));
    EXPECT_EQ(f.scene.ImageScale().high, ownHigh[2]);
    EXPECT_TRUE(f.reporter.entries.empty());

    testsupport::WriteBytes(path, "VARIABLES = x y u v\n" + Zone(1, 0) + Zone(2, 1) + Zone(3, 2, 4));
    frames = FramesOfFile(path, f.reporter);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_FALSE(f.scene.MeasureSequenceRanges(frames));
    EXPECT_FALSE(f.scene.HasSequenceRanges());
    EXPECT_FALSE(f.scene.ShowFrame(frames[2]));
    ASSERT_EQ(f.reporter.entries.size(), 2u);
    for (const auto& told : f.reporter.entries)
        EXPECT_TRUE(Contains(told.text, "zones.dat\u201C, Zone 3, liegt auf einem anderen Gitter"))
            << told.text;
}

// A collection's data sets are frames in timestep order, their files beside the collection;
// a document type, which could declare entities, is refused.
TEST(FormatReader, ACollectionListsItsDataSetsInTimeOrder) {
    testsupport::TempDir dir;
    const std::string path = dir.File("run.pvd");
    testsupport::WriteBytes(path, R"(<?xml version="1.0"?>
<VTKFile type="Collection" version="0.1">
  <Collection>
    <DataSet timestep="2.5" part="0" file="run/f_2.vti"/>
    <DataSet timestep="0" file="f_0.vtr"/>
    <DataSet timestep="1e-1" file="/abs/f_1.vti"/>
  </Collection>
</VTKFile>
)");
    testsupport::CollectingReporter reporter;
    const std::vector<Frame> frames = FramesOfFile(path, reporter);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].path, dir.File("f_0.vtr"));
    EXPECT_EQ(frames[1].path, "/abs/f_1.vti");
    EXPECT_EQ(frames[2].path, dir.File("run/f_2.vti"));
    EXPECT_EQ(frames[1].time, 0.1);
    EXPECT_EQ(frames[2].time, 2.5);

    formats::FormatReader reader;
    std::vector<Frame> none;
    for (const std::string bad :
         {"<?xml version=\"1.0\"?>\n<!DOCTYPE x [<!ENTITY a \"aaaa\">]>\n<VTKFile type=\"Collection\">"
          "<Collection><DataSet file=\"&a;.vti\"/></Collection></VTKFile>",
          "<VTKFile type=\"Collection\"><Collection></Collection></VTKFile>",
          "<VTKFile type=\"Collection\"><Collection><DataSet file=\"b.pvd\"/></Collection></VTKFile>",
          "<VTKFile type=\"ImageData\"></VTKFile>"}) {
        testsupport::WriteBytes(path, bad);
        reporter.entries.clear();
        EXPECT_FALSE(FramesOf({path}, &reader, reporter, none)) << bad;
        EXPECT_TRUE(none.empty());
        ASSERT_EQ(reporter.entries.size(), 1u) << bad;
        EXPECT_TRUE(Contains(reporter.entries[0].text, "run.pvd")) << reporter.entries[0].text;
    }
}

}  // namespace
