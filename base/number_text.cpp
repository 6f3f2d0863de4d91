// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace feedrite {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Copies the leading number of `text` into a compact form without blanks,
// then lets strtod judge it; this keeps the grammar in one readable place.
std::string compact_decimal(std::string_view text, std::size_t from) {
    std::string out;
    bool seen_point = false, seen_exponent = false, seen_digit = false;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (is_blank(c)) continue;
        const bool sign_allowed = out.empty() || out.back() == 'E';
        if ((c == '+' || c == '-') && sign_allowed) {
            out += c;
        } else if (c >= '0' && c <= '9') {
            out += c;
            seen_digit = true;
        } else if (c == '.' && !seen_point && !seen_exponent) {
            out += c;
            seen_point = true;
        } else if ((c == 'E' || c == 'e' || c == 'D' || c == 'd') && seen_digit && !seen_exponent) {
            out += 'E';
            seen_exponent = true;
        } else {
            break;
        }
    }
    // An exponent without digits ("1E", "1E+") does not count.
    while (!out.empty() && (out.back() == 'E' || out.back() == '+' || out.back() == '-')) {
        const bool was_exponent = out.back() == 'E';
        out.pop_back();
        if (was_exponent) break;
    }
    return out;
}

double radix_number(std::string_view text, std::size_t from, int radix) {
    double value = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (is_blank(c)) continue;
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (radix == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (radix == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0 || digit >= radix) break;
        value = value * radix + digit;
    }
    return value;
}

}  // namespace

std::optional<double> read_number(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i + 1 < text.size() && text[i] == '&') {
        const char kind = text[i + 1];
        const int radix = kind == 'H' || kind == 'h' ? 16 : (kind == 'O' || kind == 'o' ? 8 : 0);
        if (radix != 0) {
            const double value = radix_number(text, i + 2, radix);
            if (!std::isfinite(value)) return std::nullopt;  // too many digits
            return value;
        }
    }
    const std::string number = compact_decimal(text, i);
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end == number.c_str()) return 0.0;
    if (errno == ERANGE && std::isinf(value)) return std::nullopt;
    return value;
}

double read_number_or_zero(std::string_view text) {
    return read_number(text).value_or(0.0);
}

namespace {
template <typename Int>
std::optional<Int> round_half_even(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = std::nearbyint(value);  // default mode: halves to even
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}
}  // namespace

std::optional<std::int16_t> round_to_int16(double value) {
    return round_half_even<std::int16_t>(value);
}
std::optional<std::int32_t> round_to_int32(double value) {
    return round_half_even<std::int32_t>(value);
}

std::optional<std::int64_t> whole_part_int64(double value) {
    // 2^63 is exact as a double; every double below it in size converts.
    constexpr double limit = 9223372036854775808.0;
    if (!(value > -limit && value < limit)) return std::nullopt;  // NaN fails both
    return static_cast<std::int64_t>(value);
}

std::string format_number(double value) {
    if (value == 0) return " 0";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", std::fabs(value));
    std::string digits = buffer;
    if (digits.starts_with("0.")) digits.erase(0, 1);
    return (value < 0 ? "-" : " ") + digits;
}

std::string format_printed_integer(int value) {
    // Built by appending: prepending to a temporary trips GCC 12's -Wrestrict at -O3.
    std::string text(1, value < 0 ? '-' : ' ');
    text += std::to_string(value < 0 ? -static_cast<long>(value) : value);
    text += ' ';
    return text;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

float leading_hex_value(const std::string& text) {
    double value = 0;
    for (char c : text) {
        const int digit = hex_digit(c);
        if (digit < 0) break;
        value = value * 16 + digit;
    }
    return static_cast<float>(value);
}

}  // namespace feedrite
