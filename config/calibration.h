#pragma once
// The speed test and the loop counts: the millisecond settings become counts
// of busy-wait passes for this PC.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

/// Counts `seconds` seconds, one beep after each, and gives the best count.
/// `start_second` arms a one-shot timer whose tick sets the flag it is given.
/// Each counting pass runs the delay loop for the passes the rate formula
/// credits it with, so the rate of the best second is the delay loop's own,
/// times `timing_margin`; the yields on every tenth delay-loop pass let the
/// tick run.
[[nodiscard]] std::int32_t best_of_seconds(Host& host,
                                           const std::function<void(bool& stopit)>& start_second,
                                           int seconds);

/// The counts of every second of a speed test.
struct SpeedTest {
    std::vector<std::int32_t> counts;

    [[nodiscard]] std::int32_t best() const;
    /// The seconds differed by more than 10% of the best: something else ran.
    [[nodiscard]] bool unsteady() const;
};

/// Called before each second with the whole seconds still to count.
using SecondsLeft = std::function<void(int seconds_left)>;

/// As best_of_seconds, keeping every second's count.
[[nodiscard]] SpeedTest count_seconds(Host& host,
                                      const std::function<void(bool& stopit)>& start_second,
                                      int seconds, const SecondsLeft& tell = {});

/// "N seconds left" for the test's progress line.
[[nodiscard]] std::string seconds_left_text(int seconds_left);

/// The one-line result: the delay loop's passes per second and the speed
/// display, and when the seconds varied, that the test should be run again
/// on a quiet PC.
[[nodiscard]] std::string speed_test_result(const SpeedTest& test, std::string_view speed);

/// The speed test: asks first (false when declined), then counts ten
/// seconds with the wait pointer showing.
[[nodiscard]] bool run_speed_test(Host& host, const std::function<void(bool& stopit)>& start_second,
                                  SpeedTest& test, const SecondsLeft& tell = {});

}  // namespace feedrite
