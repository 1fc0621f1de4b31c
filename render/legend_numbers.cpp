#include "render/legend_numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr int kMostDecimals = 9;

// The power of ten of |v|'s leading digit; 0 for zero.
int Magnitude(double v) {
    const double a = std::fabs(v);
    return a > 0.0 && std::isfinite(a) ? static_cast<int>(std::floor(std::log10(a))) : 0;
}

}  // namespace

std::vector<double> NiceTicks(double low, double high, int most) {
    std::vector<double> ticks;
    if (!(low < high) || !std::isfinite(low) || !std::isfinite(high) || most < 2) return ticks;
    const double span = high - low;
    // A range this narrow for its magnitude has no ticks worth writing; its ends say it all.
    if (!std::isfinite(span) || span < std::max(std::fabs(low), std::fabs(high)) * 1e-12) return ticks;
    constexpr std::array<double, 4> kMantissas{1.0, 2.0, 2.5, 5.0};
    // The finest candidate is a tenth of the span split into MOST parts; the steps grow from
    // there until few enough multiples fall in the range.
    for (int power = Magnitude(span / most) - 1;; ++power) {
        for (const double m : kMantissas) {
            const double step = m * std::pow(10.0, power);
            // A little slack, so that an end that is a multiple up to rounding counts as one.
            const double first = std::ceil(low / step - 1e-9);
            const double last = std::floor(high / step + 1e-9);
            if (last - first + 1.0 > most) continue;
            for (double k = first; k <= last; k += 1.0) {
                const double v = k * step;
                ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
            }
            return ticks;
        }
    }
}

NumberStyle StyleFor(double largest, double step) {
    NumberStyle style;
    const int magnitude = Magnitude(largest);
    if (largest != 0.0 && (magnitude < -2 || magnitude >= 4)) style.exponent = magnitude;
    if (step > 0.0 && std::isfinite(step)) {
        const double shown = step / std::pow(10.0, style.exponent);
        // Steps of 2.5 need one decimal more than their power of ten.
        const int power = Magnitude(shown);
        const double mantissa = shown / std::pow(10.0, power);
        const bool quarter = std::fabs(mantissa - 2.5) < 1e-6;
        style.decimals = std::clamp(-power + (quarter ? 1 : 0), 0, kMostDecimals);
    }
    return style;
}

std::string FormatNumber(double value, int exponent, int decimals, bool comma) {
    if (!std::isfinite(value)) return value > 0 ? "\u221E" : value < 0 ? "\u2212\u221E" : "?";
    decimals = std::clamp(decimals, 0, kMostDecimals);
    const double shown = value / std::pow(10.0, exponent);
    // Room for every digit of the largest double.
    std::array<char, 400> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), shown,
                                         std::chars_format::fixed, decimals);
    if (ec != std::errc{}) return "?";
    std::string digits(buffer.data(), end);
    std::string out;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.erase(0, 1);
    // Only a value that shows a digit other than zero gets a sign.
    if (negative && digits.find_first_not_of("0.") != std::string::npos) out = "\u2212";
    for (const char c : digits) {
        if (c == '.')
            out += comma ? ',' : '.';
        else
            out += c;
    }
    return out;
}

std::string FormatEndValue(double value, int exponent, int decimals, bool comma) {
    const double shown = value / std::pow(10.0, exponent);
    const int significant = shown == 0.0 ? 0 : 3 - Magnitude(shown);
    std::string text = FormatNumber(value, exponent, std::max(decimals, significant), comma);
    // The fourth digit is dropped where it is a zero that the ticks do not need.
    const char separator = comma ? ',' : '.';
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) return text;
    const std::size_t keep = at + static_cast<std::size_t>(std::max(decimals, 0));
    while (text.size() - 1 > keep && text.back() == '0') text.pop_back();
    if (text.back() == separator) text.pop_back();
    return text;
}

std::string FactorText(int exponent) {
    static constexpr std::array<const char*, 10> kDigits{"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                                         "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
    std::string out = "\u00D7 10";
    if (exponent < 0) out += "\u207B";
    const std::string digits = std::to_string(exponent < 0 ? -static_cast<long long>(exponent) : exponent);
    for (const char c : digits) out += kDigits[static_cast<std::size_t>(c - '0')];
    return out;
}
