#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/formats/formats_test_support.h"
#include "tests/support/test_support.h"

// The readers of grids that are no rectilinear lattice, on files VTK's own writers made
// (data/make_mesh_files.py): velocity (x + 2y, 3x - y) and p = x - 3y + 2 on every point.
namespace {

using formatstest::Contains;
using formatstest::Read;

std::string MeshPath(const std::string& name) {
    return std::string(TESMORA_FORMATS_DATA "/mesh/") + name;
}

struct MeshFixture {
    const char* name;
    const char* format;  // how the notes begin
    std::int64_t points, cells;
    bool annulus;  // 0.5 <= r <= 1.5, whose hole and corners lie outside
};

void PrintTo(const MeshFixture& f, std::ostream* os) {
    *os << f.name;
}

class MeshFiles : public testing::TestWithParam<MeshFixture> {};

// Every format and encoding of a mesh: the counts of the file are noted, nodes inside the mesh
// hold the linear fields exactly, and the nodes outside are invalid, counted and zero.
TEST_P(MeshFiles, ResampleOntoTheDefaultLattice) {
    const MeshFixture& f = GetParam();
    DataSetArrays d;
    ASSERT_EQ(Read(testsupport::ReadBytes(MeshPath(f.name)), f.name, d), "");
    EXPECT_EQ(d.notes.format.rfind(f.format, 0), 0u) << d.notes.format;
    EXPECT_EQ(d.notes.meshPoints, f.points);
    EXPECT_EQ(d.notes.meshCells, f.cells);
    EXPECT_EQ(d.nk, 1);
    EXPECT_FALSE(d.notes.pressureMissing);
    // About as many nodes as the points of one plane.
    const double nodes = static_cast<double>(d.ni * d.nj);
    EXPECT_GT(nodes, 0.5 * static_cast<double>(f.points) / (f.annulus ? 1 : 2));
    EXPECT_LT(nodes, 1.5 * static_cast<double>(f.points));
    std::int64_t invalid = 0;
    for (std::size_t n = 0; n < static_cast<std::size_t>(d.NodeCount()); ++n) {
        const double x = d.nodes[n].x, y = d.nodes[n].y, r = std::hypot(x, y);
        const bool bad = !d.notes.invalid.empty() && d.notes.invalid[n];
        invalid += bad;
        if (f.annulus && (r < 0.5 || r > 1.5)) {
            EXPECT_TRUE(bad) << x << ", " << y;
        }
        if (f.annulus && r > 0.51 && r < 1.49) {
            EXPECT_FALSE(bad) << x << ", " << y;
        }
        if (bad) {
            EXPECT_EQ(d.u[n], 0.0f);
            EXPECT_EQ(d.v[n], 0.0f);
            EXPECT_EQ(d.p[n], 0.0f);
        } else {
            EXPECT_NEAR(d.u[n], x + 2 * y, 3e-5) << x << ", " << y;
            EXPECT_NEAR(d.v[n], 3 * x - y, 3e-5) << x << ", " << y;
            EXPECT_NEAR(d.p[n], x - 3 * y + 2, 3e-5) << x << ", " << y;
        }
    }
    EXPECT_EQ(invalid, d.notes.invalidNodes);
    EXPECT_EQ(invalid, d.notes.nodesOutsideMesh);
}

INSTANTIATE_TEST_SUITE_P(
    Vtk, MeshFiles,
    testing::Values(
        MeshFixture{"annulus.vtu", "VTK XML UnstructuredGrid, appended raw, zlib, point data", 192, 320,
                    true},
        MeshFixture{"annulus_ascii.vtu", "VTK XML UnstructuredGrid, ascii, point data", 192, 320, true},
        MeshFixture{"annulus_b64.vtu", "VTK XML UnstructuredGrid, base64, zlib, point data", 192, 320, true},
        MeshFixture{"annulus.vtk", "VTK legacy UNSTRUCTURED_GRID, ASCII, point data", 192, 320, true},
        MeshFixture{"annulus_binary.vtk", "VTK legacy UNSTRUCTURED_GRID, binary, point data", 192, 320, true},
        MeshFixture{"annulus_v42.vtk", "VTK legacy UNSTRUCTURED_GRID, ASCII, point data", 192, 320, true},
        MeshFixture{"thick_hex.vtu", "VTK XML UnstructuredGrid, base64, point data", 70, 24, false},
        MeshFixture{"warped.vts", "VTK XML StructuredGrid, appended base64, zlib, point data", 54, 40, false},
        MeshFixture{"warped.vtk", "VTK legacy STRUCTURED_GRID, binary, point data", 54, 40, false},
        MeshFixture{"slice.vtp", "VTK XML PolyData, appended base64, point data", 54, 60, false},
        MeshFixture{"slice_polydata.vtk", "VTK legacy POLYDATA, ASCII, point data", 54, 60, false}),
    [](const testing::TestParamInfo<MeshFixture>& fixture) {
        std::string name = fixture.param.name;
        for (char& c : name)
            if (c == '.') c = '_';
        return name;
    });

// A structured grid whose points form a rectilinear lattice (as PIVlab writes its VTK, y running
// down) is read as that lattice, node for point, and not resampled.
TEST(MeshFilesLattice, StructuredGridOfALatticeIsReadAsIs) {
    for (const char* name : {"lattice.vts", "lattice_structured.vtk"}) {
        DataSetArrays d;
        ASSERT_EQ(Read(testsupport::ReadBytes(MeshPath(name)), name, d), "") << name;
        EXPECT_EQ(d.ni, 6);
        EXPECT_EQ(d.nj, 4);
        EXPECT_EQ(d.notes.meshPoints, 0) << name;
        EXPECT_EQ(d.nodes[0].y, 2.25f) << "y turned round to run up";
        for (std::size_t n = 0; n < static_cast<std::size_t>(d.NodeCount()); ++n) {
            const double x = d.nodes[n].x, y = d.nodes[n].y;
            EXPECT_NEAR(d.u[n], x + 2 * y, 1e-5);
            EXPECT_NEAR(d.p[n], x - 3 * y + 2, 1e-5);
        }
    }
}

// Cell data only: averaged to the points of the front plane and then sampled.
TEST(MeshFilesCells, CellDataIsAveragedToPoints) {
    DataSetArrays d;
    ASSERT_EQ(Read(testsupport::ReadBytes(MeshPath("thick_hex_cells.vtu")), "c.vtu", d), "");
    EXPECT_TRUE(Contains(d.notes.format, "cell data averaged to points")) << d.notes.format;
    EXPECT_TRUE(d.notes.pressureMissing);
    EXPECT_EQ(d.notes.invalidNodes, d.notes.nodesOutsideMesh);
    EXPECT_LT(d.notes.invalidNodes, d.NodeCount());
    for (std::size_t n = 0; n < static_cast<std::size_t>(d.NodeCount()); ++n) {
        if (!d.notes.invalid.empty() && d.notes.invalid[n]) continue;  // beyond the bent edges
        EXPECT_EQ(d.u[n], 1.0f);
        EXPECT_EQ(d.v[n], -2.0f);
    }
}

// Meshes no lattice can be made of, and hostile ones, each refused with the file's name and the
// reason, without taking memory for what they only claim.
TEST(MeshFilesRefused, HostileAndThreeDimensionalMeshes) {
    const std::string head = "# vtk DataFile Version 4.2\nt\nASCII\nDATASET UNSTRUCTURED_GRID\n";
    const std::string square = "POINTS 4 float\n0 0 0 1 0 0 1 1 0 0 1 0\n";
    const std::string data = "POINT_DATA 4\nVECTORS velocity float\n1 0 0 1 0 0 1 0 0 1 0 0\n";
    const std::string xmlHead =
        "<VTKFile type=\"UnstructuredGrid\"><UnstructuredGrid><Piece NumberOfPoints=\"3\" "
        "NumberOfCells=\"";
    const std::string xmlPoints =
        "<Points><DataArray type=\"Float32\" NumberOfComponents=\"3\" format=\"ascii\">0 0 0 1 0 0 0 1 0"
        "</DataArray></Points><PointData><DataArray type=\"Float32\" Name=\"velocity\" "
        "NumberOfComponents=\"3\" format=\"ascii\">1 0 0 1 0 0 1 0 0</DataArray></PointData>";
    auto xmlCells = [&](const std::string& count, const std::string& conn, const std::string& offsets,
                        const std::string& types) {
        return xmlHead + count + "\">" + xmlPoints +
               "<Cells><DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">" + conn +
               "</DataArray><DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">" + offsets +
               "</DataArray><DataArray type=\"UInt8\" Name=\"types\" format=\"ascii\">" + types +
               "</DataArray></Cells></Piece></UnstructuredGrid></VTKFile>";
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"solid.vtu", testsupport::ReadBytes(MeshPath("solid.vtu")), "three-dimensional"},
        {"id.vtk", head + square + "CELLS 1 5\n4 0 1 2 7\nCELL_TYPES 1\n9\n" + data, "refers to point 7"},
        {"repeat.vtk", head + square + "CELLS 1 5\n4 0 1 0 2\nCELL_TYPES 1\n9\n" + data,
         "holds point 0 twice"},
        {"flat.vtk", head + square + "CELLS 2 8\n3 0 1 1\n3 2 2 3\nCELL_TYPES 2\n5 5\n" + data, "no cell"},
        {"nan.vtk",
         head + "POINTS 4 float\n0 0 0 1 0 0 nan 1 0 0 1 0\nCELLS 1 5\n4 0 1 2 3\nCELL_TYPES 1\n9\n" + data,
         "point 2 are not finite"},
        {"billion.vtk", head + square + "CELLS 100000000 400000000\n4 0 1 2 3\n", "more than the file holds"},
        {"stream.vtk", head + square + "CELLS 1 5\n9 0 1 2 3\nCELL_TYPES 1\n9\n" + data, "more points than"},
        {"type.vtk", head + square + "CELLS 1 5\n4 0 1 2 3\nCELL_TYPES 1\n99\n" + data, "cell type 99"},
        {"types.vtk", head + square + "CELLS 1 5\n4 0 1 2 3\nCELL_TYPES 2\n9 9\n" + data, "2 types for 1"},
        {"billion.vtu", xmlCells("1000000000", "0 1 2", "3", "5"), "not a usable count"},
        {"many.vtu", xmlCells("100000000", "0 1 2", "3", "5"), "100000000"},
        {"offsets.vtu", xmlCells("2", "0 1 2", "3 2", "5 5"), "offsets do not run upwards"},
        {"conn.vtu", xmlCells("1", "0 1 2.5", "3", "5"), "refers to point 2.5"},
        {"past.vtu", xmlCells("1", "0 1 5", "3", "5"), "refers to point 5"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string message = Read(c.bytes, c.name, d);
        EXPECT_EQ(message.rfind(std::string(c.name) + ", ", 0) == 0 ||
                      message.rfind(std::string(c.name) + ":", 0) == 0,
                  true)
            << message;
        EXPECT_TRUE(Contains(message, c.reason)) << c.name << ": " << message;
    }
}

}  // namespace
