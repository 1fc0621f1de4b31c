// Reading a geometry file and its solution file into the scene.
//
// Every size is formed in 64 bits and each file's length is checked against what its header
// promises before anything is allocated, so no header can make the program take more memory
// than the files hold. The new data is read into local arrays and handed to the scene only
// when everything has been read: a failure leaves nothing of the new files behind.

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "scene/data_set.h"
#include "scene/flow_scene.h"
#include "scene/gri_format.h"
#include "scene/header_parser.h"

static_assert(std::endian::native == std::endian::little, "the data files are little-endian");
static_assert(sizeof(float) == 4 && sizeof(GridNode) == 8);

namespace {

using gri::File;
using gri::kGeometryRecordBytes;
using gri::kSolutionRecordBytes;

constexpr std::size_t kChunkBytes = std::size_t{1} << 18;

std::string Quoted(const std::string& path) {
    return "\u201E" + path + "\u201C";
}

std::string Unreadable(const std::string& path, const std::string& why) {
    return "Die Datei " + Quoted(path) + " kann nicht gelesen werden: " + why;
}

// Opens PATH for binary reading after making sure it is a regular file; returns its length.
// On failure returns null and sets WHY.
File OpenRegularFile(const std::string& path, std::int64_t& length, std::string& why) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        why = "sie existiert nicht oder ist nicht erreichbar.";
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        why = "das ist ein Ordner, keine Datei.";
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(status)) {
        why = "das ist keine gew\u00F6hnliche Datei.";
        return nullptr;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        why = "ihre Gr\u00F6\u00DFe l\u00E4sst sich nicht bestimmen.";
        return nullptr;
    }
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        why = std::string("sie l\u00E4sst sich nicht \u00F6ffnen (") + std::strerror(errno) + ").";
        return nullptr;
    }
    length = static_cast<std::int64_t>(size);
    return file;
}

std::string TooShort(const std::string& kind, std::int64_t nodes, std::int64_t expected,
                     std::int64_t actual) {
    return kind + " ist zu kurz: f\u00FCr " + std::to_string(nodes) + " Knoten sind " +
           std::to_string(expected) + " Bytes n\u00F6tig, sie hat " + std::to_string(actual) + ".";
}

float FloatAt(const unsigned char* bytes) {
    float value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Reads COUNT records of RECORD bytes in chunks of whole records and hands each to STORE with
// its running index. Returns false on a short read.
template <typename Store>
bool ReadRecords(std::FILE* file, std::int64_t count, std::int64_t record, std::vector<unsigned char>& buffer,
                 Store&& store) {
    const auto perChunk = std::max<std::int64_t>(1, static_cast<std::int64_t>(kChunkBytes) / record);
    buffer.resize(static_cast<std::size_t>(std::min(perChunk, count) * record));
    for (std::int64_t start = 0; start < count;) {
        const std::int64_t n = std::min(perChunk, count - start);
        const auto bytes = static_cast<std::size_t>(n * record);
        if (std::fread(buffer.data(), 1, bytes, file) != bytes) return false;
        for (std::int64_t r = 0; r < n; ++r) store(start + r, buffer.data() + r * record);
        start += n;
    }
    return true;
}

// The world-to-pixel scales divide by the extents: they must be finite, positive and leave
// a finite scale.
bool UsableExtent(float extent, float pixels) {
    return std::isfinite(extent) && extent > 0.0f && std::isfinite(pixels / extent);
}

std::string NotIncreasing(const std::string& path, float extentX, float extentY) {
    const bool badX = !UsableExtent(extentX, 349.0f);
    return "Die Geometriedatei " + Quoted(path) + " beschreibt kein aufsteigendes Gitter: die " +
           (badX ? "erste Zeile hat in x" : "erste Spalte hat in y") + " die Ausdehnung " +
           std::to_string(badX ? extentX : extentY) + "; sie muss endlich und gr\u00F6\u00DFer als 0 sein.";
}

}  // namespace

std::string FlowScene::SolutionPathFor(const std::string& geometryPath) {
    return gri::SolutionPathFor(geometryPath);
}

bool FlowScene::LoadDataSet(const std::string& path) {
    auto fail = [this](const std::string& text, const char* caption) {
        m_pReporter->Report(text, caption);
        return false;
    };

    if (m_pReader && m_pReader->Accepts(path)) {
        DataSetArrays data;
        if (!m_pReader->Read(path, data, *m_pReporter)) return false;
        return AdoptDataSet(std::move(data), path);
    }

    std::int64_t geometryLength = 0;
    std::string why;
    File geometry = OpenRegularFile(path, geometryLength, why);
    if (!geometry) return fail(Unreadable(path, why), messages::kAppCaption);

    char headerBytes[kGeometryHeaderBytes] = {};
    const std::size_t headerRead = std::fread(headerBytes, 1, sizeof headerBytes, geometry.get());
    const ParsedHeader header = ParseGeometryHeader(std::string_view(headerBytes, headerRead));
    if (!header.magicOk) return fail(messages::kWrongFileFormat, messages::kLoadingErrorCaption);
    if (headerRead < kGeometryHeaderBytes)
        return fail(Unreadable(path, "sie ist k\u00FCrzer als ihr Kopf von 40 Bytes."),
                    messages::kAppCaption);

    const auto [ni, nj, nk] = header.counts;
    // The parser saturates at 2^62, so every count fits and an absurd one stays absurd.
    if (!gri::CountsUsable(static_cast<std::int64_t>(ni), static_cast<std::int64_t>(nj),
                           static_cast<std::int64_t>(nk))) {
        auto show = [](std::uint64_t v) {
            return v >= ParsedHeader::kSaturated ? std::string("(zu gro\u00DF)") : std::to_string(v);
        };
        return fail("Die Geometriedatei " + Quoted(path) + " hat unbrauchbare Knotenzahlen: ni = " +
                        show(ni) + ", nj = " + show(nj) + ", nk = " + show(nk) +
                        ". Erlaubt sind ni und nj von 2 bis 32767 und nk von 1 bis 32767.",
                    messages::kLoadingErrorCaption);
    }

    const auto nodeCount = static_cast<std::int64_t>(ni * nj * nk);
    const std::int64_t geometryNeeded =
        static_cast<std::int64_t>(kGeometryHeaderBytes) + kGeometryRecordBytes * nodeCount;
    if (geometryLength < geometryNeeded)
        return fail(Unreadable(path, TooShort("sie", nodeCount, geometryNeeded, geometryLength)),
                    messages::kAppCaption);

    const std::string solutionPath = SolutionPathFor(path);
    {
        // Checked before anything is allocated; the file itself is opened only after the
        // geometry file is closed.
        std::int64_t solutionLength = 0;
        File probe = OpenRegularFile(solutionPath, solutionLength, why);
        if (!probe) return fail(Unreadable(solutionPath, why), messages::kAppCaption);
        const std::int64_t solutionNeeded = kSolutionRecordBytes * nodeCount;
        if (solutionLength < solutionNeeded)
            return fail(Unreadable(solutionPath, TooShort("sie", nodeCount, solutionNeeded, solutionLength)),
                        messages::kAppCaption);
    }

    const auto outOfMemory = [&] {
        return fail(
            "Nicht gen\u00FCgend Arbeitsspeicher, um " + std::to_string(nodeCount) + " Knoten zu laden.",
            messages::kAppCaption);
    };
    const auto n = static_cast<std::size_t>(nodeCount);
    std::unique_ptr<GridNode[]> nodes;
    std::vector<unsigned char> buffer;
    try {
        nodes = std::make_unique_for_overwrite<GridNode[]>(n);
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }

    // Whether plane 0 is rectilinear is found out here, while each node is at hand, rather
    // than in a second pass over all of them.
    GridShapeCheck shape(nodes.get(), static_cast<std::int64_t>(ni));
    const auto planeNodes = static_cast<std::int64_t>(ni * nj);
    try {
        const bool read =
            ReadRecords(geometry.get(), nodeCount, kGeometryRecordBytes, buffer,
                        [&](std::int64_t i, const unsigned char* rec) {
                            nodes[static_cast<std::size_t>(i)] = GridNode{FloatAt(rec), FloatAt(rec + 4)};
                            if (i < planeNodes) shape.Next();
                        });
        if (!read) return fail(Unreadable(path, "Lesefehler mitten in den Knoten."), messages::kAppCaption);
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }
    geometry.reset();

    // The world-to-pixel scales divide by the first row's and first column's extents.
    const float extentX = nodes[static_cast<std::size_t>(ni - 1)].x - nodes[0].x;
    const float extentY = nodes[static_cast<std::size_t>(ni * (nj - 1))].y - nodes[0].y;
    if (!UsableExtent(extentX, 349.0f) || !UsableExtent(extentY, 559.0f))
        return fail(NotIncreasing(path, extentX, extentY), messages::kLoadingErrorCaption);

    std::unique_ptr<float[]> u, v, p, w;
    try {
        u = std::make_unique_for_overwrite<float[]>(n);
        v = std::make_unique_for_overwrite<float[]>(n);
        p = std::make_unique_for_overwrite<float[]>(n);
        w = std::make_unique_for_overwrite<float[]>(n);
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }

    std::int64_t solutionLength = 0;
    File solution = OpenRegularFile(solutionPath, solutionLength, why);
    if (!solution) return fail(Unreadable(solutionPath, why), messages::kAppCaption);
    const bool read = ReadRecords(solution.get(), nodeCount, kSolutionRecordBytes, buffer,
                                  [&](std::int64_t i, const unsigned char* rec) {
                                      const auto k = static_cast<std::size_t>(i);
                                      u[k] = FloatAt(rec + gri::kOffsetU);
                                      v[k] = FloatAt(rec + gri::kOffsetV);
                                      p[k] = FloatAt(rec + gri::kOffsetP);
                                      w[k] = FloatAt(rec + gri::kOffsetW);
                                  });
    if (!read)
        return fail(Unreadable(solutionPath, "Lesefehler mitten in den Werten."), messages::kAppCaption);

    m_pNodes = std::move(nodes);
    m_pU = std::move(u);
    m_pV = std::move(v);
    m_pP = std::move(p);
    m_pW = std::move(w);
    m_ni = static_cast<std::int16_t>(ni);
    m_nj = static_cast<std::int16_t>(nj);
    m_nk = static_cast<std::int16_t>(nk);
    ComputeExtents();
    DecideRectilinear(shape.Result());
    return true;
}

bool FlowScene::AdoptDataSet(DataSetArrays&& data, const std::string& path) {
    const auto ni = data.ni, nj = data.nj, nk = data.nk;
    if (!gri::CountsUsable(ni, nj, nk)) {
        m_pReporter->Report("Die Datei " + Quoted(path) +
                                " hat unbrauchbare Knotenzahlen: ni = " + std::to_string(ni) +
                                ", nj = " + std::to_string(nj) + ", nk = " + std::to_string(nk) +
                                ". Erlaubt sind ni und nj von 2 bis 32767 und nk von 1 bis 32767.",
                            messages::kLoadingErrorCaption);
        return false;
    }
    if (!data.nodes || !data.u || !data.v || !data.p || !data.w) {
        m_pReporter->Report(Unreadable(path, "der Leser hat keine vollst\u00E4ndigen Daten geliefert."),
                            messages::kAppCaption);
        return false;
    }
    const GridNode* nodes = data.nodes.get();
    const float extentX = nodes[ni - 1].x - nodes[0].x;
    const float extentY = nodes[ni * (nj - 1)].y - nodes[0].y;
    if (!UsableExtent(extentX, 349.0f) || !UsableExtent(extentY, 559.0f)) {
        m_pReporter->Report(NotIncreasing(path, extentX, extentY), messages::kLoadingErrorCaption);
        return false;
    }
    const GridShape shape = CheckGridShape(nodes, ni, nj);
    m_pNodes = std::move(data.nodes);
    m_pU = std::move(data.u);
    m_pV = std::move(data.v);
    m_pP = std::move(data.p);
    m_pW = std::move(data.w);
    m_notes = std::move(data.notes);
    data.Release();
    m_ni = static_cast<std::int16_t>(ni);
    m_nj = static_cast<std::int16_t>(nj);
    m_nk = static_cast<std::int16_t>(nk);
    ComputeExtents();
    DecideRectilinear(shape);
    return true;
}

bool DataSetArrays::Allocate(std::int64_t ni_, std::int64_t nj_, std::int64_t nk_) {
    // The notes are the reader's and stay; only the arrays are taken anew.
    const DataSetNotes kept = notes;
    Release();
    notes = kept;
    if (ni_ < 0 || nj_ < 0 || nk_ < 0) return false;
    const auto n = static_cast<std::size_t>(ni_ * nj_ * nk_);
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

void FlowScene::ComputeExtents() {
    const std::size_t lastX = static_cast<std::size_t>(m_ni) - 1;
    const std::size_t lastY = static_cast<std::size_t>(m_ni) * (static_cast<std::size_t>(m_nj) - 1);
    m_fExtentX = m_pNodes[lastX].x - m_pNodes[0].x;
    m_fExtentY = m_pNodes[lastY].y - m_pNodes[0].y;
    m_fScaleX = 349.0f / m_fExtentX;
    m_fScaleY = 559.0f / m_fExtentY;
    m_fInvScaleX = 1.0f / m_fScaleX;
    m_fInvScaleY = 1.0f / m_fScaleY;
}
