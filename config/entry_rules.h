// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules for what a user types as a device's name, port address and
// times: one home each, used by the configuration dialog and feedrite-config
// alike, so neither lets through what the other refuses.

#include <optional>
#include <string>
#include <string_view>

namespace feedrite {

/// Why `name` cannot be a device name, or "" when it can. The name becomes
/// part of a file name and one line of the device list, so it may not be
/// empty or only blanks, "." or "..", nor hold "/" or a control character.
[[nodiscard]] std::string device_name_problem(std::string_view name);

/// The lowest and highest port address a user may type: below 100 hex are the
/// PC's own devices, and the port's three registers must fit below 10000 hex.
inline constexpr int lowest_typed_address = 0x100;
inline constexpr int highest_typed_address = 0xFFFD;

/// The address a typed hexadecimal text stands for: 1 to 4 hexadecimal digits
/// within the range above; nothing for any other text.
[[nodiscard]] std::optional<int> typed_port_address(std::string_view text);

/// The line that says what a typed address must be.
[[nodiscard]] std::string typed_address_rule();

/// A millisecond box's text: digits with at most one ".". An empty text is a
/// box still being typed; `complete` refuses it.
[[nodiscard]] bool is_millisecond_text(std::string_view text, bool complete);

/// A typed rapid traverse rate in mm/min: digits with at most one ".", above
/// 0; blanks before and after are left out.
[[nodiscard]] std::optional<double> rapid_rate_of(std::string_view text);

}  // namespace feedrite
