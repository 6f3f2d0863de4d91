// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers written with a decimal point in a block, kept as their decimal
// digits so that scaling and rounding are exact: binary floating point would
// turn an exact half such as 2.675 into 2.67499... and round it the wrong way.

#include <cstddef>
#include <string>
#include <string_view>

namespace feedrite {

struct DecimalNumber {
    bool negative = false;
    std::string digits;               ///< integer and fraction digits, no point
    std::size_t fraction_digits = 0;  ///< how many of `digits` follow the point
};

/// Reads the number at the start of `text`: blanks are ignored anywhere, an
/// optional "-" may lead, then digits with at most one "."; reading stops at
/// the first character that does not fit. No digits read as 0 (empty digits).
[[nodiscard]] DecimalNumber read_decimal(std::string_view text);

/// The text of floor(number x 10^places + 0.5): its digits, with "-" when the
/// result is negative, never "-0". Exact for any number of digits, so nothing
/// can overflow; the result is as long as the number needs.
[[nodiscard]] std::string scaled_integer_text(const DecimalNumber& number, std::size_t places);

}  // namespace feedrite
