// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/port_settings_reader.h"

#include <algorithm>

#include "base/limits.h"
#include "config/parsit.h"
#include "config/settings_table.h"

namespace feedrite {
namespace {

// What depends on more than one line, worked out once the lines are in.
void finish(PortSettings& s) {
    s.delay_ms[static_cast<std::size_t>(DelayKind::rest_of_data_on)] =
        rest_of_data_on(s.set_ms(DelayKind::data_on), s.set_ms(DelayKind::sprocket_on),
                        s.set_ms(DelayKind::overlap));
    s.BTRdelay6 = std::max(0.0, s.BTRdelay1 - s.BTRdelay2 - s.BTRdelay3);
    if (!s.format_applied) s.BTRformat.clear();
    s.leader_sent = parsit(s.BTRleader, s.BTRcode);
    s.trailer_sent = parsit(s.BTRtrailer, s.BTRcode);
    s.replace_with_sent = parsit(s.Replace_with_text, s.BTRcode);
}

// Each required line is judged on its own; the optional ones end at the
// first gap, the rest reading as their fallbacks.
void judge_lines(SettingsRead& read) {
    bool optional_ended = false;
    for (const SettingsRow& row : settings_rows()) {
        const auto at = static_cast<std::size_t>(row.line - 1);
        const bool present = at < read.lines.size();
        const bool good = present && line_is_good(row, read.lines[at]);
        if (row.line > required_lines) {
            optional_ended = optional_ended || !good;
            read.values.emplace_back(optional_ended ? row.fallback : read.lines[at]);
            continue;
        }
        read.values.emplace_back(present ? read.lines[at] : std::string());
        if (!good) read.bad_lines.push_back(row.line);
    }
}

}  // namespace

SettingsRead read_settings_file(const std::string& path) {
    SettingsRead read;
    std::string bytes;
    if (!read_whole_file(path, bytes, read.error, settings_size_limit)) return read;
    read.lines = split_lines(bytes);
    judge_lines(read);
    if (!read.bad_lines.empty()) {
        // An unknown code has its own message when it is what refuses the file.
        read.bad_line = read.bad_lines.front();
        const auto at = static_cast<std::size_t>(read.bad_line - 1);
        if (at < read.lines.size())
            if (const auto code = unknown_code(settings_rows()[at], read.lines[at])) {
                read.problem = settings_rows()[at].kind == LineKind::Code
                                   ? SettingsProblem::UnknownCode
                                   : SettingsProblem::UnknownEob;
                read.value = *code;
            }
        return read;
    }
    PortSettings record;
    for (const SettingsRow& row : settings_rows())
        derive(row, read.values[static_cast<std::size_t>(row.line - 1)], record);
    finish(record);
    read.settings = std::move(record);
    return read;
}

}  // namespace feedrite
