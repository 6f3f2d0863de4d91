// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Control-code words of the leader, trailer and replacement texts.

#include <cstdint>
#include <string>
#include <string_view>

namespace feedrite {

/// Expands, in this order, every "LF", "CR" (LF under EIA code 3, which has no
/// carriage return), "ESC", "NUL", then every "<n>" numeric code (decimal, or
/// hexadecimal after "&h"/"&H"; a fraction rounds to nearest, a half up).
///
/// Numeric expansion stops, leaving the rest of the text as it is, when a "<"
/// has no ">", when a ">" comes before the first "<", or when a code lies
/// outside 0..255: a feed text is never turned into a character the user did
/// not write, and expansion always ends.
[[nodiscard]] std::string parsit(std::string_view em, std::int16_t code);

}  // namespace feedrite
