#pragma once
// The speed test and the loop counts: the millisecond settings become counts
// of busy-wait passes for this PC.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/host.h"

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

/// How much longer than set a delay is meant to last: a pulse a little long is
/// read, a short one may be misread, so the calibration errs on the long side.
inline constexpr double timing_margin = 1.08;

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

/// Counts `seconds` seconds, one beep after each, and gives the best count.
/// `start_second` arms a one-shot timer whose tick sets the flag it is given.
/// Each counting pass runs the delay loop for the passes the rate formula
/// credits it with, so the rate of the best second is the delay loop's own,
/// times `timing_margin`; the yields on every tenth delay-loop pass let the
/// tick run.
[[nodiscard]] std::int32_t best_of_seconds(Host& host,
                                           const std::function<void(bool& stopit)>& start_second,
                                           int seconds);

/// The speed test: asks first (false when declined), then keeps the best of
/// ten seconds with the wait pointer showing.
[[nodiscard]] bool run_speed_test(Host& host, const std::function<void(bool& stopit)>& start_second,
                                  std::int32_t& best);

}  // namespace feedrite
