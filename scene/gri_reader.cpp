#include "scene/gri_reader.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "base/large_pages.h"
#include "base/parallel_parts.h"
#include "base/reporter.h"
#include "scene/data_set_checks.h"
#include "scene/gri_format.h"
#include "scene/header_parser.h"

static_assert(std::endian::native == std::endian::little, "the data files are little-endian");
static_assert(sizeof(float) == 4 && sizeof(GridNode) == 8);

namespace {

using gri::File;
using gri::kGeometryRecordBytes;
using gri::kSolutionRecordBytes;
using loading::QuotedEn;
using loading::Unreadable;
using loading::Why;

constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

// Makes sure PATH is a regular file and gives its length, without opening it.
bool ProbeRegularFile(const std::string& path, std::int64_t& length, Why& why) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        why = {"sie existiert nicht oder ist nicht erreichbar.", "it does not exist or cannot be reached"};
        return false;
    }
    if (std::filesystem::is_directory(status)) {
        why = {"das ist ein Ordner, keine Datei.", "it is a folder, not a file"};
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        why = {"das ist keine gew\u00F6hnliche Datei.", "it is not a regular file"};
        return false;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        why = {"ihre Gr\u00F6\u00DFe l\u00E4sst sich nicht bestimmen.", "its size cannot be determined"};
        return false;
    }
    length = static_cast<std::int64_t>(size);
    return true;
}

// Opens PATH for binary reading after making sure it is a regular file; returns its length.
// On failure returns null and sets WHY.
File OpenRegularFile(const std::string& path, std::int64_t& length, Why& why) {
    if (!ProbeRegularFile(path, length, why)) return nullptr;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        const std::string error = std::strerror(errno);
        why = {"sie l\u00E4sst sich nicht \u00F6ffnen (" + error + ").",
               "it cannot be opened (" + error + ")"};
        return nullptr;
    }
    return file;
}

Why TooShort(std::int64_t nodes, std::int64_t expected, std::int64_t actual) {
    const std::string n = std::to_string(nodes), e = std::to_string(expected), a = std::to_string(actual);
    return {"sie ist zu kurz: f\u00FCr " + n + " Knoten sind " + e + " Bytes n\u00F6tig, sie hat " + a + ".",
            "it is too short: " + n + " nodes need " + e + " bytes, it has " + a};
}

// The header's counts as the user is told of them: a saturated one is shown as too large.
Message UnusableHeaderCounts(const std::string& path, const ParsedHeader& header) {
    const auto [ni, nj, nk] = header.counts;
    auto show = [](std::uint64_t v, const char* tooLarge) {
        return v >= ParsedHeader::kSaturated ? std::string(tooLarge) : std::to_string(v);
    };
    Message m = loading::UnusableCounts(path, show(ni, "(zu gro\u00DF)"), show(nj, "(zu gro\u00DF)"),
                                        show(nk, "(zu gro\u00DF)"));
    m.english = loading::UnusableCounts(path, show(ni, "(too large)"), show(nj, "(too large)"),
                                        show(nk, "(too large)"))
                    .english;
    return m;
}

Message OutOfMemory(const std::string& path, std::int64_t nodes) {
    const std::string n = std::to_string(nodes);
    return {messages::kAppCaption, "Nicht gen\u00FCgend Arbeitsspeicher, um " + n + " Knoten zu laden.",
            "not enough memory to load the " + n + " nodes of " + QuotedEn(path)};
}

float FloatAt(const unsigned char* bytes) {
    float value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Fills BUFFER with BYTES from FD at OFFSET, going on after short reads and interrupts; false
// when the file ends first or a read fails.
bool ReadAt(int fd, unsigned char* buffer, std::size_t bytes, std::int64_t offset) {
    while (bytes > 0) {
        const ssize_t n = ::pread(fd, buffer, bytes, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer += n;
        bytes -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// Reads records FIRST to END of RECORD bytes each, the records starting at byte BASE of FD, in
// chunks of whole records, and hands each chunk to STORE with the index of its first record and
// how many it holds. Returns false on a short read.
template <typename Store>
bool ReadRecordRange(int fd, std::int64_t base, std::int64_t first, std::int64_t end, std::int64_t record,
                     Store&& store) {
    const auto perChunk = std::max<std::int64_t>(1, static_cast<std::int64_t>(kChunkBytes) / record);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(perChunk, end - first) * record));
    for (std::int64_t start = first; start < end;) {
        const std::int64_t n = std::min(perChunk, end - start);
        if (!ReadAt(fd, buffer.data(), static_cast<std::size_t>(n * record), base + start * record))
            return false;
        store(start, n, static_cast<const unsigned char*>(buffer.data()));
        start += n;
    }
    return true;
}

// ReadRecordRange over FIRST to END in parts on their own threads (base/parallel_parts.h),
// each part beginning at FIRST plus a multiple of ALIGN records; STORE(k, start, n, records)
// is told its part k. Returns false when any part's read fell short.
template <typename Store>
bool ReadRecordsInParts(int fd, std::int64_t base, const std::vector<std::int64_t>& bounds,
                        std::int64_t record, Store&& store) {
    std::vector<char> read(bounds.size(), 0);
    RunParts(bounds, [&](std::size_t k, std::int64_t first, std::int64_t end) {
        read[k] = ReadRecordRange(fd, base, first, end, record,
                                  [&](std::int64_t start, std::int64_t n, const unsigned char* records) {
                                      store(k, start, n, records);
                                  });
    });
    return std::all_of(read.begin(), read.end() - 1, [](char ok) { return ok != 0; });
}

}  // namespace

bool GriReader::Accepts(const std::string&) const {
    return true;
}

bool GriReader::Read(const std::string& path, DataSetArrays& out, Reporter& reporter) {
    // The last line: nothing but a report leaves the reader, whatever went wrong inside it.
    try {
        return ReadPair(path, out, reporter);
    } catch (const std::bad_alloc&) {
        out.Release();
        reporter.Tell({messages::kAppCaption,
                       "Nicht gen\u00FCgend Arbeitsspeicher, um " + loading::QuotedDe(path) + " zu laden.",
                       "not enough memory to load " + QuotedEn(path)});
    } catch (const std::exception& e) {
        out.Release();
        reporter.Tell(Unreadable(
            path, {"das Lesen brach mit einem unerwarteten Fehler ab (" + std::string(e.what()) + ").",
                   "reading stopped on an unexpected error (" + std::string(e.what()) + ")"}));
    }
    m_planeShape = {};
    return false;
}

bool GriReader::ReadPair(const std::string& path, DataSetArrays& out, Reporter& reporter) {
    out.Release();
    m_planeShape = {};
    auto fail = [&](const Message& message) {
        out.Release();
        reporter.Tell(message);
        return false;
    };

    std::int64_t geometryLength = 0;
    Why why;
    File geometry = OpenRegularFile(path, geometryLength, why);
    if (!geometry) return fail(Unreadable(path, why));

    char headerBytes[kGeometryHeaderBytes] = {};
    const std::size_t headerRead = std::fread(headerBytes, 1, sizeof headerBytes, geometry.get());
    const ParsedHeader header = ParseGeometryHeader(std::string_view(headerBytes, headerRead));
    if (!header.magicOk)
        // The fixed first line, then which file and why, as for every other refusal.
        return fail({messages::kLoadingErrorCaption,
                     std::string(messages::kWrongFileFormat) + "\nDie Datei " + loading::QuotedDe(path) +
                         " ist keine Geometriedatei: sie beginnt nicht mit \u201ESN4DB \u201C.",
                     std::string(messages::kWrongFileFormat) + " " + QuotedEn(path) +
                         " does not begin with \"SN4DB \", as a geometry file does"});
    if (headerRead < kGeometryHeaderBytes)
        return fail(Unreadable(path, {"sie ist k\u00FCrzer als ihr Kopf von 40 Bytes.",
                                      "it is shorter than its 40-byte header"}));

    // The parser saturates at 2^62, so every count fits and an absurd one stays absurd.
    const auto ni = static_cast<std::int64_t>(header.counts[0]);
    const auto nj = static_cast<std::int64_t>(header.counts[1]);
    const auto nk = static_cast<std::int64_t>(header.counts[2]);
    if (!CountsUsable(ni, nj, nk)) return fail(UnusableHeaderCounts(path, header));

    const std::int64_t nodeCount = ni * nj * nk;
    const std::int64_t geometryNeeded =
        static_cast<std::int64_t>(kGeometryHeaderBytes) + kGeometryRecordBytes * nodeCount;
    if (geometryLength < geometryNeeded)
        return fail(Unreadable(path, TooShort(nodeCount, geometryNeeded, geometryLength)));

    // The solution file is only looked at here, not opened: both files are open one after the
    // other, the geometry file closed before the solution file is opened.
    const std::string solutionPath = m_solutionPath.empty() ? gri::SolutionPathFor(path) : m_solutionPath;
    std::int64_t solutionLength = 0;
    if (!ProbeRegularFile(solutionPath, solutionLength, why)) return fail(Unreadable(solutionPath, why));
    const std::int64_t solutionNeeded = kSolutionRecordBytes * nodeCount;
    if (solutionLength < solutionNeeded)
        return fail(Unreadable(solutionPath, TooShort(nodeCount, solutionNeeded, solutionLength)));

    // Sparse files can be as long as their header promises without holding the data; the
    // arrays are compared with what the machine has before anything is taken.
    if (!out.Allocate(ni, nj, nk)) return fail(OutOfMemory(path, nodeCount));

    const std::int64_t planeNodes = ni * nj;
    auto storeNodes = [&](std::int64_t start, std::int64_t n, const unsigned char* records) {
        GridNode* nodes = out.nodes.get() + start;
        for (std::int64_t r = 0; r < n; ++r, records += kGeometryRecordBytes)
            nodes[r] = GridNode{FloatAt(records), FloatAt(records + 4)};
    };
    // The first row alone, then the rest in parts of whole rows, each judged by a check of its
    // own as it is stored: every check compares its nodes with the first row.
    const int fd = fileno(geometry.get());
    GridShapeCheck firstRow(out.nodes.get(), ni);
    const auto parts = PartBounds(ni, nodeCount, GriReader::kLeastNodesOfAPart, ni);
    std::vector<GridShapeCheck> checks;
    checks.reserve(parts.size());
    for (std::size_t k = 0; k + 1 < parts.size(); ++k)
        checks.emplace_back(out.nodes.get(), ni, parts[k] / ni);
    try {
        const bool read =
            ReadRecordRange(fd, kGeometryHeaderBytes, 0, ni, kGeometryRecordBytes,
                            [&](std::int64_t start, std::int64_t n, const unsigned char* records) {
                                storeNodes(start, n, records);
                                firstRow.Next(n);
                            }) &&
            ReadRecordsInParts(
                fd, kGeometryHeaderBytes, parts, kGeometryRecordBytes,
                [&](std::size_t k, std::int64_t start, std::int64_t n, const unsigned char* records) {
                    storeNodes(start, n, records);
                    // Judged once the run is stored, so that neither loop holds up the other.
                    checks[k].Next(std::clamp<std::int64_t>(planeNodes - start, 0, n));
                });
        if (!read)
            return fail(
                Unreadable(path, {"Lesefehler mitten in den Knoten.", "a read failed amid the nodes"}));
    } catch (const std::bad_alloc&) {
        return fail(OutOfMemory(path, nodeCount));
    }
    GridShape shape = firstRow.Result();
    for (const auto& check : checks) shape = check.After(shape);
    geometry.reset();
    if (const auto bad = loading::CheckPlaneGeometry(out.nodes.get(), ni, nj, path)) return fail(*bad);

    File solution = OpenRegularFile(solutionPath, solutionLength, why);
    if (!solution) return fail(Unreadable(solutionPath, why));
    // The nodes were faulted in as they were zeroed; the fields are, here, before the threads.
    const auto solutionParts = PartBounds(0, nodeCount, GriReader::kLeastNodesOfAPart);
    if (solutionParts.size() > 2)
        for (float* field : {out.u.get(), out.v.get(), out.p.get(), out.w.get()})
            FaultInPages(field, static_cast<std::size_t>(nodeCount) * sizeof(float));
    const bool read = ReadRecordsInParts(
        fileno(solution.get()), 0, solutionParts, kSolutionRecordBytes,
        [&](std::size_t, std::int64_t start, std::int64_t n, const unsigned char* records) {
            const auto k = static_cast<std::size_t>(start);
            float *u = out.u.get() + k, *v = out.v.get() + k;
            float *p = out.p.get() + k, *w = out.w.get() + k;
            for (std::int64_t r = 0; r < n; ++r, records += kSolutionRecordBytes) {
                u[r] = FloatAt(records + gri::kOffsetU);
                v[r] = FloatAt(records + gri::kOffsetV);
                p[r] = FloatAt(records + gri::kOffsetP);
                w[r] = FloatAt(records + gri::kOffsetW);
            }
        });
    if (!read)
        return fail(
            Unreadable(solutionPath, {"Lesefehler mitten in den Werten.", "a read failed amid the values"}));
    m_planeShape = shape;
    out.notes.binary = true;
    return true;
}
