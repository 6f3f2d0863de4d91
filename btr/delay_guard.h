#pragma once
// The clock guard of a delay: the counted passes first, exactly as the speed
// test measured them; then, if the set time has not yet passed, more passes
// of the same loop until it has. No pulse ends up shorter than set, whatever
// the PC did after the speed test.

#include "core/clock.h"
#include "core/host.h"

namespace feedrite {

/// Runs `count` passes of the delay loop, then passes on (numbered on, so
/// the yields stay on every tenth) until `set_ms` has passed since the call.
/// The clock is read at the start, after the counted passes and after each
/// run of extra passes, never per pass. Returns the delay's length in ms.
double guarded_delay(Host& host, Clock& clock, double count, double set_ms);

}  // namespace feedrite
