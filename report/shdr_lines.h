// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SHDR text an MTConnect agent reads from an adapter: one line per
// moment, "timestamp|key|value|key|value...", a condition on a line of its
// own ("timestamp|key|level|native code|severity|qualifier|text"), and the
// heartbeat "* PING" answered "* PONG <ms>". Pure text, tested as tables.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "report/machine_report.h"

namespace feedrite {

/// How often the agent is told to ping; it drops the adapter after twice that.
inline constexpr int shdr_heartbeat_ms = 10000;

/// "2026-12-07T05:01:02.345Z".
[[nodiscard]] std::string shdr_timestamp(std::chrono::system_clock::time_point when);

/// A value as one SHDR field: UTF-8, no "|" (it separates fields: "/"
/// stands for it) and no control character (a blank does).
[[nodiscard]] std::string shdr_field(std::string_view text);

/// The lines for the items `send` marks, stamped `timestamp`; empty when
/// none is marked. Values first on one line, then a line per condition.
[[nodiscard]] std::string shdr_lines(const ReportItems& items,
                                     const std::array<bool, report_item_count>& send,
                                     std::string_view timestamp);

/// The answer to one line an agent sent: "* PONG <ms>" to "* PING", nothing
/// to anything else. Nothing the agent sends does more than this.
[[nodiscard]] std::optional<std::string> shdr_answer(std::string_view line);

}  // namespace feedrite
