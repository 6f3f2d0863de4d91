#include "config/port_settings_reader.h"

#include <optional>

#include "config/device_timing.h"
#include "config/number_text.h"
#include "config/settings_lines.h"

namespace feedrite {
namespace {

std::optional<std::int32_t> rounded32(std::optional<double> value) {
    return value ? round_to_int32(*value) : std::nullopt;
}

// Lines 1 to 6: port choice and the five loop counts.
bool read_port_and_delays(SettingsLines& in, PortSettings& s) {
    if (!take(in.number(), s.BTRportnumber)) return false;
    s.BTRportnumber += 1;
    for (double* delay : {&s.BTRdelay1, &s.BTRdelay2, &s.BTRdelay3, &s.BTRdelay4, &s.BTRdelay5})
        if (!take(in.number(), *delay)) return false;
    return true;
}

// Lines 7 to 10 and 17 hold the milliseconds as typed: the delays' set times.
bool read_set_time(SettingsLines& in, PortSettings& s, DelayKind kind) {
    const auto line = in.text();
    if (!line) return false;
    s.delay_ms[static_cast<std::size_t>(kind)] = typed_milliseconds(*line);
    return true;
}

bool read_set_times(SettingsLines& in, PortSettings& s) {
    for (DelayKind kind :
         {DelayKind::data_on, DelayKind::sprocket_on, DelayKind::overlap, DelayKind::data_off})
        if (!read_set_time(in, s, kind)) return false;
    return true;
}

// Lines 11 to 15: address, leader, trailer, code, end of block.
bool read_address_to_eob(SettingsLines& in, PortSettings& s) {
    if (!take(rounded32(in.number()), s.BTRaddress)) return false;
    if (!take(in.text(), s.BTRleader) || !take(in.text(), s.BTRtrailer)) return false;
    if (!take(in.whole_number(), s.BTRcode)) return false;
    const auto eob = in.whole_number();
    if (!eob) return false;
    s.BTReob = eob_characters(*eob);
    return true;
}

// Lines 16 to 23: speed text, reset, mask, format and the three options.
bool read_texts_and_options(SettingsLines& in, PortSettings& s, bool& calls) {
    if (!take(in.text(), s.BTRcps) || !read_set_time(in, s, DelayKind::between_blocks))
        return false;
    if (!take(in.text(), s.BTRreset) || !take(in.text(), s.BTRmask) ||
        !take(in.text(), s.BTRformat))
        return false;
    const auto use_calls = in.number(), mask_comments = in.number(), auto_format = in.number();
    if (!use_calls || !mask_comments || !auto_format) return false;
    calls = *use_calls == 1;
    s.BTRmaskcomments = *mask_comments == 1;
    if (*auto_format == 0) s.BTRformat.clear();
    return true;
}

// Lines 24 to 31; the first gap ends them, keeping what was read so far.
void read_optional(SettingsLines& in, PortSettings& s) {
    for (bool* logic : {&s.Data_logic, &s.Sprocket_logic, &s.RunStop_logic, &s.Ready_logic}) {
        const auto value = in.number();
        if (!value) return;
        *logic = *value != 0;
    }
    const auto async = in.number();
    if (!async) return;
    s.Remex_async = *async == 1;
    if (!take(in.text(), s.Replace_text) || !take(in.text(), s.Replace_with_text)) return;
    if (const auto spool = in.number()) s.Send_long_file = *spool != 0;
}

}  // namespace

bool read_port_settings(const std::string& path, PortSettings& record, bool& useCALLs) {
    SettingsLines in;
    if (!in.open(path)) return false;
    PortSettings s;  // starts with the defaults of the optional lines
    bool calls = false;
    if (!read_port_and_delays(in, s) || !read_set_times(in, s) || !read_address_to_eob(in, s) ||
        !read_texts_and_options(in, s, calls))
        return false;
    read_optional(in, s);
    s.delay_ms[static_cast<std::size_t>(DelayKind::rest_of_data_on)] =
        rest_of_data_on(s.set_ms(DelayKind::data_on), s.set_ms(DelayKind::sprocket_on),
                        s.set_ms(DelayKind::overlap));
    record = s;
    useCALLs = calls;
    return true;
}

}  // namespace feedrite
