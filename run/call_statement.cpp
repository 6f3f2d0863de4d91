// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/call_statement.h"

#include <algorithm>

#include "base/number_text.h"
#include "run/call_lines.h"

namespace feedrite {
namespace {

constexpr std::size_t keyword_length = 4;  // "CALL" without its blank
constexpr std::size_t call_text_length = 256;

bool same_ignoring_case(char a, char b) {
    return upper_latin1(a) == upper_latin1(b);
}

std::optional<std::size_t> position(std::size_t found) {
    if (found == std::string_view::npos) return std::nullopt;
    return found;
}

bool ends_with_times(std::string_view count) {
    constexpr std::string_view times = "TIMES";
    return count.size() >= times.size() &&
           std::equal(times.begin(), times.end(), count.end() - times.size(), same_ignoring_case);
}

}  // namespace

std::optional<std::size_t> find_call(std::string_view line, CallRule rule) {
    if (rule == CallRule::SubFile)
        return position(std::min(line.find("call "), line.find("CALL ")));
    constexpr std::string_view keyword = "CALL ";
    const auto found =
        std::search(line.begin(), line.end(), keyword.begin(), keyword.end(), same_ignoring_case);
    return position(found == line.end() ? std::string_view::npos
                                        : static_cast<std::size_t>(found - line.begin()));
}

CallStatement split_call(std::string_view line, std::size_t keyword) {
    const std::string_view rest = line.substr(keyword + keyword_length);
    std::string_view text = rest.substr(0, call_text_length);
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos) return {std::string(text), {}};
    std::string_view count = text.substr(open + 1);
    const bool closed = count.find(')') != std::string_view::npos;
    count = count.substr(0, count.find(')'));
    const bool cut = !closed && rest.size() > call_text_length;
    return {std::string(text.substr(0, open)), std::string(count), cut};
}

std::optional<std::int16_t> call_passes(std::string_view count) {
    if (!ends_with_times(count)) return 1;
    const auto number = read_number(count);
    const auto passes = number ? round_to_int16(*number) : std::nullopt;
    if (!passes) return std::nullopt;
    return std::max<std::int16_t>(*passes, 1);
}

}  // namespace feedrite
