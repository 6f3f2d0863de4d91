#include "btr/block/decimal_conversion.h"

#include "btr/block/decimal_number.h"

namespace feedrite {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// What may stand between an address letter and its decimal point.
bool is_number_part(char c) {
    return is_digit(c) || c == ' ' || c == '-';
}

// What the replaced text runs over after the letter: several points too, so
// '1.2.3' is swallowed whole and each pass removes at least one point.
bool is_number_or_point(char c) {
    return is_number_part(c) || c == '.';
}

// Decimal places of the letter whose first occurrence in the format is at
// `letter_at`: the next character when it is a digit, else 0.
std::size_t places_for(std::string_view format, std::size_t letter_at) {
    const std::size_t at = letter_at + 1;
    return at < format.size() && is_digit(format[at]) ? static_cast<std::size_t>(format[at] - '0')
                                                      : 0;
}

// Converts the number around the first point `point`; the failure's saved
// copy is filled in by the caller.
std::optional<DecimalFailure> convert_one(std::string& t, std::string_view format,
                                          std::size_t point) {
    std::size_t start = point;  // first character after the letter
    while (start > 0 && is_number_part(t[start - 1])) --start;
    if (start == 0) return DecimalFailure{DecimalError::no_address_letter, '\0', {}};
    const char letter = t[start - 1];
    const std::size_t in_format = format.find(letter);
    if (in_format == std::string_view::npos)
        return DecimalFailure{DecimalError::letter_not_in_format, letter, {}};
    std::size_t end = start;
    while (end < t.size() && is_number_or_point(t[end])) ++end;
    const DecimalNumber number = read_decimal(std::string_view(t).substr(start, end - start));
    t.replace(start, end - start, scaled_integer_text(number, places_for(format, in_format)));
    return std::nullopt;
}

}  // namespace

std::optional<DecimalFailure> convert_decimals(std::string& t, std::string_view format) {
    std::size_t point = t.find('.');
    if (point == std::string::npos) return std::nullopt;
    const std::string saved = t;
    for (; point != std::string::npos; point = t.find('.')) {
        if (auto failure = convert_one(t, format, point)) {
            failure->saved = saved;
            return failure;
        }
    }
    return std::nullopt;
}

}  // namespace feedrite
