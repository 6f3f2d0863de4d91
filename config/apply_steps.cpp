#include "config/apply_steps.h"

#include "config/entry_rules.h"
#include "config/number_text.h"
#include "config/settings_paths.h"
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
    const auto refuse = [&host](const char* text) -> std::optional<MillisecondTimes> {
        host.message_box(text, "Entry error", MessageIcon::Exclamation, MessageButtons::Ok);
        return std::nullopt;
    };
    MillisecondTimes times;
    times.data_on = read_number_or_zero(model.Data_on_txt);
    times.sprocket_on = read_number_or_zero(model.Sprocket_on_txt);
    times.overlap = read_number_or_zero(model.Sprocket_overlap_txt);
    times.data_off = read_number_or_zero(model.Data_off_txt);
    times.eob_delay = read_number_or_zero(model.EOB_delay_txt);
    if (times.sprocket_on <= 0) return refuse("Invalid entry for sprocket on time");
    if (!model.ticked(Tick::Chk_Async) && times.data_on <= times.sprocket_on)
        return refuse("Invalid entry for data on time");
    if (times.overlap <= 0) return refuse("Invalid entry for sprocket/data overlap");
    if (times.data_off < 0) return refuse("Invalid entry for data off time");
    if (times.eob_delay < 0) return refuse("Invalid entry for delay between blocks");
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
