#pragma once

#include <optional>
#include <string_view>

namespace formats {

// One number as PIV and CFD programs write them in text: an optional sign (also '+'), digits
// with a decimal point, or a decimal comma where DECIMAL_COMMA says the file uses one, an
// exponent with e, E, d or D (Fortran), and nan or inf in any case. Nothing else may follow.
std::optional<double> ParseNumber(std::string_view token, bool decimalComma = false);

// Whether TOKEN starts the way a number does (digit, sign, point), for telling a data line
// from a line of names.
bool LooksNumeric(std::string_view token);

}  // namespace formats
