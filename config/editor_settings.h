// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor settings file: colour and size codes of the program view.

#include <cstdint>
#include <optional>
#include <string>

#include "core/window_state.h"

namespace feedrite {

/// The editor settings file of a program directory.
[[nodiscard]] std::string editor_settings_path(const std::string& program_dir);

/// Sets the three codes to 1, then reads lines 1 to 3 of the file into them.
/// Reading stops silently at a missing file, a missing line or a size code
/// outside 16 bits; codes read before that keep their values.
void read_editor_settings(const std::string& path, WindowState& state);

struct Rgb {
    std::uint8_t red, green, blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// What the three codes do to the view; an empty field leaves it unchanged.
struct Presentation {
    std::optional<Rgb> text_color;
    std::optional<Rgb> background;
    std::optional<int> font_points;
};

/// A code counts only when it is exactly one of the whole numbers listed.
[[nodiscard]] Presentation presentation_for(double fore_code, double back_code,
                                            std::int16_t size_code);

}  // namespace feedrite
