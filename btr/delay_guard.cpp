// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/delay_guard.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/limits.h"
#include "btr/delay_figures.h"
#include "btr/delay_loop.h"

namespace feedrite {

namespace {

// Sleeps until the last stretch; returns the pass the counted delay stands
// at by now, on a tenth, so the passes after it yield where they always did.
std::int32_t nap(Host& host, Clock& clock, Clock::time_point start, double count, double set_ms,
                 DelayFigures* figures) {
    host.yield();  // pass 0's
    const double margin = figures != nullptr ? figures->nap_margin_ms() : spin_stretch_ms;
    const auto asked = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::duration<double, std::milli>(set_ms - margin));
    if (asked.count() <= 0) return 0;  // this PC wakes too late for a nap this short
    const Clock::time_point before = clock.now();
    clock.sleep_for(asked);
    const Clock::time_point woke = clock.now();
    if (figures != nullptr)
        figures->nap_woke(ms_between(before, woke) -
                          std::chrono::duration<double, std::milli>(asked).count());
    const double share = std::min(ms_between(start, woke), set_ms) / set_ms;
    const double reached = count * share;
    if (!(reached > 0)) return 0;  // also NaN: never a cast of it
    return static_cast<std::int32_t>(std::min(reached, max_loop_count) / 10) * 10;
}

}  // namespace

double guarded_delay(Host& host, Clock& clock, double count, double set_ms, DelayFigures* figures) {
    const Clock::time_point start = clock.now();
    const std::int32_t from =
        set_ms > nap_threshold_ms ? nap(host, clock, start, count, set_ms, figures) : 0;
    if (set_ms > 0) {
        // Rounded up: the deadline never falls short of the set time.
        const auto deadline = start + std::chrono::ceil<Clock::time_point::duration>(
                                          std::chrono::duration<double, std::milli>(set_ms));
        // Past the count the passes go on to the set time: the floor.
        (void)run_delay_passes_until(host, from, clock, deadline);
    } else {
        (void)run_delay_passes(host, from, count);
    }
    return ms_between(start, clock.now());
}

}  // namespace feedrite
