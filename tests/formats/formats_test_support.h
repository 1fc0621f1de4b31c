#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/data_set.h"
#include "formats/format_reader.h"
#include "formats/read_error.h"

namespace formatstest {

// The analytic fields of the fixtures: their vorticity dv/dx - du/dy is 1 everywhere, which
// differences reproduce exactly.
inline double U(double x, double y) {
    return x + 2 * y;
}
inline double V(double x, double y, double z = 0) {
    return 3 * x - y + z;
}
inline double P(double x, double y) {
    return x * y - 1;
}

// Reads BYTES as a file named NAME; the English message when it is rejected, else empty.
inline std::string Read(const std::string& bytes, const std::string& name, DataSetArrays& out) {
    try {
        formats::ReadDataSetBytes(bytes, name, out);
    } catch (const formats::ReadError& e) {
        EXPECT_FALSE(out.nodes) << "a rejected file leaves nothing behind";
        EXPECT_FALSE(e.GetMessage().german.empty());
        // Whatever the file holds, the message stays readable.
        EXPECT_LT(e.GetMessage().english.size(), 400u + name.size()) << e.GetMessage().english;
        return e.GetMessage().english;
    }
    return {};
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every node of every plane holds the analytic velocity of its own coordinates, and, where
// the file gives it (WITH_P), the analytic pressure. Z_OF gives plane k's z for v.
template <typename ZOf>
void ExpectAnalytic(const DataSetArrays& d, bool withP, ZOf zOf, double tolerance = 1e-5) {
    ASSERT_TRUE(d.nodes && d.u && d.v && d.p && d.w);
    for (std::int64_t k = 0, n = 0; k < d.nk; ++k)
        for (std::int64_t j = 0; j < d.nj; ++j)
            for (std::int64_t i = 0; i < d.ni; ++i, ++n) {
                const auto at = static_cast<std::size_t>(n);
                const double x = d.nodes[at].x, y = d.nodes[at].y;
                ASSERT_EQ(d.nodes[at].x, d.nodes[static_cast<std::size_t>(i)].x) << "rectilinear";
                ASSERT_EQ(d.nodes[at].y, d.nodes[static_cast<std::size_t>(j * d.ni)].y) << "rectilinear";
                if (i > 0) {
                    ASSERT_GT(d.nodes[at].x, d.nodes[at - 1].x) << "ascending";
                }
                EXPECT_NEAR(d.u[at], U(x, y), tolerance) << i << "," << j << "," << k;
                EXPECT_NEAR(d.v[at], V(x, y, zOf(k)), tolerance) << i << "," << j << "," << k;
                EXPECT_NEAR(d.p[at], withP ? P(x, y) : 0.0, tolerance) << i << "," << j << "," << k;
            }
    EXPECT_GT(d.nodes[static_cast<std::size_t>(d.ni)].y, d.nodes[0].y) << "ascending";
}

inline void ExpectAnalytic(const DataSetArrays& d, bool withP, double tolerance = 1e-5) {
    ExpectAnalytic(
        d, withP, [](std::int64_t) { return 0.0; }, tolerance);
}

}  // namespace formatstest
