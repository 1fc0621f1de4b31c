#include "streamlines/distance_field.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

DistanceField::DistanceField(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
    const auto n = static_cast<std::size_t>(std::max(m_width, m_height));
    m_f.resize(n);
    m_d.resize(n);
    m_z.resize(n + 1);
    m_v.resize(n);
}

void DistanceField::Transform1D(const double* f, double* d, int n) {
    int k = -1;
    for (int q = 0; q < n; ++q) {
        // A pixel infinitely far from every feature roots no parabola; skipping it keeps the
        // intersections free of inf - inf.
        if (std::isinf(f[q])) continue;
        const double fq = f[q] + static_cast<double>(q) * q;
        double s = 0.0;
        while (k >= 0) {
            const int p = m_v[static_cast<std::size_t>(k)];
            s = (fq - (f[p] + static_cast<double>(p) * p)) / (2.0 * (q - p));
            if (s > m_z[static_cast<std::size_t>(k)]) break;
            --k;
        }
        ++k;
        m_v[static_cast<std::size_t>(k)] = q;
        m_z[static_cast<std::size_t>(k)] = k == 0 ? -kInf : s;
        m_z[static_cast<std::size_t>(k) + 1] = kInf;
    }
    if (k < 0) {
        std::fill(d, d + n, kInf);
        return;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (m_z[static_cast<std::size_t>(k) + 1] < q) ++k;
        const int p = m_v[static_cast<std::size_t>(k)];
        d[q] = static_cast<double>(q - p) * (q - p) + f[p];
    }
}

void DistanceField::SquaredDistances(std::vector<double>& values) {
    const auto w = static_cast<std::size_t>(m_width), h = static_cast<std::size_t>(m_height);
    if (values.size() < w * h) return;
    for (std::size_t x = 0; x < w; ++x) {
        for (std::size_t y = 0; y < h; ++y) m_f[y] = values[y * w + x];
        Transform1D(m_f.data(), m_d.data(), m_height);
        for (std::size_t y = 0; y < h; ++y) values[y * w + x] = m_d[y];
    }
    for (std::size_t y = 0; y < h; ++y) {
        double* row = values.data() + y * w;
        std::copy(row, row + w, m_f.begin());
        Transform1D(m_f.data(), row, m_width);
    }
}
