#include "btr/delay_loop.h"

namespace feedrite {

// Not inline on purpose: one copy of the loop, so a pass costs the same for
// every caller.
std::int32_t run_delay_passes(Host& host, std::int32_t from, double to) {
    // volatile: each pass must cost a real pass; the loop counts stand for time.
    volatile std::int32_t n = from;
    while (n < to) {
        if (n % 10 == 0) host.yield();
        n = n + 1;
    }
    return n;
}

}  // namespace feedrite
