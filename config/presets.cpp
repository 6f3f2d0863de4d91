// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/presets.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "config/settings_table.h"

namespace feedrite {
namespace {

// One row per settings line a preset sets, in the order they are set, as the
// file writes them; the columns are Fanuc, Yasnac and P & W.
struct Row {
    const char* line;
    std::array<const char*, 3> values;
};

const Row preset_rows[] = {
    {"Data on", {"3.33", "4.0", "1.8"}},
    {"Sprocket on", {"2.2", "1.0", "2.21"}},
    {"Overlap", {".565", ".20", ".205"}},
    {"Data off", {"0", "1.0", "0"}},
    {"Block delay", {"0", "0", "0"}},
    {"Leader", {"%LF", "%LF", "%LF"}},
    {"Trailer", {"%", "%", "%"}},
    {"Code", {"0", "0", "3"}},
    {"End of block", {"0", "0", "0"}},
    {"Reset on", {"M30", "M30", "M02"}},
    {"Data polarity", {"1", "1", "1"}},
    {"Sprocket polarity", {"1", "1", "0"}},
    {"Run/stop polarity", {"1", "1", "0"}},
    {"Async", {"0", "0", "1"}},
    {"Ready polarity", {"1", "1", "0"}},
    {"Rapid traverse", {"12000", "15000", "10000"}},
    // The three controls' lathes start in feed per revolution.
    {"Lathe per rev", {"1", "1", "1"}},
};

}  // namespace

void apply_preset(ConfigModel& model, Preset preset) {
    const auto column = static_cast<std::size_t>(preset);
    for (const Row& row : preset_rows) show_in(*row_named(row.line), row.values[column], model);
}

std::optional<Preset> preset_named(std::string_view name) {
    const std::pair<std::string_view, Preset> names[] = {
        {"fanuc", Preset::Fanuc}, {"yasnac", Preset::Yasnac}, {"pw", Preset::PW}};
    for (const auto& [known, preset] : names)
        if (std::equal(name.begin(), name.end(), known.begin(), known.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            }))
            return preset;
    return std::nullopt;
}

}  // namespace feedrite
