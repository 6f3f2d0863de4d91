#include "config/settings_loader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <utility>

#include "config/number_text.h"
#include "config/settings_lines.h"

namespace feedrite {
namespace {

bool take_texts(SettingsLines& in, std::initializer_list<std::string*> boxes) {
    for (std::string* box : boxes)
        if (!take(in.text(), *box)) return false;
    return true;
}

// Line 1. The port list's reaction opens the address box for "Other!" only.
bool load_port(SettingsLines& in, ConfigModel& m) {
    const auto index = in.whole_number();
    return index && m.choose_port(*index);
}

// Lines 2 to 10: loop counts, then the milliseconds as typed.
bool load_delays(SettingsLines& in, ConfigModel& m) {
    for (double* delay : {&m.delay1, &m.delay2, &m.delay3, &m.delay4, &m.delay5})
        if (!take(in.number(), *delay)) return false;
    return take_texts(
        in, {&m.Data_on_txt, &m.Sprocket_on_txt, &m.Sprocket_overlap_txt, &m.Data_off_txt});
}

// Line 11; the address is single precision, as the dialog keeps it.
bool load_address(SettingsLines& in, ConfigModel& m) {
    const auto value = in.number();
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return false;
    const std::string hex = address_hex(static_cast<float>(*value));
    if (hex.empty()) return false;
    m.address = static_cast<float>(*value);
    m.address_txt = hex;
    return true;
}

// Lines 14 and 15. Codes that name no box tick none.
bool load_code_and_eob(SettingsLines& in, ConfigModel& m) {
    const auto code = in.whole_number();
    if (!code) return false;
    if (*code == 0) m.set_ticked(Tick::chk_even, true);
    if (*code == 3) m.set_ticked(Tick::chk_EIA, true);
    const auto eob = in.whole_number();
    if (!eob) return false;
    if (*eob >= 0 && *eob < static_cast<int>(eob_boxes.size())) m.set_ticked(eob_boxes[*eob], true);
    return true;
}

// Lines 21 to 23.
bool load_options(SettingsLines& in, ConfigModel& m) {
    for (const Tick box : {Tick::Chk_calls, Tick::Chk_comments, Tick::Chk_format}) {
        const auto value = in.number();
        if (!value) return false;
        m.set_ticked(box, *value == 1);
    }
    return true;
}

bool load_required(SettingsLines& in, ConfigModel& m) {
    return load_port(in, m) && load_delays(in, m) && load_address(in, m) &&
           take_texts(in, {&m.leader_txt, &m.Trailer_txt}) && load_code_and_eob(in, m) &&
           take_texts(
               in, {&m.CPS_txt, &m.EOB_delay_txt, &m.Reset_on_txt, &m.mask_txt, &m.format_txt}) &&
           load_options(in, m);
}

// Lines 24 to 31; the first gap ends them.
void load_optional(SettingsLines& in, ConfigModel& m) {
    for (const auto& pair : polarity_pairs) {
        const auto value = in.number();
        if (!value) return;
        if (*value == 0) m.set_ticked(pair.second, true);
    }
    const auto async = in.number();
    if (!async) return;
    m.set_ticked(Tick::Chk_Async, *async == 1);
    if (!take_texts(in, {&m.Replace_txt, &m.Replace_with_txt})) return;
    // A box holds only 0 or 1: any other state is rejected and the box stays
    // clear, as the optional defaults left it.
    if (const auto spool = in.whole_number()) m.set_ticked(Tick::Chk_long_files, *spool == 1);
}

}  // namespace

void set_optional_defaults(ConfigModel& model) {
    for (const auto& pair : polarity_pairs) model.set_ticked(pair.first, true);
    model.set_ticked(Tick::Chk_Async, false);
    model.Replace_txt.clear();
    model.Replace_with_txt.clear();
    model.set_ticked(Tick::Chk_long_files, false);
}

bool load_settings(ConfigModel& model, const std::string& path, Host& host) {
    set_optional_defaults(model);
    SettingsLines in;
    if (in.open(path) && load_required(in, model)) {
        load_optional(in, model);
        return true;
    }
    host.message_box("Unable to read from file\n" + path + "\nUsing default BTR port configuration",
                     "File read error", MessageIcon::Exclamation, MessageButtons::Ok);
    default_settings(model);
    return false;
}

// The order matters: each box's reaction sees the boxes set before it.
void default_settings(ConfigModel& model) {
    model.choose_port(0);
    model.leader_txt = "%LF";
    // One-character texts are moved in whole: GCC 12 at -O3 misreads the
    // copy of a one-byte literal as overlapping (-Wrestrict).
    model.Trailer_txt = std::string("%");
    model.set_ticked(Tick::chk_even, true);
    model.set_ticked(Tick::chk_EIA, false);
    model.set_ticked(Tick::chk_LF, true);
    for (const Tick box : {Tick::chk_LFCR, Tick::chk_CRLF, Tick::chk_CR})
        model.set_ticked(box, false);
    model.Data_on_txt = "3.33";
    model.Sprocket_on_txt = "2.2";
    model.Sprocket_overlap_txt = ".565";
    model.Data_off_txt = std::string("0");
    model.EOB_delay_txt = std::string("0");
    model.CPS_txt = "300";
    model.Reset_on_txt = "M30";
    model.mask_txt.clear();
    model.format_txt.clear();
    model.set_ticked(Tick::Chk_calls, true);
    model.set_ticked(Tick::Chk_comments, false);
    model.set_ticked(Tick::Chk_format, false);
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
