// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One device's port settings as the send driver reads them from its settings
// file and the transmission engine uses them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace feedrite {

/// The code sets of `BTRcode`.
enum CodeSet : int { ISO_even = 0, odd_parity = 1, seven_bit = 2, EIA_RS244 = 3 };

/// The six delays, in the order of their loop counts BTRdelay1 .. BTRdelay6.
enum class DelayKind { data_on, sprocket_on, overlap, data_off, between_blocks, rest_of_data_on };
inline constexpr int delay_kind_count = 6;

struct PortSettings {
    double BTRportnumber = 0;  ///< 1 LPT1 .. 4 LPT4, 5 other
    std::int32_t BTRaddress = 0;
    std::int16_t BTRcode = 0;  ///< 0 ISO even parity, 1 odd, 2 seven bits, 3 EIA
    // Loop counts: data on, sprocket on, overlap, data off, between blocks, and
    // the rest of the data-on time (derived by the reader).
    double BTRdelay1 = 0, BTRdelay2 = 0, BTRdelay3 = 0, BTRdelay4 = 0, BTRdelay5 = 0, BTRdelay6 = 0;
    /// The set time of each delay in ms, by DelayKind, from the millisecond
    /// lines as typed; empty where a line holds no time (that delay has no
    /// clock guard). The rest of the data-on time is derived.
    std::array<std::optional<double>, delay_kind_count> delay_ms{};
    std::string BTRleader, BTRtrailer;
    std::string BTReob;  ///< the end-of-block characters themselves
    /// Characters per second: the number the speed line starts with; none
    /// when it starts with no number.
    std::optional<double> speed_cps;
    std::string BTRreset, BTRmask;
    /// The format string; empty unless line 23 applies it.
    std::string BTRformat;
    bool format_applied = false;  ///< line 23 not 0, also where the dialog's box is clear
    bool use_calls = false;       ///< CALL lines send their sub files
    bool BTRmaskcomments = false;
    bool Data_logic = true, Sprocket_logic = true, RunStop_logic = true, Ready_logic = true;
    bool Remex_async = false;
    std::string Replace_text;
    /// As stored in the file.
    std::string Replace_with_text;
    /// The leader, trailer and replacement as sent: their control-code words
    /// expanded (`parsit`) by the reader under `BTRcode`.
    std::string leader_sent, trailer_sent, replace_with_sent;
    bool Send_long_file = false;
    /// The machine's rapid traverse rate in mm/min, for the machining time.
    double rapid_mm_per_min = 0;
    /// The control's buffer: the blocks it reads ahead of the one it runs.
    double read_ahead_blocks = 1;
    /// Stops in the cut shorter than this (s) are not marked.
    double wait_mark_s = 0.1;
    /// A lathe control starts in feed per revolution (G99), not per minute.
    bool lathe_starts_per_revolution = true;
    /// The most each axis X Y Z accelerates, mm/s^2; 0 where not known.
    std::array<double, 3> acceleration{};

    [[nodiscard]] double count(DelayKind kind) const {
        const double counts[] = {BTRdelay1, BTRdelay2, BTRdelay3, BTRdelay4, BTRdelay5, BTRdelay6};
        return counts[static_cast<int>(kind)];
    }
    [[nodiscard]] std::optional<double> set_ms(DelayKind kind) const {
        return delay_ms[static_cast<std::size_t>(kind)];
    }
};

/// Data on minus sprocket on minus overlap, never below 0; empty when one
/// of them is unknown.
[[nodiscard]] inline std::optional<double> rest_of_data_on(std::optional<double> data_on,
                                                           std::optional<double> sprocket_on,
                                                           std::optional<double> overlap) {
    if (!data_on || !sprocket_on || !overlap) return std::nullopt;
    const double rest = *data_on - *sprocket_on - *overlap;
    return rest > 0 ? rest : 0.0;
}

}  // namespace feedrite
