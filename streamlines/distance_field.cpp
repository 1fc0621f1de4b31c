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

bool DistanceField::ColumnDistances(std::vector<Squared>& values, int width, int height) {
    if (width <= 0 || height <= 0 || width > m_width || height > m_height) return false;
    const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    if (values.size() < w * h) return false;
    // Farther than any pixel of the raster, and small enough that adding one cannot overflow.
    const std::int32_t far = ColumnFar(width, height);
    // In place: a pixel's value is read once, before it is written. Down the columns as sweeps
    // along the rows, so that every pass reads memory in order.
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
    return true;
}

void DistanceField::RowDistances(std::vector<Squared>& values, int width, int height, int y) {
    const std::int32_t far = ColumnFar(width, height);
    Squared* row = values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x)
        m_f[x] = row[x] >= far ? -1 : std::int64_t{row[x]} * row[x];
    Transform1D(m_f.data(), row, width);
}

void DistanceField::SquaredDistances(std::vector<Squared>& values, int width, int height,
                                     const std::uint8_t* rows) {
    if (!ColumnDistances(values, width, height)) return;
    const auto w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        if (rows && !rows[y]) {
            Squared* row = values.data() + static_cast<std::size_t>(y) * w;
            std::fill(row, row + w, 0);
            continue;
        }
        RowDistances(values, width, height, y);
    }
}

std::optional<std::size_t> DistanceField::DeepestOpenPixel(std::vector<Squared>& values, int width,
                                                           int height, const std::uint8_t* open) {
    if (!ColumnDistances(values, width, height)) return std::nullopt;
    const Squared far = ColumnFar(width, height);
    const auto w = static_cast<std::size_t>(width);
    const auto edge = [&](int x, int y) {
        const Squared e = std::min({x + 1, width - x, y + 1, height - y});
        return e * e;
    };
    struct Row {
        Squared bound;
        int y;
    };
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const Squared* g = values.data() + static_cast<std::size_t>(y) * w;
        const std::uint8_t* o = open + static_cast<std::size_t>(y) * w;
        Squared bound = -1;
        for (int x = 0; x < width; ++x) {
            if (!o[x]) continue;
            const Squared down = g[x] >= far ? kNoFeature : g[x] * g[x];
            bound = std::max(bound, std::min(down, edge(x, y)));
        }
        if (bound >= 0) rows.push_back({bound, y});
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.bound > b.bound || (a.bound == b.bound && a.y < b.y);
    });
    std::optional<std::size_t> best;
    Squared most = -1;
    for (const Row& row : rows) {
        if (row.bound < most) break;
        // An equal row below the best one could only tie it, and the first of equals is kept.
        if (best && row.bound == most && static_cast<std::size_t>(row.y) > *best / w) continue;
        RowDistances(values, width, height, row.y);
        const std::size_t start = static_cast<std::size_t>(row.y) * w;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = start + static_cast<std::size_t>(x);
            if (!open[i]) continue;
            const Squared v = std::min(values[i], edge(x, row.y));
            if (v > most || (v == most && i < *best)) {
                most = v;
                best = i;
            }
        }
    }
    return best;
}
