// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the shop sees of one machine: a plain snapshot of the run, made by
// the run's side and handed to the reporter, and the items it is sent as.
// The same item keys name the MQTT topics and the SHDR data items.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace feedrite {

/// The run state, in MTConnect's execution words.
enum class Execution : std::uint8_t {
    Unavailable,  ///< nothing known yet (loading, or a load that failed)
    Ready,        ///< at the start point, waiting for the control
    Active,       ///< the control reads
    Interrupted,  ///< edit mode stopped the tape
    FeedHold,     ///< the control stopped mid-program
    Stopped,      ///< the run ended: a failure, a binary file sent, the window closing
};

/// A condition's level, in MTConnect's words.
enum class Level : std::uint8_t { Unavailable, Normal, Warning, Fault };

struct MachineReport {
    bool available = false;
    Execution execution = Execution::Unavailable;
    std::string device;  ///< the BTR device's name
    std::string program;
    std::string program_sha256;  ///< lower-case hex; empty until known
    std::int64_t line = 0;       ///< 1-based line of the block being sent; 0 for none
    std::string block;           ///< that block's text (8-bit, as the file holds it)
    std::int64_t cycles = 0;
    std::optional<double> last_cycle, time_left;  ///< seconds
    std::optional<double> waits;                  ///< the model's waits for the tape, seconds
    std::int64_t wait_blocks = 0;
    Level port = Level::Unavailable;
    std::string port_text;  ///< the port's fault or warning, one line
    bool realtime = false;  ///< the sending thread holds real-time priority

    bool operator==(const MachineReport&) const = default;
};

/// What kind of value an item holds, for each protocol's form of it.
enum class ItemKind : std::uint8_t { Text, Number, Condition };

/// One reported value. `value` is the text form (a number's digits, a
/// condition's level); "UNAVAILABLE" where nothing is known.
struct ReportItem {
    std::string_view key;
    ItemKind kind = ItemKind::Text;
    std::string value;
    std::string message;  ///< a condition's text

    bool operator==(const ReportItem&) const = default;
};

inline constexpr std::size_t report_item_count = 14;
using ReportItems = std::array<ReportItem, report_item_count>;

inline constexpr std::string_view unavailable_text = "UNAVAILABLE";

/// The items of a snapshot, always the same keys in the same order.
[[nodiscard]] ReportItems report_items(const MachineReport& report);

[[nodiscard]] std::string_view execution_text(Execution execution);
[[nodiscard]] std::string_view level_text(Level level);

}  // namespace feedrite
