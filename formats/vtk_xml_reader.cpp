#include "formats/vtk_xml_reader.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "formats/binary_values.h"
#include "formats/limits.h"
#include "formats/read_error.h"
#include "formats/text_numbers.h"
#include "formats/vtk_grid.h"
#include "formats/vtk_xml_arrays.h"
#include "scene/gri_format.h"

namespace formats {

namespace {

// A DataArray whose values lie in the appended data, read once the XML is through.
struct AppendedArray {
    SampleSet* set;  // null for a coordinate array
    int axis;        // 0..2 for a coordinate array
    std::string name;
    ValueType type;
    std::int64_t components;
    std::uint64_t offset;
    std::int64_t line;
    std::int64_t tuples;
};

class XmlParser {
public:
    XmlParser(std::string_view xml, const std::string& file)
        : m_xml(QByteArray::fromRawData(xml.data(), static_cast<qsizetype>(xml.size()))), m_file(file) {}

    void Parse(bool appendedFollows);

    [[noreturn]] void Error(const std::string& german, const std::string& english) const {
        Fail(m_file, AtLine(static_cast<std::int64_t>(m_reader.lineNumber())), german, english);
    }
    // An array's values where they belong: into SET as columns, or as coordinate axis AXIS.
    void Store(SampleSet* set, int axis, const std::string& name, std::int64_t components,
               const std::vector<double>& values) {
        if (set) {
            AddArray(*set, name, static_cast<std::size_t>(components), values);
        } else {
            // A coordinate array with several components gives its first.
            std::vector<double>& a = axis == 0 ? axes.x : axis == 1 ? axes.y : axes.z;
            a.clear();
            for (std::size_t n = 0; n < values.size(); n += static_cast<std::size_t>(components))
                a.push_back(values[n]);
        }
    }
    // Which encodings the arrays came in, for the notes.
    std::string encodings;
    void NoteEncoding(const std::string& e) {
        if (encodings.find(e) == std::string::npos) encodings += (encodings.empty() ? "" : " + ") + e;
    }

    std::string kind;
    BinaryLayout layout;
    std::int64_t extent[6] = {0, 0, 0, 0, 0, 0};
    double origin[3] = {0, 0, 0}, spacing[3] = {1, 1, 1};
    GridAxes axes;
    int coordinates = 0;
    SampleSet points, cells;
    std::vector<AppendedArray> appended;

private:
    std::string Attribute(const char* name) const {
        return m_reader.attributes().value(QString::fromLatin1(name)).toString().toStdString();
    }
    std::vector<double> Numbers(const char* name, std::size_t count, bool required) const;
    // Six whole numbers, first and last index along x, y and z.
    void ReadExtent(const char* name) {
        const std::vector<double> e = Numbers(name, 6, true);
        for (std::size_t i = 0; i < 6; ++i) {
            if (std::fabs(e[i]) > 2147483647.0 || std::floor(e[i]) != e[i])
                Error(std::string(name) + " braucht ganze Zahlen.",
                      std::string(name) + " needs whole numbers.");
            extent[i] = static_cast<std::int64_t>(e[i]);
        }
    }
    void ReadDataArray(SampleSet* set);
    std::int64_t Count(int axis) const { return extent[2 * axis + 1] - extent[2 * axis] + 1; }

    QByteArray m_xml;
    QXmlStreamReader m_reader;
    const std::string& m_file;
    SampleSet* m_set = nullptr;
    bool m_inCoordinates = false;
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
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        ++depth;
        const auto name = m_reader.name();
        if (depth == 1) {
            if (name != QLatin1String("VTKFile"))
                Error("Das ist keine VTK-XML-Datei (kein VTKFile).",
                      "this is not a VTK XML file (no VTKFile).");
            kind = Attribute("type");
            if (kind != "ImageData" && kind != "RectilinearGrid")
                Error("Die Datei enthält „" + Excerpt(kind) +
                          "“; gelesen werden ImageData und RectilinearGrid.",
                      "the file holds \"" + Excerpt(kind) + "\"; ImageData and RectilinearGrid are read.");
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
            ReadExtent("WholeExtent");
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
            m_inCoordinates = true;
        } else if (name == QLatin1String("DataArray") && (m_set || m_inCoordinates)) {
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
    const int axis = set ? -1 : coordinates++;
    if (!set && axis > 2) Error("Mehr als drei Koordinatenfelder.", "more than three coordinate arrays.");
    const std::optional<ValueType> type = XmlValueType(typeName);
    const std::optional<double> components = componentText.empty() ? 1.0 : ParseNumber(componentText);
    if (!components || *components < 1 || *components > 16 || std::floor(*components) != *components)
        Error("NumberOfComponents = „" + Excerpt(componentText) + "“ ist unbrauchbar.",
              "NumberOfComponents = \"" + Excerpt(componentText) + "\" is unusable.");
    const auto comps = static_cast<std::int64_t>(*components);
    if (!type) {
        // Strings and bits are no flow values; passed over.
        if (set) {
            m_reader.skipCurrentElement();
            return;
        }
        Error("Unbekannter Datentyp „" + Excerpt(typeName) + "“.",
              "unknown data type \"" + Excerpt(typeName) + "\".");
    }
    // Counted from the extent: a rectilinear grid's coordinates may come after its data.
    std::int64_t pointCount = 1, cellCount = 1;
    for (int a = 0; a < 3; ++a) {
        pointCount *= Count(a);
        cellCount *= Count(a) > 1 ? Count(a) - 1 : 1;
    }
    const std::int64_t tuples = set == &cells ? cellCount : set ? pointCount : Count(axis);
    if (static_cast<double>(m_kept) + static_cast<double>(tuples * comps) > static_cast<double>(kMaxValues))
        Error("Die Felder haben mehr als " + Num(kMaxValues) + " Werte.",
              "the arrays hold more than " + Num(kMaxValues) + " values.");
    m_kept += tuples * comps;

    if (format == "appended") {
        const std::optional<double> offset = ParseNumber(Attribute("offset"));
        if (!offset || *offset < 0 || *offset > 9e18 || std::floor(*offset) != *offset)
            Error("Das Feld „" + Excerpt(arrayName) + "“ hat keinen brauchbaren offset.",
                  "the array \"" + Excerpt(arrayName) + "\" has no usable offset.");
        appended.push_back(
            {set, axis, arrayName, *type, comps, static_cast<std::uint64_t>(*offset), line, tuples});
        m_reader.skipCurrentElement();
        return;
    }
    // The array's own text; the text of child elements (InformationKey) is not its data.
    QString text;
    int depth = 0;
    while (!m_reader.atEnd()) {
        const auto t = m_reader.readNext();
        if (t == QXmlStreamReader::StartElement) ++depth;
        if (t == QXmlStreamReader::EndElement && depth-- == 0) break;
        if (t == QXmlStreamReader::Characters && depth == 0) text += m_reader.text();
    }
    const std::string bytes = text.toLatin1().toStdString();
    const std::size_t count = static_cast<std::size_t>(tuples * comps);
    std::vector<double> values;
    const Place where = AtLine(line);
    NoteEncoding(format == "binary" ? "base64" : format.empty() ? "ascii" : format);
    if (format == "binary") {
        Base64Source source(bytes);
        const std::vector<unsigned char> raw =
            ReadBinaryArray(source, layout, count * SizeOf(*type), m_file, where);
        values.resize(count);
        DecodeValues(raw.data(), count, *type, layout.bigEndian, values.data());
    } else if (format == "ascii" || format.empty()) {
        if (bytes.size() + 1 < 2 * count)
            Fail(m_file, where,
                 "Das Feld „" + Excerpt(arrayName) + "“ hat weniger als " + std::to_string(count) + " Werte.",
                 "the array \"" + Excerpt(arrayName) + "\" holds fewer than " + std::to_string(count) +
                     " values.");
        values.reserve(count);
        std::size_t i = 0;
        while (i < bytes.size()) {
            while (i < bytes.size() &&
                   (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\n' || bytes[i] == '\r'))
                ++i;
            const std::size_t start = i;
            while (i < bytes.size() &&
                   !(bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\n' || bytes[i] == '\r'))
                ++i;
            if (i == start) break;
            const std::optional<double> v = ParseNumber(std::string_view(bytes).substr(start, i - start));
            if (!v)
                Fail(m_file, where,
                     "Das Feld „" + Excerpt(arrayName) + "“ enthält „" +
                         Excerpt(std::string_view(bytes).substr(start, i - start)) + "“, keine Zahl.",
                     "the array \"" + Excerpt(arrayName) + "\" holds \"" +
                         Excerpt(std::string_view(bytes).substr(start, i - start)) + "\", not a number.");
            if (values.size() == count)
                Fail(
                    m_file, where,
                    "Das Feld „" + Excerpt(arrayName) + "“ hat mehr als " + std::to_string(count) + " Werte.",
                    "the array \"" + Excerpt(arrayName) + "\" holds more than " + std::to_string(count) +
                        " values.");
            values.push_back(*v);
        }
        if (values.size() != count)
            Fail(m_file, where,
                 "Das Feld „" + Excerpt(arrayName) + "“ hat " + std::to_string(values.size()) + " statt " +
                     std::to_string(count) + " Werte.",
                 "the array \"" + Excerpt(arrayName) + "\" holds " + std::to_string(values.size()) +
                     " values instead of " + std::to_string(count) + ".");
    } else {
        Fail(m_file, where, "Unbekanntes Format „" + Excerpt(format) + "“.",
             "unknown format \"" + Excerpt(format) + "\".");
    }
    Store(set, axis, arrayName, comps, values);
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

}  // namespace

bool LooksLikeXml(std::string_view bytes) {
    const std::string_view t = TrimXmlStart(bytes);
    return t.starts_with("<?xml") || t.starts_with("<VTKFile");
}

void ReadVtkXml(std::string_view bytes, const std::string& file, DataSetArrays& out) {
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
    XmlParser xml(bytes.substr(0, tag == std::string_view::npos ? bytes.size() : tag), file);
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
        const auto count = static_cast<std::size_t>(a.tuples * a.components);
        std::vector<unsigned char> raw;
        if (base64) {
            Base64Source source(appended.substr(static_cast<std::size_t>(a.offset)));
            raw = ReadBinaryArray(source, xml.layout, count * SizeOf(a.type), file, where);
        } else {
            RawSource source(appended.substr(static_cast<std::size_t>(a.offset)));
            raw = ReadBinaryArray(source, xml.layout, count * SizeOf(a.type), file, where);
        }
        std::vector<double> values(count);
        DecodeValues(raw.data(), count, a.type, xml.layout.bigEndian, values.data());
        xml.Store(a.set, a.axis, a.name, a.components, values);
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
    BuildVtkDataSet(xml.axes, xml.points, xml.cells, file,
                    "VTK XML " + xml.kind + ", " +
                        (xml.encodings.empty() ? std::string("no arrays") : xml.encodings) +
                        (xml.layout.zlib ? ", zlib" : ""),
                    out);
}

}  // namespace formats
