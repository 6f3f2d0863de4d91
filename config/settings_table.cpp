// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

#include "base/limits.h"
#include "base/number_text.h"
#include "config/device_timing.h"
#include "config/entry_rules.h"
#include "config/port_settings_reader.h"
#include "config/settings_loader.h"

namespace feedrite {
namespace {

using K = LineKind;
using M = ConfigModel;
using P = PortSettings;

// clang-format off
const SettingsRow rows[] = {
    {.line = 1, .name = "Port", .kind = K::Port, .fallback = "0", .count = &P::BTRportnumber},
    {.line = 2, .name = "Data on loops", .kind = K::Count, .box_count = &M::delay1, .count = &P::BTRdelay1},
    {.line = 3, .name = "Sprocket on loops", .kind = K::Count, .box_count = &M::delay2, .count = &P::BTRdelay2},
    {.line = 4, .name = "Overlap loops", .kind = K::Count, .box_count = &M::delay3, .count = &P::BTRdelay3},
    {.line = 5, .name = "Data off loops", .kind = K::Count, .box_count = &M::delay4, .count = &P::BTRdelay4},
    {.line = 6, .name = "Block delay loops", .kind = K::Count, .box_count = &M::delay5, .count = &P::BTRdelay5},
    {.line = 7, .name = "Data on", .kind = K::Time, .fallback = "3.33", .box_text = &M::Data_on_txt, .delay = DelayKind::data_on},
    {.line = 8, .name = "Sprocket on", .kind = K::Time, .fallback = "2.2", .box_text = &M::Sprocket_on_txt, .delay = DelayKind::sprocket_on},
    {.line = 9, .name = "Overlap", .kind = K::Time, .fallback = ".565", .box_text = &M::Sprocket_overlap_txt, .delay = DelayKind::overlap},
    {.line = 10, .name = "Data off", .kind = K::Time, .fallback = "0", .box_text = &M::Data_off_txt, .delay = DelayKind::data_off},
    {.line = 11, .name = "Address", .kind = K::Address},
    {.line = 12, .name = "Leader", .kind = K::Text, .fallback = "%LF", .box_text = &M::leader_txt, .text = &P::BTRleader},
    {.line = 13, .name = "Trailer", .kind = K::Text, .fallback = "%", .box_text = &M::Trailer_txt, .text = &P::BTRtrailer},
    {.line = 14, .name = "Code", .kind = K::Code, .fallback = "0"},
    {.line = 15, .name = "End of block", .kind = K::Eob, .fallback = "0"},
    {.line = 16, .name = "Speed", .kind = K::Speed, .fallback = "300", .box_text = &M::CPS_txt},
    {.line = 17, .name = "Block delay", .kind = K::Time, .fallback = "0", .box_text = &M::EOB_delay_txt, .delay = DelayKind::between_blocks},
    {.line = 18, .name = "Reset on", .kind = K::Text, .fallback = "M30", .box_text = &M::Reset_on_txt, .text = &P::BTRreset},
    {.line = 19, .name = "Mask", .kind = K::Text, .fallback = "", .box_text = &M::mask_txt, .text = &P::BTRmask},
    {.line = 20, .name = "Format", .kind = K::Text, .fallback = "", .box_text = &M::format_txt, .text = &P::BTRformat},
    {.line = 21, .name = "CALL sub files", .kind = K::Flag, .fallback = "1", .box = Tick::Chk_calls, .flag = &P::use_calls},
    {.line = 22, .name = "Mask comments", .kind = K::Flag, .fallback = "0", .box = Tick::Chk_comments, .flag = &P::BTRmaskcomments},
    {.line = 23, .name = "Auto format", .kind = K::Format, .fallback = "0", .box = Tick::Chk_format, .flag = &P::format_applied},
    {.line = 24, .name = "Data polarity", .kind = K::Switch, .fallback = "1", .box = Tick::Chk_Data_Pos, .flag = &P::Data_logic},
    {.line = 25, .name = "Sprocket polarity", .kind = K::Switch, .fallback = "1", .box = Tick::Chk_Sprocket_Pos, .flag = &P::Sprocket_logic},
    {.line = 26, .name = "Run/stop polarity", .kind = K::Switch, .fallback = "1", .box = Tick::Chk_RunStop_Pos, .flag = &P::RunStop_logic},
    {.line = 27, .name = "Ready polarity", .kind = K::Switch, .fallback = "1", .box = Tick::Chk_ready_pos, .flag = &P::Ready_logic},
    {.line = 28, .name = "Async", .kind = K::Flag, .fallback = "0", .box = Tick::Chk_Async, .flag = &P::Remex_async},
    {.line = 29, .name = "Replace", .kind = K::Text, .fallback = "", .box_text = &M::Replace_txt, .text = &P::Replace_text},
    {.line = 30, .name = "Replace with", .kind = K::Text, .fallback = "", .box_text = &M::Replace_with_txt, .text = &P::Replace_with_text},
    {.line = 31, .name = "Spool from file", .kind = K::Switch, .fallback = "0", .box = Tick::Chk_long_files, .flag = &P::Send_long_file},
    {.line = 32, .name = "Rapid traverse", .kind = K::Rapid, .fallback = default_rapid_rate, .box_text = &M::Rapid_rate_txt},
    {.line = 33, .name = "Read ahead", .kind = K::Blocks, .fallback = "1", .box_text = &M::Read_ahead_txt, .count = &P::read_ahead_blocks},
    {.line = 34, .name = "Wait mark", .kind = K::Seconds, .fallback = "0.1", .box_text = &M::Wait_mark_txt, .count = &P::wait_mark_s},
    {.line = 35, .name = "Lathe per rev", .kind = K::Switch, .fallback = "1", .box = Tick::Chk_lathe_per_rev, .flag = &P::lathe_starts_per_revolution},
    {.line = 36, .name = "Acceleration", .kind = K::Axes, .fallback = "", .box_text = &M::Acceleration_txt},
};
// clang-format on

// A whole number in first..last after rounding halves to even.
std::optional<int> whole_in(std::string_view text, int first, int last) {
    const auto value = read_number(text);
    const auto whole = value ? round_to_int32(*value) : std::nullopt;
    if (!whole || *whole < first || *whole > last) return std::nullopt;
    return *whole;
}

bool number_in(std::string_view text, double first, double last) {
    const auto value = read_number(text);
    return value && *value >= first && *value <= last;
}

// Codes are read into 16 bits: a value beyond is no code at all.
std::optional<int> code_of(std::string_view text) {
    const auto value = read_number(text);
    const auto whole = value ? round_to_int16(*value) : std::nullopt;
    return whole ? std::optional<int>(*whole) : std::nullopt;
}

// The address is single precision: write the digits it holds (888.3), not
// those of its double widening (888.299987792969).
std::string format_single(float value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer - 1, value).ptr;
    *end = '\0';
    return format_number(std::strtod(buffer, nullptr));
}

// Line 15: with several boxes ticked (possible only under EIA) the last in
// code order wins; with none it is 0.
int eob_code(const ConfigModel& m) {
    int code = 0;
    for (std::size_t i = 0; i < eob_boxes.size(); ++i)
        if (m.ticked(eob_boxes[i])) code = static_cast<int>(i);
    return code;
}

std::string eob_characters(int code) {
    constexpr std::array<const char*, 4> ends = {"\n", "\r", "\n\r", "\r\n"};
    return code >= 0 && code <= 3 ? ends[static_cast<std::size_t>(code)] : "";
}

// Up to three numbers of at least 0, blank between; none when one is not.
std::optional<std::array<double, 3>> axes_of(std::string_view text) {
    std::array<double, 3> axes{};
    std::size_t at = 0;
    for (double& axis : axes) {
        at = text.find_first_not_of(' ', at);
        if (at == std::string_view::npos) return axes;
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const auto value = read_number(text.substr(at, end - at));
        if (!value || *value < 0) return std::nullopt;
        axis = *value;
        at = end;
    }
    return text.find_first_not_of(' ', at) == std::string_view::npos ? std::optional(axes)
                                                                     : std::nullopt;
}

bool flag_on(const SettingsRow& row, double value) {
    return row.kind == K::Flag ? value == 1 : value != 0;
}

}  // namespace

std::span<const SettingsRow> settings_rows() {
    return rows;
}

const SettingsRow* row_named(std::string_view name) {
    const auto* row = std::find_if(std::begin(rows), std::end(rows),
                                   [name](const SettingsRow& r) { return r.name == name; });
    return row == std::end(rows) ? nullptr : row;
}

bool line_is_good(const SettingsRow& row, std::string_view text) {
    switch (row.kind) {
        case K::Port:
            return whole_in(text, 0, LPT_other).has_value();
        case K::Count:
            return number_in(text, 0, max_loop_count);
        // A set time guards its delay by the clock: one beyond the limit Apply
        // keeps would hold a pulse for minutes.
        case K::Time:
            return typed_milliseconds(text).value_or(0) <= max_delay_ms;
        case K::Address:
            return whole_in(text, 0, max_port_address).has_value();
        case K::Code:
        case K::Eob: {
            const auto code = code_of(text);
            return code && *code >= 0 && *code <= 3;
        }
        case K::Rapid:
            return rapid_rate_of(text).has_value();
        case K::Blocks:
            return whole_in(text, 1, 99).has_value();
        case K::Seconds:
            return number_in(text, 0, 60);
        case K::Axes:
            return axes_of(text).has_value();
        case K::Flag:
        case K::Switch:
        case K::Format:
            return read_number(text).has_value();
        case K::Text:
        case K::Speed:
            return true;
    }
    return false;
}

std::optional<int> unknown_code(const SettingsRow& row, std::string_view text) {
    if (row.kind != K::Code && row.kind != K::Eob) return std::nullopt;
    const auto code = code_of(text);
    return code && (*code < 0 || *code > 3) ? code : std::nullopt;
}

void derive(const SettingsRow& row, std::string_view text, PortSettings& record) {
    const double number = read_number(text).value_or(0);
    switch (row.kind) {
        case K::Port:
            record.*row.count = whole_in(text, 0, LPT_other).value_or(0) + 1;
            break;
        case K::Count:
            record.*row.count = number;
            break;
        case K::Time:
            record.delay_ms[static_cast<std::size_t>(row.delay)] = typed_milliseconds(text);
            break;
        case K::Address:
            record.BTRaddress = round_to_int32(number).value_or(0);
            break;
        case K::Text:
            record.*row.text = text;
            break;
        case K::Speed:
            record.speed_cps = leading_number(text);
            break;
        case K::Code:
            record.BTRcode = static_cast<std::int16_t>(code_of(text).value_or(0));
            break;
        case K::Eob:
            record.BTReob = eob_characters(code_of(text).value_or(-1));
            break;
        case K::Flag:
        case K::Switch:
        case K::Format:
            record.*row.flag = flag_on(row, number);
            break;
        case K::Rapid:
            record.rapid_mm_per_min = rapid_rate_of(text).value_or(0);
            break;
        case K::Blocks:
            record.*row.count = whole_in(text, 1, 99).value_or(1);
            break;
        case K::Seconds:
            record.*row.count = number;
            break;
        case K::Axes:
            record.acceleration = axes_of(text).value_or(std::array<double, 3>{});
            break;
    }
}

void show_in(const SettingsRow& row, std::string_view text, ConfigModel& model) {
    const double number = read_number(text).value_or(0);
    switch (row.kind) {
        case K::Port:
            model.choose_port(whole_in(text, 0, LPT_other).value_or(0));
            break;
        case K::Count:
            model.*row.box_count = number;
            break;
        case K::Address:
            model.address = static_cast<float>(number);  // single precision, as the dialog keeps it
            model.address_txt = address_hex(model.address);
            break;
        case K::Code: {
            // Codes 1 and 2 have no box: the upkeep shows them as ASCII/ISO.
            const auto code = code_of(text);
            if (code == 0) model.set_ticked(Tick::chk_even, true);
            if (code == 3) model.set_ticked(Tick::chk_EIA, true);
            break;
        }
        case K::Eob:
            model.set_ticked(
                eob_boxes[static_cast<std::size_t>(std::clamp(code_of(text).value_or(0), 0, 3))],
                true);
            break;
        case K::Flag:
        case K::Format:
            model.set_ticked(row.box, number == 1);
            break;
        case K::Switch:
            model.set_ticked(row.box, number != 0);
            break;
        case K::Time:
        case K::Text:
        case K::Speed:
        case K::Rapid:
        case K::Blocks:
        case K::Seconds:
        case K::Axes:
            model.*row.box_text = text;
            break;
    }
}

std::string line_of(const SettingsRow& row, const ConfigModel& model) {
    switch (row.kind) {
        case K::Port:
            return format_number(model.LPT_index());
        case K::Count:
            return format_number(model.*row.box_count);
        case K::Address:
            return format_single(model.address);
        case K::Code:
            return format_number(model.ticked(Tick::chk_EIA) ? 3 : 0);
        case K::Eob:
            return format_number(eob_code(model));
        case K::Flag:
        case K::Switch:
        case K::Format: {
            const int on = model.ticked(row.box) ? 1 : 0;
            // The later lines came from a writer that prints a blank after the digit.
            return row.line <= required_lines ? format_number(on) : format_printed_integer(on);
        }
        case K::Time:
        case K::Text:
        case K::Speed:
        case K::Rapid:
        case K::Blocks:
        case K::Seconds:
        case K::Axes:
            return model.*row.box_text;
    }
    return {};
}

std::optional<double> leading_number(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const char c = text[first];
    if ((c < '0' || c > '9') && c != '.') return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + first, text.data() + text.size(), value);
    if (error != std::errc()) return std::nullopt;
    return value;
}

}  // namespace feedrite
