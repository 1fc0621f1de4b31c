#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// The data set's file pair, in one place for everything that reads or writes it.
//
// Geometry file NAME.gri: a 40-byte text header, "SN4DB " followed by ni, nj, nk, two more
// integers and a decimal number, then one 12-byte record per node (x, y and an unused float).
// Solution file (NAME.gri less its last three characters, plus "00000.dat"): one 20-byte
// record per node (u, v, an unused float, pressure, vorticity). Little-endian 32-bit floats;
// node (i, j, k) is record (k * nj + j) * ni + i in both. The counts are 16-bit signed numbers,
// as CountsUsable (base/data_set.h) asks of every data set.
namespace gri {

inline constexpr std::string_view kMagic = "SN4DB ";
inline constexpr std::size_t kHeaderBytes = 40;
inline constexpr std::int64_t kGeometryRecordBytes = 12;
inline constexpr std::int64_t kSolutionRecordBytes = 20;
// Byte offsets of the values within a solution record.
inline constexpr std::size_t kOffsetU = 0;
inline constexpr std::size_t kOffsetV = 4;
inline constexpr std::size_t kOffsetP = 12;
inline constexpr std::size_t kOffsetW = 16;
// The solution file beside GEOMETRY_PATH: exactly three characters are cut, whatever they
// are (a shorter path loses all of them), and "00000.dat" appended.
inline std::string SolutionPathFor(const std::string& geometryPath) {
    const std::size_t keep = geometryPath.size() >= 3 ? geometryPath.size() - 3 : 0;
    return geometryPath.substr(0, keep) + "00000.dat";
}

// The header as the writers write it: "SN4DB ni nj nk 0 0 0.0", zero-padded to 40 bytes.
std::string WriteHeader(std::int64_t ni, std::int64_t nj, std::int64_t nk);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace gri
