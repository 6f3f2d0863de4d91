// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/editor_settings.h"

#include "base/file_io.h"
#include "base/limits.h"
#include "base/number_text.h"

namespace feedrite {

std::string editor_settings_path(const std::string& program_dir) {
    return program_dir + "/settings.edt";
}

void read_editor_settings(const std::string& path, WindowState& state) {
    state.master_fore_color = 1;
    state.master_back_color = 1;
    state.master_font_size = 1;
    std::string bytes;
    FileError error;
    if (!read_whole_file(path, bytes, error, settings_size_limit)) return;
    const auto lines = split_lines(bytes);

    std::optional<double> value;
    if (lines.size() < 1 || !(value = read_number(lines[0]))) return;
    state.master_fore_color = *value;
    if (lines.size() < 2 || !(value = read_number(lines[1]))) return;
    state.master_back_color = *value;
    if (lines.size() < 3 || !(value = read_number(lines[2]))) return;
    if (const auto size = round_to_int16(*value)) state.master_font_size = *size;
}

namespace {

std::optional<int> whole_code(double code, int highest) {
    for (int n = 0; n <= highest; ++n)
        if (code == n) return n;
    return std::nullopt;
}

constexpr Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255},
    black{0, 0, 0};

}  // namespace

Presentation presentation_for(double fore_code, double back_code, std::int16_t size_code) {
    static constexpr Rgb text_colors[] = {red, green, blue, white, black};
    static constexpr Rgb backgrounds[] = {white, black, blue};
    static constexpr int points[] = {10, 12, 15, 19};

    Presentation result;
    if (const auto n = whole_code(fore_code, 4)) result.text_color = text_colors[*n];
    if (const auto n = whole_code(back_code, 2)) result.background = backgrounds[*n];
    if (size_code >= 0 && size_code <= 3) result.font_points = points[size_code];
    return result;
}

}  // namespace feedrite
