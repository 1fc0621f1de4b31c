#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

// Exact Euclidean distance transform of a raster: the distance down each column by two sweeps
// over the rows, then along each row the lower envelope of parabolas (Felzenszwalb and
// Huttenlocher 2012). Linear in the number of pixels; the distances down the columns are
// formed in the raster itself and the scratch buffers are one row long, so a transform touches
// no memory beyond the raster and, after the first, allocates nothing.
class DistanceField {
public:
    // Squared distances between pixels are whole numbers, and those of any raster a field can
    // hold fit 32 bits; kNoFeature stands above all of them.
    using Squared = std::int32_t;
    static constexpr Squared kNoFeature = std::numeric_limits<Squared>::max();

    // A field for rasters of up to WIDTH x HEIGHT pixels, WIDTH + HEIGHT below 46 000.
    DistanceField(int width, int height);

    // On entry VALUES holds 0 at the feature pixels and anything else elsewhere (row-major, row
    // 0 first); on return the squared distance of each pixel to the nearest feature, kNoFeature
    // everywhere when there is none. The raster is the field's size.
    void SquaredDistances(std::vector<Squared>& values) { SquaredDistances(values, m_width, m_height); }
    // The same for a raster of WIDTH x HEIGHT at the start of VALUES, within the field's size.
    // Where ROWS is given, only the rows Y with ROWS[Y] set are measured; the others, whose
    // distances the caller does not need, are set to 0 without the cost of the rows' pass.
    void SquaredDistances(std::vector<Squared>& values, int width, int height,
                          const std::uint8_t* rows = nullptr);

    // The two halves of SquaredDistances, for a caller that chooses which rows to measure from
    // the first. ColumnDistances leaves at each pixel its distance, in pixels, to the nearest
    // feature in its column, ColumnFar(WIDTH, HEIGHT) where the column has none; false, with
    // VALUES unchanged, where the raster does not fit the field. RowDistances then turns row Y
    // of those into the squared distances of the row's pixels to the nearest feature anywhere.
    static Squared ColumnFar(int width, int height) { return width + height + 1; }
    bool ColumnDistances(std::vector<Squared>& values, int width, int height);
    void RowDistances(std::vector<Squared>& values, int width, int height, int y);

    // Of the pixels with OPEN set, the one deepest inside: the greatest squared distance to the
    // nearest feature, capped at the squared distance to the raster's edge counted from outside
    // it, min(x + 1, WIDTH - x, y + 1, HEIGHT - y)^2; of equals the first in row-major order;
    // none where no pixel is open or the raster does not fit the field. VALUES as for
    // SquaredDistances, with a feature somewhere; on return it holds squared distances in the
    // rows that were measured and distances down the columns in the others. A pixel lies no
    // farther from the features than down its column, so only the rows whose bound from that
    // can still win are measured, most promising first.
    std::optional<std::size_t> DeepestOpenPixel(std::vector<Squared>& values, int width, int height,
                                                const std::uint8_t* open);

private:
    // One row: D receives the lower envelope of the parabolas rooted at F, where F is not
    // negative; a negative F roots none.
    void Transform1D(const std::int64_t* f, Squared* d, int n);

    int m_width;
    int m_height;
    std::vector<std::int64_t> m_f;
    // The envelope's parabolas, and where each one's part begins as the fraction m_zNum / m_zDen,
    // so that no division rounds it: every value here is a whole number.
    std::vector<int> m_v;
    std::vector<std::int64_t> m_zNum, m_zDen;
};
