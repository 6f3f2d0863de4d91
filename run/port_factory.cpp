// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/port_factory.h"

#include "btr/port/ppdev_port.h"
#include "btr/port/raw_io_port.h"
#include "sim/simulated_port.h"

namespace feedrite {

PortKind port_kind_for(bool simulate, bool raw_io, bool hold) {
    if (simulate) return hold ? PortKind::VirtualHeld : PortKind::Virtual;
    return raw_io ? PortKind::RawIo : PortKind::Ppdev;
}

std::unique_ptr<PortAccess> make_port(PortKind kind, const PortSettings& device) {
    switch (kind) {
        case PortKind::RawIo:
            return std::make_unique<RawIoPort>();
        case PortKind::Virtual:
        case PortKind::VirtualHeld:
            return std::make_unique<SimulatedPort>(device, true, kind == PortKind::VirtualHeld);
        case PortKind::Ppdev:
            break;
    }
    return std::make_unique<PpdevPort>();
}

}  // namespace feedrite
