// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Filling the configuration dialog from a port settings file, or with the
// built-in default configuration.

#include <string>

#include "config/config_model.h"
#include "core/host.h"

namespace feedrite {

/// The values of the optional lines 24 to 31 before a file is read: all four
/// polarities positive, Async clear, both replace boxes empty, spooling clear.
void set_optional_defaults(ConfigModel& model);

/// Fills the model from the settings file at `path`, read by the one reader
/// (read_settings_file) row by row, setting the boxes through their reactions, and
/// returns true. Otherwise it returns false after `default_settings`: a file
/// that does not exist yet says nothing; one with bad lines among 1 to 23
/// fills every other value and names the bad lines, which keep the defaults;
/// one that cannot be read shows "Unable to read from file" with the full
/// path. What the optional lines did not give keeps its default.
bool load_settings(ConfigModel& model, const std::string& path, Host& host);

/// The default configuration: every row's fallback (LPT1, ISO, LF, "%LF" /
/// "%", 3.33 / 2.2 / .565 ms, "M30", CALLs on, the optional lines' defaults).
/// The loop counts keep their values.
void default_settings(ConfigModel& model);

/// A port address as the address box shows it: the value rounded halves to
/// even, in upper-case hexadecimal without prefix ("378"); negative values as
/// their 32-bit pattern. Empty when it does not fit 32 bits.
[[nodiscard]] std::string address_hex(float address);

}  // namespace feedrite
