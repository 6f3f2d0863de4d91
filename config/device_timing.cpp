// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/device_timing.h"

#include <vector>

#include "base/number_text.h"
#include "config/entry_rules.h"
#include "config/settings_lines.h"

namespace feedrite {

std::optional<double> typed_milliseconds(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    if (!is_millisecond_text(line, true)) return std::nullopt;
    return read_number(line);
}

DeviceTiming read_device_timing(const std::string& path) {
    DeviceTiming timing;
    SettingsLines in;
    if (!in.open(path)) return timing;
    std::vector<std::string> lines;
    while (const auto line = in.text()) lines.push_back(*line);
    const auto at = [&lines](int number) -> std::optional<double> {
        const auto index = static_cast<std::size_t>(number - 1);
        return index < lines.size() ? typed_milliseconds(lines[index]) : std::nullopt;
    };
    timing.data_on_ms = at(data_on_line);
    timing.sprocket_on_ms = at(sprocket_on_line);
    timing.overlap_ms = at(overlap_line);
    timing.data_off_ms = at(data_off_line);
    timing.cps = at(cps_line);
    timing.eob_delay_ms = at(eob_delay_line);
    return timing;
}

}  // namespace feedrite
