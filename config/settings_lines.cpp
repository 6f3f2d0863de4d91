// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_lines.h"

#include "base/file_io.h"
#include "base/limits.h"
#include "base/number_text.h"

namespace feedrite {

std::optional<std::vector<std::string>> read_settings_lines(const std::string& path) {
    std::string bytes;
    FileError error;
    if (!read_whole_file(path, bytes, error, settings_size_limit)) return std::nullopt;
    return split_lines(bytes);
}

bool SettingsLines::open(const std::string& path) {
    std::string bytes;
    if (!read_whole_file(path, bytes, error_, settings_size_limit)) return false;
    lines_ = split_lines(bytes);
    next_ = 0;
    return true;
}

std::optional<std::string> SettingsLines::text() {
    if (next_ >= lines_.size()) return std::nullopt;
    return lines_[next_++];
}

std::optional<double> SettingsLines::number() {
    const auto line = text();
    if (!line) return std::nullopt;
    return read_number(*line);
}

std::optional<std::int16_t> SettingsLines::whole_number() {
    const auto value = number();
    return value ? round_to_int16(*value) : std::nullopt;
}

std::string eob_characters(std::int16_t code) {
    switch (code) {
        case 0:
            return "\n";
        case 1:
            return "\r";
        case 2:
            return "\n\r";
        case 3:
            return "\r\n";
        default:
            return {};
    }
}

}  // namespace feedrite
