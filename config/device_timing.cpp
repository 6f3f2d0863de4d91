// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/device_timing.h"

#include "base/number_text.h"
#include "config/entry_rules.h"

namespace feedrite {

std::optional<double> typed_milliseconds(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    if (!is_millisecond_text(line, true)) return std::nullopt;
    return read_number(line);
}

DeviceTiming device_timing_of(const PortSettings& device) {
    DeviceTiming timing;
    timing.data_on_ms = device.set_ms(DelayKind::data_on);
    timing.sprocket_on_ms = device.set_ms(DelayKind::sprocket_on);
    timing.overlap_ms = device.set_ms(DelayKind::overlap);
    timing.data_off_ms = device.set_ms(DelayKind::data_off);
    timing.eob_delay_ms = device.set_ms(DelayKind::between_blocks);
    timing.cps = device.speed_cps;
    return timing;
}

}  // namespace feedrite
