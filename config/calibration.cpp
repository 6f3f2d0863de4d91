#include "config/calibration.h"

#include <cmath>

#include "config/number_text.h"

namespace feedrite {

std::int32_t calibrated_rate(std::int32_t best) {
    // factor lives in single precision: its rounding is part of the rate.
    const auto factor = static_cast<float>((best - 65000.0) * 0.22 / 360645.0);
    return round_to_int32((static_cast<double>(factor) * best + best) * 1.12).value_or(0);
}

LoopCounts loop_counts(const MillisecondTimes& times, std::int32_t rate) {
    const auto passes = [rate](double ms) { return std::trunc(ms * rate / 1000.0); };
    LoopCounts counts;
    counts.delay1 = passes(times.data_on) + 1;
    counts.delay2 = passes(times.sprocket_on) + 1;
    counts.delay3 = passes(times.overlap) + 1;
    counts.delay4 = times.data_off == 0 ? 0 : passes(times.data_off) + 1;
    counts.delay5 = times.eob_delay == 0 ? 0 : passes(times.eob_delay);
    return counts;
}

std::string speed_display(bool async, std::string_view data_on, std::string_view sprocket_on,
                          std::string_view data_off) {
    // Kept in single precision, as the display always worked it out.
    const float period = async ? static_cast<float>(3 * read_number_or_zero(sprocket_on))
                               : static_cast<float>(read_number_or_zero(data_on) +
                                                    read_number_or_zero(data_off));
    if (period == 0) return "---";
    return format_number(std::trunc(1000.0f / period));
}

namespace {

// The counting loop: its body differs from the engine's delay loop on
// purpose (the rate formula was made for this pair), so it stays as it is.
std::int32_t count_one_second(Host& host, const std::function<void(bool&)>& start_second) {
    double delay = 0;
    bool stopit = false;
    start_second(stopit);
    while (!stopit) {
        if (std::trunc(delay / 10) == delay / 10) host.yield();
        delay = delay + 1;
    }
    return static_cast<std::int32_t>(std::min(delay, 2147483647.0));
}

}  // namespace

bool run_speed_test(Host& host, const std::function<void(bool& stopit)>& start_second,
                    std::int32_t& best) {
    if (host.message_box("Cutwave will now test your PCs speed ...\nThis test will take 10 seconds.",
                         "", MessageIcon::None, MessageButtons::OkCancel) != MessageAnswer::Ok)
        return false;
    host.set_wait_pointer(true);
    best = 0;
    for (int second = 0; second < 10; ++second) {
        best = std::max(best, count_one_second(host, start_second));
        host.beep();
    }
    host.set_wait_pointer(false);
    return true;
}

}  // namespace feedrite
