#include "formats/text_numbers.h"

#include <charconv>
#include <cstddef>

namespace formats {

std::optional<double> ParseNumber(std::string_view token, bool decimalComma) {
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    if (token.empty() || token.front() == '+') return std::nullopt;
    // Only a rewritten token is copied; most are parsed where they stand.
    char copy[64];
    bool rewrite = false;
    for (char c : token)
        if (c == 'd' || c == 'D' || (decimalComma && c == ',')) rewrite = true;
    if (rewrite) {
        if (token.size() > sizeof copy) return std::nullopt;
        for (std::size_t i = 0; i < token.size(); ++i) {
            const char c = token[i];
            copy[i] = (c == 'd' || c == 'D') ? 'e' : (c == ',' ? '.' : c);
        }
        token = std::string_view(copy, token.size());
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Beyond double's range: not a value any reader keeps.
        return std::nullopt;
    }
    if (ec != std::errc() || end != token.data() + token.size()) return std::nullopt;
    return value;
}

bool LooksNumeric(std::string_view token) {
    if (token.empty()) return false;
    const char c = token.front();
    if ((c >= '0' && c <= '9') || c == '.') return true;
    if ((c == '-' || c == '+') && token.size() > 1) {
        const char d = token[1];
        return (d >= '0' && d <= '9') || d == '.' || d == 'n' || d == 'N' || d == 'i' || d == 'I';
    }
    // nan and inf as whole tokens, as PIVlab writes missing vectors.
    return ParseNumber(token).has_value();
}

}  // namespace formats
