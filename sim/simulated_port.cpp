#include "sim/simulated_port.h"

namespace feedrite {

PortError SimulatedPort::port_open(std::int32_t base, int count) {
    port_.connect(nullptr);
    control_.emplace(VirtualControlSettings::matching(device_));
    ++open_count_;
    port_.connect(&*control_);
    return port_.port_open(base, count);
}

}  // namespace feedrite
