// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/window_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace feedrite {

int twips_to_pixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

std::optional<int> view_height_for(int client_height, int status_bar_height) {
    if (client_height <= status_bar_height) return std::nullopt;
    return client_height - status_bar_height;
}

SideBySide side_by_side(const Box& area, int main_width, int main_height, int control_width,
                        int gap, int min_width) {
    main_width = std::min(main_width, area.width);
    const int height = std::min(main_height, area.height);
    int room = area.width - main_width - gap;
    if (room < std::min(control_width, min_width)) {
        main_width = std::max(min_width, area.width - gap - std::min(control_width, min_width));
        room = area.width - main_width - gap;
    }
    control_width = std::max(0, std::min(control_width, room));
    const int left = area.x + std::max(0, (area.width - main_width - gap - control_width) / 2);
    const int top = area.y + std::max(0, (area.height - height) / 2);
    return {{left, top, main_width, height}, {left + main_width + gap, top, control_width, height}};
}

std::string line_panel_text(std::int64_t line_number) {
    return "line pos.=" + std::to_string(line_number);
}

std::string byte_panel_text(std::int64_t position) {
    return "byte pos. =" + std::to_string(position);
}

std::string duration_text(std::optional<double> seconds) {
    if (!seconds || *seconds < 0 || !std::isfinite(*seconds)) return "-:--:--";
    const long long s = std::llround(*seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

std::string wrap_report_text(const std::string& text, std::size_t columns) {
    columns = std::max<std::size_t>(columns, 1);
    std::string out;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find("\r\n", at);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        std::string_view line(text.data() + at, end - at);
        while (line.size() > columns) {
            std::size_t cut = line.rfind(' ', columns);
            if (cut == std::string_view::npos || cut == 0) {
                cut = line.rfind('/', columns - 1);
                cut = cut == std::string_view::npos || cut == 0 ? columns : cut + 1;
                out.append(line.substr(0, cut)).append("\r\n");
                line.remove_prefix(cut);
            } else {
                out.append(line.substr(0, cut)).append("\r\n");
                line.remove_prefix(cut + 1);  // the blank becomes the break
            }
        }
        out.append(line);
        if (last) break;
        out.append("\r\n");
        at = end + 2;
    }
    return out;
}

}  // namespace feedrite
