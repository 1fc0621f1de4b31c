#pragma once

#include <string>
#include <vector>

// The numbers of the colour legend: where its ticks go and how its values are written.

// Tick values within [LOW, HIGH]: the multiples of one step of 1, 2, 2.5 or 5 times a power of
// ten, the finest that gives at most MOST of them. Empty unless LOW < HIGH, both finite.
std::vector<double> NiceTicks(double low, double high, int most);

// How a legend writes its values: each divided by 10^exponent, with a fixed number of
// decimals for the ticks. The exponent is 0 unless the largest magnitude is below 10^-2 or at
// least 10^4; then it is that magnitude's power of ten and the legend says "× 10^n".
struct NumberStyle {
    int exponent = 0;
    int decimals = 0;
};
// The style for ticks of STEP on a legend whose largest magnitude is LARGEST.
NumberStyle StyleFor(double largest, double step);

// VALUE / 10^exponent with DECIMALS decimals: a decimal comma (German) or, without COMMA, a
// decimal point (English), a true minus sign, "0" for anything that rounds to zero.
std::string FormatNumber(double value, int exponent, int decimals, bool comma = true);
// The same with four significant digits, and at least DECIMALS: for the values at the ends.
std::string FormatEndValue(double value, int exponent, int decimals, bool comma = true);
// "× 10⁻³", the factor of a legend's values, with superscript digits.
std::string FactorText(int exponent);
