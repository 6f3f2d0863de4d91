// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Output codes by code set and character: every character of a text block
// reaches the reader interface as one 8-bit code from this table.

#include <array>
#include <cstdint>
#include <optional>

#include "config/port_settings.h"

namespace feedrite {

inline constexpr int code_set_count = 4;

using CodeTable = std::array<std::array<std::uint8_t, 256>, code_set_count>;

/// Fills a table: ISO even parity, odd parity and 7-bit for characters 0..127,
/// EIA RS-244 from its fixed list. Every entry not set is 0.
[[nodiscard]] CodeTable build_code_table();

/// The program's one table, built on first use and never changed afterwards.
[[nodiscard]] const CodeTable& code_table();

/// The character a control reads for an output code of a code set, for
/// showing what was sent: parity bits are dropped; in EIA, where some codes
/// stand for two characters, letters win over digits and signs, printable
/// characters over control characters. Nothing for blank tape (EIA 0x00) and
/// '?' for a code without a character.
[[nodiscard]] std::optional<char> decode_character(std::uint8_t code, int code_set);

}  // namespace feedrite
