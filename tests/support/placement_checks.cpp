#include "tests/support/placement_checks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "streamlines/pixel_mapping.h"

namespace testsupport {

namespace {

// The points of the streamlines seen so far, bucketed in squares over the raster of a side at
// least as long as the largest distance asked about; points off the raster share the buckets
// along its edge.
class PointBuckets {
public:
    explicit PointBuckets(int side)
        : m_side(std::max(side, 1)),
          m_cols((kRasterWidth + m_side - 1) / m_side),
          m_rows((kRasterHeight + m_side - 1) / m_side),
          m_buckets(static_cast<std::size_t>(m_cols * m_rows)) {}
    void Add(const Streamline& s) {
        for (std::size_t i = 0; i < s.GetCount(); ++i) {
            const PixelPoint p = s.GetPoint(i);
            m_buckets[Index(Column(p.x), Row(p.y))].push_back(p);
        }
    }
    // The distance to the nearest point within SIDE; infinity when none is that near.
    double Nearest(PixelPoint p) const {
        double best = std::numeric_limits<double>::infinity();
        const int c = Column(p.x), r = Row(p.y);
        for (int dc = -1; dc <= 1; ++dc)
            for (int dr = -1; dr <= 1; ++dr) {
                if (c + dc < 0 || c + dc >= m_cols || r + dr < 0 || r + dr >= m_rows) continue;
                for (const PixelPoint& q : m_buckets[Index(c + dc, r + dr)])
                    best = std::min(best, PixelDistance(p.x, p.y, q.x, q.y));
            }
        return best;
    }

private:
    int Column(int x) const { return std::clamp(x, 0, kRasterWidth - 1) / m_side; }
    int Row(int y) const { return std::clamp(y, 0, kRasterHeight - 1) / m_side; }
    std::size_t Index(int c, int r) const { return static_cast<std::size_t>(r * m_cols + c); }
    int m_side, m_cols, m_rows;
    std::vector<std::vector<PixelPoint>> m_buckets;
};

std::string Where(std::size_t line, std::size_t point, PixelPoint p) {
    return "streamline " + std::to_string(line) + ", point " + std::to_string(point) + " (" +
           std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}

// Squared Euclidean distance transform of one line of N samples, in place (Felzenszwalb and
// Huttenlocher's lower envelope of parabolas).
void DistanceTransform1D(std::vector<double>& f) {
    const std::size_t n = f.size();
    std::vector<double> d(n), z(n + 1);
    std::vector<std::size_t> v(n);
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::size_t k = 0;
    std::size_t first = n;
    for (std::size_t q = 0; q < n; ++q)
        if (std::isfinite(f[q])) {
            first = q;
            break;
        }
    if (first == n) return;  // nothing in this line: everything stays infinite
    v[0] = first;
    z[0] = -inf;
    z[1] = inf;
    for (std::size_t q = first + 1; q < n; ++q) {
        if (!std::isfinite(f[q])) continue;  // no parabola where there is no point
        const auto dq = static_cast<double>(q);
        double s = 0.0;
        // z[0] is minus infinity, so k never drops below 0.
        for (;; --k) {
            const auto dv = static_cast<double>(v[k]);
            s = ((f[q] + dq * dq) - (f[v[k]] + dv * dv)) / (2.0 * (dq - dv));
            if (s > z[k]) break;
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = inf;
    }
    k = 0;
    for (std::size_t q = 0; q < n; ++q) {
        const auto dq = static_cast<double>(q);
        while (z[k + 1] < dq) ++k;
        const auto dv = static_cast<double>(v[k]);
        d[q] = (dq - dv) * (dq - dv) + f[v[k]];
    }
    f = d;
}

}  // namespace

std::vector<std::string> PlacementViolations(const FlowScene& scene, std::size_t limit) {
    std::vector<std::string> out;
    auto report = [&](std::string text) {
        if (out.size() < limit) out.push_back(std::move(text));
    };
    const double dsep = static_cast<float>(scene.m_nDSep);
    const double dtest = scene.m_fDTest;
    PointBuckets earlier(static_cast<int>(std::ceil(std::max(dsep, dtest))));
    for (std::size_t k = 0; k < scene.GetStreamlineCount(); ++k) {
        const Streamline& s = scene.StreamlineAt(k);
        for (std::size_t i = 0; i < s.GetCount(); ++i) {
            const PixelPoint p = s.GetPoint(i);
            if (i + 1 < s.GetCount()) {
                const PixelPoint q = s.GetPoint(i + 1);
                if (!(PixelDistance(p.x, p.y, q.x, q.y) > 1.5))
                    report(Where(k, i, p) + " is 1.5 pixels or less from the next point");
            }
            const double nearest = earlier.Nearest(p);
            if (nearest < dtest)
                report(Where(k, i, p) + " lies " + std::to_string(nearest) + " from an earlier line");
            if (k > 0 && i == s.SeedIndex() && nearest < dsep)
                report(Where(k, i, p) + ", the seed, lies " + std::to_string(nearest) +
                       " from an earlier line");
        }
        earlier.Add(s);
    }
    return out;
}

Coverage MeasureCoverage(const FlowScene& scene) {
    Coverage c;
    if (!scene.m_pRasterSpeed) return c;
    constexpr double inf = std::numeric_limits<double>::infinity();
    const auto width = static_cast<std::size_t>(kRasterWidth),
               height = static_cast<std::size_t>(kRasterHeight);
    std::vector<double> grid(width * height, inf);
    for (std::size_t k = 0; k < scene.GetStreamlineCount(); ++k) {
        const Streamline& s = scene.StreamlineAt(k);
        for (std::size_t i = 0; i < s.GetCount(); ++i) {
            const PixelPoint p = s.GetPoint(i);
            if (IsInRaster(p.x, p.y))
                grid[static_cast<std::size_t>(p.y) * width + static_cast<std::size_t>(p.x)] = 0.0;
        }
    }
    std::vector<double> line;
    for (std::size_t x = 0; x < width; ++x) {
        line.assign(height, inf);
        for (std::size_t y = 0; y < height; ++y) line[y] = grid[y * width + x];
        DistanceTransform1D(line);
        for (std::size_t y = 0; y < height; ++y) grid[y * width + x] = line[y];
    }
    for (std::size_t y = 0; y < height; ++y) {
        line.assign(grid.begin() + static_cast<std::ptrdiff_t>(y * width),
                    grid.begin() + static_cast<std::ptrdiff_t>((y + 1) * width));
        DistanceTransform1D(line);
        std::copy(line.begin(), line.end(), grid.begin() + static_cast<std::ptrdiff_t>(y * width));
    }
    const double dsep = scene.m_nDSep;
    std::size_t within = 0;
    for (std::size_t i = 0; i < width * height; ++i) {
        const float speed = scene.m_pRasterSpeed[i];
        if (!(speed > 0.0f) || !std::isfinite(speed)) continue;
        ++c.movingPixels;
        const double gap = std::sqrt(grid[i]);
        if (gap <= dsep) ++within;
        if (gap > c.largestGap) {
            c.largestGap = gap;
            c.farthest = {static_cast<int>(i % width), static_cast<int>(i / width)};
        }
    }
    if (c.movingPixels) c.shareWithinDSep = static_cast<double>(within) / static_cast<double>(c.movingPixels);
    return c;
}

double PolylineLength(const Streamline& s) {
    double length = 0.0;
    for (std::size_t i = 1; i < s.GetCount(); ++i) {
        const PixelPoint a = s.GetPoint(i - 1), b = s.GetPoint(i);
        length += PixelDistance(a.x, a.y, b.x, b.y);
    }
    return length;
}

double MeanStreamlineLength(const FlowScene& scene) {
    const std::size_t n = scene.GetStreamlineCount();
    double total = 0.0;
    for (std::size_t k = 0; k < n; ++k) total += PolylineLength(scene.StreamlineAt(k));
    return n ? total / static_cast<double>(n) : 0.0;
}

}  // namespace testsupport
