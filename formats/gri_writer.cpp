#include "formats/gri_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "scene/gri_format.h"

namespace formats {

namespace {

static_assert(sizeof(float) == 4, "the files hold 32-bit floats");

void PutFloat(unsigned char* out, float value) {
    // The files are little-endian, as is every machine this builds for.
    std::memcpy(out, &value, 4);
}

std::string Why() {
    return errno ? std::string(": ") + std::strerror(errno) : std::string();
}

// Writes the header and COUNT records to PATH; NAME is the file the user asked for, for messages.
template <typename Fill>
bool WriteAll(const std::string& path, const std::string& name, const std::string& header,
              std::size_t recordSize, std::size_t count, const Fill& fillRecord, std::string* error) {
    errno = 0;
    gri::File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        if (error) *error = "cannot create " + name + Why();
        return false;
    }
    errno = 0;
    bool ok = header.empty() || std::fwrite(header.data(), 1, header.size(), f.get()) == header.size();
    constexpr std::size_t kRecordsPerChunk = 4096;
    std::vector<unsigned char> buffer(recordSize * kRecordsPerChunk);
    for (std::size_t start = 0; ok && start < count; start += kRecordsPerChunk) {
        const std::size_t n = std::min(kRecordsPerChunk, count - start);
        for (std::size_t r = 0; r < n; ++r) fillRecord(start + r, buffer.data() + r * recordSize);
        ok = std::fwrite(buffer.data(), recordSize, n, f.get()) == n;
    }
    // A full disk may show only when the buffers are flushed or the file is closed.
    ok = ok && std::fflush(f.get()) == 0;
    ok = std::fclose(f.release()) == 0 && ok;
    if (!ok && error) *error = "cannot write " + name + Why();
    return ok;
}

}  // namespace

bool WriteGriPair(const std::string& geometryPath, const GriArrays& data, std::string* error) {
    // The counts are written as they are, so that tests can make files the loader rejects.
    const bool arrays = data.nodes && data.u && data.v && data.p && data.w;
    if (data.ni < 0 || data.nj < 0 || data.nk < 0 || (!arrays && data.ni * data.nj * data.nk > 0)) {
        if (error) *error = "arrays do not match the node counts";
        return false;
    }
    const auto count = static_cast<std::size_t>(data.ni * data.nj * data.nk);
    const std::string solutionPath = gri::SolutionPathFor(geometryPath);
    const std::string geometryTemp = geometryPath + ".part";
    const std::string solutionTemp = solutionPath + ".part";
    bool ok = WriteAll(
        geometryTemp, geometryPath, gri::WriteHeader(data.ni, data.nj, data.nk),
        static_cast<std::size_t>(gri::kGeometryRecordBytes), count,
        [&](std::size_t i, unsigned char* rec) {
            PutFloat(rec, data.nodes[i].x);
            PutFloat(rec + 4, data.nodes[i].y);
            PutFloat(rec + 8, 0.0f);
        },
        error);
    ok = ok && WriteAll(
                   solutionTemp, solutionPath, std::string(),
                   static_cast<std::size_t>(gri::kSolutionRecordBytes), count,
                   [&](std::size_t i, unsigned char* rec) {
                       PutFloat(rec + gri::kOffsetU, data.u[i]);
                       PutFloat(rec + gri::kOffsetV, data.v[i]);
                       PutFloat(rec + 8, 0.0f);
                       PutFloat(rec + gri::kOffsetP, data.p[i]);
                       PutFloat(rec + gri::kOffsetW, data.w[i]);
                   },
                   error);
    if (ok) {
        errno = 0;
        if (std::rename(geometryTemp.c_str(), geometryPath.c_str()) != 0) {
            if (error) *error = "cannot create " + geometryPath + Why();
            ok = false;
        } else if (std::rename(solutionTemp.c_str(), solutionPath.c_str()) != 0) {
            if (error) *error = "cannot create " + solutionPath + Why();
            ok = false;
        }
    }
    if (!ok) {
        std::remove(geometryTemp.c_str());
        std::remove(solutionTemp.c_str());
    }
    return ok;
}

}  // namespace formats
