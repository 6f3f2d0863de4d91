// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The clock guard of a delay: the counted passes first, exactly as the speed
// test measured them; then, if the set time has not yet passed, more passes
// of the same loop until it has. No pulse ends up shorter than set, whatever
// the PC did after the speed test.

#include "core/clock.h"
#include "core/host.h"

namespace feedrite {

/// A delay set longer than this sleeps on the clock until `spin_stretch_ms`
/// before its end, then makes only the passes that stand for that stretch: a
/// thread that spins without end is throttled by the kernel when it runs in
/// real time, and wastes a core on a quiet PC.
inline constexpr double nap_threshold_ms = 1.5;
inline constexpr double spin_stretch_ms = 0.5;

/// Runs `count` passes of the delay loop (a long one sleeps through the
/// share of them that stood for its nap, yielding first), then passes on
/// (numbered on, so the yields stay on every tenth) until `set_ms` has passed
/// since the call. The clock is read at the start, after the nap, after the
/// counted passes and after each run of extra passes, never per pass.
/// Returns the delay's length in ms.
double guarded_delay(Host& host, Clock& clock, double count, double set_ms);

}  // namespace feedrite
