// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/parsit.h"

#include <optional>

#include "base/decimal_number.h"
#include "config/port_settings.h"

namespace feedrite {
namespace {

// One left-to-right pass gives the same as replacing the first occurrence
// until none is left: a control character never completes a word.
void replace_word(std::string& s, std::string_view word, char with) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = s.find(word); at != std::string::npos; at = s.find(word, from)) {
        out.append(s, from, at - from);
        out += with;
        from = at + word.size();
    }
    if (from == 0) return;
    out.append(s, from);
    s = std::move(out);
}

std::optional<unsigned char> byte_of(unsigned value) {
    if (value > 255) return std::nullopt;
    return static_cast<unsigned char>(value);
}

// Hexadecimal digits with blanks ignored, up to the first other character.
std::optional<unsigned char> hex_code(std::string_view digits) {
    unsigned value = 0;
    for (const char c : digits) {
        if (c == ' ') continue;
        unsigned digit = 16;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        if (digit == 16) break;
        value = value * 16 + digit;
        if (value > 255) return std::nullopt;  // more digits only make it larger
    }
    return byte_of(value);
}

std::optional<unsigned char> decimal_code(std::string_view text) {
    const std::string rounded = scaled_integer_text(read_decimal(text), 0);
    if (rounded.front() == '-' || rounded.size() > 3) return std::nullopt;
    return byte_of(static_cast<unsigned>(std::stoi(rounded)));
}

std::optional<unsigned char> character_code(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first != std::string_view::npos && first + 1 < text.size() && text[first] == '&' &&
        (text[first + 1] == 'h' || text[first + 1] == 'H'))
        return hex_code(text.substr(first + 2));
    return decimal_code(text);
}

// Replaces the first "<...>" of the whole text until none is left, in one
// pass: the text is the finished part, which holds no "<" or ">", then a
// character just made (it may itself be "<" or ">", and so take part in the
// next search), then the rest as written.
void expand_numeric_codes(std::string& s) {
    constexpr int none = -1;
    std::string done;
    int made = none;  // the character just made while it is "<" or ">"
    std::size_t from = 0;
    for (;;) {
        const std::size_t open = made == '<' ? from : s.find('<', from);
        if (open == std::string::npos || made == '>') break;  // made ">": before any "<"
        const std::size_t close = s.find('>', from);
        if (close == std::string::npos || close < open) break;
        const std::size_t code_from = made == '<' ? from : open + 1;
        const auto code = character_code(std::string_view(s).substr(code_from, close - code_from));
        if (!code) break;
        if (made == none) done.append(s, from, open - from);
        made = none;
        from = close + 1;
        if (*code == '<' || *code == '>')
            made = *code;
        else
            done += static_cast<char>(*code);
    }
    if (made != none) done += static_cast<char>(made);
    done.append(s, from);
    s = std::move(done);
}

}  // namespace

std::string parsit(std::string_view em, std::int16_t code) {
    std::string s(em);
    replace_word(s, "LF", '\n');
    replace_word(s, "CR", code == EIA_RS244 ? '\n' : '\r');
    replace_word(s, "ESC", '\x1b');
    replace_word(s, "NUL", '\0');
    expand_numeric_codes(s);
    return s;
}

}  // namespace feedrite
