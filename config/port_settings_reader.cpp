// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/port_settings_reader.h"

#include <algorithm>

#include "base/limits.h"
#include "base/number_text.h"
#include "config/device_timing.h"
#include "config/entry_rules.h"
#include "config/parsit.h"
#include "config/settings_lines.h"

namespace feedrite {
namespace {

// A whole number in first..last after rounding halves to even.
std::optional<int> whole_in(std::optional<double> value, int first, int last) {
    const auto whole = value ? round_to_int32(*value) : std::nullopt;
    if (!whole || *whole < first || *whole > last) return std::nullopt;
    return *whole;
}

// Lines 1 to 23, each judged on its own: a bad one keeps the value `s` held
// and is noted in `bad` (1-based). An unknown code is also told by `result`.
void read_required(SettingsLines& in, StoredSettings& s, SettingsRead& result,
                   std::vector<int>& bad) {
    int line = 0;
    const auto judge = [&](bool good) {
        ++line;
        if (!good) bad.push_back(line);
    };
    const auto port = whole_in(in.number(), 0, 4);
    judge(port.has_value());
    if (port) s.port_index = *port;
    for (double& count : s.counts) {
        const auto value = in.number();
        const bool good = value && *value >= 0 && *value <= max_loop_count;
        judge(good);
        if (good) count = *value;
    }
    // A set time guards its delay by the clock: one beyond the limit Apply
    // keeps would hold a pulse for minutes.
    const auto time = [&](std::string& field) {
        const auto text = in.text();
        const bool good = text && typed_milliseconds(*text).value_or(0) <= max_delay_ms;
        judge(good);
        if (good) field = *text;
    };
    for (std::string& typed : s.typed) time(typed);
    const auto address = in.number();
    judge(address && whole_in(address, 0, max_port_address));
    if (bad.empty() || bad.back() != line) s.address = *address;
    for (std::string* text : {&s.leader, &s.trailer}) judge(take(in.text(), *text));
    for (auto [field, problem] : {std::pair{&s.code, SettingsProblem::UnknownCode},
                                  std::pair{&s.eob, SettingsProblem::UnknownEob}}) {
        const auto value = in.whole_number();
        const bool known = value && *value >= 0 && *value <= 3;
        judge(known);
        if (known) *field = *value;
        if (value && !known && result.problem == SettingsProblem::Unreadable)
            result.problem = problem, result.value = *value;
    }
    judge(take(in.text(), s.cps));
    time(s.eob_delay);
    for (std::string* text : {&s.reset, &s.mask, &s.format}) judge(take(in.text(), *text));
    for (bool* option : {&s.calls, &s.mask_comments, &s.auto_format}) {
        const auto value = in.number();
        judge(value.has_value());
        if (value) *option = *value == 1;
        if (value && option == &s.auto_format) s.keep_format = *value != 0;
    }
}

// The first gap ends them, keeping what was read so far.
void read_optional(SettingsLines& in, StoredSettings& s) {
    for (bool& positive : s.positive) {
        const auto value = in.number();
        if (!value) return;
        positive = *value != 0;
    }
    const auto async = in.number();
    if (!async) return;
    s.async = *async == 1;
    if (!take(in.text(), s.replace) || !take(in.text(), s.replace_with)) return;
    const auto spool = in.number();
    if (!spool) return;
    s.spool = *spool != 0;
    if (const auto rapid = in.text(); rapid && rapid_rate_of(*rapid)) s.rapid = *rapid;
}

}  // namespace

SettingsRead read_settings_file(const std::string& path) {
    SettingsRead result;
    SettingsLines in;
    StoredSettings s;
    std::vector<int> bad;
    if (!in.open(path)) {
        result.error = in.error();
        return result;
    }
    read_required(in, s, result, bad);
    // The first bad line refuses the file; an unknown code only when it is that line.
    if (!bad.empty()) {
        result.bad_line = bad.front();
        if (bad.front() != 14 && bad.front() != 15) result.problem = SettingsProblem::Unreadable;
        return result;
    }
    read_optional(in, s);
    result.settings = std::move(s);
    return result;
}

LenientRead read_settings_leniently(const std::string& path, StoredSettings defaults) {
    LenientRead result;
    SettingsLines in;
    if (!in.open(path)) return result;
    SettingsRead ignored;
    read_required(in, defaults, ignored, result.bad_lines);
    read_optional(in, defaults);
    result.settings = std::move(defaults);
    return result;
}

PortSettings port_settings_from(const StoredSettings& stored) {
    PortSettings s;
    s.BTRportnumber = stored.port_index + 1;
    s.BTRdelay1 = stored.counts[0];
    s.BTRdelay2 = stored.counts[1];
    s.BTRdelay3 = stored.counts[2];
    s.BTRdelay4 = stored.counts[3];
    s.BTRdelay5 = stored.counts[4];
    // The set times, as typed, guard the counted delays by the clock.
    const DelayKind typed[] = {DelayKind::data_on, DelayKind::sprocket_on, DelayKind::overlap,
                               DelayKind::data_off};
    for (std::size_t i = 0; i < stored.typed.size(); ++i)
        s.delay_ms[static_cast<std::size_t>(typed[i])] = typed_milliseconds(stored.typed[i]);
    s.delay_ms[static_cast<std::size_t>(DelayKind::between_blocks)] =
        typed_milliseconds(stored.eob_delay);
    s.delay_ms[static_cast<std::size_t>(DelayKind::rest_of_data_on)] =
        rest_of_data_on(s.set_ms(DelayKind::data_on), s.set_ms(DelayKind::sprocket_on),
                        s.set_ms(DelayKind::overlap));
    s.BTRaddress = round_to_int32(stored.address).value_or(0);
    s.BTRleader = stored.leader;
    s.BTRtrailer = stored.trailer;
    s.BTRcode = stored.code;
    s.BTReob = eob_characters(stored.eob);
    s.BTRcps = stored.cps;
    s.BTRreset = stored.reset;
    s.BTRmask = stored.mask;
    s.BTRformat = stored.keep_format ? stored.format : std::string();
    s.BTRmaskcomments = stored.mask_comments;
    s.Data_logic = stored.positive[0];
    s.Sprocket_logic = stored.positive[1];
    s.RunStop_logic = stored.positive[2];
    s.Ready_logic = stored.positive[3];
    s.Remex_async = stored.async;
    s.Replace_text = stored.replace;
    s.Replace_with_text = stored.replace_with;
    s.Send_long_file = stored.spool;
    s.rapid_mm_per_min = rapid_rate_of(stored.rapid).value_or(0);
    s.BTRdelay6 = std::max(0.0, s.BTRdelay1 - s.BTRdelay2 - s.BTRdelay3);
    s.leader_sent = parsit(s.BTRleader, s.BTRcode);
    s.trailer_sent = parsit(s.BTRtrailer, s.BTRcode);
    s.replace_with_sent = parsit(s.Replace_with_text, s.BTRcode);
    return s;
}

bool read_port_settings(const std::string& path, PortSettings& record, bool& useCALLs) {
    const SettingsRead read = read_settings_file(path);
    if (!read.settings) return false;
    record = port_settings_from(*read.settings);
    useCALLs = read.settings->calls;
    return true;
}

}  // namespace feedrite
