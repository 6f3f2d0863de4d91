// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tape_report.h"

#include <algorithm>
#include <ostream>

namespace feedrite {

TapeReport::TapeReport(const std::string& settings_dir, const std::string& device,
                       std::ostream& errors) {
    feed_.start(settings_dir, device, errors, "feedrite-tape: ");
}

void TapeReport::tick(const Transmission& run, const TextView& view, bool now) {
    if (!feed_.active()) return;
    const double time = monotonic_seconds();
    if (!now && time < next_) return;
    next_ = time + 0.1;
    const RunCounters& counters = run.state.run;
    const std::int64_t place =
        run.state.Binaryfile || counters.phase == RunPhase::Loading
            ? 0
            : view.line_index(std::clamp<TextPos>(counters.position, 0, view.length())) + 1;
    feed_.offer(counters, run.state, nullptr, place, RealtimeState{});
}

}  // namespace feedrite
