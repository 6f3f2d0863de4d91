// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/delay_guard.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/limits.h"
#include "btr/delay_loop.h"

namespace feedrite {

namespace {

// Sleeps until the last stretch; returns the pass the counted delay stands
// at by now, on a tenth, so the passes after it yield where they always did.
std::int32_t nap(Host& host, Clock& clock, Clock::time_point start, double count, double set_ms) {
    host.yield();  // pass 0's
    const auto ms = std::chrono::duration<double, std::milli>(set_ms - spin_stretch_ms);
    clock.sleep_for(std::chrono::duration_cast<std::chrono::microseconds>(ms));
    const double share = std::min(ms_between(start, clock.now()), set_ms) / set_ms;
    const double reached = count * share;
    if (!(reached > 0)) return 0;  // also NaN: never a cast of it
    return static_cast<std::int32_t>(std::min(reached, max_loop_count) / 10) * 10;
}

}  // namespace

double guarded_delay(Host& host, Clock& clock, double count, double set_ms) {
    constexpr double last_pass = std::numeric_limits<std::int32_t>::max();
    constexpr double fewest_extra = 10;  // one yield's worth when no rate is known yet
    const Clock::time_point start = clock.now();
    const std::int32_t from =
        set_ms > nap_threshold_ms ? nap(host, clock, start, count, set_ms) : 0;
    std::int32_t passes = run_delay_passes(host, from, count);
    for (;;) {
        const double elapsed = ms_between(start, clock.now());
        if (elapsed >= set_ms || passes >= last_pass) return elapsed;
        // The passes made so far tell this moment's rate: aim at the set time.
        const double extra = elapsed > 0 && passes > 0 ? (set_ms - elapsed) * passes / elapsed : 0;
        const double to = std::min(last_pass, passes + std::max(extra, fewest_extra));
        passes = run_delay_passes(host, passes, to);
    }
}

}  // namespace feedrite
