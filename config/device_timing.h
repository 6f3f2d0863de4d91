// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The times a device is set to, as the user typed them: the settings file
// keeps these milliseconds beside the loop counts. The delays' clock guard
// and the virtual control's limits both start from them.

#include <optional>
#include <string>
#include <string_view>

#include "config/port_settings.h"

namespace feedrite {

struct DeviceTiming {
    std::optional<double> data_on_ms, sprocket_on_ms, overlap_ms, data_off_ms, eob_delay_ms;
    std::optional<double> cps;  ///< characters per second, the speed display
};

/// The settings file lines of the millisecond times.
inline constexpr int data_on_line = 7, sprocket_on_line = 8, overlap_line = 9, data_off_line = 10,
                     eob_delay_line = 17;

/// A typed time: what a millisecond box takes (`is_millisecond_text`), with
/// blanks around it allowed. Anything else (empty, letters, "&H..", "1,5",
/// "-1") is no time at all.
[[nodiscard]] std::optional<double> typed_milliseconds(std::string_view line);

/// The set times and speed display of a device's record, as its reader
/// took them from the timing lines; a line that held no typed time stays empty.
[[nodiscard]] DeviceTiming device_timing_of(const PortSettings& device);

}  // namespace feedrite
