// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lines the CALL expansion writes or rewrites: markers around a sub file,
// the end-of-program codes it leaves out and the quote rule.

#include <string>
#include <string_view>

namespace feedrite {

inline constexpr std::string_view end_of_main_program_marker = "(END OF MAIN PROGRAM)";

/// Upper case as the program's 8-bit text is Latin-1: a-z and the accented
/// letters; the few without a Latin-1 capital (sharp s, y diaeresis) stay.
[[nodiscard]] char upper_latin1(char c);
[[nodiscard]] std::string upper_latin1(std::string_view text);

/// Markers carry the name as written in upper case, blanks after it included.
[[nodiscard]] std::string beginning_of_sub_file_marker(std::string_view name);
[[nodiscard]] std::string end_of_sub_file_marker(std::string_view name);

/// A sub file's M02 or M30 would stop the control halfway through the program,
/// so such a line is never sent; the search is plain text, M300 counts too.
[[nodiscard]] bool holds_end_of_program(std::string_view line);

/// A line that starts with a double quote and is longer than one character
/// loses its first and its last character.
[[nodiscard]] std::string apply_quote_rule(std::string line);

}  // namespace feedrite
