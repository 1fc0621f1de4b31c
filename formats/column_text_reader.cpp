#include "formats/column_text_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "formats/data_set_builder.h"
#include "formats/field_roles.h"
#include "formats/lattice.h"
#include "formats/limits.h"
#include "formats/read_error.h"
#include "formats/text_numbers.h"

namespace formats {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Splits BYTES into lines at \n, \r\n or a lone \r.
class Lines {
public:
    explicit Lines(std::string_view bytes) : m_rest(bytes) {}
    bool Next(std::string_view& line) {
        if (m_rest.empty()) return false;
        std::size_t end = 0;
        while (end < m_rest.size() && m_rest[end] != '\n' && m_rest[end] != '\r') ++end;
        line = m_rest.substr(0, end);
        std::size_t skip = end;
        if (skip < m_rest.size())
            skip += (m_rest[skip] == '\r' && skip + 1 < m_rest.size() && m_rest[skip + 1] == '\n') ? 2u : 1u;
        m_rest.remove_prefix(skip);
        ++m_number;
        return true;
    }
    std::int64_t Number() const { return m_number; }
    std::string_view Rest() const { return m_rest; }

private:
    std::string_view m_rest;
    std::int64_t m_number = 0;
};

// The text after a comment mark, or empty when the line is no comment.
bool CommentText(std::string_view line, std::string_view& text) {
    if (line.starts_with("#") || line.starts_with("%")) {
        text = Trim(line.substr(1));
        return true;
    }
    if (line.starts_with("//")) {
        text = Trim(line.substr(2));
        return true;
    }
    return false;
}

enum class Separator { Blanks, Comma, Semicolon };

// How much of a line a message quotes.
constexpr std::size_t kShownLine = 80;

void SplitFields(std::string_view line, Separator separator, std::vector<std::string_view>& fields,
                 std::size_t most = kMaxColumns);

// Whether every field of LINE split at SEPARATOR reads as a number (an empty one as missing).
bool AllNumbers(std::string_view line, Separator separator, bool decimalComma) {
    std::vector<std::string_view> fields;
    SplitFields(line, separator, fields);
    if (fields.size() > kMaxColumns) return false;
    for (std::string_view f : fields)
        if (!(f.empty() && separator != Separator::Blanks) && !ParseNumber(f, decimalComma)) return false;
    return !fields.empty();
}

// A line with commas is comma-separated, unless only blanks or tabs between numbers with
// decimal commas make sense of it ("0,5\t1,25").
Separator SeparatorOf(std::string_view line) {
    if (line.find(';') != std::string_view::npos) return Separator::Semicolon;
    if (line.find(',') == std::string_view::npos) return Separator::Blanks;
    if (!AllNumbers(line, Separator::Comma, false) && AllNumbers(line, Separator::Blanks, true))
        return Separator::Blanks;
    return Separator::Comma;
}

// Between semicolons, blanks or tabs a comma can only be a decimal comma, as German programs
// write them; between commas it cannot be one.
bool DecimalComma(Separator separator) {
    return separator != Separator::Comma;
}

// E, and where a comma-separated file may be one whose decimal commas were taken as separators,
// why it does not fit together: its values are all whole numbers, it has an even number of
// columns and no line of names fits them (a file of four values with decimal commas has eight
// fields under four names).
ReadError HintAtDecimalCommas(const ReadError& e, bool suspect) {
    if (!suspect || e.GetMessage().caption != messages::kLoadingErrorCaption) return e;
    Message m = e.GetMessage();
    m.german +=
        " Dezimalkommas werden nur gelesen, wo Semikolons, Tabulatoren oder Leerzeichen die Werte trennen.";
    m.english += " Decimal commas are read only where semicolons, tabs or blanks separate the values.";
    return ReadError(std::move(m));
}

bool IsWholeNumber(std::string_view field) {
    return field.find_first_not_of("+-0123456789") == std::string_view::npos;
}

// The fields of a line of data. A separator at the end of the line ends the last field and
// starts none. Splitting stops at MOST + 1 fields, so that a line of millions of fields is
// known as too long without being held as a list of them.
void SplitFields(std::string_view line, Separator separator, std::vector<std::string_view>& fields,
                 std::size_t most) {
    fields.clear();
    if (separator == Separator::Blanks) {
        std::size_t i = 0;
        while (i < line.size() && fields.size() <= most) {
            while (i < line.size() && IsBlank(line[i])) ++i;
            const std::size_t start = i;
            while (i < line.size() && !IsBlank(line[i])) ++i;
            if (i > start) fields.push_back(line.substr(start, i - start));
        }
        return;
    }
    const char mark = separator == Separator::Comma ? ',' : ';';
    line = Trim(line);
    if (!line.empty() && line.back() == mark) line.remove_suffix(1);
    std::size_t start = 0;
    while (fields.size() <= most) {
        const std::size_t end = line.find(mark, start);
        fields.push_back(
            Trim(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

std::string_view UnquotedView(std::string_view s) {
    s = Trim(s);
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    return Trim(s);
}

std::string Unquoted(std::string_view s) {
    return std::string(UnquotedView(s));
}

// The names in a line of text for COLUMNS columns, or none when they do not fit: split at tabs,
// commas or semicolons where the line has them, else at blanks, a unit in brackets staying
// with its name, and "X mm Y mm" read as pairs of name and unit. A line is given up as soon as
// it cannot fit, so that a line of millions of words is never held as a list of names.
std::vector<std::string> NamesIn(std::string_view text, std::size_t columns, char& mark) {
    std::vector<std::string> names;
    mark = 0;
    for (char c : {'\t', ',', ';'})
        if (!mark && text.find(c) != std::string_view::npos) mark = c;
    if (mark) {
        // Empty names after the last column are a separator too many, as spreadsheets write.
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find(mark, start);
            const std::string_view field = Trim(
                text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
            if (names.size() < columns) {
                if (field.size() > kLongestName) return {};
                const std::string name = Unquoted(field);
                if (!name.empty() || end != std::string_view::npos) names.push_back(name);
            } else if (!UnquotedView(field).empty()) {
                return {};
            }
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    } else {
        for (std::size_t i = 0; i < text.size();) {
            while (i < text.size() && IsBlank(text[i])) ++i;
            const std::size_t start = i;
            while (i < text.size() && !IsBlank(text[i])) ++i;
            if (i == start) break;
            const std::string_view w = text.substr(start, i - start);
            if (w.size() > kLongestName) return {};
            if (!names.empty() && (w.front() == '[' || w.front() == '(' || w.front() == '{')) {
                if (names.back().size() > kLongestName) return {};
                names.back().append(" ").append(w);
            } else {
                if (names.size() == 2 * columns) return {};
                names.push_back(Unquoted(w));
            }
        }
        if (names.size() == 2 * columns && columns > 0) {
            std::vector<std::string> pairs;
            for (std::size_t n = 0; n < names.size(); n += 2) pairs.push_back(names[n] + " " + names[n + 1]);
            names = pairs;
        }
    }
    if (names.size() != columns) names.clear();
    return names;
}

// Of the lines of text before the data, the last whose names fit the columns and say something
// this reader knows; else the last that fits at all. MARK is what separates the names chosen
// (0 for blanks).
std::vector<std::string> ChooseNames(const std::vector<std::string_view>& candidates, std::size_t columns,
                                     char& mark) {
    std::vector<std::string> fitting;
    char fittingMark = 0;
    for (auto line = candidates.rbegin(); line != candidates.rend(); ++line) {
        std::vector<std::string> names = NamesIn(*line, columns, mark);
        if (names.empty()) continue;
        for (const std::string& n : names) {
            const NameMeaning m = InterpretName(n);
            if (m.role != Role::None) return names;
        }
        if (fitting.empty()) {
            fitting = std::move(names);
            fittingMark = mark;
        }
    }
    mark = fittingMark;
    return fitting;
}

std::string SeparatorName(Separator s) {
    switch (s) {
        case Separator::Blanks:
            return "whitespace-separated";
        case Separator::Comma:
            return "comma-separated";
        case Separator::Semicolon:
            return "semicolon-separated";
    }
    return {};
}

}  // namespace

void ReadColumnText(std::string_view bytes, const std::string& file, DataSetArrays& out) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    Lines lines(bytes);
    std::string_view line;
    // At most this many lines of text before the data are kept as candidates for the names.
    constexpr std::size_t kCandidates = 64;
    std::vector<std::string_view> candidates;
    bool data = false;
    while (lines.Next(line)) {
        const std::string_view t = Trim(line);
        if (t.empty()) continue;
        std::string_view text;
        if (CommentText(t, text)) {
            candidates.push_back(text);
        } else {
            // Data starts with the first line whose first field is a number, so that a line of
            // names such as "2D velocity, ..." stays text.
            std::vector<std::string_view> first;
            const Separator separator = SeparatorOf(t);
            SplitFields(t, separator, first, 1);
            if (!first.empty() && ParseNumber(first.front(), DecimalComma(separator))) {
                data = true;
                break;
            }
            candidates.push_back(t);
        }
        if (candidates.size() > kCandidates) candidates.erase(candidates.begin());
    }
    if (!data)
        Fail(file, Whole(), "Die Datei enthält keine Zeile mit Zahlen.",
             "the file holds no line of numbers.");

    const std::int64_t firstLine = lines.Number();
    const std::string_view firstData = Trim(line);
    Separator separator = SeparatorOf(firstData);
    std::vector<std::string_view> fields;
    SplitFields(firstData, separator, fields);
    std::vector<std::string> names;
    char mark = 0;
    if (separator == Separator::Comma && !AllNumbers(firstData, Separator::Comma, false)) {
        // DaVis writes numbers with decimal commas between tabs under names between tabs: where
        // no comma separates the names, a comma in the numbers is a decimal comma, whatever a
        // value the first line cannot read.
        std::vector<std::string_view> blankFields;
        SplitFields(firstData, Separator::Blanks, blankFields);
        if (blankFields.size() > 1 && blankFields.size() <= kMaxColumns) {
            names = ChooseNames(candidates, blankFields.size(), mark);
            if (!names.empty() && mark != ',') {
                separator = Separator::Blanks;
                fields = std::move(blankFields);
            } else {
                names.clear();
            }
        }
    }
    const std::string most = std::to_string(kMaxColumns);
    if (fields.size() > kMaxColumns)
        Fail(
            file, AtLine(firstLine),
            "Die erste Datenzeile hat mehr als " + most + " Werte; gelesen werden bis zu " + most +
                " Spalten.",
            "the first line of data has more than " + most + " values; up to " + most + " columns are read.");
    const std::size_t columns = fields.size();
    const bool decimalComma = DecimalComma(separator);
    SampleSet samples;
    samples.columns.resize(columns);
    if (names.empty()) names = ChooseNames(candidates, columns, mark);
    for (std::size_t c = 0; c < names.size(); ++c) samples.columns[c].name = names[c];
    // Whether every value so far is written as a whole number, for the hint on decimal commas.
    bool wholeNumbers = true;
    auto decimalCommasSplit = [&] {
        return separator == Separator::Comma && wholeNumbers && columns % 2 == 0 && names.empty();
    };
    auto fail = [&](const std::string& german, const std::string& english, const Place& where) {
        try {
            Fail(file, where, german, english);
        } catch (const ReadError& e) {
            throw HintAtDecimalCommas(e, decimalCommasSplit());
        }
    };

    // Room for as many rows as the rest has lines, taken up front: a large allocation costs
    // memory only where it is written, while growing by doubling would copy every column.
    const std::string_view rest = lines.Rest();
    std::size_t rows = static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\n'));
    if (rows == 0) rows = static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\r'));
    rows = std::min<std::size_t>(rows + 1,
                                 static_cast<std::size_t>(kMaxValues) / std::max<std::size_t>(columns, 1));
    for (Column& c : samples.columns) c.values.reserve(rows);
    std::vector<std::int64_t> lineOf;
    lineOf.reserve(rows);
    std::int64_t values = 0;
    std::int64_t number = firstLine;
    for (;;) {
        if (fields.size() != columns) {
            const bool tooMany = fields.size() > kMaxColumns;
            const std::string has = std::to_string(fields.size());
            fail("Die Zeile hat " + (tooMany ? "mehr als " + most : has) +
                     " Werte, die erste Datenzeile (Zeile " + Num(firstLine) + ") hat " +
                     Num(static_cast<std::int64_t>(columns)) + ".",
                 "the line has " + (tooMany ? "more than " + most : has) +
                     " values, the first line of data (line " + Num(firstLine) + ") has " +
                     Num(static_cast<std::int64_t>(columns)) + ".",
                 AtLine(number));
        }
        values += static_cast<std::int64_t>(columns);
        if (values > kMaxValues)
            Fail(file, AtLine(number), "Die Datei hat mehr als " + Num(kMaxValues) + " Werte.",
                 "the file holds more than " + Num(kMaxValues) + " values.");
        for (std::size_t c = 0; c < columns; ++c) {
            // An empty field between two separators is a value the program did not have.
            const auto value = fields[c].empty()
                                   ? std::optional<double>(std::numeric_limits<double>::quiet_NaN())
                                   : ParseNumber(fields[c], decimalComma);
            if (!value) {
                // The line as it stands, tabs and all, shows which separator the file uses.
                const std::string shown = Excerpt(Trim(line), kShownLine);
                Fail(file, AtLine(number),
                     "„" + Excerpt(fields[c]) + "“ in Spalte " + Num(static_cast<std::int64_t>(c + 1)) +
                         " ist keine Zahl; die Zeile lautet „" + shown + "“.",
                     "\"" + Excerpt(fields[c]) + "\" in column " + Num(static_cast<std::int64_t>(c + 1)) +
                         " is not a number; the line reads \"" + shown + "\".");
            }
            wholeNumbers = wholeNumbers && IsWholeNumber(fields[c]);
            samples.columns[c].values.push_back(*value);
        }
        lineOf.push_back(number);
        // The next line of data; blank lines and comments between them are passed over.
        bool more = false;
        while (lines.Next(line)) {
            const std::string_view t = Trim(line);
            std::string_view text;
            if (t.empty() || CommentText(t, text)) continue;
            SplitFields(t, separator, fields);
            number = lines.Number();
            more = true;
            break;
        }
        if (!more) break;
    }

    const FieldRoles roles = AssignRoles(samples, true);
    if (roles.x < 0 || roles.y < 0) FailNoCoordinates(samples, file, AtLine(firstLine));
    if (roles.u < 0 || roles.v < 0) FailNoVelocity(samples, file, AtLine(firstLine));
    ReleaseUnusedColumns(samples, roles);
    auto values0 = [&](int c) -> const std::vector<double>& {
        return samples.columns[static_cast<std::size_t>(c)].values;
    };
    try {
        const Lattice lattice = SortOntoLattice(
            values0(roles.x), values0(roles.y), roles.z >= 0 ? &values0(roles.z) : nullptr, file,
            [&](std::int64_t s) { return AtLine(lineOf[static_cast<std::size_t>(s)]); });
        std::vector<std::int64_t>().swap(lineOf);  // only the lattice's messages name lines
        BuildDataSet(samples, roles, lattice, file, "column text, " + SeparatorName(separator), out);
    } catch (const ReadError& e) {
        // Points that form no lattice are what decimal commas read as separators give.
        throw HintAtDecimalCommas(e, decimalCommasSplit());
    }
}

}  // namespace formats
