// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one reader of a device's port settings file: the send driver, the
// configuration dialog, feedrite-config and its --show all read through it,
// so they accept and refuse the same files and agree on every value.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "config/port_settings.h"

namespace feedrite {

/// Line 32, the rapid traverse rate in mm/min, came later: a file without it
/// reads as the default configuration's (the Fanuc preset's) value.
inline constexpr const char* default_rapid_rate = "12000";

/// Why a file was refused: most reasons leave the port "not configured"; an
/// unknown code gets a message of its own.
enum class SettingsProblem { Unreadable, UnknownCode, UnknownEob };

/// A settings file read: the finished record, or why there is none.
struct SettingsRead {
    /// The record a transmission uses, finished; none when the file is refused.
    std::optional<PortSettings> settings;
    SettingsProblem problem = SettingsProblem::Unreadable;
    int value = 0;     ///< the unknown code
    int bad_line = 0;  ///< the first required line refused (1-based), 0 for none
    FileError error;   ///< why the file itself could not be read
    /// For the dialog: the file's lines as stored; one text per row (an
    /// optional line not read holds its fallback); and every required line
    /// refused, which the dialog leaves at its default.
    std::vector<std::string> lines, values;
    std::vector<int> bad_lines;
};

/// Reads the settings file at `path`. Lines 1 to 23 are required: the file is
/// refused when one is missing or when the port index is not 0..4, a loop
/// count not 0..max_loop_count, a typed time (lines 7 to 10, 17) above
/// max_delay_ms, the address not 0..FFFF (hex), the character
/// code or the end-of-block code not 0..3 (all after rounding halves to even),
/// or a number does not fit a double. Lines 24 to 32 are optional: reading
/// stops silently at the first missing or unusable one. Shows nothing.
[[nodiscard]] SettingsRead read_settings_file(const std::string& path);

/// The highest port address: x86 I/O addresses are 16 bits.
inline constexpr std::int32_t max_port_address = 0xFFFF;

}  // namespace feedrite
