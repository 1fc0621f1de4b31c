#include "formats/vorticity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

const std::vector<double> kX{0.0, 0.3, 0.5, 1.2, 1.3, 2.0};  // uneven
const std::vector<double> kY{-1.0, -0.2, 0.0, 0.7, 2.5};

struct Field {
    std::vector<float> u, v, w;
};

template <typename U, typename V>
Field Make(int planes, U fu, V fv) {
    Field f;
    for (int k = 0; k < planes; ++k)
        for (double y : kY)
            for (double x : kX) {
                f.u.push_back(static_cast<float>(fu(x, y, k)));
                f.v.push_back(static_cast<float>(fv(x, y, k)));
            }
    f.w.assign(f.u.size(), -99.0f);
    return f;
}

void Compute(Field& f, int planes, const std::vector<std::uint8_t>& invalid = {}) {
    formats::ComputeVorticity(kX, kY, planes, f.u.data(), f.v.data(), invalid, f.w.data());
}

TEST(Vorticity, SecondOrderInsideOnUnevenSpacingAndOneSidedAtTheEdges) {
    // A quadratic field: central differences on uneven spacing are exact for it, so the inside
    // holds 2x + 2y; per plane, with a plane-dependent factor.
    Field q = Make(
        2, [](double, double y, int k) { return -(k + 1) * y * y; },
        [](double x, double, int k) { return (k + 1) * x * x; });
    Compute(q, 2);
    for (std::size_t k = 0; k < 2; ++k)
        for (std::size_t j = 0; j < kY.size(); ++j)
            for (std::size_t i = 0; i < kX.size(); ++i) {
                const float w = q.w[(k * kY.size() + j) * kX.size() + i];
                const double f = static_cast<double>(k + 1);
                // One-sided at an edge: the slope of the chord to the neighbour.
                const double dvdx = i == 0               ? f * (kX[1] + kX[0])
                                    : i + 1 == kX.size() ? f * (kX[i] + kX[i - 1])
                                                         : 2 * f * kX[i];
                const double dudy = j == 0               ? -f * (kY[1] + kY[0])
                                    : j + 1 == kY.size() ? -f * (kY[j] + kY[j - 1])
                                                         : -2 * f * kY[j];
                EXPECT_NEAR(w, dvdx - dudy, 2e-5) << i << ", " << j << ", " << k;
            }
}

TEST(Vorticity, InvalidNodesAndTheNodesThatWouldReadThemHoldZero) {
    Field f = Make(
        1, [](double, double y, int) { return -3.0 * y; }, [](double x, double, int) { return 2.0 * x; });
    std::vector<std::uint8_t> invalid(f.u.size(), 0);
    const std::size_t ni = kX.size(), bad = 2 * ni + 3;  // i = 3, j = 2
    invalid[bad] = 1;
    Compute(f, 1, invalid);
    for (std::size_t n = 0; n < f.w.size(); ++n) {
        const bool reads = n == bad || n == bad - 1 || n == bad + 1 || n == bad - ni || n == bad + ni;
        EXPECT_FLOAT_EQ(f.w[n], reads ? 0.0f : 5.0f) << n;
    }
    // At an edge the node's own value is in its difference.
    Field e = Make(
        1, [](double, double y, int) { return -3.0 * y; }, [](double x, double, int) { return 2.0 * x; });
    std::vector<std::uint8_t> corner(e.u.size(), 0);
    corner[0] = 1;
    Compute(e, 1, corner);
    EXPECT_EQ(e.w[0], 0.0f);
    EXPECT_EQ(e.w[1], 0.0f);   // its x difference at i = 1 reads node 0
    EXPECT_EQ(e.w[ni], 0.0f);  // and so does the y difference at j = 1
    EXPECT_FLOAT_EQ(e.w[ni + 1], 5.0f);
    EXPECT_FLOAT_EQ(e.w[2], 5.0f);
}

}  // namespace
