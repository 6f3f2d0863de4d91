// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The busy-wait loop that all character timing counts in. The engine's
// delays and the speed test's counting loop both run it, so the speed test
// measures exactly the passes that the delays will later make.

#include <cstdint>

#include "core/clock.h"
#include "core/host.h"

namespace feedrite {

/// Makes the passes `from` .. `to` - 1 of the delay loop (a fractional `to`
/// rounds up, a `to` beyond max_loop_count stops there): each compares, yields to the window when
/// the pass number is a multiple of ten, and counts on. Returns the number of the next pass.
std::int32_t run_delay_passes(Host& host, std::int32_t from, double to);

/// The same passes from `from` on, with the clock read after each tenth
/// pass's yield: they end there once `deadline` has come (or at
/// max_loop_count, should the clock stand still). Returns the next pass.
std::int32_t run_delay_passes_until(Host& host, std::int32_t from, Clock& clock,
                                    Clock::time_point deadline);

}  // namespace feedrite
