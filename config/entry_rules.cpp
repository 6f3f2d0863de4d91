// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/entry_rules.h"

#include <algorithm>

#include "base/limits.h"
#include "base/number_text.h"

namespace feedrite {

std::string device_name_problem(std::string_view name) {
    const auto is_control = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    };
    if (name.empty()) return "A device name cannot be empty.";
    if (name.find_first_not_of(' ') == std::string_view::npos)
        return "A device name cannot be only blanks.";
    if (name == "." || name == "..") return "A device name cannot be \".\" or \"..\".";
    if (name.find('/') != std::string_view::npos)
        return "A device name cannot hold \"/\": it is part of a file name.";
    if (name.size() > max_device_name_bytes)
        return "A device name can hold at most " + std::to_string(max_device_name_bytes) +
               " bytes: it is part of a file name.";
    if (std::any_of(name.begin(), name.end(), is_control))
        return "A device name cannot hold control characters such as a tab or a line feed.";
    return {};
}

std::optional<int> typed_port_address(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    int value = 0;
    for (char c : text) {
        const int digit = hex_digit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + digit;
    }
    if (value < lowest_typed_address || value > highest_typed_address) return std::nullopt;
    return value;
}

std::string typed_address_rule() {
    return "A typed port address is hexadecimal, from 100 to FFFD.";
}

bool is_millisecond_text(std::string_view text, bool complete) {
    if (complete && (text.empty() || text == ".")) return false;
    if (std::count(text.begin(), text.end(), '.') > 1) return false;
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

std::optional<double> rapid_rate_of(std::string_view text) {
    while (text.starts_with(' ')) text.remove_prefix(1);
    while (text.ends_with(' ')) text.remove_suffix(1);  // as a file may hold it: " 5000 "
    if (!is_millisecond_text(text, true)) return std::nullopt;
    const double rate = read_number_or_zero(text);
    return rate > 0 ? std::optional(rate) : std::nullopt;
}

}  // namespace feedrite
