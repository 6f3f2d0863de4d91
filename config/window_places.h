// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the windows keep between starts (where the Virtual control stood,
// whether the toolpath is shown), in a small file of the settings folder
// beside the device settings, so that one folder holds every setting.

#include <optional>
#include <string>

namespace feedrite {

/// A window's inner area on the desktop, in pixels.
struct WindowArea {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const WindowArea&, const WindowArea&) = default;
};

struct WindowPlaces {
    std::optional<WindowArea> control;  ///< the Virtual control, once it has stood somewhere
    bool toolpath_shown = true;         ///< the operator's choice (F6)
    friend bool operator==(const WindowPlaces&, const WindowPlaces&) = default;
};

[[nodiscard]] std::string window_places_path(const std::string& settings_dir);

/// The places in the file; the defaults for a missing file or line, and for
/// a line that does not read.
[[nodiscard]] WindowPlaces read_window_places(const std::string& settings_dir);

/// Rewrites the file safely. A convenience: a failure to write is ignored.
void write_window_places(const std::string& settings_dir, const WindowPlaces& places);

}  // namespace feedrite
