// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one reader of a device's port settings file: the send driver, the
// configuration dialog, feedrite-config and its --show all read through it,
// so they accept and refuse the same files and agree on every value.

#include <array>
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

/// The lines of a settings file as values, after the rules below.
struct StoredSettings {
    int port_index = 0;                  ///< line 1: 0..3 LPT1..LPT4, 4 another address
    std::array<double, 5> counts{};      ///< lines 2 to 6: loop counts, whole file range
    std::array<std::string, 4> typed{};  ///< lines 7 to 10: the milliseconds as typed
    double address = 0;                  ///< line 11, as stored (a single-precision value)
    std::string leader, trailer;         ///< lines 12, 13
    std::int16_t code = 0;               ///< line 14: 0 ISO even, 1 odd, 2 seven bits, 3 EIA
    std::int16_t eob = 0;                ///< line 15: 0 LF, 1 CR, 2 LF CR, 3 CR LF
    std::string cps, eob_delay, reset, mask, format;                 ///< lines 16 to 20
    bool calls = false, mask_comments = false, auto_format = false;  ///< lines 21 to 23: value 1
    /// Line 23 not 0: the send driver keeps the format string (only 0
    /// empties it, while the dialog ticks its box for 1 only).
    bool keep_format = false;
    // Lines 24 to 32, optional: these defaults stand for what is missing.
    std::array<bool, 4> positive{true, true, true, true};  ///< data, sprocket, run/stop, ready
    bool async = false;
    std::string replace, replace_with;
    bool spool = false;
    std::string rapid = default_rapid_rate;  ///< line 32: rapid traverse in mm/min
};

/// Why a file was refused: most reasons leave the port "not configured"; an
/// unknown code gets a message of its own.
enum class SettingsProblem { Unreadable, UnknownCode, UnknownEob };

struct SettingsRead {
    std::optional<StoredSettings> settings;
    SettingsProblem problem = SettingsProblem::Unreadable;
    int value = 0;     ///< the unknown code
    int bad_line = 0;  ///< the first required line refused (1-based), 0 for none
    FileError error;   ///< why the file itself could not be read
};

/// Reads the settings file at `path`. Lines 1 to 23 are required: the file is
/// refused when one is missing or when the port index is not 0..4, a loop
/// count not 0..max_loop_count, a typed time (lines 7 to 10, 17) above
/// max_delay_ms, the address not 0..FFFF (hex), the character
/// code or the end-of-block code not 0..3 (all after rounding halves to even),
/// or a number does not fit a double. Lines 24 to 32 are optional: reading
/// stops silently at the first missing or unusable one. Shows nothing.
[[nodiscard]] SettingsRead read_settings_file(const std::string& path);

/// A file read line by line for the configuration dialog: every usable line
/// of 1 to 23 is taken, each bad one keeps its value in `defaults` and is
/// listed; nothing when the file cannot be read at all.
struct LenientRead {
    std::optional<StoredSettings> settings;
    std::vector<int> bad_lines;  ///< 1-based
};
[[nodiscard]] LenientRead read_settings_leniently(const std::string& path, StoredSettings defaults);

/// The record a transmission uses, finished: the rest of the data-on count
/// derived and the texts as sent expanded in fields of their own.
[[nodiscard]] PortSettings port_settings_from(const StoredSettings& stored);

/// Reads the file into `record` and `useCALLs`; false (both untouched) when
/// read_settings_file refuses it.
bool read_port_settings(const std::string& path, PortSettings& record, bool& useCALLs);

/// The highest port address: x86 I/O addresses are 16 bits.
inline constexpr std::int32_t max_port_address = 0xFFFF;

}  // namespace feedrite
