// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/nc_words.h"

#include <charconv>
#include <cmath>

#include "base/file_io.h"

namespace feedrite {
namespace {

bool is_letter(char c) {
    return c >= 'A' && c <= 'Z';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Upper case, without comments and blanks.
std::string strip(std::string_view line) {
    std::string code;
    bool in_comment = false;
    for (const char c : line) {
        if (in_comment) {
            in_comment = c != ')';
        } else if (c == '(') {
            in_comment = true;
        } else if (c == ';') {
            break;
        } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            code += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    return code;
}

// Two letters in a row never occur in plain words: they are keywords (IF,
// GOTO, WHILE, END, DO, EQ, SIN, ...).
bool is_statement(const std::string& code) {
    if (code.find('=') != std::string::npos) return true;
    for (std::size_t i = 1; i < code.size(); ++i)
        if (is_letter(code[i - 1]) && is_letter(code[i])) return true;
    return false;
}

// Reads the value that starts at `i`, up to the next letter outside brackets.
NcWord read_word(const std::string& code, std::size_t& i) {
    NcWord word;
    word.letter = code[i++];
    const std::size_t from = i;
    int depth = 0;
    while (i < code.size() && (depth > 0 || !is_letter(code[i]))) {
        if (code[i] == '[') ++depth;
        if (code[i] == ']') --depth;
        ++i;
    }
    word.text = code.substr(from, i - from);
    std::string_view digits = word.text;
    if (digits.starts_with('+')) digits.remove_prefix(1);
    const bool negative = digits.starts_with('-');
    if (negative) digits.remove_prefix(1);
    const auto point = digits.find('.');
    word.number.point = point != std::string_view::npos;
    word.number.decimals = word.number.point ? static_cast<int>(digits.size() - point - 1) : 0;
    word.number.lead = !digits.starts_with('.');
    word.plain = !digits.empty() && digits != "." &&
                 digits.find_first_not_of("0123456789.") == std::string_view::npos &&
                 digits.find('.', point + 1) == std::string_view::npos;
    if (word.plain) {
        // "5." and ".5" both read; from_chars takes neither a sign nor a bare point.
        std::string whole = std::string(digits.starts_with('.') ? "0" : "") + std::string(digits);
        if (whole.ends_with('.')) whole.pop_back();
        std::from_chars(whole.data(), whole.data() + whole.size(), word.number.value);
        if (negative) word.number.value = -word.number.value;
    }
    return word;
}

}  // namespace

NcLine read_nc_line(std::string_view text) {
    NcLine line;
    line.code = strip(text);
    std::string& code = line.code;
    if (code.empty()) return line;
    if (code[0] == '%' ||
        ((code[0] == 'O' || code[0] == ':') && code.size() > 1 && is_digit(code[1]))) {
        line.kind = NcLineKind::Marker;
        return line;
    }
    // Block delete: the block is taken as read, as with the switch off.
    std::size_t i = 0;
    if (code[0] == '/') i = code.size() > 1 && is_digit(code[1]) ? 2 : 1;
    if (is_statement(code)) {
        line.kind = NcLineKind::Statement;
        return line;
    }
    line.kind = NcLineKind::Block;
    line.words.reserve(code.size() / 2);
    while (i < code.size()) {
        if (!is_letter(code[i])) {
            ++i;  // stray characters before the first word
            continue;
        }
        line.words.push_back(read_word(code, i));
    }
    return line;
}

std::vector<std::string_view> program_lines(std::string_view text) {
    return split_line_views(text);
}

const NcWord* find_word(const NcLine& line, char letter) {
    for (const NcWord& word : line.words)
        if (word.letter == letter) return &word;
    return nullptr;
}

int code_tenths(const NcWord& word) {
    return word.plain ? static_cast<int>(std::lround(word.number.value * 10)) : -1;
}

}  // namespace feedrite
