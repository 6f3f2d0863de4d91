// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_loader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <utility>

#include "base/number_text.h"
#include "config/port_settings_reader.h"
#include "config/settings_table.h"
#include "config/settings_writer.h"

namespace feedrite {
namespace {

// Fills the model from the lines the one reader gave, through the boxes'
// reactions in file order (the port list's first, so that it opens the
// address box for "Other!" only); a refused line keeps the default shown.
void fill(ConfigModel& m, const SettingsRead& read) {
    for (const SettingsRow& row : settings_rows())
        if (std::find(read.bad_lines.begin(), read.bad_lines.end(), row.line) ==
            read.bad_lines.end())
            show_in(row, read.values[static_cast<std::size_t>(row.line - 1)], m);
}

// Remembers the file's lines beside what the model made of them; a bad
// line is not kept (the model shows its default, which Apply writes).
void remember_lines(ConfigModel& m, const SettingsRead& read) {
    m.lines_read = read.lines;
    m.lines_loaded = settings_lines(m);
    for (const int line : read.bad_lines)
        m.lines_loaded[static_cast<std::size_t>(line) - 1] = "\n";  // a line never holds one
}

std::string line_list(const std::vector<int>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "" : i + 1 == lines.size() ? " and " : ", ") + std::to_string(lines[i]);
    return text;
}

}  // namespace

void set_optional_defaults(ConfigModel& model) {
    for (const SettingsRow& row : settings_rows())
        if (row.line > required_lines) show_in(row, row.fallback, model);
}

bool load_settings(ConfigModel& model, const std::string& path, Host& host) {
    model.lines_read.clear();
    model.lines_loaded.clear();
    set_optional_defaults(model);
    const SettingsRead read = read_settings_file(path);
    if (read.settings) {
        fill(model, read);
        remember_lines(model, read);
        return true;
    }
    default_settings(model);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return false;  // not set up yet: no read error
    if (!read.error.ok()) {
        host.message_box(
            "Unable to read from file\n" + path + "\nUsing default BTR port configuration",
            "File read error", MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    // One bad line costs that line only: Apply then writes what the operator saw.
    fill(model, read);
    remember_lines(model, read);
    const bool one = read.bad_lines.size() == 1;
    host.message_box("Unable to read line" + std::string(one ? " " : "s ") +
                         line_list(read.bad_lines) + " of\n" + path + "\n" +
                         (one ? "It shows its default value" : "They show their default values") +
                         "; every other value is the file's.\nCheck before Apply.",
                     "File read error", MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

// Row order matters: each box's reaction sees the boxes set before it.
void default_settings(ConfigModel& model) {
    for (const SettingsRow& row : settings_rows())
        if (row.fallback != nullptr) show_in(row, row.fallback, model);
}

std::string address_hex(float address) {
    const auto whole = round_to_int32(address);
    if (!whole) return {};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%X",
                  static_cast<unsigned>(static_cast<std::uint32_t>(*whole)));
    return buffer;
}

}  // namespace feedrite
