#include "formats/tecplot_reader.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "formats/checked_size.h"
#include "formats/data_set_builder.h"
#include "formats/field_roles.h"
#include "formats/lattice.h"
#include "formats/limits.h"
#include "formats/mesh_resampler.h"
#include "formats/read_error.h"
#include "formats/text_numbers.h"

namespace formats {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsWordChar(char c) {
    return IsLetter(c) || (c >= '0' && c <= '9');
}

// Words are compared with keywords of a few letters: a longer one is cut to MOST characters,
// so that a word of megabytes is not copied.
std::string Upper(std::string_view s, std::size_t most = 64) {
    std::string out(s.substr(0, most));
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Tecplot's records are free-form: words, "=", quoted strings and numbers separated by blanks,
// commas and line breaks, with # starting a comment line.
class Scanner {
public:
    Scanner(std::string_view text, const std::string& file) : m_text(text), m_file(file) {}

    void SkipSpace() {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '\n') {
                ++m_line;
                m_lineStart = true;
                ++m_pos;
            } else if (IsSpace(c) || c == ',') {
                ++m_pos;
            } else if (c == '#' && m_lineStart) {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
            } else {
                return;
            }
        }
    }
    bool AtEnd() {
        SkipSpace();
        return m_pos >= m_text.size();
    }
    char Peek() {
        SkipSpace();
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    bool PeekWord() { return IsLetter(Peek()); }
    std::string_view PeekWordText() {
        SkipSpace();
        std::size_t end = m_pos;
        while (end < m_text.size() && IsWordChar(m_text[end])) ++end;
        return m_text.substr(m_pos, end - m_pos);
    }
    std::string Word() {
        const std::string_view w = PeekWordText();
        Advance(w.size());
        return std::string(w);
    }
    void Expect(char c, const char* what) {
        if (Peek() != c)
            Fail(m_file, Here(), std::string("Nach ") + what + " fehlt „" + c + "“.",
                 std::string("\"") + c + "\" is missing after " + what + ".");
        Advance(1);
    }
    // A quoted string (a backslash keeps a quote inside), or else a bare token; at most its
    // first MOST characters are kept, and none where only passing over it matters.
    std::string Value(std::size_t most = kLongestName) {
        const char q = Peek();
        if (q == '"' || q == '\'') {
            const std::int64_t line = m_line;
            std::string out;
            for (std::size_t i = m_pos + 1; i < m_text.size(); ++i) {
                const char c = m_text[i];
                if (c == '\\' && i + 1 < m_text.size() && m_text[i + 1] == q) {
                    if (out.size() < most) out += q;
                    ++i;
                } else if (c == q) {
                    Advance(i + 1 - m_pos);
                    return out;
                } else {
                    if (c == '\n') ++m_line;
                    if (out.size() < most) out += c;
                }
            }
            Fail(m_file, AtLine(line), "Eine Zeichenkette wird nicht geschlossen.",
                 "a quoted string is never closed.");
        }
        if (q == '(') {
            const std::size_t close = m_text.find(')', m_pos);
            if (close == std::string_view::npos)
                Fail(m_file, Here(), "Eine Klammer wird nicht geschlossen.",
                     "a parenthesis is never closed.");
            const std::string_view inner = m_text.substr(m_pos + 1, close - m_pos - 1);
            for (char c : inner) m_line += c == '\n';
            Advance(close + 1 - m_pos);
            return std::string(inner.substr(0, most));
        }
        return std::string(Token().substr(0, most));
    }
    // The characters up to the next blank, comma or line break.
    std::string_view Token() {
        SkipSpace();
        std::size_t end = m_pos;
        while (end < m_text.size() && !IsSpace(m_text[end]) && m_text[end] != ',') ++end;
        const std::string_view t = m_text.substr(m_pos, end - m_pos);
        Advance(t.size());
        return t;
    }
    Place Here() const { return AtLine(m_line); }
    std::int64_t Line() const { return m_line; }
    std::size_t Remaining() const { return m_text.size() - m_pos; }

private:
    void Advance(std::size_t n) {
        m_pos += n;
        if (n) m_lineStart = false;
    }

    std::string_view m_text;
    const std::string& m_file;
    std::size_t m_pos = 0;
    std::int64_t m_line = 1;
    bool m_lineStart = true;
};

bool IsRecord(std::string_view upper) {
    for (const char* r : {"TITLE", "VARIABLES", "ZONE", "FILETYPE", "DATASETAUXDATA", "VARAUXDATA", "TEXT",
                          "GEOMETRY", "CUSTOMLABELS"})
        if (upper == r) return true;
    return false;
}

// The zone's words whose values the reader looks at, and how much of each it keeps: a
// VARLOCATION may list every variable.
bool IsUsedZoneKey(const std::string& key) {
    for (const char* k :
         {"I", "J", "K", "DATAPACKING", "F", "ZONETYPE", "VARLOCATION", "N", "E", "NODES", "ELEMENTS", "ET"})
        if (key == k) return true;
    return false;
}
constexpr std::size_t kLongestZoneValue = std::size_t{1} << 16;

std::int64_t Count(const std::map<std::string, std::string>& zone, const char* key, const std::string& file,
                   const Place& where) {
    const auto it = zone.find(key);
    if (it == zone.end()) return 1;
    const std::optional<double> v = ParseNumber(it->second);
    if (!v || !(*v >= 1 && *v <= 2147483647.0) || *v != std::floor(*v))
        Fail(file, where, std::string(key) + " = " + Excerpt(it->second) + " ist keine brauchbare Punktzahl.",
             std::string(key) + " = " + Excerpt(it->second) + " is not a usable number of points.");
    return static_cast<std::int64_t>(*v);
}

// A finite-element zone's count, given under either of its two names; refused when missing.
std::int64_t FiniteElementCount(const std::map<std::string, std::string>& zone, const char* key,
                                const char* shortKey, const char* german, const char* english,
                                const std::string& file, const Place& where) {
    const char* given = zone.count(key) ? key : zone.count(shortKey) ? shortKey : nullptr;
    if (!given)
        Fail(file, where,
             std::string("Die Finite-Elemente-Zone nennt ihre Zahl der ") + german + " nicht (" + key + ").",
             std::string("the finite-element zone does not give its number of ") + english + " (" + key +
                 ").");
    return Count(zone, given, file, where);
}

// The elements of a finite-element zone after its node data: CORNERS node numbers (from 1) each,
// onto MESH, whose points are the zone's NODES.
void ReadElements(Scanner& s, std::int64_t elements, int corners, std::int64_t nodes, const std::string& file,
                  PlaneMesh& mesh) {
    const auto total = elements * corners;
    mesh.connectivity.reserve(static_cast<std::size_t>(total));
    mesh.offsets.reserve(static_cast<std::size_t>(elements) + 1);
    for (std::int64_t e = 0; e < elements; ++e) {
        for (int k = 0; k < corners; ++k) {
            if (s.AtEnd())
                Fail(file, s.Here(),
                     "Die Datei endet nach " + Num(e * corners + k) + " der " + Num(total) +
                         " Knotennummern der Elemente.",
                     "the file ends after " + Num(e * corners + k) + " of the elements' " + Num(total) +
                         " node numbers.");
            const std::string_view token = s.Token();
            const std::optional<double> id = ParseNumber(token);
            if (!id || !(*id >= 1 && *id <= static_cast<double>(nodes)) || *id != std::floor(*id))
                Fail(file, s.Here(),
                     "Element " + Num(e + 1) + " verweist auf den Knoten „" + Excerpt(token) +
                         "“, die Zone hat " + Num(nodes) + " Knoten.",
                     "element " + Num(e + 1) + " refers to node \"" + Excerpt(token) +
                         "\", and the zone has " + Num(nodes) + " nodes.");
            mesh.connectivity.push_back(static_cast<std::int64_t>(*id) - 1);
        }
        mesh.offsets.push_back(static_cast<std::int64_t>(mesh.connectivity.size()));
    }
}

// The corners of a finite-element zone's elements, 3 or 4; 0 for an ordered zone. Other kinds of
// element are refused.
int CornersOf(const std::map<std::string, std::string>& zone, const std::string& file, const Place& where) {
    const auto value = [&](const char* key) {
        const auto it = zone.find(key);
        return it == zone.end() ? std::string() : it->second;
    };
    const std::string type = value("ZONETYPE"), format = value("F"), element = value("ET");
    const bool finite = (!type.empty() && type != "ORDERED") || format.starts_with("FE") || zone.count("N") ||
                        zone.count("E") || zone.count("NODES") || zone.count("ELEMENTS") || zone.count("ET");
    if (!finite) return 0;
    // Tecplot's own order: ZONETYPE where given, else the older ET.
    const std::string kind = !type.empty() ? type : element.empty() ? std::string() : "FE" + element;
    if (kind == "FETRIANGLE") return 3;
    if (kind == "FEQUADRILATERAL") return 4;
    const std::string named = kind.empty() ? std::string("?") : Excerpt(kind);
    Fail(
        file, where,
        "Die Zone ist eine Finite-Elemente-Zone der Art " + named +
            "; gelesen werden Dreiecke und Vierecke (FETRIANGLE, FEQUADRILATERAL) und geordnete Zonen (I, J, "
            "K).",
        "the zone is a finite-element zone of type " + named +
            "; triangles and quadrilaterals (FETRIANGLE, FEQUADRILATERAL) and ordered zones (I, J, K) are "
            "read.");
}

// The one z of a finite-element zone's nodes, which must lie in a plane of constant z.
double PlaneZ(const std::vector<double>& z, const std::string& file, const Place& where) {
    const auto [lo, hi] = std::minmax_element(z.begin(), z.end());
    if (lo == z.end()) return 0.0;
    if (!(*lo == *hi))
        Fail(file, where,
             "Die Knoten der Zone liegen auf mehr als einem z-Wert (von " + Num(*lo) + " bis " + Num(*hi) +
                 "); gelesen werden ebene Finite-Elemente-Zonen.",
             "the zone's nodes lie at more than one z value (from " + Num(*lo) + " to " + Num(*hi) +
                 "); plane finite-element zones are read.");
    return *lo;
}

}  // namespace

bool LooksLikeTecplot(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::string empty;
    Scanner s(bytes.substr(0, 65536), empty);
    if (!s.PeekWord()) return false;
    const std::string word = Upper(s.Word());
    if (word == "TITLE" || word == "VARIABLES" || word == "FILETYPE") return s.Peek() == '=';
    if (word == "DATASETAUXDATA") return s.PeekWord();
    // "ZONE T=...", "ZONE I=...", or a bare ZONE before its data.
    if (word != "ZONE") return false;
    if (!s.PeekWord()) return true;
    s.Word();
    return s.Peek() == '=';
}

std::vector<TecplotZone> ScanTecplotZones(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::string empty;
    Scanner s(bytes, empty);
    std::vector<TecplotZone> zones;
    while (!s.AtEnd()) {
        const char c = s.Peek();
        // Quoted titles may hold any word, ZONE too.
        if (c == '"' || c == '\'' || c == '(') {
            try {
                s.Value(0);
            } catch (const ReadError&) {
                break;  // never closed: nothing after it can start a zone
            }
            continue;
        }
        if (!s.PeekWord()) {
            s.Token();
            continue;
        }
        const std::int64_t line = s.Line();
        if (Upper(s.Word()) != "ZONE") continue;
        TecplotZone zone{line, std::nullopt};
        while (s.PeekWord()) {
            const std::string key = Upper(s.Word());
            if (IsRecord(key) || s.Peek() != '=') break;
            s.Expect('=', "ZONE");
            std::string value;
            try {
                value = s.Value(64);
            } catch (const ReadError&) {
                break;  // a title never closed: told when the zone is read
            }
            if (key == "SOLUTIONTIME") zone.solutionTime = ParseNumber(value);
            const std::string upper = Upper(value);
            if ((key == "ZONETYPE" && upper != "ORDERED") || (key == "F" && upper.starts_with("FE")) ||
                key == "N" || key == "E" || key == "NODES" || key == "ELEMENTS" || key == "ET")
                zone.ordered = false;
        }
        zones.push_back(zone);
    }
    return zones;
}

void ReadTecplot(std::string_view bytes, const std::string& file, DataSetArrays& out) {
    ReadTecplotZone(bytes, file, out, 0);
}

void ReadTecplotZone(std::string_view bytes, const std::string& file, DataSetArrays& out, std::size_t wanted,
                     LatticeSize size) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    Scanner s(bytes, file);
    std::size_t zonesPassed = 0;
    SampleSet samples;
    bool haveVariables = false;
    std::map<std::string, std::string> zone;
    std::int64_t zoneLine = 0;
    for (;;) {
        if (s.AtEnd())
            Fail(file, s.Here(), "Die Datei endet ohne eine Zone (ZONE).",
                 "the file ends without a zone (ZONE).");
        if (!s.PeekWord()) {
            const std::int64_t line = s.Line();
            const std::string token(s.Token());
            if (LooksNumeric(token))
                Fail(file, AtLine(line), "Zahlen vor der ersten Zone (ZONE).",
                     "numbers before the first zone (ZONE).");
            Fail(file, AtLine(line), "Unerwartet: „" + Excerpt(token) + "“.",
                 "unexpected \"" + Excerpt(token) + "\".");
        }
        const std::int64_t line = s.Line();
        const std::string record = Upper(s.Word());
        if (record == "TITLE" || record == "FILETYPE") {
            s.Expect('=', record.c_str());
            s.Value(0);
        } else if (record == "VARIABLES") {
            s.Expect('=', "VARIABLES");
            samples.columns.clear();
            for (;;) {
                const char c = s.Peek();
                const bool quoted = c == '"' || c == '\'';
                if (!quoted && !(IsLetter(c) && !IsRecord(Upper(s.PeekWordText())))) break;
                if (samples.columns.size() == kMaxColumns)
                    Fail(file, s.Here(), "Mehr als " + std::to_string(kMaxColumns) + " Variablen.",
                         "more than " + std::to_string(kMaxColumns) + " variables.");
                std::string name = quoted ? s.Value() : s.Word();
                if (name.size() > kLongestName) name.resize(kLongestName);
                samples.columns.push_back({std::move(name), {}});
            }
            haveVariables = true;
        } else if (record == "DATASETAUXDATA") {
            s.Word();
            s.Expect('=', "DATASETAUXDATA");
            s.Value(0);
        } else if (record == "VARAUXDATA") {
            s.Token();
            s.Word();
            s.Expect('=', "VARAUXDATA");
            s.Value(0);
        } else if (record == "ZONE") {
            zoneLine = line;
            // KEY = value pairs up to the first number of the data.
            while (s.PeekWord()) {
                const std::string upper = Upper(s.PeekWordText());
                if (upper == "NAN" || upper == "INF" || upper == "INFINITY") break;  // the first value
                const std::string key = Upper(s.Word());
                if (key == "AUXDATA") {
                    s.Word();
                    s.Expect('=', "AUXDATA");
                    s.Value(0);
                    continue;
                }
                if (IsRecord(key))
                    Fail(file, s.Here(),
                         "Ein Eintrag " + Excerpt(key) + " folgt, bevor die erste Zone Daten hat.",
                         "a " + Excerpt(key) + " record follows before the first zone has any data.");
                s.Expect('=', key.c_str());
                // A zone's title (T) and other words are passed over: only their presence counts.
                zone[key] = Upper(s.Value(IsUsedZoneKey(key) ? kLongestZoneValue : 0), kLongestZoneValue);
            }
            if (zonesPassed == wanted) break;
            // A zone before the one wanted: its data up to the next record are passed over.
            ++zonesPassed;
            zone.clear();
            while (!s.AtEnd() && !(s.PeekWord() && IsRecord(Upper(s.PeekWordText())))) s.Token();
            if (s.AtEnd())
                Fail(file, s.Here(),
                     "Die Datei hat nur " + Num(static_cast<std::int64_t>(zonesPassed)) +
                         " Zonen, nicht Zone " + Num(static_cast<std::int64_t>(wanted + 1)) + ".",
                     "the file has only " + Num(static_cast<std::int64_t>(zonesPassed)) +
                         " zones, not zone " + Num(static_cast<std::int64_t>(wanted + 1)) + ".");
        } else {
            Fail(file, AtLine(line), "Unbekannter Eintrag „" + Excerpt(record) + "“.",
                 "unknown record \"" + Excerpt(record) + "\".");
        }
    }

    const Place zonePlace = AtLine(zoneLine);
    if (!haveVariables || samples.columns.empty())
        Fail(file, zonePlace, "Die Variablen werden nicht genannt (VARIABLES).",
             "the variables are not named (VARIABLES).");
    const auto has = [&](const char* key) { return zone.count(key) > 0; };
    const int corners = CornersOf(zone, file, zonePlace);
    std::string packing = has("DATAPACKING") ? zone["DATAPACKING"] : has("F") ? zone["F"] : "POINT";
    // The older finite-element zones give their packing with F.
    if (packing == "FEPOINT") packing = "POINT";
    if (packing == "FEBLOCK") packing = "BLOCK";
    if (packing != "POINT" && packing != "BLOCK")
        Fail(file, zonePlace, "Unbekannte Anordnung der Daten „" + Excerpt(packing) + "“.",
             "unknown data packing \"" + Excerpt(packing) + "\".");
    if (has("VARLOCATION") && zone["VARLOCATION"].find("CELLCENTERED") != std::string::npos)
        Fail(file, zonePlace, "Werte in Zellmitten (VARLOCATION) werden nicht gelesen.",
             "values at cell centres (VARLOCATION) are not read.");
    if (has("VARSHARELIST") || has("PASSIVEVARLIST") || has("CONNECTIVITYSHAREZONE"))
        Fail(file, zonePlace, "Geteilte oder passive Variablen und geteilte Elemente werden nicht gelesen.",
             "shared or passive variables and shared elements are not read.");

    // A finite-element zone's nodes are its points, a line of them.
    const std::int64_t ni = corners
                                ? FiniteElementCount(zone, "NODES", "N", "Knoten", "nodes", file, zonePlace)
                                : Count(zone, "I", file, zonePlace),
                       nj = corners ? 1 : Count(zone, "J", file, zonePlace),
                       nk = corners ? 1 : Count(zone, "K", file, zonePlace);
    const std::int64_t elements =
        corners ? FiniteElementCount(zone, "ELEMENTS", "E", "Elemente", "elements", file, zonePlace) : 0;
    const auto variables = static_cast<std::int64_t>(samples.columns.size());
    // Each value takes at least one character and a separator, so the file's length bounds
    // what the zone may promise before anything is allocated for it.
    std::optional<std::int64_t> promised = CheckedMultiply(ni, nj);
    for (const std::int64_t factor : {nk, variables})
        if (promised) promised = CheckedMultiply(*promised, factor);
    if (promised) promised = CheckedAdd(*promised, elements * corners);
    const std::string promisedText = promised
                                         ? Num(*promised)
                                         : Num(static_cast<double>(ni) * static_cast<double>(nj) *
                                                   static_cast<double>(nk) * static_cast<double>(variables) +
                                               static_cast<double>(elements) * corners);
    if (!promised || *promised > kMaxValues ||
        static_cast<double>(*promised) > static_cast<double>(s.Remaining()) / 2.0 + 1.0) {
        if (corners)
            Fail(file, zonePlace,
                 "Die Zone verspricht " + promisedText + " Werte (" + Num(ni) + " Knoten, " + Num(elements) +
                     " Elemente, " + Num(variables) + " Variablen), mehr als die Datei enthalten kann.",
                 "the zone promises " + promisedText + " values (" + Num(ni) + " nodes, " + Num(elements) +
                     " elements, " + Num(variables) + " variables), more than the file can hold.");
        Fail(file, zonePlace,
             "Die Zone verspricht " + promisedText + " Werte (I = " + Num(ni) + ", J = " + Num(nj) +
                 ", K = " + Num(nk) + ", " + Num(variables) +
                 " Variablen), mehr als die Datei enthalten kann.",
             "the zone promises " + promisedText + " values (I = " + Num(ni) + ", J = " + Num(nj) +
                 ", K = " + Num(nk) + ", " + Num(variables) + " variables), more than the file can hold.");
    }
    const std::int64_t points = ni * nj * nk;
    for (Column& c : samples.columns) c.values.resize(static_cast<std::size_t>(points));

    const bool block = packing == "BLOCK";
    std::vector<std::int64_t> lineOf;
    if (!block) lineOf.resize(static_cast<std::size_t>(points));
    auto next = [&](std::int64_t point, std::int64_t variable) {
        if (s.AtEnd())
            Fail(file, s.Here(),
                 "Die Datei endet nach " +
                     Num(block ? variable * points + point : point * variables + variable) + " der " +
                     Num(points * variables) + " Werte der Zone.",
                 "the file ends after " +
                     Num(block ? variable * points + point : point * variables + variable) +
                     " of the zone's " + Num(points * variables) + " values.");
        const std::string_view token = s.Token();
        const std::optional<double> v = ParseNumber(token);
        if (!v)
            Fail(file, s.Here(),
                 "„" + Excerpt(token) + "“ ist keine Zahl (Variable " + Num(variable + 1) + " des Punktes " +
                     Num(point + 1) + ").",
                 "\"" + Excerpt(token) + "\" is not a number (variable " + Num(variable + 1) + " of point " +
                     Num(point + 1) + ").");
        return *v;
    };
    if (block) {
        for (std::int64_t v = 0; v < variables; ++v)
            for (std::int64_t p = 0; p < points; ++p)
                samples.columns[static_cast<std::size_t>(v)].values[static_cast<std::size_t>(p)] = next(p, v);
    } else {
        for (std::int64_t p = 0; p < points; ++p) {
            s.SkipSpace();
            lineOf[static_cast<std::size_t>(p)] = s.Line();
            for (std::int64_t v = 0; v < variables; ++v)
                samples.columns[static_cast<std::size_t>(v)].values[static_cast<std::size_t>(p)] = next(p, v);
        }
    }

    PlaneMesh mesh;
    if (corners) ReadElements(s, elements, corners, points, file, mesh);

    const FieldRoles roles = AssignRoles(samples, true);
    if (roles.x < 0 || roles.y < 0) FailNoCoordinates(samples, file, zonePlace);
    if (roles.u < 0 || roles.v < 0) FailNoVelocity(samples, file, zonePlace);
    ReleaseUnusedColumns(samples, roles);
    auto values = [&](int c) -> std::vector<double>& {
        return samples.columns[static_cast<std::size_t>(c)].values;
    };
    if (corners) {
        std::vector<std::int64_t>().swap(lineOf);
        const double z = roles.z >= 0 ? PlaneZ(values(roles.z), file, zonePlace) : 0.0;
        mesh.x = std::move(values(roles.x));
        mesh.y = std::move(values(roles.y));
        const std::string format = std::string("Tecplot ASCII, ") +
                                   (corners == 3 ? "FETRIANGLE" : "FEQUADRILATERAL") +
                                   (block ? ", BLOCK" : ", POINT");
        BuildResampledDataSet(std::move(mesh), samples, roles, z, size, points, elements, file, format, out);
        return;
    }
    const Lattice lattice = SortOntoLattice(
        values(roles.x), values(roles.y), roles.z >= 0 ? &values(roles.z) : nullptr, file,
        [&](std::int64_t p) {
            if (!block) return AtLine(lineOf[static_cast<std::size_t>(p)]);
            return Place{"Punkt " + Num(p + 1) + " der Zone", "point " + Num(p + 1) + " of the zone"};
        });
    std::vector<std::int64_t>().swap(lineOf);  // only the lattice's messages name lines
    BuildDataSet(samples, roles, lattice, file, block ? "Tecplot ASCII, BLOCK" : "Tecplot ASCII, POINT", out);
}

}  // namespace formats
