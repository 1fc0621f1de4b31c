#include "base/data_set.h"

#include <algorithm>
#include <cstddef>
#include <new>

#include "base/large_pages.h"
#include "base/memory_budget.h"
#include "base/raster_geometry.h"

namespace {

// Bytes a node costs in the scene: its coordinates and four values.
constexpr std::uint64_t kBytesPerNode = sizeof(GridNode) + 4 * sizeof(float);
// What a load takes beside the nodes: the five rasters and the image.
constexpr std::uint64_t kRasterBytes = 5 * kRasterSize * sizeof(float) + kImageBytes;

template <typename T>
std::unique_ptr<T[]> CopyOf(const std::unique_ptr<T[]>& from, std::size_t n) {
    if (!from) return nullptr;
    auto to = std::make_unique_for_overwrite<T[]>(n);
    std::copy_n(from.get(), n, to.get());
    return to;
}

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
        for (float* values : {u.get(), v.get(), p.get(), w.get()})
            AdviseLargePages(values, n * sizeof(float));
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    ni = ni_;
    nj = nj_;
    nk = nk_;
    return true;
}

DataSetArrays DataSetArrays::Zeroed(std::int64_t ni_, std::int64_t nj_, std::int64_t nk_) {
    const auto n = static_cast<std::size_t>(ni_ * nj_ * nk_);
    DataSetArrays data;
    data.nodes = std::make_unique<GridNode[]>(n);
    data.u = std::make_unique<float[]>(n);
    data.v = std::make_unique<float[]>(n);
    data.p = std::make_unique<float[]>(n);
    data.w = std::make_unique<float[]>(n);
    data.ni = ni_;
    data.nj = nj_;
    data.nk = nk_;
    return data;
}

DataSetArrays DataSetArrays::Copy() const {
    const auto n = static_cast<std::size_t>(NodeCount());
    DataSetArrays copy;
    copy.nodes = CopyOf(nodes, n);
    copy.u = CopyOf(u, n);
    copy.v = CopyOf(v, n);
    copy.p = CopyOf(p, n);
    copy.w = CopyOf(w, n);
    copy.ni = ni;
    copy.nj = nj;
    copy.nk = nk;
    copy.notes = notes;
    return copy;
}

bool DataSetArrays::TakePlane(std::int64_t k) {
    const auto n = static_cast<std::size_t>(ni * nj);
    const std::size_t from = static_cast<std::size_t>(k) * n;
    DataSetArrays plane;
    plane.notes = notes;
    if (!plane.Allocate(ni, nj, 1)) return false;
    std::copy_n(nodes.get() + from, n, plane.nodes.get());
    std::copy_n(u.get() + from, n, plane.u.get());
    std::copy_n(v.get() + from, n, plane.v.get());
    std::copy_n(p.get() + from, n, plane.p.get());
    std::copy_n(w.get() + from, n, plane.w.get());
    if (!notes.invalid.empty()) {
        const auto first = notes.invalid.begin() + static_cast<std::ptrdiff_t>(from);
        plane.notes.invalid.assign(first, first + static_cast<std::ptrdiff_t>(n));
        plane.notes.invalidNodes = std::count(plane.notes.invalid.begin(), plane.notes.invalid.end(), 1);
        if (plane.notes.invalidNodes == 0) plane.notes.invalid.clear();
    }
    plane.notes.plane = k;
    plane.notes.planes = nk;
    *this = std::move(plane);
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
