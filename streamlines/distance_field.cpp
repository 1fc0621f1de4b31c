#include "streamlines/distance_field.h"

#include <algorithm>

DistanceField::DistanceField(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
    const auto w = static_cast<std::size_t>(m_width);
    m_f.resize(w);
    m_v.resize(w);
    m_zNum.resize(w);
    m_zDen.resize(w);
}

void DistanceField::Transform1D(const std::int64_t* f, Squared* d, int n) {
    int k = -1;
    for (int q = 0; q < n; ++q) {
        if (f[q] < 0) continue;
        const std::int64_t fq = f[q] + std::int64_t{q} * q;
        // Where the parabola at q overtakes the envelope's last one: num / den.
        std::int64_t num = 0, den = 1;
        while (k >= 0) {
            const int p = m_v[static_cast<std::size_t>(k)];
            num = fq - (f[p] + std::int64_t{p} * p);
            den = 2 * std::int64_t{q - p};
            // The first parabola's part reaches back without end.
            if (k == 0 ||
                num * m_zDen[static_cast<std::size_t>(k)] > m_zNum[static_cast<std::size_t>(k)] * den)
                break;
            --k;
        }
        ++k;
        m_v[static_cast<std::size_t>(k)] = q;
        m_zNum[static_cast<std::size_t>(k)] = num;
        m_zDen[static_cast<std::size_t>(k)] = den;
    }
    if (k < 0) {
        std::fill(d, d + n, kNoFeature);
        return;
    }
    const int last = k;
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (k < last &&
               m_zNum[static_cast<std::size_t>(k) + 1] < q * m_zDen[static_cast<std::size_t>(k) + 1])
            ++k;
        const int p = m_v[static_cast<std::size_t>(k)];
        d[q] = static_cast<Squared>(std::int64_t{q - p} * (q - p) + f[p]);
    }
}

void DistanceField::SquaredDistances(std::vector<Squared>& values, int width, int height,
                                     const std::uint8_t* rows) {
    if (width <= 0 || height <= 0 || width > m_width || height > m_height) return;
    const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    if (values.size() < w * h) return;
    // Farther than any pixel of the raster, and small enough that adding one cannot overflow.
    const std::int32_t far = width + height + 1;
    // The distance down each column, in place: a pixel's value is read once, before it is
    // written. Down the columns as sweeps along the rows, so that every pass reads memory in
    // order.
    Squared* g = values.data();
    for (std::size_t x = 0; x < w; ++x) g[x] = g[x] == 0 ? 0 : far;
    for (std::size_t y = 1; y < h; ++y) {
        const Squared* above = g + (y - 1) * w;
        Squared* row = g + y * w;
        for (std::size_t x = 0; x < w; ++x) row[x] = row[x] == 0 ? 0 : std::min(above[x] + 1, far);
    }
    for (std::size_t y = h - 1; y-- > 0;) {
        const Squared* below = g + (y + 1) * w;
        Squared* row = g + y * w;
        for (std::size_t x = 0; x < w; ++x) row[x] = std::min(row[x], below[x] + 1);
    }
    for (std::size_t y = 0; y < h; ++y) {
        Squared* row = g + y * w;
        if (rows && !rows[y]) {
            std::fill(row, row + w, 0);
            continue;
        }
        for (std::size_t x = 0; x < w; ++x) m_f[x] = row[x] >= far ? -1 : std::int64_t{row[x]} * row[x];
        Transform1D(m_f.data(), row, width);
    }
}
