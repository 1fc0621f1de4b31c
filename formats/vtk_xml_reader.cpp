#include "formats/vtk_xml_reader.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/memory_budget.h"
#include "formats/binary_values.h"
#include "formats/limits.h"
#include "formats/read_error.h"
#include "formats/text_numbers.h"
#include "formats/vtk_grid.h"
#include "formats/vtk_mesh.h"
#include "formats/vtk_xml_arrays.h"
#include "scene/gri_format.h"

namespace formats {

namespace {

// A DataArray whose values lie in the appended data, read once the XML is through.
struct AppendedArray {
    SampleSet* set;                         // null for a coordinate array
    int axis;                               // 0..2 for a coordinate array
    std::vector<std::vector<double>>* raw;  // else the points or a part of the cells
    bool open;                              // of as many values as its header gives
    std::string name;
    ValueType type;
    std::int64_t components;
    std::uint64_t offset;
    std::int64_t line;
    std::int64_t tuples;
};

// The values of an array in text, as they come in pieces of its text (an element's text may
// come in several), into a column for each of COMPONENTS.
class AsciiColumns {
public:
    // At most TUPLES tuples are taken, and room for no more values than TEXT_BOUND characters
    // of text can hold is taken before they come.
    AsciiColumns(std::size_t components, std::size_t tuples, std::size_t textBound)
        : m_columns(components), m_room(components * tuples) {
        const std::size_t likely =
            std::min(tuples, (textBound / 2 + 1) / std::max<std::size_t>(components, 1) + 1);
        for (std::vector<double>& c : m_columns) c.reserve(likely);
    }
    // Takes TEXT; the first token that is no number when there is one.
    std::optional<std::string> Add(QStringView text) {
        for (const QChar c : text)
            if (auto bad = Take(c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?')) return bad;
        return std::nullopt;
    }
    std::optional<std::string> Add(std::string_view text) {
        for (const char c : text)
            if (auto bad = Take(c)) return bad;
        return std::nullopt;
    }
    // Ends the token in progress.
    std::optional<std::string> Finish() {
        if (m_token.empty()) return std::nullopt;
        const std::optional<double> v = ParseNumber(m_token);
        if (!v) return m_token;
        if (m_count < m_room) m_columns[m_count % m_columns.size()].push_back(*v);
        ++m_count;
        m_token.clear();
        return std::nullopt;
    }
    std::size_t Count() const { return m_count; }
    std::vector<std::vector<double>> TakeColumns() { return std::move(m_columns); }

private:
    std::optional<std::string> Take(char c) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') return Finish();
        m_token.push_back(c);
        return std::nullopt;
    }

    std::vector<std::vector<double>> m_columns;
    std::size_t m_room;
    std::size_t m_count = 0;
    std::string m_token;
};

// Asked before the columns of an array of COUNT values are taken: a file may declare far more
// than it holds (zlib packs a gigabyte of zeros into a megabyte), and the machine is asked first.
void CheckMemoryFor(std::size_t count, const std::string& name, const std::string& file, const Place& where) {
    if (FitsInMemory(static_cast<std::uint64_t>(count) * sizeof(double))) return;
    Fail(file, where,
         "Nicht genügend Arbeitsspeicher für die " + std::to_string(count) + " Werte des Feldes „" +
             Excerpt(name) + "“.",
         "not enough memory for the " + std::to_string(count) + " values of the array \"" + Excerpt(name) +
             "\".",
         messages::kAppCaption);
}

class XmlParser {
public:
    // TEXTS holds the k-th DataArray's text where it was taken out of XML (see HollowedXml).
    XmlParser(std::string_view xml, const std::vector<std::optional<std::string_view>>& texts,
              const std::string& file)
        : m_xml(QByteArray::fromRawData(xml.data(), static_cast<qsizetype>(xml.size()))),
          m_texts(texts),
          m_file(file) {}

    void Parse(bool appendedFollows);

    [[noreturn]] void Error(const std::string& german, const std::string& english) const {
        Fail(m_file, AtLine(static_cast<std::int64_t>(m_reader.lineNumber())), german, english);
    }
    // An array's columns where they belong: into SET, or as coordinate axis AXIS.
    void Store(SampleSet* set, int axis, std::vector<std::vector<double>>* raw, const std::string& name,
               std::vector<std::vector<double>>&& columns) {
        if (raw) {
            *raw = std::move(columns);
        } else if (set) {
            AddColumns(*set, name, std::move(columns));
        } else {
            // A coordinate array with several components gives its first.
            std::vector<double>& a = axis == 0 ? axes.x : axis == 1 ? axes.y : axes.z;
            a = std::move(columns.front());
        }
    }
    // Which encodings the arrays came in, for the notes, and whether any was binary.
    std::string encodings;
    bool binary = false;
    void NoteEncoding(const std::string& e) {
        if (encodings.find(e) == std::string::npos) encodings += (encodings.empty() ? "" : " + ") + e;
        binary = binary || e != "ascii";
    }

    std::string kind;
    BinaryLayout layout;
    std::int64_t extent[6] = {0, 0, 0, 0, 0, 0};
    double origin[3] = {0, 0, 0}, spacing[3] = {1, 1, 1};
    GridAxes axes;
    int coordinates = 0;
    SampleSet points, cells;
    std::vector<AppendedArray> appended;
    // An unstructured grid's or poly data's points, one column per component, and its cells as
    // the file gives them: per part (Cells, or Verts, Lines, Polys and Strips) one column each.
    struct CellPart {
        std::int64_t count = 0;
        std::vector<std::vector<double>> connectivity, offsets, types;
    };
    std::vector<std::vector<double>> pointCoordinates;
    CellPart cellParts[5];  // Cells, Verts, Lines, Polys, Strips
    std::int64_t pointCount = 0, cellCount = 0;
    bool Unstructured() const { return kind == "UnstructuredGrid" || kind == "PolyData"; }
    // How many values the arrays may still hold, and those an array of open length took.
    std::int64_t Room() const { return kMaxValues - m_kept; }
    void Keep(std::int64_t n) { m_kept += n; }

private:
    std::string Attribute(const char* name) const {
        return m_reader.attributes().value(QString::fromLatin1(name)).toString().toStdString();
    }
    std::vector<double> Numbers(const char* name, std::size_t count, bool required) const;
    // Six whole numbers, first and last index along x, y and z.
    void ReadExtent(const char* name) {
        const std::vector<double> e = Numbers(name, 6, true);
        for (std::size_t i = 0; i < 6; ++i) {
            if (std::floor(e[i]) != e[i])
                Error(std::string(name) + " braucht ganze Zahlen.",
                      std::string(name) + " needs whole numbers.");
            if (std::fabs(e[i]) > 2147483647.0)
                Error(std::string(name) + " enthält " + Num(e[i]) + ", mehr als der größte Index 2147483647.",
                      std::string(name) + " holds " + Num(e[i]) + ", beyond the largest index 2147483647.");
            extent[i] = static_cast<std::int64_t>(e[i]);
        }
    }
    void ReadDataArray(SampleSet* set);

public:
    // Counts the values of an array of open length, BYTES of values of SIZE bytes each.
    void KeepOpen(std::uint64_t bytes, std::size_t size, const std::string& name, const Place& where) {
        if (bytes % size != 0)
            Fail(m_file, where, "Das Feld „" + Excerpt(name) + "“ endet mitten in einem Wert.",
                 "the array \"" + Excerpt(name) + "\" ends within a value.");
        m_kept += static_cast<std::int64_t>(bytes / size);
    }

private:
    std::int64_t Count(int axis) const { return extent[2 * axis + 1] - extent[2 * axis] + 1; }
    // A count the piece gives, up to the most values the arrays may hold.
    std::int64_t Size(const char* name) {
        const std::vector<double> n = Numbers(name, 1, false);
        if (!n.empty() && (n[0] < 0 || n[0] > static_cast<double>(kMaxValues) || std::floor(n[0]) != n[0]))
            Error(std::string(name) + " = " + Num(n[0]) + " ist keine brauchbare Anzahl.",
                  std::string(name) + " = " + Num(n[0]) + " is not a usable count.");
        return n.empty() ? 0 : static_cast<std::int64_t>(n[0]);
    }
    static int PartIndex(QStringView name) {
        const char* parts[] = {"Cells", "Verts", "Lines", "Polys", "Strips"};
        for (int a = 0; a < 5; ++a)
            if (name == QLatin1String(parts[a])) return a;
        return -1;
    }
    // At most how many characters of the XML are still to come.
    std::size_t TextLeft() const {
        return static_cast<std::size_t>(m_xml.size() -
                                        std::min<qint64>(m_reader.characterOffset(), m_xml.size()));
    }

    QByteArray m_xml;
    const std::vector<std::optional<std::string_view>>& m_texts;
    std::size_t m_dataArrays = 0;            // DataArray elements met so far
    std::optional<std::string_view> m_text;  // the current one's text, taken out of the XML
    QXmlStreamReader m_reader;
    const std::string& m_file;
    SampleSet* m_set = nullptr;
    bool m_inCoordinates = false;
    bool m_inPoints = false;
    CellPart* m_part = nullptr;
    bool m_piece = false;
    std::int64_t m_kept = 0;
};

std::vector<double> XmlParser::Numbers(const char* name, std::size_t count, bool required) const {
    const std::string text = Attribute(name);
    std::vector<double> values;
    std::size_t i = 0;
    while (i < text.size() && values.size() <= count) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !(text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
            ++i;
        if (i == start) break;
        const std::optional<double> v = ParseNumber(std::string_view(text).substr(start, i - start));
        if (!v || !std::isfinite(*v))
            Error(std::string(name) + " = „" + Excerpt(text) + "“ enthält keine brauchbare Zahl.",
                  std::string(name) + " = \"" + Excerpt(text) + "\" holds no usable number.");
        values.push_back(*v);
    }
    if ((required || !text.empty()) && values.size() != count)
        Error(std::string(name) + " braucht " + std::to_string(count) + " Zahlen.",
              std::string(name) + " needs " + std::to_string(count) + " numbers.");
    return values;
}

void XmlParser::Parse(bool appendedFollows) {
    m_reader.addData(m_xml);
    int depth = 0;
    while (!m_reader.atEnd()) {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            const auto name = m_reader.name();
            if (name == QLatin1String("PointData") || name == QLatin1String("CellData")) m_set = nullptr;
            if (name == QLatin1String("Coordinates")) m_inCoordinates = false;
            if (name == QLatin1String("Points")) m_inPoints = false;
            if (PartIndex(name) >= 0) m_part = nullptr;
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        ++depth;
        const auto name = m_reader.name();
        if (m_reader.qualifiedName() == QLatin1String("DataArray"))
            m_text = m_dataArrays < m_texts.size() ? m_texts[m_dataArrays++] : std::nullopt;
        if (depth == 1) {
            if (name != QLatin1String("VTKFile"))
                Error("Das ist keine VTK-XML-Datei (kein VTKFile).",
                      "this is not a VTK XML file (no VTKFile).");
            kind = Attribute("type");
            if (kind != "ImageData" && kind != "RectilinearGrid" && kind != "StructuredGrid" &&
                kind != "UnstructuredGrid" && kind != "PolyData")
                Error("Die Datei enthält „" + Excerpt(kind) +
                          "“; gelesen werden ImageData, RectilinearGrid, StructuredGrid, UnstructuredGrid "
                          "und PolyData.",
                      "the file holds \"" + Excerpt(kind) +
                          "\"; ImageData, RectilinearGrid, StructuredGrid, UnstructuredGrid and PolyData "
                          "are read.");
            const std::string order = Attribute("byte_order"), header = Attribute("header_type"),
                              compressor = Attribute("compressor");
            if (!order.empty() && order != "LittleEndian" && order != "BigEndian")
                Error("Unbekannte Bytereihenfolge „" + Excerpt(order) + "“.",
                      "unknown byte order \"" + Excerpt(order) + "\".");
            if (!header.empty() && header != "UInt32" && header != "UInt64")
                Error("Unbekannter Kopftyp „" + Excerpt(header) + "“.",
                      "unknown header type \"" + Excerpt(header) + "\".");
            if (!compressor.empty() && compressor != "vtkZLibDataCompressor")
                Error("Die Daten sind mit „" + Excerpt(compressor) + "“ komprimiert; gelesen wird zlib.",
                      "the data is compressed with \"" + Excerpt(compressor) + "\"; zlib is read.");
            layout = {header == "UInt64", !compressor.empty(), order == "BigEndian"};
        } else if (name.toString().toStdString() == kind && depth == 2) {
            if (!Unstructured()) ReadExtent("WholeExtent");
            if (kind == "ImageData") {
                const std::vector<double> o = Numbers("Origin", 3, false), s = Numbers("Spacing", 3, false),
                                          d = Numbers("Direction", 9, false);
                for (std::size_t a = 0; a < 3; ++a) {
                    if (!o.empty()) origin[a] = o[a];
                    if (!s.empty()) spacing[a] = s[a];
                }
                // A direction that only turns axes round reads as negative spacing; a rotated
                // image has no rectilinear lattice in x and y.
                if (!d.empty())
                    for (std::size_t r = 0; r < 3; ++r)
                        for (std::size_t c = 0; c < 3; ++c) {
                            const double v = d[r * 3 + c];
                            if (r == c ? std::fabs(v) != 1.0 : v != 0.0)
                                Error(
                                    "Das Bild ist gedreht (Direction); gelesen werden achsenparallele "
                                    "Bilder.",
                                    "the image is rotated (Direction); images along the axes are read.");
                            if (r == c) spacing[r] *= v;
                        }
            }
        } else if (name == QLatin1String("Piece")) {
            if (m_piece)
                Error("Die Datei hat mehrere Stücke (Piece); gelesen wird ein Stück.",
                      "the file has several pieces (Piece); one piece is read.");
            m_piece = true;
            if (Unstructured()) {
                pointCount = Size("NumberOfPoints");
                if (kind == "UnstructuredGrid") {
                    cellParts[0].count = Size("NumberOfCells");
                } else {
                    const char* parts[] = {"NumberOfVerts", "NumberOfLines", "NumberOfPolys",
                                           "NumberOfStrips"};
                    for (int a = 0; a < 4; ++a) cellParts[a + 1].count = Size(parts[a]);
                }
                for (const CellPart& part : cellParts) cellCount += part.count;
                continue;
            }
            ReadExtent("Extent");
            double nodes = 1;
            for (int a = 0; a < 3; ++a) {
                if (Count(a) < 1 || Count(a) > kMaxAxisCount)
                    Error("Die Ausdehnung (Extent) ist unbrauchbar.", "the extent (Extent) is unusable.");
                nodes *= static_cast<double>(Count(a));
            }
            if (nodes > static_cast<double>(kMaxNodes))
                Error("Das Stück hat mehr als " + Num(kMaxNodes) + " Punkte.",
                      "the piece has more than " + Num(kMaxNodes) + " points.");
            pointCount = 1;
            cellCount = 1;
            for (int a = 0; a < 3; ++a) {
                pointCount *= Count(a);
                cellCount *= Count(a) > 1 ? Count(a) - 1 : 1;
            }
            if (kind == "ImageData")
                for (int a = 0; a < 3; ++a)
                    (a == 0   ? axes.x
                     : a == 1 ? axes.y
                              : axes.z) =
                        ImageAxis(origin[a] + static_cast<double>(extent[2 * a]) * spacing[a], spacing[a],
                                  Count(a));
        } else if (name == QLatin1String("PointData") || name == QLatin1String("CellData")) {
            if (!m_piece)
                Error("Daten stehen außerhalb eines Stücks (Piece).", "data stands outside a piece (Piece).");
            m_set = name == QLatin1String("PointData") ? &points : &cells;
            m_set->activeVector = Attribute("Vectors");
        } else if (name == QLatin1String("Coordinates")) {
            // Counted from the piece's extent, as its data is.
            if (!m_piece)
                Error("Daten stehen außerhalb eines Stücks (Piece).", "data stands outside a piece (Piece).");
            m_inCoordinates = true;
        } else if (name == QLatin1String("Points") || PartIndex(name) >= 0) {
            if (!m_piece)
                Error("Daten stehen außerhalb eines Stücks (Piece).", "data stands outside a piece (Piece).");
            m_inPoints = name == QLatin1String("Points");
            if (!m_inPoints) m_part = &cellParts[PartIndex(name)];
        } else if (name == QLatin1String("DataArray") && (m_set || m_inCoordinates || m_inPoints || m_part)) {
            ReadDataArray(m_set);
            --depth;  // ReadDataArray reads up to and including the array's end
        } else if (name == QLatin1String("AppendedData")) {
            break;
        }
    }
    if (m_reader.hasError() &&
        !(appendedFollows && m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError))
        Error("Die XML-Struktur ist fehlerhaft: " + m_reader.errorString().toStdString() + ".",
              "the XML is malformed: " + m_reader.errorString().toStdString() + ".");
    if (kind.empty())
        Error("Das ist keine VTK-XML-Datei (kein VTKFile).", "this is not a VTK XML file (no VTKFile).");
    if (!m_piece) Error("Die Datei hat kein Stück (Piece).", "the file has no piece (Piece).");
}

void XmlParser::ReadDataArray(SampleSet* set) {
    const std::string typeName = Attribute("type"), arrayName = Attribute("Name"),
                      format = Attribute("format"), componentText = Attribute("NumberOfComponents");
    const auto line = static_cast<std::int64_t>(m_reader.lineNumber());
    // The points and the cells' arrays go where they belong; a part's other arrays (a
    // polyhedron's faces) are passed over.
    std::vector<std::vector<double>>* raw = nullptr;
    bool open = false;
    std::int64_t partCount = 0;
    if (m_inPoints) {
        raw = &pointCoordinates;
    } else if (m_part) {
        partCount = m_part->count;
        if (arrayName == "connectivity") {
            raw = &m_part->connectivity;
            open = true;
        } else if (arrayName == "offsets") {
            raw = &m_part->offsets;
        } else if (arrayName == "types" && m_part == &cellParts[0]) {
            raw = &m_part->types;
        } else {
            m_reader.skipCurrentElement();
            return;
        }
    }
    const int axis = set || raw ? -1 : coordinates++;
    if (!set && !raw && axis > 2)
        Error("Mehr als drei Koordinatenfelder.", "more than three coordinate arrays.");
    const std::optional<ValueType> type = XmlValueType(typeName);
    const std::optional<double> components = componentText.empty() ? 1.0 : ParseNumber(componentText);
    if (!components || *components < 1 || *components > 16 || std::floor(*components) != *components)
        Error("NumberOfComponents = „" + Excerpt(componentText) + "“ ist unbrauchbar.",
              "NumberOfComponents = \"" + Excerpt(componentText) + "\" is unusable.");
    const auto comps = static_cast<std::int64_t>(*components);
    if (!type) {
        // Strings and bits are no flow values; passed over.
        if (set && !raw) {
            m_reader.skipCurrentElement();
            return;
        }
        Error("Unbekannter Datentyp „" + Excerpt(typeName) + "“.",
              "unknown data type \"" + Excerpt(typeName) + "\".");
    }
    // Counted from the piece: a rectilinear grid's coordinates may come after its data. The ids
    // of the cells are as many as the file gives, within what the arrays may still hold.
    if (m_part && comps != 1)
        Error("Das Feld „" + Excerpt(arrayName) + "“ der Zellen hat mehr als eine Komponente.",
              "the cells' array \"" + Excerpt(arrayName) + "\" has more than one component.");
    const std::int64_t tuples = open            ? Room()
                                : m_part        ? partCount
                                : m_inPoints    ? pointCount
                                : set == &cells ? cellCount
                                : set           ? pointCount
                                                : Count(axis);
    if (static_cast<double>(m_kept) + static_cast<double>(tuples * comps) > static_cast<double>(kMaxValues))
        Error("Die Felder haben mehr als " + Num(kMaxValues) + " Werte.",
              "the arrays hold more than " + Num(kMaxValues) + " values.");
    if (!open) m_kept += tuples * comps;

    if (format == "appended") {
        const std::optional<double> offset = ParseNumber(Attribute("offset"));
        if (!offset || *offset < 0 || *offset > 9e18 || std::floor(*offset) != *offset)
            Error("Das Feld „" + Excerpt(arrayName) + "“ hat keinen brauchbaren offset.",
                  "the array \"" + Excerpt(arrayName) + "\" has no usable offset.");
        appended.push_back({set, axis, raw, open, arrayName, *type, comps,
                            static_cast<std::uint64_t>(*offset), line, tuples});
        m_reader.skipCurrentElement();
        return;
    }
    const auto count = static_cast<std::size_t>(tuples * comps);
    const Place where = AtLine(line);
    NoteEncoding(format == "binary" ? "base64" : format.empty() ? "ascii" : format);
    if (format != "binary" && format != "ascii" && !format.empty())
        Fail(m_file, where, "Unbekanntes Format „" + Excerpt(format) + "“.",
             "unknown format \"" + Excerpt(format) + "\".");
    if (!open) CheckMemoryFor(count, arrayName, m_file, where);
    // The array's own text; the text of child elements (InformationKey) is not its data. Read as
    // it comes, so that neither the text nor the interleaved values are held beside the columns.
    AsciiColumns ascii(static_cast<std::size_t>(comps), static_cast<std::size_t>(tuples),
                       format == "binary" ? 0
                       : m_text           ? m_text->size()
                                          : TextLeft());
    std::string base64;
    int depth = 0;
    while (!m_reader.atEnd()) {
        const auto t = m_reader.readNext();
        if (t == QXmlStreamReader::StartElement) ++depth;
        if (t == QXmlStreamReader::EndElement && depth-- == 0) break;
        if (t != QXmlStreamReader::Characters || depth != 0) continue;
        const QStringView text = m_reader.text();
        if (format == "binary") {
            base64.reserve(base64.size() + static_cast<std::size_t>(text.size()));
            for (const QChar c : text)
                base64.push_back(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
        } else if (const std::optional<std::string> bad = ascii.Add(text)) {
            Fail(m_file, where,
                 "Das Feld „" + Excerpt(arrayName) + "“ enthält „" + Excerpt(*bad) + "“, keine Zahl.",
                 "the array \"" + Excerpt(arrayName) + "\" holds \"" + Excerpt(*bad) + "\", not a number.");
        }
        if (ascii.Count() > count)
            Fail(m_file, where,
                 "Das Feld „" + Excerpt(arrayName) + "“ hat mehr als " + std::to_string(count) + " Werte.",
                 "the array \"" + Excerpt(arrayName) + "\" holds more than " + std::to_string(count) +
                     " values.");
    }
    // Text taken out of the XML is read where it stands in the file.
    if (m_text && format != "binary") {
        if (const std::optional<std::string> bad = ascii.Add(*m_text))
            Fail(m_file, where,
                 "Das Feld „" + Excerpt(arrayName) + "“ enthält „" + Excerpt(*bad) + "“, keine Zahl.",
                 "the array \"" + Excerpt(arrayName) + "\" holds \"" + Excerpt(*bad) + "\", not a number.");
    }
    std::vector<std::vector<double>> columns;
    if (format == "binary") {
        ColumnDecoder decoder(*type, layout.bigEndian, static_cast<std::size_t>(comps),
                              open ? 0 : static_cast<std::size_t>(tuples), open);
        Base64Source source(m_text ? *m_text : std::string_view(base64));
        const std::uint64_t bytes = ReadBinaryArray(
            source, layout, count * SizeOf(*type), m_file, where,
            [&decoder](const unsigned char* b, std::size_t n) { decoder.Add(b, n); }, open);
        if (open) KeepOpen(bytes, SizeOf(*type), arrayName, where);
        columns = decoder.TakeColumns();
    } else {
        if (const std::optional<std::string> bad = ascii.Finish())
            Fail(m_file, where,
                 "Das Feld „" + Excerpt(arrayName) + "“ enthält „" + Excerpt(*bad) + "“, keine Zahl.",
                 "the array \"" + Excerpt(arrayName) + "\" holds \"" + Excerpt(*bad) + "\", not a number.");
        if (open) m_kept += static_cast<std::int64_t>(ascii.Count());
        if (ascii.Count() != count && !open)
            Fail(m_file, where,
                 "Das Feld „" + Excerpt(arrayName) + "“ hat " + std::to_string(ascii.Count()) + " statt " +
                     std::to_string(count) + " Werte.",
                 "the array \"" + Excerpt(arrayName) + "\" holds " + std::to_string(ascii.Count()) +
                     " values instead of " + std::to_string(count) + ".");
        columns = ascii.TakeColumns();
    }
    Store(set, axis, raw, arrayName, std::move(columns));
}

std::string_view TrimXmlStart(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    while (!bytes.empty() &&
           (bytes.front() == ' ' || bytes.front() == '\t' || bytes.front() == '\r' || bytes.front() == '\n'))
        bytes.remove_prefix(1);
    return bytes;
}

// The value of ATTRIBUTE in the text of one start tag.
std::string TagAttribute(std::string_view tag, std::string_view attribute) {
    for (std::size_t at = tag.find(attribute); at != std::string_view::npos;
         at = tag.find(attribute, at + 1)) {
        std::size_t i = at + attribute.size();
        while (i < tag.size() && tag[i] == ' ') ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && tag[i] == ' ') ++i;
        if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) continue;
        const std::size_t end = tag.find(tag[i], i + 1);
        if (end == std::string_view::npos) return {};
        return std::string(tag.substr(i + 1, end - i - 1));
    }
    return {};
}

// The longest tag the XML may have. The parser holds an attribute's value several times over in
// wider characters; VTK's tags are a few hundred bytes, and no value of theirs is long.
constexpr std::size_t kLongestTag = std::size_t{1} << 16;

// The XML as the parser is given it: each DataArray whose content is plain text (no child
// element, comment or entity) has that text taken out, leaving its line breaks so that every
// line number stays, and it is read where it stands in the file. The parser would otherwise
// hold an array's text twice over in wide characters beside its values.
struct HollowedXml {
    std::string xml;
    // The text of the k-th DataArray, in the order its start tags come; none where the parser
    // reads it itself.
    std::vector<std::optional<std::string_view>> texts;
};

// Throws when a tag of XML is longer than kLongestTag, before the parser takes it. Text between
// tags is the arrays' data and may be long; comments, CDATA and processing instructions are
// passed over as the parser does, and a '>' inside a quoted value does not end its tag.
HollowedXml Hollow(std::string_view xml, const std::string& file) {
    HollowedXml out;
    std::size_t copied = 0;  // XML up to here is in out.xml
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = xml.substr(at);
        std::size_t end;
        if (rest.starts_with("<!--")) {
            end = xml.find("-->", at + 4);
        } else if (rest.starts_with("<![CDATA[")) {
            end = xml.find("]]>", at + 9);
        } else if (rest.starts_with("<?")) {
            end = xml.find("?>", at + 2);
        } else {
            char quote = 0;
            for (end = at + 1; end < xml.size() && end - at <= kLongestTag; ++end) {
                const char c = xml[end];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (end - at > kLongestTag)
                Fail(file, AtByte(static_cast<std::int64_t>(at)),
                     "Ein Tag des XML ist länger als " + std::to_string(kLongestTag) + " Bytes.",
                     "a tag of the XML is longer than " + std::to_string(kLongestTag) + " bytes.");
            if (end >= xml.size()) break;  // unclosed: the parser says so
            const bool dataArray = rest.starts_with("<DataArray") && rest.size() > 10 &&
                                   (rest[10] == ' ' || rest[10] == '\t' || rest[10] == '\n' ||
                                    rest[10] == '\r' || rest[10] == '>' || rest[10] == '/');
            if (dataArray) {
                std::optional<std::string_view> text;
                const std::size_t next = xml.find('<', end + 1);
                if (xml[end - 1] != '/' && next != std::string_view::npos &&
                    xml.substr(next).starts_with("</DataArray")) {
                    text = xml.substr(end + 1, next - end - 1);
                    if (text->find('&') != std::string_view::npos) text.reset();
                }
                if (text) {
                    out.xml.append(xml.substr(copied, end + 1 - copied));
                    for (const char c : *text)
                        if (c == '\n' || c == '\r') out.xml.push_back(c);
                    copied = next;
                }
                out.texts.push_back(text);
            }
        }
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    out.xml.append(xml.substr(copied));
    return out;
}

}  // namespace

bool LooksLikeXml(std::string_view bytes) {
    const std::string_view t = TrimXmlStart(bytes);
    return t.starts_with("<?xml") || t.starts_with("<VTKFile");
}

void ReadVtkXml(std::string_view bytes, const std::string& file, DataSetArrays& out, LatticeSize size) {
    // Appended raw data is no XML: the XML parser sees only what comes before it, and the
    // arrays are read from the bytes after the "_" that starts it.
    const std::size_t tag = bytes.find("<AppendedData");
    std::string_view appended;
    std::size_t appendedStart = 0;
    bool base64 = true;
    if (tag != std::string_view::npos) {
        const std::size_t close = bytes.find('>', tag);
        const std::size_t mark = close == std::string_view::npos ? close : bytes.find('_', close);
        if (mark == std::string_view::npos)
            Fail(file, AtByte(static_cast<std::int64_t>(tag)),
                 "Der Beginn der angehängten Daten („_“) fehlt.",
                 "the start of the appended data (\"_\") is missing.");
        const std::string encoding = TagAttribute(bytes.substr(tag, close - tag), "encoding");
        if (encoding != "raw" && encoding != "base64")
            Fail(file, AtByte(static_cast<std::int64_t>(tag)),
                 "Unbekannte Kodierung der angehängten Daten „" + Excerpt(encoding) + "“.",
                 "unknown encoding of the appended data \"" + Excerpt(encoding) + "\".");
        base64 = encoding == "base64";
        appendedStart = mark + 1;
        appended = bytes.substr(appendedStart);
        if (base64) appended = appended.substr(0, appended.find('<'));
    }
    const std::string_view xmlPart = bytes.substr(0, tag == std::string_view::npos ? bytes.size() : tag);
    const HollowedXml hollowed = Hollow(xmlPart, file);
    XmlParser xml(hollowed.xml, hollowed.texts, file);
    xml.Parse(tag != std::string_view::npos);

    if (!xml.appended.empty()) xml.NoteEncoding(base64 ? "appended base64" : "appended raw");
    for (const AppendedArray& a : xml.appended) {
        if (tag == std::string_view::npos)
            Fail(file, AtLine(a.line),
                 "Das Feld „" + Excerpt(a.name) + "“ liegt in angehängten Daten, die Datei hat keine.",
                 "the array \"" + Excerpt(a.name) + "\" lies in appended data, and the file has none.");
        const Place where = AtByte(static_cast<std::int64_t>(appendedStart + a.offset));
        if (a.offset > appended.size())
            Fail(file, where,
                 "Der offset des Feldes „" + Excerpt(a.name) + "“ liegt hinter dem Ende der Datei.",
                 "the offset of the array \"" + Excerpt(a.name) + "\" lies past the end of the file.");
        const std::int64_t tuples = a.open ? xml.Room() : a.tuples;
        const auto count = static_cast<std::size_t>(tuples * a.components);
        if (!a.open) CheckMemoryFor(count, a.name, file, where);
        ColumnDecoder decoder(a.type, xml.layout.bigEndian, static_cast<std::size_t>(a.components),
                              a.open ? 0 : static_cast<std::size_t>(tuples), a.open);
        const ByteSink sink = [&decoder](const unsigned char* piece, std::size_t n) {
            decoder.Add(piece, n);
        };
        std::uint64_t arrayBytes;
        if (base64) {
            Base64Source source(appended.substr(static_cast<std::size_t>(a.offset)));
            arrayBytes =
                ReadBinaryArray(source, xml.layout, count * SizeOf(a.type), file, where, sink, a.open);
        } else {
            RawSource source(appended.substr(static_cast<std::size_t>(a.offset)));
            arrayBytes =
                ReadBinaryArray(source, xml.layout, count * SizeOf(a.type), file, where, sink, a.open);
        }
        if (a.open) xml.KeepOpen(arrayBytes, SizeOf(a.type), a.name, where);
        xml.Store(a.set, a.axis, a.raw, a.name, decoder.TakeColumns());
    }
    if (xml.kind == "RectilinearGrid") {
        const std::int64_t n[3] = {xml.extent[1] - xml.extent[0] + 1, xml.extent[3] - xml.extent[2] + 1,
                                   xml.extent[5] - xml.extent[4] + 1};
        const std::vector<double>* axes[3] = {&xml.axes.x, &xml.axes.y, &xml.axes.z};
        for (std::size_t a = 0; a < 3; ++a)
            if (static_cast<std::int64_t>(axes[a]->size()) != n[a])
                Fail(file, Whole(), "Die Koordinaten (Coordinates) passen nicht zur Ausdehnung des Gitters.",
                     "the coordinates (Coordinates) do not fit the grid's extent.");
    }
    const std::string format = "VTK XML " + xml.kind + ", " +
                               (xml.encodings.empty() ? std::string("no arrays") : xml.encodings) +
                               (xml.layout.zlib ? ", zlib" : "");
    if (xml.kind == "StructuredGrid" || xml.Unstructured()) {
        std::vector<std::vector<double>>& p = xml.pointCoordinates;
        if (p.size() != 3 || static_cast<std::int64_t>(p[0].size()) != xml.pointCount)
            Fail(file, Whole(), "Die Punkte (Points) fehlen oder haben nicht drei Koordinaten.",
                 "the points (Points) are missing or do not have three coordinates.");
        if (xml.kind == "StructuredGrid") {
            const std::int64_t dims[3] = {xml.extent[1] - xml.extent[0] + 1,
                                          xml.extent[3] - xml.extent[2] + 1,
                                          xml.extent[5] - xml.extent[4] + 1};
            BuildStructuredDataSet(dims, std::move(p[0]), std::move(p[1]), std::move(p[2]), xml.points,
                                   xml.cells, size, file, format, out);
        } else {
            VtkCells cells;
            cells.x = std::move(p[0]);
            cells.y = std::move(p[1]);
            cells.z = std::move(p[2]);
            // Cell data runs over the parts in this order: vertices, lines, polygons, strips.
            static constexpr std::uint8_t kPartTypes[5] = {0, kVtkVertex, kVtkLine, kVtkPolygon,
                                                           kVtkTriangleStrip};
            for (int part = 0; part < 5; ++part) {
                auto& c = xml.cellParts[part];
                if (c.count == 0) continue;
                if (part == 1 || part == 2) {
                    AppendEmptyCells(cells, c.count, kPartTypes[part]);
                    continue;
                }
                if (c.connectivity.size() != 1 || c.offsets.size() != 1 ||
                    (part == 0 && c.types.size() != 1) ||
                    static_cast<std::int64_t>(c.offsets[0].size()) != c.count)
                    Fail(file, Whole(), "Die Zellen (connectivity, offsets, types) fehlen.",
                         "the cells (connectivity, offsets, types) are missing.");
                AppendCells(cells, c.offsets[0], c.connectivity[0], kPartTypes[part], file);
                std::vector<std::vector<double>>().swap(c.connectivity);
                if (part == 0) {
                    // The types as the file gives them, each a small whole number.
                    const std::vector<double>& types = c.types[0];
                    const std::size_t first = cells.types.size() - types.size();
                    for (std::size_t k = 0; k < types.size(); ++k) {
                        if (!(types[k] >= 0 && types[k] <= 255) || std::floor(types[k]) != types[k])
                            Fail(file, Whole(),
                                 "Zelle " + Num(static_cast<std::int64_t>(k) + 1) + " hat den Typ " +
                                     Num(types[k]) + ", keinen VTK-Zelltyp.",
                                 "cell " + Num(static_cast<std::int64_t>(k) + 1) + " has type " +
                                     Num(types[k]) + ", no VTK cell type.");
                        cells.types[first + k] = static_cast<std::uint8_t>(types[k]);
                    }
                }
            }
            BuildMeshDataSet(cells, xml.points, xml.cells, size, file, format, out);
        }
    } else {
        BuildVtkDataSet(xml.axes, xml.points, xml.cells, file, format, out);
    }
    out.notes.binary = xml.binary;
}

void ReadVtkXml(std::string_view bytes, const std::string& file, DataSetArrays& out) {
    ReadVtkXml(bytes, file, out, LatticeSize{});
}

}  // namespace formats

namespace formats {

namespace {

std::string FolderOf(const std::string& file) {
    const std::size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

}  // namespace

std::vector<Frame> ReadPvdCollection(std::string_view bytes, const std::string& file) {
    // The tag-length guard of the data sets' XML; a collection has no arrays to take out.
    const HollowedXml hollowed = Hollow(bytes, file);
    QXmlStreamReader reader(
        QByteArray::fromRawData(hollowed.xml.data(), static_cast<qsizetype>(hollowed.xml.size())));
    const auto fail = [&](const std::string& german, const std::string& english) {
        Fail(file, AtLine(static_cast<std::int64_t>(reader.lineNumber())), german, english);
    };
    const auto attribute = [&](const char* name) {
        return reader.attributes().value(QString::fromLatin1(name)).toString().toStdString();
    };
    std::vector<Frame> frames;
    bool collection = false, everyTimed = true;
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        // Entities are declared in a document type, which comes before the first element: refused
        // there, none can grow the text nor name another file.
        if (token == QXmlStreamReader::DTD)
            fail("Die Sammlung hat eine Dokumenttypdefinition (DOCTYPE); gelesen wird reines XML.",
                 "the collection has a document type definition (DOCTYPE); plain XML is read.");
        if (token == QXmlStreamReader::EndElement) --depth;
        if (token != QXmlStreamReader::StartElement) continue;
        ++depth;
        const auto name = reader.name();
        if (depth == 1 && (name != QLatin1String("VTKFile") || attribute("type") != "Collection"))
            fail("Das ist keine ParaView-Sammlung (VTKFile type=\"Collection\").",
                 "this is not a ParaView collection (VTKFile type=\"Collection\").");
        if (depth == 2) collection = name == QLatin1String("Collection");
        if (depth != 3 || !collection || name != QLatin1String("DataSet")) continue;
        const std::string part = attribute("part");
        if (!part.empty() && part != "0")
            fail("Die Sammlung hat mehrere Teile je Zeitschritt (part); gelesen wird ein Teil.",
                 "the collection has several parts per time step (part); one part is read.");
        std::string path = attribute("file");
        if (path.empty())
            fail("Ein Datensatz (DataSet) nennt keine Datei (file).",
                 "a data set (DataSet) names no file (file).");
        if (frames.size() == kMaxFrames)
            fail("Mehr als " + Num(static_cast<std::int64_t>(kMaxFrames)) + " Datensätze.",
                 "more than " + Num(static_cast<std::int64_t>(kMaxFrames)) + " data sets.");
        const std::string timestep = attribute("timestep");
        std::optional<double> time;
        if (!timestep.empty()) {
            time = ParseNumber(timestep);
            if (!time || !std::isfinite(*time))
                fail("timestep = „" + Excerpt(timestep) + "“ ist keine Zahl.",
                     "timestep = \"" + Excerpt(timestep) + "\" is not a number.");
        }
        everyTimed = everyTimed && time.has_value();
        std::string lower = path.substr(path.size() > 4 ? path.size() - 4 : 0);
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (lower == ".pvd")
            fail("Ein Datensatz ist selbst eine Sammlung (.pvd).",
                 "a data set is a collection (.pvd) itself.");
        // Relative to the collection's folder, as ParaView writes them.
        if (!path.starts_with('/')) path = FolderOf(file) + path;
        frames.emplace_back(std::move(path), std::string(), 0, time);
    }
    if (reader.hasError())
        fail("Die XML-Struktur ist fehlerhaft: " + reader.errorString().toStdString() + ".",
             "the XML is malformed: " + reader.errorString().toStdString() + ".");
    if (frames.empty())
        Fail(file, Whole(), "Die Sammlung nennt keinen Datensatz (DataSet).",
             "the collection names no data set (DataSet).");
    // In time order; data sets of one time, and a collection without times, as listed.
    if (everyTimed)
        std::stable_sort(frames.begin(), frames.end(),
                         [](const Frame& a, const Frame& b) { return *a.time < *b.time; });
    return frames;
}

}  // namespace formats
