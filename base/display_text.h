// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Messages and captions mix the program's 8-bit text (Latin-1) with file
// names, which come in the locale's encoding (UTF-8). A text that holds a
// valid multi-byte UTF-8 sequence and nothing invalid is shown as UTF-8, so a
// folder named "déplacement" is not shown as "dÃ©placement"; any other text
// is Latin-1, as the program's own text always is.

#include <string>
#include <string_view>

namespace feedrite {

/// True when `text` is valid UTF-8 and holds at least one non-ASCII character.
[[nodiscard]] bool reads_as_utf8(std::string_view text);

/// `text` for the program view, which shows Latin-1: a UTF-8 text becomes
/// Latin-1, with "?" for a character that Latin-1 lacks; any other text is
/// kept as it is.
[[nodiscard]] std::string latin1_for_view(std::string_view text);

}  // namespace feedrite
