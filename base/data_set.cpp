#include "base/data_set.h"

#include <new>

#include "base/memory_budget.h"
#include "base/raster_geometry.h"

namespace {

// Bytes a node costs in the scene: its coordinates and four values.
constexpr std::uint64_t kBytesPerNode = sizeof(GridNode) + 4 * sizeof(float);
// What a load takes beside the nodes: the five rasters and the image.
constexpr std::uint64_t kRasterBytes = 5 * kRasterSize * sizeof(float) + kImageBytes;

}  // namespace

bool DataSetArrays::Allocate(std::int64_t ni_, std::int64_t nj_, std::int64_t nk_) {
    // The notes are the reader's and stay; only the arrays are taken anew.
    const DataSetNotes kept = notes;
    Release();
    notes = kept;
    if (ni_ < 0 || nj_ < 0 || nk_ < 0 || ni_ > kMaxAxisCount || nj_ > kMaxAxisCount || nk_ > kMaxAxisCount)
        return false;
    const auto n = static_cast<std::size_t>(ni_ * nj_ * nk_);
    if (!FitsInMemory(kBytesPerNode * n + kRasterBytes)) return false;
    try {
        nodes = std::make_unique_for_overwrite<GridNode[]>(n);
        u = std::make_unique_for_overwrite<float[]>(n);
        v = std::make_unique_for_overwrite<float[]>(n);
        p = std::make_unique_for_overwrite<float[]>(n);
        w = std::make_unique_for_overwrite<float[]>(n);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    ni = ni_;
    nj = nj_;
    nk = nk_;
    return true;
}

void DataSetArrays::Release() {
    nodes.reset();
    u.reset();
    v.reset();
    p.reset();
    w.reset();
    ni = nj = nk = 0;
    notes = {};
}
