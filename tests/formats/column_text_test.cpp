#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "formats/column_text_reader.h"
#include "tests/formats/formats_test_support.h"

namespace {

using formatstest::Contains;
using formatstest::Read;

const std::vector<double> kXs{-1.0, -0.5, 0.25, 1.0, 3.0};
const std::vector<double> kYs{2.0, 2.5, 4.0, 7.0};

struct Layout {
    std::string header;     // the lines before the data
    std::string separator;  // between fields
    bool decimalComma = false;
    int order = 0;  // 0 x fastest, 1 y fastest, 2 y descending, 3 shuffled
    bool pressure = false;
    bool vorticity = false;
};

std::string Number(double v, bool comma) {
    std::string s = formats::Num(v);
    if (comma) std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string Write(const Layout& l) {
    std::vector<std::pair<double, double>> points;
    for (double y : kYs)
        for (double x : kXs) points.emplace_back(x, y);
    if (l.order == 1)
        std::stable_sort(points.begin(), points.end(), [](auto a, auto b) { return a.first < b.first; });
    if (l.order == 2) std::reverse(points.begin(), points.end());
    if (l.order == 3) std::shuffle(points.begin(), points.end(), std::mt19937(5));
    std::string text = l.header;
    for (auto [x, y] : points) {
        std::vector<double> row{x, y, formatstest::U(x, y), formatstest::V(x, y)};
        if (l.pressure) row.push_back(formatstest::P(x, y));
        if (l.vorticity) row.push_back(x - y);
        for (std::size_t c = 0; c < row.size(); ++c)
            text += (c ? l.separator : "  ") + Number(row[c], l.decimalComma);
        text += "\r\n";
    }
    return text;
}

TEST(ColumnText, AnyLayoutOfSeparatorsHeadersAndOrderGivesTheSameField) {
    const std::vector<Layout> layouts{
        {"", " ", false, 0, true, true},
        {"# x\ty\tu\tv\n", "\t", false, 2},
        {"# x y u v p\n", "   ", false, 1, true},
        {"x [m],y [m],u [m/s],v [m/s]\n", ",", false, 3},
        {"PIVlab, ASCII chart output\nFRAME: 1, conversion factor xy (px -> m): 1\nx [m];y [m];u [m/s];v "
         "[m/s]\n",
         ";", true, 0},
        {"\"Points:0\",\"Points:1\",\"U:0\",\"U:1\",\"p\"\n", ",", false, 3, true},
        {"X mm Y mm U m/s V m/s\n", " ", false, 2},
        {"% written by hand\n\n# x y u v p w\n", " ", false, 1, true, true},
        {"2D velocity, exported\nx,y,u,v\n", ",", false, 2},
        // Decimal commas between tabs or blanks, the first line of data with none.
        {"# x\ty\tu\tv\n", "\t", true, 0},
        {"x y u v p\n", "  ", true, 3, true},
    };
    for (const Layout& l : layouts) {
        DataSetArrays d;
        const std::string error = Read(Write(l), "f.txt", d);
        ASSERT_TRUE(error.empty()) << l.header << ": " << error;
        EXPECT_EQ(d.ni, 5);
        EXPECT_EQ(d.nj, 4);
        EXPECT_EQ(d.nk, 1);
        formatstest::ExpectAnalytic(d, l.pressure);
        EXPECT_EQ(d.notes.pressureMissing, !l.pressure);
        EXPECT_EQ(d.notes.vorticityComputed, !l.vorticity);
        for (std::size_t n = 0; n < 20; ++n) {
            const double x = d.nodes[n].x, y = d.nodes[n].y;
            EXPECT_NEAR(d.w[n], l.vorticity ? x - y : 1.0, 1e-5) << l.header;
        }
        EXPECT_TRUE(Contains(d.notes.format, "column text")) << d.notes.format;
    }
}

// The names CFD and PIV programs write find the columns in whatever order they stand: Fluent
// puts the velocity before the coordinates and numbers the nodes, STAR-CCM+ writes components
// in brackets, DaVis tabs between numbers with decimal commas.
TEST(ColumnText, CfdAndPivNamesFindTheColumnsWhereverTheyStand) {
    struct Header {
        std::vector<std::string> names;  // of the columns x, y, u, v, node number in the order written
        std::vector<int> order;          // which of those each column of the file holds
        std::string separator;
        bool decimalComma = false;
    };
    const std::vector<Header> headers{
        {{"x-coordinate", "y-coordinate", "x-velocity", "y-velocity", "nodenumber"}, {4, 2, 3, 0, 1}, ", "},
        {{"X (m)", "Y (m)", "Velocity[i] (m/s)", "Velocity[j] (m/s)", ""}, {2, 3, 0, 1}, ","},
        {{"X", "Y", "X Velocity", "Y Velocity", ""}, {2, 3, 0, 1}, "\t"},
        {{"Points:0", "Points:1", "velocity:0", "velocity:1", ""}, {2, 3, 0, 1}, ","},
        {{"x", "y", "Ux", "Uy", ""}, {2, 0, 3, 1}, " "},
        {{"x [mm]", "y [mm]", "Vx [m/s]", "Vy [m/s]", ""}, {1, 0, 3, 2}, "\t", true},
    };
    for (const Header& h : headers) {
        std::string text;
        for (std::size_t c = 0; c < h.order.size(); ++c)
            text += (c ? h.separator : "") + h.names[static_cast<std::size_t>(h.order[c])];
        text += "\n";
        int node = 0;
        for (double y : kYs)
            for (double x : kXs) {
                const double values[] = {x, y, formatstest::U(x, y), formatstest::V(x, y),
                                         static_cast<double>(++node)};
                for (std::size_t c = 0; c < h.order.size(); ++c)
                    text += (c ? h.separator : "") +
                            Number(values[static_cast<std::size_t>(h.order[c])], h.decimalComma);
                text += "\n";
            }
        DataSetArrays d;
        ASSERT_EQ(Read(text, "f.csv", d), "") << text;
        EXPECT_EQ(d.ni, 5) << h.names[0];
        EXPECT_EQ(d.nj, 4) << h.names[0];
        formatstest::ExpectAnalytic(d, false);
    }
}

// NaN and the marks of PIV programs make a vector invalid (u = v = 0); OpenPIV's mask, whose
// vectors hold its interpolated replacements, keeps the values.
TEST(ColumnText, InvalidVectorsAsEachProgramMarksThem) {
    struct Mark {
        const char* name;
        int valid, at3, at12;  // the mark of every vector, of vector 3 and of vector 12
        bool invalid3;
    };
    for (const Mark& m :
         {Mark{"flags", 0, 1, 0, true}, Mark{"mask", 0, 1, 1, false}, Mark{"isNaN", 0, 1, 0, true},
          Mark{"typevector", 1, 0, 2, true}, Mark{"CHC", 1, -1, 2, true}}) {
        std::string text = std::string("# x y u v ") + m.name + "\n";
        int n = 0;
        for (double y : kYs)
            for (double x : kXs) {
                text += formats::Num(x) + " " + formats::Num(y) + " " +
                        (n == 7 ? "NaN" : formats::Num(formatstest::U(x, y))) + " " +
                        formats::Num(formatstest::V(x, y)) + " " +
                        std::to_string(n == 3    ? m.at3
                                       : n == 12 ? m.at12
                                                 : m.valid) +
                        "\n";
                ++n;
            }
        DataSetArrays d;
        ASSERT_EQ(Read(text, "piv.txt", d), "") << m.name;
        EXPECT_EQ(d.notes.invalidNodes, m.invalid3 ? 2 : 1) << m.name;
        for (std::size_t at = 0; at < 20; ++at) {
            const bool invalid = at == 7 || (at == 3 && m.invalid3);
            const double x = kXs[at % 5], y = kYs[at / 5];
            EXPECT_EQ(d.u[at], invalid ? 0.0f : static_cast<float>(formatstest::U(x, y)))
                << m.name << " " << at;
        }
    }
}

TEST(ColumnText, BadFilesAreRejectedNamingTheLine) {
    const std::string good = "x y u v\n0 0 1 1\n1 0 1 1\n0 1 1 1\n1 1 1 1\n";
    std::string manyFields = "1";
    for (int n = 0; n < 10000; ++n) manyFields += " 1";
    struct Case {
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases{
        {"", "holds no line of numbers"},
        {"x y u v\n# nothing else\n", "holds no line of numbers"},
        {"x y u v\n0 0 1 1\n1 0 1\n",
         "f.csv, line 3: the line has 3 values, the first line of data (line 2) has 4"},
        {"x y u v\n0 0 1 1\n1 0 1 abc\n", "f.csv, line 3: \"abc\" in column 4 is not a number"},
        {"x y u v\n0 0 1 1\n1 0 1 1e999\n", "line 3: \"1e999\" in column 4"},
        {"x y u v\n0 0 1 1\n1 0 1 " + std::string(5000, 'q') + "\n",
         "\"qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq\u2026\" in"},
        {"x y speed angle\n0 0 1 1\n1 0 1 1\n0 1 1 1\n1 1 1 1\n", "line 2: no velocity found"},
        {"a b u v\n0 0 1 1\n", "no columns for x and y"},
        // Names, none known: listed, never taken by their places.
        {"a b c d\n0 0 1 1\n1 0 1 1\n0 1 1 1\n1 1 1 1\n",
         "line 2: no columns for x and y found (the file has: \"a\", \"b\", \"c\", \"d\")"},
        // Tabs between decimal commas under names between tabs: the value that cannot be read,
        // and the line as it stands.
        {"x\ty\tu\tv\n0,5\t1,5\t2,5\t3,5\n0,5\t1,5\t2,5\tq,5\x01\n",
         "line 3: \"q,5\\x01\" in column 4 is not a number; the line reads \"0,5\\t1,5\\t2,5\\tq,5\\x01\""},
        {"x\ty\tu\tv\n0,5\t1,5\t2,5\tq,5\n", "line 2: \"q,5\" in column 4 is not a number"},
        {"0 0 1\n1 0 1\n", "no columns for x and y"},
        {good + "2 0 1 1\n", "with holes: 1 node is missing, at (2, 1)"},
        {good + "1 1 5 5\n", "line 6: the point (1, 1) appears twice, first in line 5"},
        {"x y u v\n0 0 1 1\n1 0 1 1\n", "every point has the same y value 0"},
        {"x y u v\n0 nan 1 1\n1 0 1 1\n", "line 2: the point's coordinates are not finite"},
        {"x y u v\n0 0 1 1\n1e39 0 1 1\n0 1 1 1\n1e39 1 1 1\n",
         "the x value 1e+39 lies beyond single precision"},
        {"x y u v\n0 0 1 1\n1e-46 0 1 1\n0 1 1 1\n1e-46 1 1 1\n",
         "too close together to differ in single precision"},
        // Decimal commas between commas: x 0.0, 0.5 and y 0.0, 0.5 read as eight whole numbers.
        {"x,y,u,v\n0,0,0,0,1,5,2,5\n0,5,0,0,1,5,2,5\n0,0,0,5,1,5,2,5\n0,5,0,5,1,5,2,5\n",
         "line 4: the point (0, 0) appears twice, first in line 2. Decimal commas are read only where "
         "semicolons, tabs or blanks separate the values."},
        {"x y u v\n" + manyFields + "\n", "line 2: the first line of data has more than 10000 values"},
        {"x y u v\n0 0 1 1\n" + manyFields + "\n", "line 3: the line has more than 10000 values"},
    };
    for (const Case& c : cases) {
        DataSetArrays d;
        const std::string error = Read(c.text, "f.csv", d);
        EXPECT_TRUE(Contains(error, c.message)) << c.text << "\n-> " << error;
    }
    DataSetArrays d;
    EXPECT_EQ(Read(good, "f.csv", d), "");
}

}  // namespace
