// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/simulated_port.h"

namespace feedrite {

PortError SimulatedPort::port_open(std::int32_t base, int count) {
    port_.connect(nullptr);
    VirtualControlSettings settings = VirtualControlSettings::matching(device_);
    if (!judge_timing_) settings.limits = {0, 0, 0, 0};
    control_.emplace(settings);
    if (held_) control_->feed_hold();
    ++open_count_;
    port_.connect(&*control_);
    return port_.port_open(base, count);
}

}  // namespace feedrite
