// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/run_counters.h"

#include <chrono>

namespace feedrite {

double monotonic_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace feedrite
