#include "formats/mesh_resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>

#include "formats/read_error.h"

namespace {

using formats::LatticeSize;
using formats::PlaneMesh;
using formats::ResampledMesh;
using formats::ResampleMesh;

void AddCell(PlaneMesh& m, std::initializer_list<std::int64_t> ids) {
    m.connectivity.insert(m.connectivity.end(), ids);
    m.offsets.push_back(static_cast<std::int64_t>(m.connectivity.size()));
}

// A jittered N x N grid of points over [-1, 2] x [0.5, 1.5] whose cells are triangles, quads
// and pentagons (a quad with its bottom edge's midpoint), with the cells of one block left out
// as a hole.
struct RandomMesh {
    PlaneMesh mesh;
    std::vector<std::array<std::int64_t, 3>> triangles;  // the fan of every cell, for the reference
};

RandomMesh MakeMesh(std::mt19937& rng, int n) {
    RandomMesh r;
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    const double hx = 3.0 / (n - 1), hy = 1.0 / (n - 1);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const bool edge = i == 0 || j == 0 || i == n - 1 || j == n - 1;
            r.mesh.x.push_back(-1 + hx * (i + (edge ? 0 : jitter(rng))));
            r.mesh.y.push_back(0.5 + hy * (j + (edge ? 0 : jitter(rng))));
        }
    std::uniform_int_distribution<int> kind(0, 2);
    const int hole = n / 3;
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            if (i >= hole && i < 2 * hole && j >= hole && j < 2 * hole) continue;
            const std::int64_t a = j * n + i, b = a + 1, c = a + n + 1, d = a + n;
            switch (kind(rng)) {
                case 0:
                    AddCell(r.mesh, {a, b, c});
                    AddCell(r.mesh, {a, c, d});
                    r.triangles.push_back({a, b, c});
                    r.triangles.push_back({a, c, d});
                    break;
                case 1:
                    AddCell(r.mesh, {a, b, c, d});
                    r.triangles.push_back({a, b, c});
                    r.triangles.push_back({a, c, d});
                    break;
                default: {
                    const auto m = static_cast<std::int64_t>(r.mesh.x.size());
                    r.mesh.x.push_back(
                        (r.mesh.x[static_cast<std::size_t>(a)] + r.mesh.x[static_cast<std::size_t>(b)]) / 2);
                    r.mesh.y.push_back(
                        (r.mesh.y[static_cast<std::size_t>(a)] + r.mesh.y[static_cast<std::size_t>(b)]) / 2);
                    AddCell(r.mesh, {a, m, b, c, d});
                    r.triangles.push_back({a, m, b});
                    r.triangles.push_back({a, b, c});
                    r.triangles.push_back({a, c, d});
                }
            }
        }
    return r;
}

// The smallest barycentric coordinate of (X, Y) in the triangle: positive inside.
double Inside(const PlaneMesh& m, const std::array<std::int64_t, 3>& t, double x, double y) {
    auto at = [&](int k) { return static_cast<std::size_t>(t[static_cast<std::size_t>(k)]); };
    const double xa = m.x[at(0)], ya = m.y[at(0)], xb = m.x[at(1)], yb = m.y[at(1)], xc = m.x[at(2)],
                 yc = m.y[at(2)];
    const double det = (xb - xa) * (yc - ya) - (xc - xa) * (yb - ya);
    const double l1 = ((x - xa) * (yc - ya) - (xc - xa) * (y - ya)) / det;
    const double l2 = ((xb - xa) * (y - ya) - (x - xa) * (yb - ya)) / det;
    return std::min({1 - l1 - l2, l1, l2});
}

// Over random meshes of every cell kind and lattices of several sizes: a linear field comes
// out exact wherever a cell covers a node, every node clearly inside a cell has a value and
// every node clearly outside all of them (the hole, the jittered margin) has none.
TEST(MeshResampler, LinearFieldsAreExactInsideAndNodesOutsideAreInvalid) {
    std::mt19937 rng(29);
    std::uniform_real_distribution<double> coef(-5, 5);
    for (int round = 0; round < 12; ++round) {
        RandomMesh r = MakeMesh(rng, 6 + round);
        const double a = coef(rng), b = coef(rng), c = coef(rng);
        std::vector<double> f, g;
        for (std::size_t p = 0; p < r.mesh.x.size(); ++p) {
            f.push_back(a * r.mesh.x[p] + b * r.mesh.y[p] + c);
            g.push_back(r.mesh.y[p] - c * r.mesh.x[p]);
        }
        const LatticeSize size = round % 3 == 0 ? LatticeSize{} : LatticeSize{20 + 7 * round, 9 + 3 * round};
        const ResampledMesh s = ResampleMesh(r.mesh, {&f, &g}, size, "m.vtu");
        if (round % 3 == 0) {
            const double nodes = static_cast<double>(s.x.size() * s.y.size());
            EXPECT_NEAR(nodes / static_cast<double>(r.mesh.x.size()), 1.0, 0.35) << round;
        } else {
            ASSERT_EQ(s.x.size(), static_cast<std::size_t>(size.ni));
            ASSERT_EQ(s.y.size(), static_cast<std::size_t>(size.nj));
        }
        EXPECT_EQ(s.x.front(), -1.0);
        EXPECT_EQ(s.x.back(), 2.0);
        EXPECT_EQ(s.y.front(), 0.5);
        EXPECT_EQ(s.y.back(), 1.5);
        std::vector<std::int64_t> ids = r.mesh.connectivity;
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(s.pointsUsed, std::unique(ids.begin(), ids.end()) - ids.begin()) << "the hole's own points";
        std::int64_t outside = 0;
        for (std::size_t j = 0; j < s.y.size(); ++j)
            for (std::size_t i = 0; i < s.x.size(); ++i) {
                const std::size_t node = j * s.x.size() + i;
                const double x = s.x[i], y = s.y[j];
                double best = -1e300;
                for (const auto& t : r.triangles) best = std::max(best, Inside(r.mesh, t, x, y));
                const double u = s.values[0][node];
                if (std::isnan(u)) {
                    ++outside;
                    EXPECT_LT(best, 1e-6) << "a node inside a cell has no value: " << x << ", " << y;
                    EXPECT_TRUE(std::isnan(s.values[1][node]));
                } else {
                    EXPECT_GT(best, -1e-6) << "a node outside every cell has a value: " << x << ", " << y;
                    EXPECT_NEAR(u, a * x + b * y + c, 1e-9);
                    EXPECT_NEAR(s.values[1][node], y - c * x, 1e-9);
                }
            }
        EXPECT_EQ(s.outsideNodes, outside);
        EXPECT_GT(outside, 0) << "the hole holds nodes";
    }
}

TEST(MeshResampler, DefaultSizeKeepsTheAspectWithinBounds) {
    EXPECT_EQ(formats::DefaultLatticeSize(2, 1, 20000).ni, 200);
    EXPECT_EQ(formats::DefaultLatticeSize(2, 1, 20000).nj, 100);
    EXPECT_EQ(formats::DefaultLatticeSize(1, 1, 100000000).ni, formats::kMaxDefaultSide);
    EXPECT_EQ(formats::DefaultLatticeSize(1e6, 1, 1000).nj, 2);
    EXPECT_EQ(formats::DefaultLatticeSize(1e6, 1, 1000).ni, formats::kMaxDefaultSide);
}

// Every hostile mesh is refused with the file's name and the reason, quickly and without
// taking memory for what it only claims.
TEST(MeshResampler, HostileMeshesAreRefusedWithTheReason) {
    const double nan = std::nan("");
    struct Case {
        const char* what;
        std::vector<double> x, y;
        std::vector<std::int64_t> offsets, connectivity;
        LatticeSize size;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"id past the end", {0, 1, 0}, {0, 0, 1}, {0, 3}, {0, 1, 3}, {}, "refers to point 3"},
        {"negative id", {0, 1, 0}, {0, 0, 1}, {0, 3}, {0, -1, 2}, {}, "refers to point -1"},
        {"repeated id", {0, 1, 0, 1}, {0, 0, 1, 1}, {0, 4}, {0, 1, 0, 2}, {}, "holds point 0 twice"},
        {"NaN point", {0, 1, nan}, {0, 0, 1}, {0, 3}, {0, 1, 2}, {}, "point 2 are not finite"},
        {"all zero area", {0, 1, 2, 3}, {0, 1, 2, 3}, {0, 3, 6}, {0, 1, 2, 1, 2, 3}, {}, "no cell"},
        {"collapsed quad only", {0, 1, 0}, {0, 0, 1}, {0, 4}, {0, 1, 1, 0}, {}, "no extent in y"},
        {"no cells", {0, 1}, {0, 1}, {0}, {}, {}, "no cells"},
        {"offsets past connectivity", {0, 1, 0}, {0, 0, 1}, {0, 4}, {0, 1, 2}, {}, "do not fit"},
        {"offsets running back", {0, 1, 0}, {0, 0, 1}, {0, 3, 1, 3}, {0, 1, 2}, {}, "do not fit"},
        {"lattice too large", {0, 1, 0}, {0, 0, 1}, {0, 3}, {0, 1, 2}, {40000, 2}, "not possible"},
        {"lattice of a billion nodes",
         {0, 1, 0},
         {0, 0, 1},
         {0, 3},
         {0, 1, 2},
         {30000, 30000},
         "not possible"},
        {"lattice of one node", {0, 1, 0}, {0, 0, 1}, {0, 3}, {0, 1, 2}, {1, 5}, "not possible"},
    };
    for (const Case& c : cases) {
        PlaneMesh m;
        m.x = c.x;
        m.y = c.y;
        m.offsets = c.offsets;
        m.connectivity = c.connectivity;
        std::vector<double> u(c.x.size(), 1.0);
        try {
            ResampleMesh(m, {&u}, c.size, "bad.vtu");
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const formats::ReadError& e) {
            EXPECT_EQ(e.GetMessage().english.rfind("bad.vtu: ", 0), 0u) << c.what;
            EXPECT_NE(e.GetMessage().english.find(c.reason), std::string::npos)
                << c.what << ": " << e.GetMessage().english;
        }
    }
    // A hundred thousand copies of one triangle over a large lattice: the work stops at its bound.
    PlaneMesh m;
    m.x = {0, 1, 0};
    m.y = {0, 0, 1};
    for (int c = 0; c < 100000; ++c) AddCell(m, {0, 1, 2});
    std::vector<double> u(3, 1.0);
    EXPECT_THROW(ResampleMesh(m, {&u}, {1000, 1000}, "bad.vtu"), formats::ReadError);
}

}  // namespace
