#include "formats/gri_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/target_file.h"
#include "scene/gri_format.h"

namespace formats {

namespace {

static_assert(sizeof(float) == 4, "the files hold 32-bit floats");

void PutFloat(unsigned char* out, float value) {
    // The files are little-endian, as is every machine this builds for.
    std::memcpy(out, &value, 4);
}

// Writes the header and COUNT records into FILE, finished but not yet in place.
template <typename Fill>
bool WriteAll(common::TargetFile& file, const std::string& path, const std::string& header,
              std::size_t recordSize, std::size_t count, const Fill& fillRecord, std::string* error) {
    if (!file.Open(path, error)) return false;
    bool ok = header.empty() || file.Write(header.data(), header.size(), error);
    constexpr std::size_t kRecordsPerChunk = 4096;
    std::vector<unsigned char> buffer(recordSize * kRecordsPerChunk);
    for (std::size_t start = 0; ok && start < count; start += kRecordsPerChunk) {
        const std::size_t n = std::min(kRecordsPerChunk, count - start);
        for (std::size_t r = 0; r < n; ++r) fillRecord(start + r, buffer.data() + r * recordSize);
        ok = file.Write(buffer.data(), recordSize * n, error);
    }
    return ok && file.Finish(error);
}

bool ArraysMatch(const DataSetArrays& data, std::string* error) {
    // The counts are written as they are, so that tests can make files the loader rejects.
    const bool arrays = data.nodes && data.u && data.v && data.p && data.w;
    if (data.ni < 0 || data.nj < 0 || data.nk < 0 || (!arrays && data.ni * data.nj * data.nk > 0)) {
        if (error) *error = "arrays do not match the node counts";
        return false;
    }
    return true;
}

bool WriteSolution(common::TargetFile& solution, const std::string& solutionPath, const DataSetArrays& data,
                   std::string* error) {
    const auto count = static_cast<std::size_t>(data.ni * data.nj * data.nk);
    return WriteAll(
        solution, solutionPath, std::string(), static_cast<std::size_t>(gri::kSolutionRecordBytes), count,
        [&](std::size_t i, unsigned char* rec) {
            PutFloat(rec + gri::kOffsetU, data.u[i]);
            PutFloat(rec + gri::kOffsetV, data.v[i]);
            PutFloat(rec + 8, 0.0f);
            PutFloat(rec + gri::kOffsetP, data.p[i]);
            PutFloat(rec + gri::kOffsetW, data.w[i]);
        },
        error);
}

}  // namespace

bool WriteGriSolution(const std::string& solutionPath, const DataSetArrays& data, std::string* error) {
    if (!ArraysMatch(data, error)) return false;
    common::TargetFile solution;
    return WriteSolution(solution, solutionPath, data, error) && solution.Commit(error);
}

bool WriteGriPair(const std::string& geometryPath, const DataSetArrays& data, std::string* error) {
    if (!ArraysMatch(data, error)) return false;
    const auto count = static_cast<std::size_t>(data.ni * data.nj * data.nk);
    const std::string solutionPath = gri::SolutionPathFor(geometryPath);
    common::TargetFile geometry, solution;
    bool ok = WriteAll(
        geometry, geometryPath, gri::WriteHeader(data.ni, data.nj, data.nk),
        static_cast<std::size_t>(gri::kGeometryRecordBytes), count,
        [&](std::size_t i, unsigned char* rec) {
            PutFloat(rec, data.nodes[i].x);
            PutFloat(rec + 4, data.nodes[i].y);
            PutFloat(rec + 8, 0.0f);
        },
        error);
    ok = ok && WriteSolution(solution, solutionPath, data, error);
    // Both files take their names only once both are complete; until then, and after any
    // failure, an earlier pair of the same name stays as it was.
    return ok && geometry.Commit(error) && solution.Commit(error);
}

}  // namespace formats
