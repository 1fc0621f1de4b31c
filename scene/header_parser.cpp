#include "scene/header_parser.h"

#include <algorithm>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

ParsedHeader ParseGeometryHeader(std::string_view bytes) {
    ParsedHeader header;
    bytes = bytes.substr(0, std::min(bytes.size(), kGeometryHeaderBytes));
    if (const auto zero = bytes.find('\0'); zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (bytes.substr(0, gri::kMagic.size()) != gri::kMagic) return header;
    header.magicOk = true;

    std::string_view rest = bytes.substr(gri::kMagic.size());
    for (int value = 0; value < 6; ++value) {
        const bool allowPoint = value == 5;
        std::size_t run = 0;
        std::uint64_t decimal = 0;
        while (run < rest.size() && (IsDigit(rest[run]) || (allowPoint && rest[run] == '.'))) {
            if (value < 3) {
                const auto digit = static_cast<std::uint64_t>(rest[run] - '0');
                decimal = decimal > (ParsedHeader::kSaturated - digit) / 10 ? ParsedHeader::kSaturated
                                                                            : decimal * 10 + digit;
            }
            ++run;
        }
        if (value < 3) header.counts[static_cast<std::size_t>(value)] = decimal;
        rest.remove_prefix(run);
        while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
    }
    return header;
}
