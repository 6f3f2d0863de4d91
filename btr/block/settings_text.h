// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two text rules a block meets on its way: the settings' replacement,
// made as the program loads, and the reset text that ends the cycle.

#include <string>
#include <string_view>

namespace feedrite {

/// `line` with the first occurrence of `what` (case-sensitive) replaced.
[[nodiscard]] std::string replace_first(std::string line, const std::string& what,
                                        const std::string& with);

/// True when the block holds the reset text; an empty reset text is in every
/// non-empty block.
[[nodiscard]] bool holds_reset_text(std::string_view block, std::string_view reset);

}  // namespace feedrite
