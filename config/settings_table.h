// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device settings file, one row per line: the reader, the lenient
// reader, the writer, the dialog's loading, the presets and --show all go
// through these rows, so a line is described once.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/config_model.h"
#include "config/port_settings.h"

namespace feedrite {

/// What a line holds; the kind decides the check, the written form and how
/// the value reaches the record and the dialog.
enum class LineKind {
    Port,     ///< 0..3 LPT1..LPT4, 4 another address
    Count,    ///< a loop count, 0..max_loop_count
    Time,     ///< milliseconds as typed, at most max_delay_ms (or no time)
    Address,  ///< 0..FFFF, stored as a single-precision number
    Text,     ///< any text
    Speed,    ///< the speed display: the number the text starts with
    Code,     ///< 0 ISO even, 1 odd, 2 seven bits, 3 EIA
    Eob,      ///< 0 LF, 1 CR, 2 LF CR, 3 CR LF
    Flag,     ///< a box: 1 is on
    Switch,   ///< a box: anything but 0 is on
    Format,   ///< the auto-format box: 1 ticks it, anything but 0 applies the format
    Rapid,    ///< mm/min above 0
    Blocks,   ///< a whole number of blocks, 1 to 99
    Seconds,  ///< a number of seconds, 0 to 60
    Axes,     ///< up to three numbers of X Y Z at least 0; blank: not known
};

struct SettingsRow {
    int line;          ///< 1-based
    const char* name;  ///< a preset names the row by it
    LineKind kind;
    /// The default configuration's text; for a line after `required_lines`
    /// also what a file without it reads as. None: the dialog keeps its value.
    const char* fallback = nullptr;
    // The dialog's control of the line (one of them, by kind).
    std::string ConfigModel::*box_text = nullptr;
    double ConfigModel::*box_count = nullptr;
    Tick box{};
    // The record's derived field (one of them, by kind).
    std::string PortSettings::*text = nullptr;
    double PortSettings::*count = nullptr;
    bool PortSettings::*flag = nullptr;
    DelayKind delay{};
};

/// Lines 1 to 23 must be there; the later ones came with later versions.
inline constexpr int required_lines = 23;

/// Every line in file order.
[[nodiscard]] std::span<const SettingsRow> settings_rows();
/// The row of that name; none for another.
[[nodiscard]] const SettingsRow* row_named(std::string_view name);

/// Whether the line's text is usable: for a line up to `required_lines` a
/// bad one refuses the file, for a later one it ends the lines read.
[[nodiscard]] bool line_is_good(const SettingsRow& row, std::string_view text);
/// For a code line that holds a whole number no code has: that number.
[[nodiscard]] std::optional<int> unknown_code(const SettingsRow& row, std::string_view text);
/// The line's value put in its field of the record.
void derive(const SettingsRow& row, std::string_view text, PortSettings& record);
/// The line's value shown in the dialog, through the boxes' reactions.
void show_in(const SettingsRow& row, std::string_view text, ConfigModel& model);
/// The line as the dialog's state writes it.
[[nodiscard]] std::string line_of(const SettingsRow& row, const ConfigModel& model);

/// The number the text starts with (blanks before it allowed): "300 cps" is
/// 300; none when it starts with anything else or is empty.
[[nodiscard]] std::optional<double> leading_number(std::string_view text);

}  // namespace feedrite
