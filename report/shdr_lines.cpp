// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/shdr_lines.h"

#include <ctime>

namespace feedrite {

std::string shdr_timestamp(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>(ms % 1000));
    return std::string(text, length) + fraction;
}

std::string shdr_field(std::string_view text) {
    std::string field;
    field.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '|')
            field += '/';
        else if (u < 0x20 || u == 0x7F)
            field += ' ';
        else
            field += c;
    }
    return field;
}

std::string shdr_lines(const ReportItems& items, const std::array<bool, report_item_count>& send,
                       std::string_view timestamp) {
    std::string values, conditions;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!send[i]) continue;
        const ReportItem& item = items[i];
        if (item.kind == ItemKind::Condition) {
            conditions += std::string(timestamp) + '|' + std::string(item.key) + '|' + item.value +
                          "||||" + shdr_field(item.message) + '\n';
        } else {
            values += '|' + std::string(item.key) + '|' + shdr_field(item.value);
        }
    }
    if (!values.empty()) values = std::string(timestamp) + values + '\n';
    return values + conditions;
}

std::optional<std::string> shdr_answer(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line != "* PING") return std::nullopt;
    return "* PONG " + std::to_string(shdr_heartbeat_ms) + '\n';
}

}  // namespace feedrite
