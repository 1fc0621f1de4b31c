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

std::string Excerpt(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string out(text.substr(0, kLongest));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    if (text.size() > kLongest) out += "\u2026";
    return out;
}

}  // namespace formats
