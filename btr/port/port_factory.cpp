#include "btr/port/port_factory.h"

#include "btr/port/ppdev_port.h"
#include "btr/port/raw_io_port.h"
#include "sim/virtual_port.h"

namespace feedrite {

std::unique_ptr<PortAccess> make_port(PortKind kind, CableEnd* far_end) {
    switch (kind) {
        case PortKind::RawIo:
            return std::make_unique<RawIoPort>();
        case PortKind::Virtual: {
            auto port = std::make_unique<VirtualPort>();
            port->connect(far_end);
            return port;
        }
        case PortKind::Ppdev:
            break;
    }
    return std::make_unique<PpdevPort>();
}

}  // namespace feedrite
