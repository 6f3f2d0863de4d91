// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/decimal_number.h"

#include <algorithm>

namespace feedrite {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Whether dropping `dropped` (the digits after the last kept one) moves the
// magnitude up by one under floor(x + 0.5). For a positive value a half goes
// up; for a negative one a half moves towards zero, so it must exceed a half.
bool rounds_magnitude_up(std::string_view dropped, bool negative) {
    if (dropped.empty() || dropped[0] < '5') return false;
    if (!negative || dropped[0] > '5') return true;
    return std::any_of(dropped.begin() + 1, dropped.end(), [](char c) { return c != '0'; });
}

void increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

DecimalNumber read_decimal(std::string_view text) {
    DecimalNumber number;
    bool seen_point = false;
    bool seen_any = false;  // a sign may only lead
    for (const char c : text) {
        if (c == ' ') continue;
        if (c == '-' && !seen_any) {
            number.negative = true;
        } else if (is_digit(c)) {
            number.digits += c;
            if (seen_point) ++number.fraction_digits;
        } else if (c == '.' && !seen_point) {
            seen_point = true;
        } else {
            break;
        }
        seen_any = true;
    }
    return number;
}

std::string scaled_integer_text(const DecimalNumber& number, std::size_t places) {
    std::string magnitude = number.digits;
    bool up = false;
    if (places >= number.fraction_digits) {
        magnitude.append(places - number.fraction_digits, '0');
    } else {
        const std::size_t kept = magnitude.size() - (number.fraction_digits - places);
        up = rounds_magnitude_up(std::string_view(magnitude).substr(kept), number.negative);
        magnitude.resize(kept);
    }
    magnitude.erase(0, std::min(magnitude.find_first_not_of('0'), magnitude.size()));
    if (up) increment(magnitude);
    if (magnitude.empty()) return "0";
    return number.negative ? "-" + magnitude : magnitude;
}

}  // namespace feedrite
