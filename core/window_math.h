// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's arithmetic, kept apart from the widgets so it is tested
// without painting.

#include <cstdint>
#include <optional>
#include <string>

namespace feedrite {

/// Window sizes are given in twips (1/1440 inch); the screen has `dpi` pixels
/// per inch (96 at 100 %, 144 at 150 %). Rounds to the nearest pixel.
[[nodiscard]] int twips_to_pixels(int twips, double dpi);

/// Height of the status bar along the bottom edge.
inline constexpr int status_bar_twips = 375;

/// The text view's height for a client area `client_height` high: the rest
/// above the status bar, or nothing (keep the old height) when there is no room.
[[nodiscard]] std::optional<int> view_height_for(int client_height, int status_bar_height);

/// A window's place on the screen in pixels, its frame included.
struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Box&) const = default;
};

struct SideBySide {
    Box main, control;
};

/// The main window and the Virtual control side by side on the screen's free
/// `area`, `gap` apart, neither covering the other (the control over the main
/// window would hide its scroll bar and panels). The control is as tall as
/// the main window. Where the two do not fit, the control and then the main
/// window give up width, down to `min_width` each.
[[nodiscard]] SideBySide side_by_side(const Box& area, int main_width, int main_height,
                                      int control_width, int gap, int min_width);

/// Panel 1 and 2 texts as the position timer writes them.
[[nodiscard]] std::string line_panel_text(std::int64_t line_number);
[[nodiscard]] std::string byte_panel_text(std::int64_t position);

/// "h:mm:ss" (hours as many as it takes); a missing, negative or endless
/// time gives "-:--:--".
[[nodiscard]] std::string duration_text(std::optional<double> seconds);

/// A report's text (lines ended by CR LF) broken into lines of at most
/// `columns` characters: after the last blank that fits, else after the last
/// "/" that fits, else at `columns`. Lines that fit are kept as they are.
[[nodiscard]] std::string wrap_report_text(const std::string& text, std::size_t columns);

}  // namespace feedrite
