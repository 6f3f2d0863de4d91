// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clock.h"

#include <thread>

namespace feedrite {

Clock::time_point SteadyClock::now() {
    return std::chrono::steady_clock::now();
}

void SteadyClock::sleep_for(std::chrono::microseconds duration) {
    std::this_thread::sleep_for(duration);
}

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace feedrite
