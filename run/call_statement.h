// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recognising a CALL statement in a program line and splitting it into the
// sub file's name and its number of passes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace feedrite {

/// The main program is written by hand and takes the keyword in any case; sub
/// files take only the two spellings "call " and "CALL ".
enum class CallRule { MainProgram, SubFile };

/// Where the first CALL keyword (with its blank) starts in `line`, if any.
[[nodiscard]] std::optional<std::size_t> find_call(std::string_view line, CallRule rule);

struct CallStatement {
    std::string name;        ///< as written, blanks after it kept
    std::string count;       ///< the text after "(" up to ")", empty without "("
    bool count_cut = false;  ///< the 256 characters end inside the count: it is not all there
};

/// Splits the CALL text of the keyword found at `keyword`: at most 256
/// characters from the blank that ends the keyword, leading blanks skipped.
/// The rest of the line around the statement is dropped.
[[nodiscard]] CallStatement split_call(std::string_view line, std::size_t keyword);

/// Passes of the sub file: the number at the start of `count` when it ends with
/// "TIMES" in any case, else 1; rounded halves to even and never below 1.
/// Nothing when the number does not fit 16 bits.
[[nodiscard]] std::optional<std::int16_t> call_passes(std::string_view count);

}  // namespace feedrite
