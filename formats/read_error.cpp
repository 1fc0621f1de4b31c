#include "formats/read_error.h"

#include <charconv>

namespace formats {

Place AtLine(std::int64_t line) {
    return {"Zeile " + std::to_string(line), "line " + std::to_string(line)};
}

Place AtByte(std::int64_t offset) {
    return {"Byte " + std::to_string(offset), "byte " + std::to_string(offset)};
}

Place Whole() {
    return {};
}

void Fail(const std::string& file, const Place& where, const std::string& german, const std::string& english,
          const char* caption) {
    const std::string deWhere = where.german.empty() ? "" : ", " + where.german;
    const std::string enWhere = where.english.empty() ? "" : ", " + where.english;
    throw ReadError({caption, Quoted(file) + deWhere + ": " + german, file + enWhere + ": " + english});
}

std::string Num(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string Num(std::int64_t value) {
    return std::to_string(value);
}

std::string Quoted(const std::string& file) {
    return "\u201E" + file + "\u201C";
}

namespace {

// How many bytes the UTF-8 sequence at AT of TEXT takes, or 0 where none starts there.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xf0 && lead < 0xf5 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xc0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string Excerpt(std::string_view text, std::size_t longest) {
    const std::string_view shown = text.substr(0, longest);
    std::string out;
    for (std::size_t at = 0; at < shown.size();) {
        const auto c = static_cast<unsigned char>(shown[at]);
        if (c >= 0x20 && c < 0x7f) {
            out += shown[at++];
        } else if (const std::size_t length = c >= 0x80 ? Utf8Length(shown, at) : 0) {
            out.append(shown.substr(at, length));
            at += length;
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            out += c == '\t'   ? std::string("\\t")
                   : c == '\r' ? std::string("\\r")
                               : std::string{'\\', 'x', kHex[c >> 4], kHex[c & 15]};
            ++at;
        }
    }
    if (text.size() > longest) out += "\u2026";
    return out;
}

}  // namespace formats
