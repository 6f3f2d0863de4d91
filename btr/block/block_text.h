// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The character steps of block rewriting around the decimal conversion.

#include <string>
#include <string_view>

namespace feedrite {

/// Removes the first "(" ... ")" comment from `t` and returns it with both
/// brackets; a comment without ")" runs to the end of the block. Returns ""
/// when `t` has no "(".
[[nodiscard]] std::string take_first_comment(std::string& t);

/// First mask pass: removes the characters of `mask`, except inside comments.
/// "(" and ")" switch the inside state before they are judged, so "(" always
/// stays and ")" goes when it is a mask character.
void mask_outside_comments(std::string& t, std::string_view mask);

/// Second mask pass: removes every character of `mask`, inside comments too.
void mask_everywhere(std::string& t, std::string_view mask);

}  // namespace feedrite
