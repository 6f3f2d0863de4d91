// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/speed_test.h"

#include <algorithm>

#include "btr/delay_loop.h"
#include "config/calibration.h"

namespace feedrite {

namespace {

// The rate formula credits the n-th pass of the counting loop with
// rate(n) - rate(n - 1) passes of the delay loop, more the faster the PC. So
// each counting pass makes exactly that many passes of the delay loop itself
// (yields included, on the same tenth passes), a little fewer by the margin:
// the rate worked out from the best second is then the delay loop's own
// passes per second times the margin, on a slow PC as on a fast one.
std::int32_t count_one_second(Host& host, const std::function<void(bool&)>& start_second) {
    constexpr double most_passes = 2147483647.0;
    double delay = 0;
    std::int32_t passes = 0;
    bool stopit = false;
    start_second(stopit);
    // The second's timer sets stopit from the yields inside the passes.
    while (!stopit) {  // NOLINT(bugprone-infinite-loop)
        delay = delay + 1;
        passes = run_delay_passes(host, passes,
                                  std::min(unrounded_rate(delay) / timing_margin, most_passes));
    }
    return static_cast<std::int32_t>(std::min(delay, most_passes));
}

}  // namespace

std::int32_t best_of_seconds(Host& host, const std::function<void(bool& stopit)>& start_second,
                             int seconds) {
    return count_seconds(host, start_second, seconds).best();
}

std::int32_t SpeedTest::best() const {
    return counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
}

bool SpeedTest::unsteady() const {
    if (counts.empty()) return false;
    const auto [low, high] = std::minmax_element(counts.begin(), counts.end());
    return *high > 0 && double(*high - *low) > 0.10 * *high;
}

SpeedTest count_seconds(Host& host, const std::function<void(bool& stopit)>& start_second,
                        int seconds, const SecondsLeft& tell) {
    SpeedTest test;
    for (int second = 0; second < seconds; ++second) {
        if (tell) tell(seconds - second);
        test.counts.push_back(count_one_second(host, start_second));
        host.beep();
    }
    return test;
}

std::string seconds_left_text(int seconds_left) {
    return "Testing this PC's speed: " + std::to_string(seconds_left) +
           (seconds_left == 1 ? " second left" : " seconds left");
}

std::string speed_test_result(const SpeedTest& test, std::string_view speed) {
    speed.remove_prefix(std::min(speed.size(), speed.find_first_not_of(' ')));
    std::string text = "Speed test: " + std::to_string(calibrated_rate(test.best())) +
                       " delay passes per second; speed " + std::string(speed) + " cps.";
    if (test.unsteady())
        text +=
            " The seconds varied by more than 10%: the PC was busy, run the test again "
            "on a quiet PC.";
    return text;
}

bool run_speed_test(Host& host, const std::function<void(bool& stopit)>& start_second,
                    SpeedTest& test, const SecondsLeft& tell) {
    if (host.message_box(
            "Cutwave will now test your PCs speed ...\nThis test will take 10 seconds.", "",
            MessageIcon::None, MessageButtons::OkCancel) != MessageAnswer::Ok)
        return false;
    host.set_wait_pointer(true);
    test = count_seconds(host, start_second, 10, tell);
    host.set_wait_pointer(false);
    return true;
}

}  // namespace feedrite
