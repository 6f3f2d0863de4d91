// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/machine_report.h"

#include <cmath>

#include "base/display_text.h"
#include "base/json_codec.h"

namespace feedrite {

// Indexed by the enums' values, in their order.
std::string_view execution_text(Execution execution) {
    static constexpr std::string_view words[] = {unavailable_text, "READY",     "ACTIVE",
                                                 "INTERRUPTED",    "FEED_HOLD", "STOPPED"};
    return words[static_cast<std::size_t>(execution)];
}

std::string_view level_text(Level level) {
    static constexpr std::string_view words[] = {unavailable_text, "NORMAL", "WARNING", "FAULT"};
    return words[static_cast<std::size_t>(level)];
}

namespace {

std::string latin1_to_utf8(std::string_view text) {
    std::string utf8;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (u >> 6));
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return utf8;
}

// File and device names come in the locale's UTF-8 or as Latin-1 bytes.
std::string utf8_name(std::string_view text) {
    return reads_as_utf8(text) ? std::string(text) : latin1_to_utf8(text);
}

ReportItem text(std::string_view key, std::string value) {
    return {
        key, ItemKind::Text, value.empty() ? std::string(unavailable_text) : std::move(value), {}};
}

ReportItem count(std::string_view key, std::int64_t value) {
    return {key, ItemKind::Number, std::to_string(value), {}};
}

// Seconds to the tenth: a dashboard needs no more, and fewer digits change.
ReportItem seconds(std::string_view key, const std::optional<double>& value) {
    if (!value || !std::isfinite(*value))
        return {key, ItemKind::Number, std::string(unavailable_text), {}};
    return {key, ItemKind::Number, json_number(std::round(*value * 10) / 10), {}};
}

}  // namespace

ReportItems report_items(const MachineReport& r) {
    return {
        text("avail", r.available ? "AVAILABLE" : ""),
        text("execution", std::string(execution_text(r.execution))),
        text("device", utf8_name(r.device)),
        text("program", utf8_name(r.program)),
        text("program_sha256", r.program_sha256),
        r.line > 0 ? count("line", r.line) : text("line", ""),
        text("block", latin1_to_utf8(r.block)),
        count("part_count", r.cycles),
        seconds("last_cycle_time", r.last_cycle),
        seconds("time_left", r.time_left),
        seconds("waits", r.waits),
        count("wait_blocks", r.wait_blocks),
        {"port", ItemKind::Condition, std::string(level_text(r.port)), utf8_name(r.port_text)},
        text("realtime", r.realtime ? "ON" : "OFF"),
    };
}

}  // namespace feedrite
