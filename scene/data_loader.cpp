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

#include "base/data_set.h"
#include "base/memory_budget.h"
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
// Bytes a node costs in the scene: its coordinates and four values.
constexpr std::uint64_t kBytesPerNode = sizeof(GridNode) + 4 * sizeof(float);
// What a load takes beside the nodes: the five rasters and the image.
constexpr std::uint64_t kRasterBytes = 5 * kRasterSize * sizeof(float) + kImageBytes;

// A reason in both of the program's languages.
struct Why {
    std::string german;
    std::string english;
};

std::string QuotedDe(const std::string& path) {
    return "\u201E" + path + "\u201C";
}
std::string QuotedEn(const std::string& path) {
    return "'" + path + "'";
}

Message Unreadable(const std::string& path, const Why& why) {
    return {messages::kAppCaption,
            "Die Datei " + QuotedDe(path) + " kann nicht gelesen werden: " + why.german,
            "cannot read " + QuotedEn(path) + ": " + why.english};
}

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

Message UnusableCounts(const std::string& path, const std::string& ni, const std::string& nj,
                       const std::string& nk) {
    const std::string counts = "ni = " + ni + ", nj = " + nj + ", nk = " + nk;
    return {messages::kLoadingErrorCaption,
            "Die Datei " + QuotedDe(path) + " hat unbrauchbare Knotenzahlen: " + counts +
                ". Erlaubt sind ni und nj von 2 bis 32767 und nk von 1 bis 32767.",
            QuotedEn(path) + " has unusable node counts: " + counts +
                "; ni and nj must be 2 to 32767 and nk 1 to 32767"};
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

Message NotIncreasing(const std::string& path, float extentX, float extentY) {
    const bool badX = !UsableExtent(extentX, kRasterSpanX);
    const std::string extent = std::to_string(badX ? extentX : extentY);
    return {messages::kLoadingErrorCaption,
            "Die Geometriedatei " + QuotedDe(path) + " beschreibt kein aufsteigendes Gitter: die " +
                (badX ? "erste Zeile hat in x" : "erste Spalte hat in y") + " die Ausdehnung " + extent +
                "; sie muss endlich und gr\u00F6\u00DFer als 0 sein.",
            QuotedEn(path) + " does not describe an increasing grid: its first " +
                (badX ? "row spans " + extent + " in x" : "column spans " + extent + " in y") +
                ", which must be finite and greater than 0"};
}

// Every domain test compares with node 0 and the last node of plane 0; a corner that is not a
// finite number would make all of them fail and silently remove every streamline.
bool FiniteCorners(const GridNode* nodes, std::int64_t ni, std::int64_t nj) {
    for (const std::int64_t corner : {std::int64_t{0}, ni - 1, ni * (nj - 1), ni * nj - 1})
        if (!std::isfinite(nodes[corner].x) || !std::isfinite(nodes[corner].y)) return false;
    return true;
}

Message CornerNotFinite(const std::string& path) {
    return {messages::kLoadingErrorCaption,
            "Die Geometriedatei " + QuotedDe(path) +
                " hat eine Ecke ohne endliche Koordinaten; das Gitter l\u00E4sst sich nicht abtasten.",
            QuotedEn(path) +
                " has a corner node whose coordinates are not finite numbers, so its grid cannot be "
                "sampled"};
}

}  // namespace

std::string FlowScene::SolutionPathFor(const std::string& geometryPath) {
    return gri::SolutionPathFor(geometryPath);
}

bool FlowScene::LoadDataSet(const std::string& path) {
    auto fail = [this](const Message& message) {
        m_pReporter->Tell(message);
        return false;
    };

    if (m_pReader && m_pReader->Accepts(path)) {
        DataSetArrays data;
        if (!m_pReader->Read(path, data, *m_pReporter)) return false;
        return AdoptDataSet(std::move(data), path);
    }

    std::int64_t geometryLength = 0;
    Why why;
    File geometry = OpenRegularFile(path, geometryLength, why);
    if (!geometry) return fail(Unreadable(path, why));

    char headerBytes[kGeometryHeaderBytes] = {};
    const std::size_t headerRead = std::fread(headerBytes, 1, sizeof headerBytes, geometry.get());
    const ParsedHeader header = ParseGeometryHeader(std::string_view(headerBytes, headerRead));
    if (!header.magicOk)
        return fail({messages::kLoadingErrorCaption, messages::kWrongFileFormat,
                     std::string(messages::kWrongFileFormat) + " " + QuotedEn(path) +
                         " does not begin with \"SN4DB \", as a geometry file does"});
    if (headerRead < kGeometryHeaderBytes)
        return fail(Unreadable(path, {"sie ist k\u00FCrzer als ihr Kopf von 40 Bytes.",
                                      "it is shorter than its 40-byte header"}));

    const auto [ni, nj, nk] = header.counts;
    // The parser saturates at 2^62, so every count fits and an absurd one stays absurd.
    if (!gri::CountsUsable(static_cast<std::int64_t>(ni), static_cast<std::int64_t>(nj),
                           static_cast<std::int64_t>(nk))) {
        auto show = [](std::uint64_t v, const char* tooLarge) {
            return v >= ParsedHeader::kSaturated ? std::string(tooLarge) : std::to_string(v);
        };
        Message m = UnusableCounts(path, show(ni, "(zu gro\u00DF)"), show(nj, "(zu gro\u00DF)"),
                                   show(nk, "(zu gro\u00DF)"));
        m.english =
            UnusableCounts(path, show(ni, "(too large)"), show(nj, "(too large)"), show(nk, "(too large)"))
                .english;
        return fail(m);
    }

    const auto nodeCount = static_cast<std::int64_t>(ni * nj * nk);
    const std::int64_t geometryNeeded =
        static_cast<std::int64_t>(kGeometryHeaderBytes) + kGeometryRecordBytes * nodeCount;
    if (geometryLength < geometryNeeded)
        return fail(Unreadable(path, TooShort(nodeCount, geometryNeeded, geometryLength)));

    // The solution file is only looked at here, not opened: both files are open one after the
    // other, the geometry file closed before the solution file is opened.
    const std::string solutionPath = SolutionPathFor(path);
    std::int64_t solutionLength = 0;
    if (!ProbeRegularFile(solutionPath, solutionLength, why)) return fail(Unreadable(solutionPath, why));
    const std::int64_t solutionNeeded = kSolutionRecordBytes * nodeCount;
    if (solutionLength < solutionNeeded)
        return fail(Unreadable(solutionPath, TooShort(nodeCount, solutionNeeded, solutionLength)));

    // Sparse files can be as long as their header promises without holding the data; what the
    // arrays need is compared with what the machine has before anything is taken.
    if (!FitsInMemory(kBytesPerNode * static_cast<std::uint64_t>(nodeCount) + kRasterBytes))
        return fail(OutOfMemory(path, nodeCount));
    const auto n = static_cast<std::size_t>(nodeCount);
    std::unique_ptr<GridNode[]> nodes;
    std::vector<unsigned char> buffer;
    try {
        nodes = std::make_unique_for_overwrite<GridNode[]>(n);
    } catch (const std::bad_alloc&) {
        return fail(OutOfMemory(path, nodeCount));
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
        if (!read)
            return fail(
                Unreadable(path, {"Lesefehler mitten in den Knoten.", "a read failed amid the nodes"}));
    } catch (const std::bad_alloc&) {
        return fail(OutOfMemory(path, nodeCount));
    }
    geometry.reset();

    // The world-to-pixel scales divide by the first row's and first column's extents.
    const float extentX = nodes[static_cast<std::size_t>(ni - 1)].x - nodes[0].x;
    const float extentY = nodes[static_cast<std::size_t>(ni * (nj - 1))].y - nodes[0].y;
    if (!UsableExtent(extentX, kRasterSpanX) || !UsableExtent(extentY, kRasterSpanY))
        return fail(NotIncreasing(path, extentX, extentY));
    if (!FiniteCorners(nodes.get(), static_cast<std::int64_t>(ni), static_cast<std::int64_t>(nj)))
        return fail(CornerNotFinite(path));

    std::unique_ptr<float[]> u, v, p, w;
    try {
        u = std::make_unique_for_overwrite<float[]>(n);
        v = std::make_unique_for_overwrite<float[]>(n);
        p = std::make_unique_for_overwrite<float[]>(n);
        w = std::make_unique_for_overwrite<float[]>(n);
    } catch (const std::bad_alloc&) {
        return fail(OutOfMemory(path, nodeCount));
    }

    File solution = OpenRegularFile(solutionPath, solutionLength, why);
    if (!solution) return fail(Unreadable(solutionPath, why));
    const bool read = ReadRecords(solution.get(), nodeCount, kSolutionRecordBytes, buffer,
                                  [&](std::int64_t i, const unsigned char* rec) {
                                      const auto k = static_cast<std::size_t>(i);
                                      u[k] = FloatAt(rec + gri::kOffsetU);
                                      v[k] = FloatAt(rec + gri::kOffsetV);
                                      p[k] = FloatAt(rec + gri::kOffsetP);
                                      w[k] = FloatAt(rec + gri::kOffsetW);
                                  });
    if (!read)
        return fail(
            Unreadable(solutionPath, {"Lesefehler mitten in den Werten.", "a read failed amid the values"}));

    m_pNodes = std::move(nodes);
    m_pU = std::move(u);
    m_pV = std::move(v);
    m_pP = std::move(p);
    m_pW = std::move(w);
    m_ni = static_cast<std::int16_t>(ni);
    m_nj = static_cast<std::int16_t>(nj);
    m_nk = static_cast<std::int16_t>(nk);
    FinishGrid(shape.Result());
    return true;
}

bool FlowScene::AdoptDataSet(DataSetArrays&& data, const std::string& path) {
    const auto ni = data.ni, nj = data.nj, nk = data.nk;
    if (!gri::CountsUsable(ni, nj, nk)) {
        m_pReporter->Tell(UnusableCounts(path, std::to_string(ni), std::to_string(nj), std::to_string(nk)));
        return false;
    }
    if (!data.nodes || !data.u || !data.v || !data.p || !data.w) {
        m_pReporter->Tell(Unreadable(path, {"der Leser hat keine vollst\u00E4ndigen Daten geliefert.",
                                            "its reader gave no complete data"}));
        return false;
    }
    const GridNode* nodes = data.nodes.get();
    const float extentX = nodes[ni - 1].x - nodes[0].x;
    const float extentY = nodes[ni * (nj - 1)].y - nodes[0].y;
    if (!UsableExtent(extentX, kRasterSpanX) || !UsableExtent(extentY, kRasterSpanY)) {
        m_pReporter->Tell(NotIncreasing(path, extentX, extentY));
        return false;
    }
    if (!FiniteCorners(nodes, ni, nj)) {
        m_pReporter->Tell(CornerNotFinite(path));
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
    FinishGrid(shape);
    return true;
}

bool DataSetArrays::Allocate(std::int64_t ni_, std::int64_t nj_, std::int64_t nk_) {
    // The notes are the reader's and stay; only the arrays are taken anew.
    const DataSetNotes kept = notes;
    Release();
    notes = kept;
    if (ni_ < 0 || nj_ < 0 || nk_ < 0 || ni_ > gri::kMaxCount || nj_ > gri::kMaxCount || nk_ > gri::kMaxCount)
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

void FlowScene::FinishGrid(GridShape shape) {
    if (NeedsShift(m_pNodes.get(), m_ni, m_nj)) {
        m_origin = ShiftToFirstNode(m_pNodes.get(), NodeCount());
        // Judged again on the coordinates the sampling will see.
        shape = CheckGridShape(m_pNodes.get(), m_ni, m_nj);
    }
    ComputeExtents();
    DecideRectilinear(shape);
}

void FlowScene::ComputeExtents() {
    const std::size_t lastX = static_cast<std::size_t>(m_ni) - 1;
    const std::size_t lastY = static_cast<std::size_t>(m_ni) * (static_cast<std::size_t>(m_nj) - 1);
    m_fExtentX = m_pNodes[lastX].x - m_pNodes[0].x;
    m_fExtentY = m_pNodes[lastY].y - m_pNodes[0].y;
    m_fScaleX = kRasterSpanX / m_fExtentX;
    m_fScaleY = kRasterSpanY / m_fExtentY;
    m_fInvScaleX = 1.0f / m_fScaleX;
    m_fInvScaleY = 1.0f / m_fScaleY;
    m_nOffsetX = 0;
    m_nOffsetY = 0;
    m_nMappedAspect = kAspectStretch;
}
