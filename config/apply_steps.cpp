// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/apply_steps.h"

#include "base/limits.h"
#include "base/number_text.h"
#include "config/entry_rules.h"
#include "config/port_settings_reader.h"
#include "config/settings_paths.h"
#include "config/settings_table.h"
#include "config/settings_writer.h"

namespace feedrite {

void keep_up(ConfigModel& model) {
    if (!model.ticked(Tick::chk_EIA)) {
        bool any_eob = false;
        for (Tick box : eob_boxes) any_eob = any_eob || model.ticked(box);
        if (!any_eob) model.set_ticked(Tick::chk_LFCR, true);
    }
    if (!model.ticked(Tick::chk_even) && !model.ticked(Tick::chk_EIA))
        model.set_ticked(Tick::chk_even, true);
    model.CPS_txt = speed_display(model.ticked(Tick::Chk_Async), model.Data_on_txt,
                                  model.Sprocket_on_txt, model.Data_off_txt);
}

std::optional<MillisecondTimes> checked_times(const ConfigModel& model, Host& host) {
    // A typed address is judged by the text as it stands: the value kept while
    // typing lags behind a box that was cleared or edited.
    const bool typed = model.address_txt_enabled;
    if (typed ? !typed_port_address(model.address_txt) : model.address == 0) {
        host.message_box(std::string("Selected port address is invalid\nChoose a different port") +
                             (typed ? "\n" + typed_address_rule() : std::string()),
                         "Port selection error", MessageIcon::Exclamation, MessageButtons::Ok);
        return std::nullopt;
    }
    MillisecondTimes times;
    times.data_on = read_number_or_zero(model.Data_on_txt);
    times.sprocket_on = read_number_or_zero(model.Sprocket_on_txt);
    times.overlap = read_number_or_zero(model.Sprocket_overlap_txt);
    times.data_off = read_number_or_zero(model.Data_off_txt);
    times.eob_delay = read_number_or_zero(model.EOB_delay_txt);
    // Above max_delay_ms a count may not fit the delay loop: such a time is
    // refused with the same message, naming the limit.
    const std::string limit = "\n(at most " + format_number(max_delay_ms).substr(1) + " ms)";
    const struct {
        double ms;
        bool wrong;
        const char* text;
    } checks[] = {
        {times.sprocket_on, times.sprocket_on <= 0, "Invalid entry for sprocket on time"},
        {times.data_on, !model.ticked(Tick::Chk_Async) && times.data_on <= times.sprocket_on,
         "Invalid entry for data on time"},
        {times.overlap, times.overlap <= 0, "Invalid entry for sprocket/data overlap"},
        {times.data_off, times.data_off < 0, "Invalid entry for data off time"},
        {times.eob_delay, times.eob_delay < 0, "Invalid entry for delay between blocks"},
    };
    for (const auto& check : checks) {
        const bool too_long = !(check.ms <= max_delay_ms);
        if (!check.wrong && !too_long) continue;
        host.message_box(check.text + (too_long && !check.wrong ? limit : std::string()),
                         "Entry error", MessageIcon::Exclamation, MessageButtons::Ok);
        return std::nullopt;
    }
    // Our own lines after the described ones: a bad one would end the
    // reading there, and the lines after it would be lost without a word.
    const std::pair<const char*, const char*> ours[] = {
        {"Rapid traverse", "rapid traverse rate"},
        {"Acceleration", "acceleration (mm/s\xb2 of X Y Z, blank between, 0 or more)"},
        {"Read ahead", "blocks the control reads ahead (1 to 99)"},
        {"Wait mark", "the shortest stop marked (0 to 60 s)"},
    };
    for (const auto& [name, what] : ours) {
        const SettingsRow& row = *row_named(name);
        if (line_is_good(row, line_of(row, model))) continue;
        host.message_box(std::string("Invalid entry for ") + what, "Entry error",
                         MessageIcon::Exclamation, MessageButtons::Ok);
        return std::nullopt;
    }
    return times;
}

std::string selected_device(const ConfigModel& model) {
    const int index = model.IO_device_index;
    const bool listed = index >= 0 && index < static_cast<int>(model.IO_device_lst.size());
    return listed ? model.IO_device_lst[std::size_t(index)] : std::string(default_device_name);
}

bool save_applied(ConfigModel& model, const MillisecondTimes& times, std::int32_t rate,
                  const std::string& program_dir, Host& host) {
    const LoopCounts counts = loop_counts(times, rate);
    model.delay1 = counts.delay1;
    model.delay2 = counts.delay2;
    model.delay3 = counts.delay3;
    model.delay4 = counts.delay4;
    model.delay5 = counts.delay5;
    if (model.address_txt_enabled)
        if (const auto typed = typed_port_address(model.address_txt)) model.address = float(*typed);
    return saveit(model, settings_path(program_dir, selected_device(model)), program_dir, host);
}

}  // namespace feedrite
