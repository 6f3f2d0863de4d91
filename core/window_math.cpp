#include "core/window_math.h"

#include <cmath>
#include <cstdio>

namespace feedrite {

int twips_to_pixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

std::optional<int> view_height_for(int client_height, int status_bar_height) {
    if (client_height <= status_bar_height) return std::nullopt;
    return client_height - status_bar_height;
}

std::string line_panel_text(std::int64_t line_number) {
    return "line pos.=" + std::to_string(line_number);
}

std::string byte_panel_text(std::int64_t position) { return "byte pos. =" + std::to_string(position); }

std::string duration_text(std::optional<double> seconds) {
    if (!seconds || *seconds < 0 || !std::isfinite(*seconds)) return "-:--:--";
    const long long s = std::llround(*seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

}  // namespace feedrite
