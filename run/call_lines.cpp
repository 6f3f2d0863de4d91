// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/call_lines.h"

#include <algorithm>

namespace feedrite {

char upper_latin1(char c) {
    const auto byte = static_cast<unsigned char>(c);
    const bool ascii_lower = byte >= 'a' && byte <= 'z';
    // 0xF7 is the division sign, not a letter.
    const bool latin1_lower = byte >= 0xE0 && byte <= 0xFE && byte != 0xF7;
    return ascii_lower || latin1_lower ? static_cast<char>(byte - 0x20) : c;
}

std::string upper_latin1(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return upper_latin1(c); });
    return upper;
}

std::string beginning_of_sub_file_marker(std::string_view name) {
    return "(BEGINNING OF SUB FILE " + upper_latin1(name) + ")";
}

std::string end_of_sub_file_marker(std::string_view name) {
    return "(END OF SUB FILE " + upper_latin1(name) + ")";
}

bool holds_end_of_program(std::string_view line) {
    return line.find("M02") != std::string_view::npos || line.find("M30") != std::string_view::npos;
}

std::string apply_quote_rule(std::string line) {
    if (line.size() > 1 && line.front() == '"') return line.substr(1, line.size() - 2);
    return line;
}

}  // namespace feedrite
