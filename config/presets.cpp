// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/presets.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <variant>

namespace feedrite {
namespace {

using Control = std::variant<std::string ConfigModel::*, Tick>;

// One row per assignment, in the order they are made; the columns are Fanuc,
// Yasnac and P & W. Tick boxes take "0" or "1".
struct Row {
    Control control;
    std::array<const char*, 3> values;
};

const Row preset_rows[] = {
    {&ConfigModel::Data_on_txt, {"3.33", "4.0", "1.8"}},
    {&ConfigModel::Sprocket_on_txt, {"2.2", "1.0", "2.21"}},
    {&ConfigModel::Sprocket_overlap_txt, {".565", ".20", ".205"}},
    {&ConfigModel::Data_off_txt, {"0", "1.0", "0"}},
    {&ConfigModel::EOB_delay_txt, {"0", "0", "0"}},
    {&ConfigModel::leader_txt, {"%LF", "%LF", "%LF"}},
    {&ConfigModel::Trailer_txt, {"%", "%", "%"}},
    {Tick::chk_even, {"1", "1", "0"}},
    {Tick::chk_EIA, {"0", "0", "1"}},
    {Tick::chk_LF, {"1", "1", "1"}},
    {Tick::chk_LFCR, {"0", "0", "0"}},
    {Tick::chk_CRLF, {"0", "0", "0"}},
    {Tick::chk_CR, {"0", "0", "0"}},
    {&ConfigModel::Reset_on_txt, {"M30", "M30", "M02"}},
    {Tick::Chk_Data_Pos, {"1", "1", "1"}},
    {Tick::Chk_Data_Neg, {"0", "0", "0"}},
    {Tick::Chk_Sprocket_Pos, {"1", "1", "0"}},
    {Tick::Chk_Sprocket_Neg, {"0", "0", "1"}},
    {Tick::Chk_RunStop_Pos, {"1", "1", "0"}},
    {Tick::Chk_RunStop_Neg, {"0", "0", "1"}},
    {Tick::Chk_Async, {"0", "0", "1"}},
    {Tick::Chk_ready_pos, {"1", "1", "0"}},
    {Tick::Chk_ready_neg, {"0", "0", "1"}},
    {&ConfigModel::Rapid_rate_txt, {"12000", "15000", "10000"}},
};

}  // namespace

void apply_preset(ConfigModel& model, Preset preset) {
    const auto column = static_cast<std::size_t>(preset);
    for (const Row& row : preset_rows) {
        const std::string value = row.values[column];
        if (const auto* text = std::get_if<std::string ConfigModel::*>(&row.control))
            model.*(*text) = value;
        else
            model.set_ticked(std::get<Tick>(row.control), value == "1");
    }
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
