#include <gtest/gtest.h>

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
        {vars + "ZONE N=4, E=1, ZONETYPE=FEQUADRILATERAL\n", "finite-element zone"},
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
