// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stay_awake.h"

namespace feedrite {

void StayAwake::follow(RunPhase phase) {
    const bool open = phase == RunPhase::Waiting || phase == RunPhase::Sending;
    if (!open) {
        if (phase != RunPhase::Loading) release();
        return;
    }
    if (held_ || tried_) return;
    tried_ = true;
    if (const auto problem = inhibitor_.take()) {
        errors_ << "feedrite: cannot keep the PC awake during the transmission (" << *problem
                << "); it may suspend mid-job\n";
        return;
    }
    held_ = true;
}

void StayAwake::release() {
    if (!held_) return;
    inhibitor_.release();
    held_ = false;
}

}  // namespace feedrite
