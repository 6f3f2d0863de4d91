#pragma once
// The timing a device is configured for, as the user typed it in the
// configuration dialog: the settings file keeps these beside the loop counts
// the engine uses, so what the control measures can be set against them.

#include <optional>
#include <string>

namespace feedrite {

struct DeviceTiming {
    std::optional<double> data_on_ms, sprocket_on_ms, overlap_ms;
    std::optional<double> cps;  ///< characters per second
};

/// Lines 7 to 9 and 16 of the settings file at `path`. A value whose line is
/// missing or blank stays empty; an unreadable file gives all empty.
[[nodiscard]] DeviceTiming read_device_timing(const std::string& path);

}  // namespace feedrite
