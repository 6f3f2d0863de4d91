// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One line of a program in the common word-address form (G01 X1.5 ...) read
// into its words: the one reader of the motion model and the resume scan. Comments in parentheses
// and after
// ";" are dropped, blanks ignored, a leading "/" (block delete) is read past.

#include <string>
#include <string_view>
#include <vector>

namespace feedrite {

/// A number as the program wrote it, kept so that the preamble can write a
/// value back in the program's own notation (a point or none, its decimals).
struct NcNumber {
    double value = 0;
    bool point = false;  ///< written with a decimal point
    int decimals = 0;    ///< digits after the point
    bool lead = true;    ///< a digit before the point (".5" has none)
};

struct NcWord {
    char letter = 0;   ///< upper case
    std::string text;  ///< the value as written, e.g. "-1.5", "#101", "[#1+2]"
    NcNumber number;
    bool plain = true;  ///< a number; false for a macro expression
};

enum class NcLineKind {
    Empty,      ///< nothing but blanks and comments
    Marker,     ///< a "%" line or an O-number (program number) line
    Block,      ///< words
    Statement,  ///< a macro statement (assignment, IF, GOTO, WHILE, ...)
};

struct NcLine {
    NcLineKind kind = NcLineKind::Empty;
    std::vector<NcWord> words;
    std::string code;  ///< the line without comments and blanks, for messages
};

[[nodiscard]] NcLine read_nc_line(std::string_view line);

/// A program's lines: every CR LF, LF or CR ends one; a break at the very end
/// starts no further line.
[[nodiscard]] std::vector<std::string_view> program_lines(std::string_view text);

/// The first word with `letter`, or nullptr.
[[nodiscard]] const NcWord* find_word(const NcLine& line, char letter);

/// A G or M code as a whole number of tenths (G54.1 gives 541, G1 gives 10).
[[nodiscard]] int code_tenths(const NcWord& word);

}  // namespace feedrite
