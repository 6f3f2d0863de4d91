// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers as the program's text files and command line hold them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace feedrite {

/// The number at the start of `text`, with blanks (space, tab, LF) ignored
/// anywhere in it: an optional sign, digits with one ".", an optional exponent
/// ("E" or "D"), or "&H" hexadecimal / "&O" octal. Text without a number reads
/// as 0; reading stops at the first character that cannot continue the number.
/// Returns nothing when the value does not fit a double.
[[nodiscard]] std::optional<double> read_number(std::string_view text);

/// Like read_number, with an overflow read as 0, for the places that cannot fail.
[[nodiscard]] double read_number_or_zero(std::string_view text);

/// Rounds halves to even; nothing when the result does not fit the type.
[[nodiscard]] std::optional<std::int16_t> round_to_int16(double value);
[[nodiscard]] std::optional<std::int32_t> round_to_int32(double value);
/// The whole part; nothing for NaN, infinity or a value outside 64 bits,
/// whose conversion would be undefined.
[[nodiscard]] std::optional<std::int64_t> whole_part_int64(double value);

/// The standard number-to-text form: a leading blank for a value that is not
/// negative, "-" otherwise; no zero before the decimal point (" .565"); up to
/// 15 significant digits, exponent form ("1E+15") beyond them.
[[nodiscard]] std::string format_number(double value);

/// A whole number as the print statement writes it: sign place, digits, blank
/// (" 1 ", "-1 ").
[[nodiscard]] std::string format_printed_integer(int value);

/// The value of a hexadecimal digit in either case, -1 for any other character.
[[nodiscard]] int hex_digit(char c);

/// The value of the leading hexadecimal digits of `text`, as the address box
/// keeps it (single precision); 0 when there are none.
[[nodiscard]] float leading_hex_value(const std::string& text);

}  // namespace feedrite
