// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/window_places.h"

#include <sstream>

#include "base/file_io.h"
#include "base/limits.h"

namespace feedrite {

std::string window_places_path(const std::string& settings_dir) {
    return settings_dir + "/Feedrite windows";
}

// One "name values" line each: "control X Y WIDTH HEIGHT", "toolpath 0|1".
WindowPlaces read_window_places(const std::string& settings_dir) {
    WindowPlaces places;
    std::string bytes;
    FileError error;
    if (!read_whole_file(window_places_path(settings_dir), bytes, error, settings_size_limit))
        return places;
    for (const std::string& line : split_lines(bytes)) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        WindowArea area;
        int shown = 0;
        if (name == "control" && words >> area.x >> area.y >> area.width >> area.height &&
            area.width > 0 && area.height > 0)
            places.control = area;
        else if (name == "toolpath" && words >> shown)
            places.toolpath_shown = shown != 0;
    }
    return places;
}

void write_window_places(const std::string& settings_dir, const WindowPlaces& places) {
    std::string text;
    if (const auto& a = places.control)
        text += "control " + std::to_string(a->x) + ' ' + std::to_string(a->y) + ' ' +
                std::to_string(a->width) + ' ' + std::to_string(a->height) + "\r\n";
    text += std::string("toolpath ") + (places.toolpath_shown ? "1" : "0") + "\r\n";
    (void)write_file_atomic(window_places_path(settings_dir), text);
}

}  // namespace feedrite
