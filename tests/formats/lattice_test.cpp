#include "formats/lattice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using formats::Lattice;
using formats::ReadError;

struct Samples {
    std::vector<double> x, y, z;
};

formats::Place LineOf(std::int64_t s) {
    return formats::AtLine(s + 2);
}

// An uneven x axis, a y axis written top down, two planes; the samples in the order ORDER gives.
Samples Scatter(const std::vector<double>& xs, const std::vector<double>& ys, const std::vector<double>& zs,
                const std::vector<std::size_t>& order) {
    Samples all, out;
    for (double z : zs)
        for (double y : ys)
            for (double x : xs) {
                all.x.push_back(x);
                all.y.push_back(y);
                all.z.push_back(z);
            }
    for (std::size_t n : order) {
        out.x.push_back(all.x[n]);
        out.y.push_back(all.y[n]);
        out.z.push_back(all.z[n]);
    }
    return out;
}

std::string ErrorOf(const Samples& s, bool withZ) {
    try {
        formats::SortOntoLattice(s.x, s.y, withZ ? &s.z : nullptr, "f.txt", LineOf);
    } catch (const ReadError& e) {
        return e.GetMessage().english;
    }
    return {};
}

const std::vector<double> kXs{0.0, 0.5, 0.75, 2.0, 2.5};
const std::vector<double> kYs{9.0, 7.0, 6.0, -1.0};  // descending, as PIV programs often write y

TEST(Lattice, SamplesInAnyOrderLandOnTheirNodes) {
    const std::vector<double> zs{0.0, 1.5};
    const std::size_t count = kXs.size() * kYs.size() * zs.size();
    std::vector<std::size_t> order(count);
    std::mt19937 random(7);
    for (int trial = 0; trial < 6; ++trial) {
        for (std::size_t n = 0; n < count; ++n) order[n] = n;
        if (trial == 1) std::reverse(order.begin(), order.end());
        if (trial == 2) {
            // y running fastest
            std::size_t n = 0;
            for (std::size_t k = 0; k < zs.size(); ++k)
                for (std::size_t i = 0; i < kXs.size(); ++i)
                    for (std::size_t j = 0; j < kYs.size(); ++j)
                        order[n++] = (k * kYs.size() + j) * kXs.size() + i;
        }
        if (trial > 2) std::shuffle(order.begin(), order.end(), random);
        const Samples s = Scatter(kXs, kYs, zs, order);
        const Lattice l = formats::SortOntoLattice(s.x, s.y, &s.z, "f.txt", LineOf);
        std::vector<double> ys(kYs);
        std::sort(ys.begin(), ys.end());
        ASSERT_EQ(l.x, kXs);
        ASSERT_EQ(l.y, ys);
        ASSERT_EQ(l.z, zs);
        for (std::int64_t node = 0; node < l.NodeCount(); ++node) {
            const auto n = static_cast<std::size_t>(l.SampleAt(node));
            const auto i = static_cast<std::size_t>(node) % 5, j = static_cast<std::size_t>(node) / 5 % 4,
                       k = static_cast<std::size_t>(node) / 20;
            EXPECT_EQ(s.x[n], l.x[i]);
            EXPECT_EQ(s.y[n], l.y[j]);
            EXPECT_EQ(s.z[n], l.z[k]);
        }
    }
}

TEST(Lattice, TextRoundingInOneLineIsOneLineButUnevenSpacingIsKept) {
    std::vector<std::size_t> order(20);
    for (std::size_t n = 0; n < 20; ++n) order[n] = n;
    Samples s = Scatter(kXs, kYs, {0.0}, order);
    // A few rows written one digit off, and a plane in z that is zero only up to rounding.
    for (std::size_t n = 0; n < 20; n += 3) s.x[n] += (n % 2 ? 1e-6 : -1e-6);
    for (std::size_t n = 0; n < 20; ++n) s.z[n] = (n % 2 ? 1e-12 : -1e-12);
    const Lattice l = formats::SortOntoLattice(s.x, s.y, &s.z, "f.txt", LineOf);
    EXPECT_EQ(l.x.size(), 5u);
    EXPECT_EQ(l.y.size(), 4u);
    EXPECT_EQ(l.z.size(), 1u);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(l.x[i], kXs[i], 1e-6);

    // Real lines closer together than that tolerance stay apart when the lattice is full.
    const std::vector<double> fine{0.0, 1e-7, 2e-7, 1.0};
    std::vector<std::size_t> order8(8);
    for (std::size_t n = 0; n < 8; ++n) order8[n] = n;
    const Samples g = Scatter(fine, {0.0, 2.0}, {0.0}, order8);
    EXPECT_EQ(formats::SortOntoLattice(g.x, g.y, nullptr, "f.txt", LineOf).x, fine);
}

TEST(Lattice, HolesDuplicatesScatterAndNonFiniteCoordinatesAreNamed) {
    std::vector<std::size_t> order(20);
    for (std::size_t n = 0; n < 20; ++n) order[n] = n;
    Samples holes = Scatter(kXs, kYs, {0.0}, order);
    for (int drop : {13, 6}) {
        holes.x.erase(holes.x.begin() + drop);
        holes.y.erase(holes.y.begin() + drop);
    }
    const std::string h = ErrorOf(holes, false);
    EXPECT_NE(h.find("5 × 4 nodes with holes: 2 nodes are missing, the first at (2, 6)"), std::string::npos)
        << h;

    Samples twice = Scatter(kXs, kYs, {0.0}, order);
    twice.x[17] = twice.x[3];
    twice.y[17] = twice.y[3];
    const std::string d = ErrorOf(twice, false);
    EXPECT_NE(d.find("f.txt, line 19: the point (2, 9) appears twice, first in line 5"), std::string::npos)
        << d;

    Samples scattered;
    std::mt19937 random(3);
    std::uniform_real_distribution<double> any(0.0, 1.0);
    for (int n = 0; n < 50; ++n) {
        scattered.x.push_back(any(random));
        scattered.y.push_back(any(random));
    }
    EXPECT_NE(ErrorOf(scattered, false).find("do not form a rectilinear lattice"), std::string::npos);

    Samples nan = Scatter(kXs, kYs, {0.0}, order);
    nan.y[11] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(ErrorOf(nan, false).find("line 13: the point's coordinates are not finite"), std::string::npos);
    EXPECT_NE(ErrorOf(Samples{}, false).find("no points"), std::string::npos);
}

}  // namespace
