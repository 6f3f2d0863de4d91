// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The speed test: counts the delay loop's passes for ten seconds, so the
// device's millisecond times can become counts (config/calibration).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/host.h"

namespace feedrite {

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
