// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/block/decimal_conversion.h"

#include <array>

#include "base/decimal_number.h"

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

// Where each letter first stands in the format, so a lookup costs nothing
// however long the block.
class FormatIndex {
  public:
    explicit FormatIndex(std::string_view format) : format_(format) {
        first_.fill(std::string_view::npos);
        for (std::size_t i = format.size(); i-- > 0;)
            first_[static_cast<unsigned char>(format[i])] = i;
    }
    [[nodiscard]] bool has(char letter) const {
        return first_[index(letter)] != std::string_view::npos;
    }
    // Decimal places of the letter: the character after its first occurrence
    // when it is a digit, else 0.
    [[nodiscard]] std::size_t places(char letter) const {
        const std::size_t at = first_[index(letter)] + 1;
        return at < format_.size() && is_digit(format_[at])
                   ? static_cast<std::size_t>(format_[at] - '0')
                   : 0;
    }

  private:
    static std::size_t index(char c) { return static_cast<unsigned char>(c); }
    std::string_view format_;
    std::array<std::size_t, 256> first_{};
};

}  // namespace

// One pass from the left, converting the first point each time as the
// conversion is defined: the number of a point runs back at most to the end
// of the previous replacement (that end is never a number part), so the text
// left of it is final and is not searched again.
std::optional<DecimalFailure> convert_decimals(std::string& t, std::string_view format) {
    std::size_t point = t.find('.');
    if (point == std::string::npos) return std::nullopt;
    const FormatIndex index(format);
    std::string out;
    std::size_t from = 0;  // t[from..] is still as written
    for (; point != std::string::npos; point = t.find('.', from)) {
        std::size_t start = point;  // first character after the letter
        while (start > from && is_number_part(t[start - 1])) --start;
        std::optional<DecimalFailure> failure;
        if (start == 0)
            failure = DecimalFailure{DecimalError::no_address_letter, '\0', {}};
        else if (!index.has(t[start - 1]))
            failure = DecimalFailure{DecimalError::letter_not_in_format, t[start - 1], {}};
        if (failure) {
            failure->saved = t;  // still the block as it came
            t = std::move(out.append(t, from));
            return failure;
        }
        std::size_t end = start;
        while (end < t.size() && is_number_or_point(t[end])) ++end;
        out.append(t, from, start - from);
        out += scaled_integer_text(read_decimal(std::string_view(t).substr(start, end - start)),
                                   index.places(t[start - 1]));
        from = end;
    }
    out.append(t, from);
    t = std::move(out);
    return std::nullopt;
}

}  // namespace feedrite
