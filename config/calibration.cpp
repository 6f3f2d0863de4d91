// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/calibration.h"

#include <algorithm>
#include <cmath>

#include "base/limits.h"
#include "base/number_text.h"

namespace feedrite {

double unrounded_rate(double best) {
    // factor lives in single precision: its rounding is part of the rate.
    const auto factor = static_cast<float>((best - 65000.0) * 0.22 / 360645.0);
    return (static_cast<double>(factor) * best + best) * 1.12;
}

std::int32_t calibrated_rate(std::int32_t best) {
    return round_to_int32(unrounded_rate(best)).value_or(0);
}

LoopCounts loop_counts(const MillisecondTimes& times, std::int32_t rate) {
    // Never more than the delay loop can count, also on a PC beyond any known speed.
    const auto passes = [rate](double ms) {
        return std::min(std::trunc(ms * rate / 1000.0), max_loop_count - 1);
    };
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
    const float period =
        async ? static_cast<float>(3 * read_number_or_zero(sprocket_on))
              : static_cast<float>(read_number_or_zero(data_on) + read_number_or_zero(data_off));
    if (period == 0) return "---";
    return format_number(std::trunc(1000.0f / period));
}

}  // namespace feedrite
