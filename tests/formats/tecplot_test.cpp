#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/tecplot_reader.h"
#include "tests/formats/formats_test_support.h"

namespace {

using formatstest::Contains;
using formatstest::Read;

const std::vector<double> kXs{0.0, 0.4, 1.0};
const std::vector<double> kYs{-3.0, -2.0, 0.5, 1.0};

// A zone over the axes, I along x and J along y (or swapped), in POINT or BLOCK packing.
std::string Zone(bool block, bool swapped, bool descending) {
    std::vector<std::vector<double>> rows;
    const std::size_t outer = swapped ? kXs.size() : kYs.size(), inner = swapped ? kYs.size() : kXs.size();
    for (std::size_t a = 0; a < outer; ++a)
        for (std::size_t b = 0; b < inner; ++b) {
            const std::size_t i = swapped ? a : b, j = swapped ? b : a;
            const double x = kXs[i], y = kYs[descending ? kYs.size() - 1 - j : j];
            rows.push_back({x, y, formatstest::U(x, y), formatstest::V(x, y), formatstest::P(x, y), 1.0});
        }
    std::string text = "I=" + std::to_string(inner) + ", J=" + std::to_string(outer) +
                       (block ? ", DATAPACKING=BLOCK\n" : ", F=POINT\n");
    if (block) {
        for (std::size_t v = 0; v < 6; ++v, text += "\n")
            for (const auto& r : rows) text += formats::Num(r[v]) + " ";
    } else {
        for (const auto& r : rows) {
            for (double v : r) text += formats::Num(v) + ", ";
            text += "\n";
        }
    }
    return text;
}

TEST(Tecplot, PointAndBlockZonesInEitherOrderGiveTheField) {
    const std::string header =
        "# a comment\nTITLE = \"run \\\"7\\\"\"\nVARIABLES = \"X [mm]\", \"Y [mm]\"\n \"U [m/s]\" \"V "
        "[m/s]\" \"P\" \"CHC\"\n"
        "DATASETAUXDATA Application=\"PIV\"\nZONE T=\"Frame 0\", STRANDID=1, AUXDATA a=\"b\", ";
    for (bool block : {false, true})
        for (bool swapped : {false, true}) {
            DataSetArrays d;
            const std::string error =
                Read(header + Zone(block, swapped, swapped) + "ZONE I=2\n1 2\n", "a.dat", d);
            ASSERT_EQ(error, "") << block << swapped;
            EXPECT_EQ(d.ni, 3);
            EXPECT_EQ(d.nj, 4);
            formatstest::ExpectAnalytic(d, true);
            EXPECT_EQ(d.notes.format, block ? "Tecplot ASCII, BLOCK" : "Tecplot ASCII, POINT");
            EXPECT_EQ(d.notes.invalidNodes, 0);
        }
    // Unquoted names, the whole header on one line as TSI Insight writes it.
    DataSetArrays d;
    ASSERT_EQ(Read("VARIABLES = X Y U V P CHC ZONE " + Zone(false, false, false), "a.vec", d), "");
    formatstest::ExpectAnalytic(d, true);
}

TEST(Tecplot, BadZonesAreRejectedNamingTheLine) {
    const std::string vars = "VARIABLES = \"x\" \"y\" \"u\" \"v\"\n";
    std::string manyVariables = "VARIABLES =";
    for (int n = 0; n < 10001; ++n) manyVariables += " a";
    struct Case {
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases{
        {"TITLE = \"t\"\n" + vars, "line 3: the file ends without a zone"},
        {vars + "ZONE I=2, J=2\n0.0 0.0 1.0 1.0\n1.0 0.0 1.0 1.0\n0.0 1.0 1.0\n",
         "line 6: the file ends after 11 of the zone's 16 values"},
        {vars + "ZONE I=2, J=2\n0.0 0.0 1.0 1.0\n1.0 0.0 1.0 x\n\n\n\n\n\n\n",
         "line 4: \"x\" is not a number (variable 4 of point 2)"},
        {vars + "ZONE I=100000, J=100000\n0 0 1 1\n", "line 2: the zone promises 40000000000 values"},
        {vars + "ZONE I=0\n", "I = 0 is not a usable number of points"},
        {vars + "ZONE I=2, J=nan\n", "J = NAN is not a usable number of points"},
        {vars + "ZONE N=4, E=1, ZONETYPE=FEBRICK\n", "finite-element zone of type FEBRICK"},
        {vars + "ZONE I=2, J=2, VARLOCATION=([3-4]=CELLCENTERED)\n", "cell centres"},
        {"ZONE I=2\n0 0 1 1\n", "line 1: the variables are not named"},
        {"VARIABLES = \"x\" \"y\"\nZONE I=2, J=2\n0 0 1 0 0 1 1 1\n", "no velocity found"},
        {"TITLE = \"never closed\nZONE", "line 1: a quoted string is never closed"},
        {"TITLE = \"t\"\nFOO = 1\nZONE", "line 2: unknown record \"FOO\""},
        {"TITLE = \"t\"\n= 1\nZONE", "line 2: unexpected \"=\""},
        {"TITLE = \"t\"\n1 2 3 4\n", "line 2: numbers before the first zone"},
        {vars + "ZONE I=2, J=2, F=POINT\n0 0 1 1\n1 0 1 1\n0 1 1 1\n0 1 1 1\n",
         "line 6: the point (0, 1) appears twice"},
        {manyVariables + "\nZONE I=2\n", "line 1: more than 10000 variables"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string error = Read(c.text, "z.dat", d);
        EXPECT_TRUE(Contains(error, c.message)) << c.text << "\n-> " << error;
    }
}

// An L of three unit squares over [0, 2] x [0, 2], the square at the upper right missing: its
// nodes, and its elements as quadrilaterals or, each cut in two, triangles (node numbers from 1).
const double kFeX[] = {0, 1, 2, 0, 1, 2, 0, 1};
const double kFeY[] = {0, 0, 0, 1, 1, 1, 2, 2};
const std::vector<std::vector<int>> kFeQuads{{1, 2, 5, 4}, {2, 3, 6, 5}, {4, 5, 8, 7}};
const std::vector<std::vector<int>> kFeTriangles{{1, 2, 5}, {1, 5, 4}, {2, 3, 6},
                                                 {2, 6, 5}, {4, 5, 8}, {4, 8, 7}};

// A linear pressure, which sampling inside triangles reproduces exactly.
double LinearP(double x, double y) {
    return 2 * x - y + 1;
}

// The L as a finite-element zone under HEADER, its node data in BLOCK or POINT packing.
std::string FeZone(const std::string& header, bool block, const std::vector<std::vector<int>>& elements) {
    std::string text = "VARIABLES = \"X\" \"Y\" \"U\" \"V\" \"P\"\n" + header + "\n";
    const auto value = [](int var, int n) {
        const double x = kFeX[n], y = kFeY[n];
        const double v[] = {x, y, formatstest::U(x, y), formatstest::V(x, y), LinearP(x, y)};
        return formats::Num(v[var]);
    };
    for (int a = 0; a < (block ? 5 : 8); ++a, text += "\n")
        for (int b = 0; b < (block ? 8 : 5); ++b) text += value(block ? a : b, block ? b : a) + " ";
    for (const auto& e : elements) {
        for (const int id : e) text += std::to_string(id) + " ";
        text += "\n";
    }
    return text;
}

// Triangles and quadrilaterals, in every way Tecplot writes them, sample the linear field exactly
// where the L covers a node and mark the nodes of the missing square invalid.
TEST(Tecplot, FiniteElementZonesSampleTheirFieldOntoALattice) {
    struct Case {
        std::string header;
        bool block;
        bool quads;
        std::string format;
    };
    const std::vector<Case> cases{
        {"ZONE T=\"L\", N=8, E=6, F=FEPOINT, ET=TRIANGLE", false, false, "Tecplot ASCII, FETRIANGLE, POINT"},
        {"ZONE ZONETYPE=FETRIANGLE, NODES=8, ELEMENTS=6, DATAPACKING=BLOCK", true, false,
         "Tecplot ASCII, FETRIANGLE, BLOCK"},
        {"ZONE NODES=8 ELEMENTS=3 ZONETYPE=FEQUADRILATERAL DATAPACKING=POINT", false, true,
         "Tecplot ASCII, FEQUADRILATERAL, POINT"},
        {"ZONE N=8, E=3, F=FEBLOCK, ET=QUADRILATERAL", true, true, "Tecplot ASCII, FEQUADRILATERAL, BLOCK"},
    };
    for (const Case& c : cases) {
        const std::string text = FeZone(c.header, c.block, c.quads ? kFeQuads : kFeTriangles);
        DataSetArrays d;
        try {
            formats::ReadDataSetBytes(text, "l.dat", d, 0, LatticeSize{9, 5});
        } catch (const formats::ReadError& e) {
            FAIL() << c.header << ": " << e.GetMessage().english;
        }
        ASSERT_EQ(d.ni, 9);
        ASSERT_EQ(d.nj, 5);
        EXPECT_EQ(d.notes.format, c.format);
        EXPECT_EQ(d.notes.meshPoints, 8);
        EXPECT_EQ(d.notes.meshCells, c.quads ? 3 : 6);
        std::int64_t outside = 0;
        for (std::int64_t n = 0; n < d.NodeCount(); ++n) {
            const auto at = static_cast<std::size_t>(n);
            const double x = d.nodes[at].x, y = d.nodes[at].y;
            const bool inside = x <= 1 || y <= 1;
            outside += !inside;
            EXPECT_EQ(!d.notes.invalid.empty() && d.notes.invalid[at], !inside)
                << c.header << " " << x << "," << y;
            EXPECT_NEAR(d.u[at], inside ? formatstest::U(x, y) : 0.0, 1e-5)
                << c.header << " " << x << "," << y;
            EXPECT_NEAR(d.v[at], inside ? formatstest::V(x, y) : 0.0, 1e-5)
                << c.header << " " << x << "," << y;
            EXPECT_NEAR(d.p[at], inside ? LinearP(x, y) : 0.0, 1e-5) << c.header << " " << x << "," << y;
        }
        EXPECT_EQ(outside, 8);  // x 1.25 .. 2 by y 1.5, 2
        EXPECT_EQ(d.notes.nodesOutsideMesh, outside);
    }
    // Left to itself the lattice has about as many nodes as the zone has, and a file whose first
    // zone is of finite elements is no series: it is read from that zone.
    const std::string two = FeZone(cases[0].header, false, kFeTriangles) + "ZONE I=2\n0 0 1 1\n1 0 1 1\n";
    EXPECT_TRUE(formats::ScanTecplotZones(two).size() == 2 && !formats::ScanTecplotZones(two)[0].ordered);
    DataSetArrays d;
    ASSERT_EQ(Read(two, "l.dat", d), "");
    EXPECT_EQ(d.ni * d.nj, 9);
}

// Finite-element zones that cannot be read are refused naming the file, before anything is
// taken for what they promise.
TEST(Tecplot, BadFiniteElementZonesAreRefused) {
    const std::string vars = "VARIABLES = \"x\" \"y\" \"u\" \"v\"\n";
    const std::string nodes = "0 0 1 1\n1 0 1 1\n0 1 1 1\n1 1 1 1\n";
    struct Case {
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases{
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=4, E=2\n" + nodes + "1 2 3\n2 4 5\n",
         "line 8: element 2 refers to node \"5\", and the zone has 4 nodes"},
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=4, E=2\n" + nodes + "0 2 3\n2 4 3\n",
         "element 1 refers to node \"0\""},
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=4, E=2\n" + nodes + "1 2 3\n2 4 3.5\n",
         "refers to node \"3.5\""},
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=4, E=2\n" + nodes + "1 2 3\n2 4\n",
         "the file ends after 5 of the elements' 6 node numbers"},
        {vars + "ZONE ZONETYPE=FEQUADRILATERAL, N=4, E=1000000000\n" + nodes + "1 2 4 3\n",
         "the zone promises 4000000016 values (4 nodes, 1000000000 elements, 4 variables)"},
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=2000000000, E=1\n" + nodes + "1 2 3\n", "the zone promises"},
        {vars + "ZONE ZONETYPE=FETRIANGLE, E=2\n" + nodes, "does not give its number of nodes (NODES)"},
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=4\n" + nodes, "does not give its number of elements (ELEMENTS)"},
        {vars + "ZONE N=4, E=1, F=FEPOINT, ET=TETRAHEDRON\n" + nodes + "1 2 3 4\n",
         "finite-element zone of type FETETRAHEDRON"},
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=4, E=2, CONNECTIVITYSHAREZONE=1\n" + nodes, "shared elements"},
        {vars + "ZONE ZONETYPE=FETRIANGLE, N=4, E=2\n" + nodes + "1 2 2\n3 3 4\n",
         "no cell of the mesh has any area"},
        {"VARIABLES = x y z u v\nZONE ZONETYPE=FETRIANGLE, N=3, E=1\n0 0 0 1 1\n1 0 0 1 1\n0 1 1 1 1\n1 2 "
         "3\n",
         "the zone's nodes lie at more than one z value"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string error = Read(c.text, "fe.dat", d);
        EXPECT_TRUE(Contains(error, c.message)) << c.text << "\n-> " << error;
        EXPECT_TRUE(Contains(error, "fe.dat")) << error;
    }
}

TEST(Tecplot, OnlyTecplotContentIsTakenForTecplot) {
    EXPECT_TRUE(formats::LooksLikeTecplot("\xEF\xBB\xBF# DaVis\n\nTITLE = \"B00001\""));
    EXPECT_TRUE(formats::LooksLikeTecplot("variables=x,y,u,v"));
    EXPECT_TRUE(formats::LooksLikeTecplot("ZONE I=3"));
    EXPECT_FALSE(formats::LooksLikeTecplot("# x y u v\n1 2 3 4\n"));
    EXPECT_FALSE(formats::LooksLikeTecplot("x,y,u,v\n"));
    EXPECT_FALSE(formats::LooksLikeTecplot("Title of the experiment\n1 2 3 4\n"));
    EXPECT_FALSE(formats::LooksLikeTecplot("Zone A behind the cylinder\n1 2 3 4\n"));
}

}  // namespace
