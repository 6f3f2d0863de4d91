// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the numbers of a block that carry a decimal point into the
// fixed-point integers the control expects, by the device's format string.

#include <optional>
#include <string>
#include <string_view>

namespace feedrite {

enum class DecimalError {
    no_address_letter,     ///< cause A: the point has no letter before its number
    letter_not_in_format,  ///< cause B: the letter has no entry in the format
};

struct DecimalFailure {
    DecimalError cause;
    char letter = '\0';  ///< the offending letter (cause B only)
    std::string saved;   ///< the block as it was before the conversion began
};

/// Converts every number with a decimal point in `t`, in place, first point
/// first. `format` holds each address letter followed by its number of decimal
/// places ('X3Y3Z3F1'). On failure `t` is left part-converted and must not be
/// sent.
[[nodiscard]] std::optional<DecimalFailure> convert_decimals(std::string& t,
                                                             std::string_view format);

}  // namespace feedrite
