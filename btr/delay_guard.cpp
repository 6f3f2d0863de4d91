#include "btr/delay_guard.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "btr/delay_loop.h"

namespace feedrite {

double guarded_delay(Host& host, Clock& clock, double count, double set_ms) {
    constexpr double last_pass = std::numeric_limits<std::int32_t>::max();
    constexpr double fewest_extra = 10;  // one yield's worth when no rate is known yet
    const Clock::time_point start = clock.now();
    std::int32_t passes = run_delay_passes(host, 0, count);
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
