#pragma once

#include <cstdint>
#include <string>

#include "tests/formats/formats_test_support.h"
#include "tests/support/test_support.h"

namespace formatstest {

// A file of data/vtk, written by VTK's own writers (data/make_vtk_files.py), and what it holds.
struct VtkFixture {
    const char* name;
    std::int64_t ni, nj, nk;
    bool vorticityInFile;  // "Vorticity" = x - y; else computed, which is 1 for these fields
    int invalidNode;       // the node vtkValidPointMask marks, or -1
    double zStep;          // plane k lies at z = k * zStep
};

inline void PrintTo(const VtkFixture& f, std::ostream* os) {
    *os << f.name;
}

inline std::string FixturePath(const char* name) {
    return std::string(TESMORA_FORMATS_DATA "/vtk/") + name;
}

// Reads the fixture and checks everything it holds against the fields it was written from.
inline void ExpectFixture(const VtkFixture& f) {
    DataSetArrays d;
    const std::string path = FixturePath(f.name);
    ASSERT_EQ(Read(testsupport::ReadBytes(path), path, d), "");
    ASSERT_EQ(d.ni, f.ni);
    ASSERT_EQ(d.nj, f.nj);
    ASSERT_EQ(d.nk, f.nk);
    EXPECT_EQ(d.notes.invalidNodes, f.invalidNode >= 0 ? 1 : 0);
    EXPECT_FALSE(d.notes.pressureMissing);
    EXPECT_EQ(d.notes.vorticityComputed, !f.vorticityInFile);
    if (f.invalidNode >= 0) {
        const auto n = static_cast<std::size_t>(f.invalidNode);
        EXPECT_EQ(d.u[n], 0.0f);
        EXPECT_EQ(d.v[n], 0.0f);
        // Known again from its coordinates, the node is valid for the check below.
        const double x = d.nodes[n].x, y = d.nodes[n].y;
        d.u[n] = static_cast<float>(U(x, y));
        d.v[n] = static_cast<float>(V(x, y));
    }
    ExpectAnalytic(d, true, [&](std::int64_t k) { return static_cast<double>(k) * f.zStep; });
    for (std::size_t n = 0; n < static_cast<std::size_t>(d.NodeCount()); ++n) {
        const double x = d.nodes[n].x, y = d.nodes[n].y;
        if (f.invalidNode >= 0 && !f.vorticityInFile) continue;  // zero around the invalid node
        EXPECT_NEAR(d.w[n], f.vorticityInFile ? x - y : 1.0, 1e-5) << n;
    }
}

}  // namespace formatstest
