#include "formats/vtk_legacy_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/memory_budget.h"
#include "formats/binary_values.h"
#include "formats/checked_size.h"
#include "formats/limits.h"
#include "formats/read_error.h"
#include "formats/text_numbers.h"
#include "formats/vtk_grid.h"
#include "formats/vtk_mesh.h"

namespace formats {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Words are compared with keywords of a few letters: a longer one is cut to MOST characters,
// so that a word of megabytes is not copied.
std::string Upper(std::string_view s, std::size_t most = 64) {
    std::string out(s.substr(0, most));
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Words and numbers separated by white space; in a binary file the arrays' bytes follow the
// line that announces them.
class Parser {
public:
    Parser(std::string_view bytes, const std::string& file) : m_bytes(bytes), m_file(file) {}

    [[noreturn]] void Error(const std::string& german, const std::string& english) const {
        Fail(m_file, m_binary ? AtByte(static_cast<std::int64_t>(m_tokenStart)) : AtLine(m_line), german,
             english);
    }

    // The first three lines: the version line, the title and ASCII or BINARY.
    void Header() {
        const std::string_view version = Line();
        if (!version.starts_with("# vtk DataFile Version"))
            Fail(m_file, AtLine(1), "Die Datei beginnt nicht mit „# vtk DataFile Version“.",
                 "the file does not begin with \"# vtk DataFile Version\".");
        Line();
        std::string_view kind = Line();
        while (!kind.empty() && IsSpace(kind.back())) kind.remove_suffix(1);
        while (!kind.empty() && IsSpace(kind.front())) kind.remove_prefix(1);
        const std::string k = Upper(kind);
        if (k != "ASCII" && k != "BINARY")
            Fail(m_file, AtLine(3), "In der dritten Zeile steht weder ASCII noch BINARY.",
                 "the third line says neither ASCII nor BINARY.");
        m_binary = k == "BINARY";
    }

    bool AtEnd() {
        Skip();
        return m_pos >= m_bytes.size();
    }
    std::string_view Token() {
        Skip();
        m_tokenStart = m_pos;
        while (m_pos < m_bytes.size() && !IsSpace(m_bytes[m_pos])) ++m_pos;
        return m_bytes.substr(m_tokenStart, m_pos - m_tokenStart);
    }
    std::string_view PeekToken() {
        const std::size_t pos = m_pos, start = m_tokenStart;
        const std::int64_t line = m_line;
        const std::string_view t = Token();
        m_pos = pos;
        m_tokenStart = start;
        m_line = line;
        return t;
    }
    std::string Keyword() { return Upper(Token()); }
    std::int64_t Count(const char* what) {
        const std::string_view t = Token();
        const std::optional<double> v = ParseNumber(t);
        if (!v || !(*v >= 0 && *v <= 2147483647.0) || *v != std::floor(*v))
            Error(std::string(what) + ": „" + Excerpt(t) + "“ ist keine brauchbare Anzahl.",
                  std::string(what) + ": \"" + Excerpt(t) + "\" is not a usable count.");
        return static_cast<std::int64_t>(*v);
    }
    double Number(const char* what) {
        const std::string_view t = Token();
        const std::optional<double> v = ParseNumber(t);
        if (!v)
            Error(std::string(what) + ": „" + Excerpt(t) + "“ ist keine Zahl.",
                  std::string(what) + ": \"" + Excerpt(t) + "\" is not a number.");
        return *v;
    }
    // A count of values made of two counts from the file; too many for any file when it does not
    // fit in 64 bits.
    std::int64_t Product(std::int64_t a, std::int64_t b) const {
        const std::optional<std::int64_t> p = CheckedMultiply(a, b);
        if (!p)
            Error("Es werden mehr Werte angekündigt, als die Datei enthält.",
                  "more values are announced than the file holds.");
        return *p;
    }
    ValueType Type() {
        const std::string_view t = Token();
        const std::optional<ValueType> type = LegacyValueType(t);
        if (!type)
            Error("Unbekannter Datentyp „" + Excerpt(t) + "“.", "unknown data type \"" + Excerpt(t) + "\".");
        return *type;
    }

    // TUPLES tuples of COMPONENTS values of TYPE, a column for each component: numbers in an
    // ASCII file, big-endian bytes after the end of the announcing line in a binary one. Checked
    // against what the file can still hold, and the memory for them against what the machine
    // has, before anything is allocated; with KEEP false they are only passed over.
    std::vector<std::vector<double>> Values(std::int64_t tuples, std::int64_t components, ValueType type,
                                            bool keep = true) {
        const std::int64_t count = Product(tuples, components);
        if (m_binary) {
            // The bytes start after the line that announces them.
            while (m_pos < m_bytes.size() && m_bytes[m_pos] != '\n') ++m_pos;
            if (m_pos < m_bytes.size()) ++m_pos;
            m_tokenStart = m_pos;
        }
        const auto size = static_cast<std::int64_t>(SizeOf(type));
        const auto remaining = static_cast<std::int64_t>(m_bytes.size() - m_pos);
        // Each value takes its bytes in a binary file, and a character and a separator in text.
        const std::optional<std::int64_t> needed =
            m_binary ? CheckedMultiply(count, size) : CheckedMultiply(count, std::int64_t{2});
        const std::optional<std::int64_t> kept = CheckedAdd(count, m_kept);
        if (!needed || *needed - (m_binary ? 0 : 1) > remaining || !kept || (keep && *kept > kMaxValues))
            Error("Es werden " + Num(count) + " Werte angekündigt, mehr als die Datei enthält.",
                  Num(count) + " values are announced, more than the file holds.");
        if (keep && !FitsInMemory(static_cast<std::uint64_t>(count) * sizeof(double)))
            Fail(m_file, Whole(), "Nicht genügend Arbeitsspeicher für " + Num(count) + " Werte.",
                 "not enough memory for " + Num(count) + " values.", messages::kAppCaption);
        const auto columns = static_cast<std::size_t>(keep ? components : 0);
        const auto rows = static_cast<std::size_t>(tuples);
        if (m_binary) {
            ColumnDecoder decoder(type, true, columns, rows);
            if (keep)
                decoder.Add(reinterpret_cast<const unsigned char*>(m_bytes.data() + m_pos),
                            static_cast<std::size_t>(*needed));
            m_pos += static_cast<std::size_t>(*needed);
            if (keep) m_kept += count;
            return decoder.TakeColumns();
        }
        std::vector<std::vector<double>> values(columns);
        for (std::vector<double>& c : values) c.reserve(rows);
        for (std::int64_t n = 0; n < count; ++n) {
            if (AtEnd())
                Error("Die Datei endet nach " + Num(n) + " von " + Num(count) + " Werten.",
                      "the file ends after " + Num(n) + " of " + Num(count) + " values.");
            const double v = Number("Wert");
            if (keep) values[static_cast<std::size_t>(n % components)].push_back(v);
        }
        if (keep) m_kept += count;
        return values;
    }

    // Passes over a METADATA block, which ends at an empty line.
    void SkipMetadata() {
        for (;;) {
            if (m_pos >= m_bytes.size()) return;
            std::string_view line = Line();
            while (!line.empty() && IsSpace(line.back())) line.remove_suffix(1);
            if (line.empty() && m_sawMetadataLine) return;
            m_sawMetadataLine = m_sawMetadataLine || !line.empty();
        }
    }
    void StartMetadata() { m_sawMetadataLine = false; }
    bool Binary() const { return m_binary; }

private:
    void Skip() {
        while (m_pos < m_bytes.size() && IsSpace(m_bytes[m_pos])) {
            if (m_bytes[m_pos] == '\n') ++m_line;
            ++m_pos;
        }
    }
    std::string_view Line() {
        m_tokenStart = m_pos;
        const std::size_t start = m_pos;
        while (m_pos < m_bytes.size() && m_bytes[m_pos] != '\n') ++m_pos;
        const std::string_view line = m_bytes.substr(start, m_pos - start);
        if (m_pos < m_bytes.size()) {
            ++m_pos;
            ++m_line;
        }
        return line;
    }

    std::string_view m_bytes;
    const std::string& m_file;
    std::size_t m_pos = 0;
    std::size_t m_tokenStart = 0;
    std::int64_t m_line = 1;
    std::int64_t m_kept = 0;
    bool m_binary = false;
    bool m_sawMetadataLine = false;
};

bool IsSection(const std::string& k) {
    return k == "POINT_DATA" || k == "CELL_DATA";
}

// The cell arrays of an unstructured grid (CELLS) and of poly data (VERTICES, LINES, POLYGONS,
// TRIANGLE_STRIPS), in the order cell data runs over them.
constexpr const char* kCellParts[5] = {"CELLS", "VERTICES", "LINES", "POLYGONS", "TRIANGLE_STRIPS"};
constexpr std::uint8_t kPartTypes[5] = {0, kVtkVertex, kVtkLine, kVtkPolygon, kVtkTriangleStrip};

int CellPartIndex(const std::string& k) {
    for (int a = 0; a < 5; ++a)
        if (k == kCellParts[a]) return a;
    return -1;
}

// One cell array: where each cell's ids end, and the ids.
struct CellPart {
    bool present = false;
    std::vector<double> ends, ids;
};

// A cell array after its keyword: "n size" and then either, from version 5.1 on, OFFSETS and
// CONNECTIVITY arrays, or each cell's point count followed by its ids.
CellPart ReadCellPart(Parser& in, const std::string& key) {
    CellPart part;
    part.present = true;
    const std::int64_t a = in.Count(key.c_str()), b = in.Count(key.c_str());
    if (Upper(in.PeekToken()) == "OFFSETS") {
        in.Token();
        const ValueType offsetType = in.Type();
        std::vector<double> offsets = std::move(in.Values(a, 1, offsetType).front());
        if (in.Keyword() != "CONNECTIVITY")
            in.Error("„CONNECTIVITY“ fehlt nach OFFSETS.", "\"CONNECTIVITY\" is missing after OFFSETS.");
        const ValueType idType = in.Type();
        part.ids = std::move(in.Values(b, 1, idType).front());
        if (!offsets.empty() && offsets.front() != 0)
            in.Error("Die OFFSETS beginnen nicht bei 0.", "the OFFSETS do not begin at 0.");
        if (!offsets.empty()) part.ends.assign(offsets.begin() + 1, offsets.end());
        return part;
    }
    const std::vector<double> stream = std::move(in.Values(b, 1, ValueType::Int32).front());
    part.ends.reserve(static_cast<std::size_t>(std::min<std::int64_t>(a, b)));
    std::size_t at = 0;
    for (std::int64_t c = 0; c < a; ++c) {
        const double n = at < stream.size() ? stream[at] : -1;
        if (!(n >= 0 && n <= static_cast<double>(stream.size() - at - 1)) || std::floor(n) != n)
            in.Error(key + ": Zelle " + Num(c + 1) + " hat mehr Punkte, als die Liste enthält.",
                     key + ": cell " + Num(c + 1) + " has more points than the list holds.");
        part.ids.insert(part.ids.end(), stream.begin() + static_cast<std::ptrdiff_t>(at + 1),
                        stream.begin() + static_cast<std::ptrdiff_t>(at + 1 + static_cast<std::size_t>(n)));
        part.ends.push_back(static_cast<double>(part.ids.size()));
        at += 1 + static_cast<std::size_t>(n);
    }
    if (at != stream.size())
        in.Error(key + " nennt " + Num(b) + " Werte, die Zellen brauchen " +
                     Num(static_cast<std::int64_t>(at)) + ".",
                 key + " gives " + Num(b) + " values, and the cells take " +
                     Num(static_cast<std::int64_t>(at)) + ".");
    return part;
}

}  // namespace

void ReadVtkLegacy(std::string_view bytes, const std::string& file, DataSetArrays& out, LatticeSize size) {
    Parser in(bytes, file);
    in.Header();
    if (in.Keyword() != "DATASET") in.Error("„DATASET“ fehlt.", "\"DATASET\" is missing.");
    const std::string kind = in.Keyword();
    const bool mesh = kind == "UNSTRUCTURED_GRID" || kind == "POLYDATA",
               curvilinear = kind == "STRUCTURED_GRID";
    if (kind != "STRUCTURED_POINTS" && kind != "RECTILINEAR_GRID" && !mesh && !curvilinear)
        in.Error("Der Datensatz ist „" + Excerpt(kind) +
                     "“; gelesen werden STRUCTURED_POINTS, RECTILINEAR_GRID, STRUCTURED_GRID, "
                     "UNSTRUCTURED_GRID und POLYDATA.",
                 "the data set is \"" + Excerpt(kind) +
                     "\"; STRUCTURED_POINTS, RECTILINEAR_GRID, STRUCTURED_GRID, UNSTRUCTURED_GRID and "
                     "POLYDATA are read.");
    const bool image = kind == "STRUCTURED_POINTS";
    std::vector<std::vector<double>> pointCoordinates;
    CellPart parts[5];
    std::vector<double> cellTypes;
    bool havePoints = false;
    auto meshCellCount = [&] {
        std::int64_t n = 0;
        for (const CellPart& p : parts) n += static_cast<std::int64_t>(p.ends.size());
        return n;
    };

    std::int64_t dims[3] = {0, 0, 0};
    double origin[3] = {0, 0, 0}, spacing[3] = {1, 1, 1};
    GridAxes axes;
    bool haveDims = false;
    std::vector<double>* coords[3] = {&axes.x, &axes.y, &axes.z};
    bool haveCoords[3] = {false, false, false};
    SampleSet points, cells;
    SampleSet* section = nullptr;
    std::int64_t tuples = 0;

    auto needDims = [&] {
        if (mesh) {
            if (!havePoints) in.Error("POINTS fehlt vor den Daten.", "POINTS is missing before the data.");
            return;
        }
        if (!haveDims) in.Error("DIMENSIONS fehlt vor den Daten.", "DIMENSIONS is missing before the data.");
        if (curvilinear && !havePoints)
            in.Error("POINTS fehlt vor den Daten.", "POINTS is missing before the data.");
    };
    while (!in.AtEnd()) {
        const std::string key = in.Keyword();
        if (key == "DIMENSIONS") {
            for (auto& d : dims) {
                d = in.Count("DIMENSIONS");
                if (d < 1) in.Error("DIMENSIONS müssen mindestens 1 sein.", "DIMENSIONS must be at least 1.");
            }
            const std::optional<std::int64_t> plane = CheckedMultiply(dims[0], dims[1]);
            const std::optional<std::int64_t> total = plane ? CheckedMultiply(*plane, dims[2]) : std::nullopt;
            if (!total || *total > kMaxNodes)
                in.Error("DIMENSIONS beschreiben mehr als " + Num(kMaxNodes) + " Punkte.",
                         "DIMENSIONS describe more than " + Num(kMaxNodes) + " points.");
            haveDims = true;
        } else if ((mesh || curvilinear) && key == "POINTS") {
            if (curvilinear && !haveDims)
                in.Error("DIMENSIONS fehlt vor den Punkten.", "DIMENSIONS is missing before the points.");
            const std::int64_t n = in.Count("POINTS");
            if (curvilinear && n != dims[0] * dims[1] * dims[2])
                in.Error("POINTS nennt " + Num(n) + " Punkte, DIMENSIONS " +
                             Num(dims[0] * dims[1] * dims[2]) + ".",
                         "POINTS gives " + Num(n) + " points, DIMENSIONS " +
                             Num(dims[0] * dims[1] * dims[2]) + ".");
            const ValueType type = in.Type();
            pointCoordinates = in.Values(n, 3, type);
            havePoints = true;
        } else if (mesh && CellPartIndex(key) >= 0 && (key == "CELLS") == (kind == "UNSTRUCTURED_GRID")) {
            CellPart& part = parts[CellPartIndex(key)];
            if (part.present)
                in.Error(key + " steht zweimal in der Datei.", key + " appears twice in the file.");
            part = ReadCellPart(in, key);
        } else if (mesh && key == "CELL_TYPES" && kind == "UNSTRUCTURED_GRID") {
            const std::int64_t n = in.Count("CELL_TYPES");
            cellTypes = std::move(in.Values(n, 1, ValueType::Int32).front());
        } else if (key == "SPACING" || key == "ASPECT_RATIO") {
            for (auto& s : spacing) s = in.Number(key.c_str());
        } else if (key == "ORIGIN") {
            for (auto& o : origin) o = in.Number("ORIGIN");
        } else if (key == "X_COORDINATES" || key == "Y_COORDINATES" || key == "Z_COORDINATES") {
            needDims();
            const auto axis = static_cast<std::size_t>(key[0] - 'X');
            const std::int64_t n = in.Count(key.c_str());
            if (n != dims[axis])
                in.Error(key + " nennt " + Num(n) + " Werte, DIMENSIONS " + Num(dims[axis]) + ".",
                         key + " gives " + Num(n) + " values, DIMENSIONS " + Num(dims[axis]) + ".");
            const ValueType type = in.Type();
            *coords[axis] = std::move(in.Values(n, 1, type).front());
            haveCoords[axis] = true;
        } else if (IsSection(key)) {
            needDims();
            section = key == "POINT_DATA" ? &points : &cells;
            if (image)
                for (std::size_t a = 0; a < 3; ++a) *coords[a] = ImageAxis(origin[a], spacing[a], dims[a]);
            else if (!mesh && !curvilinear && (!haveCoords[0] || !haveCoords[1] || !haveCoords[2]))
                in.Error("Die Koordinaten des Gitters (X_, Y_, Z_COORDINATES) fehlen.",
                         "the grid's coordinates (X_, Y_, Z_COORDINATES) are missing.");
            tuples = in.Count(key.c_str());
            std::int64_t expected = section == &points ? axes.PointCount() : axes.CellCount();
            if (mesh || curvilinear)
                expected = section == &points ? static_cast<std::int64_t>(pointCoordinates.front().size())
                           : mesh             ? meshCellCount()
                                              : std::max<std::int64_t>(dims[0] - 1, 1) *
                                        std::max<std::int64_t>(dims[1] - 1, 1) *
                                        std::max<std::int64_t>(dims[2] - 1, 1);
            if (tuples != expected)
                in.Error(key + " nennt " + Num(tuples) + " Werte, das Gitter hat " + Num(expected) + ".",
                         key + " gives " + Num(tuples) + " values, the grid has " + Num(expected) + ".");
        } else if (key == "METADATA") {
            in.StartMetadata();
            in.SkipMetadata();
        } else if (key == "FIELD") {
            in.Token();
            const std::int64_t arrays = in.Count("FIELD");
            for (std::int64_t a = 0; a < arrays; ++a) {
                const std::string name(in.Token());
                if (name == "NULL_ARRAY") continue;
                const std::int64_t components = in.Count("FIELD"), count = in.Count("FIELD");
                const ValueType type = in.Type();
                // Field data outside a section belongs to the whole data set: passed over.
                const bool keep = section && count == tuples && components <= 16;
                std::vector<std::vector<double>> values = in.Values(count, components, type, keep);
                if (keep) AddColumns(*section, name, std::move(values));
                if (Upper(in.PeekToken()) == "METADATA") {
                    in.Token();
                    in.StartMetadata();
                    in.SkipMetadata();
                }
            }
        } else if (section && (key == "SCALARS" || key == "VECTORS" || key == "NORMALS" || key == "TENSORS" ||
                               key == "TENSORS6" || key == "TEXTURE_COORDINATES" || key == "GLOBAL_IDS" ||
                               key == "PEDIGREE_IDS")) {
            const std::string name(in.Token());
            std::int64_t components = key == "VECTORS" || key == "NORMALS" ? 3
                                      : key == "TENSORS"                   ? 9
                                      : key == "TENSORS6"                  ? 6
                                                                           : 1;
            if (key == "TEXTURE_COORDINATES") components = in.Count(key.c_str());
            const ValueType type = in.Type();
            if (key == "SCALARS") {
                // SCALARS name type [components], then LOOKUP_TABLE name.
                const std::string_view next = in.PeekToken();
                if (!next.empty() && next.find_first_not_of("0123456789") == std::string_view::npos)
                    components = in.Count("SCALARS");
                if (components < 1 || components > 4)
                    in.Error("SCALARS haben 1 bis 4 Komponenten.", "SCALARS have 1 to 4 components.");
                if (Upper(in.PeekToken()) == "LOOKUP_TABLE") {
                    in.Token();
                    in.Token();
                }
            }
            const bool keep = key == "SCALARS" || key == "VECTORS";
            std::vector<std::vector<double>> values = in.Values(tuples, components, type, keep);
            if (keep) AddColumns(*section, name, std::move(values));
            if (key == "VECTORS" && section->activeVector.empty()) section->activeVector = name;
        } else if (section && key == "COLOR_SCALARS") {
            in.Token();
            const std::int64_t n = in.Count("COLOR_SCALARS");
            in.Values(tuples, n, in.Binary() ? ValueType::UInt8 : ValueType::Float32, false);
        } else if (section && key == "LOOKUP_TABLE") {
            in.Token();
            const std::int64_t n = in.Count("LOOKUP_TABLE");
            in.Values(n, 4, in.Binary() ? ValueType::UInt8 : ValueType::Float32, false);
        } else {
            in.Error("Unbekannter Eintrag „" + Excerpt(key) + "“.",
                     "unknown keyword \"" + Excerpt(key) + "\".");
        }
    }
    if (!section) needDims();
    const std::string format = "VTK legacy " + kind + (in.Binary() ? ", binary" : ", ASCII");
    if (curvilinear) {
        BuildStructuredDataSet(dims, std::move(pointCoordinates[0]), std::move(pointCoordinates[1]),
                               std::move(pointCoordinates[2]), points, cells, size, file, format, out);
        out.notes.binary = in.Binary();
        return;
    }
    if (mesh) {
        VtkCells grid;
        grid.x = std::move(pointCoordinates[0]);
        grid.y = std::move(pointCoordinates[1]);
        grid.z = std::move(pointCoordinates[2]);
        for (int a = 0; a < 5; ++a) {
            AppendCells(grid, parts[a].ends, parts[a].ids, kPartTypes[a], file);
            parts[a] = {};
        }
        if (kind == "UNSTRUCTURED_GRID") {
            if (static_cast<std::int64_t>(cellTypes.size()) != grid.CellCount())
                Fail(file, Whole(),
                     "CELL_TYPES nennt " + Num(static_cast<std::int64_t>(cellTypes.size())) + " Typen für " +
                         Num(grid.CellCount()) + " Zellen.",
                     "CELL_TYPES gives " + Num(static_cast<std::int64_t>(cellTypes.size())) + " types for " +
                         Num(grid.CellCount()) + " cells.");
            for (std::size_t c = 0; c < cellTypes.size(); ++c) {
                const double t = cellTypes[c];
                // A polyhedron's ids are a stream of its faces here, no list of points.
                if (!(t >= 0 && t <= 255) || std::floor(t) != t || t == 42)
                    Fail(file, Whole(),
                         "Zelle " + Num(static_cast<std::int64_t>(c) + 1) + " hat den Typ " + Num(t) +
                             ", der nicht gelesen wird.",
                         "cell " + Num(static_cast<std::int64_t>(c) + 1) + " has type " + Num(t) +
                             ", which is not read.");
                grid.types[c] = static_cast<std::uint8_t>(t);
            }
        }
        BuildMeshDataSet(grid, points, cells, size, file, format, out);
        out.notes.binary = in.Binary();
        return;
    }
    if (image) {
        for (std::size_t a = 0; a < 3; ++a)
            if (dims[a] > 1 && !(spacing[a] != 0.0))
                Fail(file, Whole(), "Der Abstand (SPACING) ist 0.", "the spacing (SPACING) is 0.");
        if (!section)
            for (std::size_t a = 0; a < 3; ++a) *coords[a] = ImageAxis(origin[a], spacing[a], dims[a]);
    }
    BuildVtkDataSet(axes, points, cells, file, format, out);
    out.notes.binary = in.Binary();
}

void ReadVtkLegacy(std::string_view bytes, const std::string& file, DataSetArrays& out) {
    ReadVtkLegacy(bytes, file, out, LatticeSize{});
}

}  // namespace formats
