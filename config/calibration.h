// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The loop counts: the millisecond settings become counts of busy-wait
// passes for this PC, at the rate the speed test found (btr/speed_test).

#include <cstdint>
#include <string>
#include <string_view>

namespace feedrite {

/// The five times of a device in milliseconds, as typed.
struct MillisecondTimes {
    double data_on = 0, sprocket_on = 0, overlap = 0, data_off = 0, eob_delay = 0;
};

/// Loop counts for lines 2 to 6 of a settings file.
struct LoopCounts {
    double delay1 = 0, delay2 = 0, delay3 = 0, delay4 = 0, delay5 = 0;
    friend bool operator==(const LoopCounts&, const LoopCounts&) = default;
};

/// How much longer than set the counted passes of a delay are meant to last.
/// The clock guard makes up any shortfall, so the counts aim at the set time
/// itself: a count that errs long only slows the tape.
inline constexpr double timing_margin = 1.0;

/// Passes of the engine's delay loop per second, from the best count of the
/// test's counting loop in one second.
[[nodiscard]] std::int32_t calibrated_rate(std::int32_t best);

/// The counts for `times` at `rate`. Every time but the two optional ones
/// gets at least one pass; a zero data-off time or block delay gives none.
[[nodiscard]] LoopCounts loop_counts(const MillisecondTimes& times, std::int32_t rate);

/// The speed display of the configuration dialog: the whole characters per
/// second of one character period, "---" when the period is 0. The period is
/// three sprocket times with Async, else data on plus data off.
[[nodiscard]] std::string speed_display(bool async, std::string_view data_on,
                                        std::string_view sprocket_on, std::string_view data_off);

/// The passes of the delay loop the rate formula credits for a best count
/// of `best`, before rounding: the speed test's counting loop makes these.
[[nodiscard]] double unrounded_rate(double best);

}  // namespace feedrite
