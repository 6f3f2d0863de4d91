// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/delay_loop.h"

#include "base/limits.h"

namespace feedrite {

// Not inline on purpose: one copy of the loop, so a pass costs the same for
// every caller.
std::int32_t run_delay_passes(Host& host, std::int32_t from, double to) {
    // The counter cannot pass its largest value: a count beyond it (or NaN)
    // ends there instead of wrapping into a delay that never ends.
    const double end = to >= max_loop_count ? max_loop_count : to;
    // volatile: each pass must cost a real pass; the loop counts stand for time.
    volatile std::int32_t n = from;
    while (n < end) {
        if (n % 10 == 0) host.yield();
        n = n + 1;
    }
    return n;
}

std::int32_t run_delay_passes_until(Host& host, std::int32_t from, Clock& clock,
                                    Clock::time_point deadline) {
    volatile std::int32_t n = from;
    while (n < max_loop_count) {
        if (n % 10 == 0) {
            host.yield();
            if (clock.now() >= deadline) break;
        }
        n = n + 1;
    }
    return n;
}

}  // namespace feedrite
