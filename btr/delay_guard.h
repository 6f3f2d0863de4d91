// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The clock ends a delay: its counted passes run as the speed test measured
// them, with their yields, and the clock, read on every tenth pass where the
// yields are, ends the delay once its set time has passed: never shorter than
// set, whatever the PC did after the speed test, and no longer than a tenth
// pass's worth more, however much the count overshoots.

#include "core/clock.h"
#include "core/host.h"

namespace feedrite {

class DelayFigures;

/// A delay set longer than this sleeps on the clock until shortly before its
/// end, then passes only through the last stretch: a thread that spins
/// without end is throttled by the kernel when it runs in real time, and
/// wastes a core on a quiet PC.
inline constexpr double nap_threshold_ms = 1.5;
/// The last stretch before any nap has been seen waking up: the margin then
/// follows the lateness this PC shows (DelayFigures::nap_margin_ms).
inline constexpr double spin_stretch_ms = 0.5;

/// Runs the delay loop from pass 0 (a long delay first sleeps through the
/// share of the passes that stood for its nap, yielding first) until `set_ms`
/// has passed since the call, read on the tenth passes; with `set_ms` not
/// above 0, the `count` passes alone. `figures`, when given, learns how late
/// the nap woke and gives the margin the next nap leaves. Returns the
/// delay's length in ms.
double guarded_delay(Host& host, Clock& clock, double count, double set_ms,
                     DelayFigures* figures = nullptr);

}  // namespace feedrite
