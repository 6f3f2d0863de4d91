// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/virtual_port.h"

#include <string>

namespace feedrite {

PortError VirtualPort::port_open(std::int32_t /*base*/, int count) {
    count_ = 0;
    if (count < 1 || count > 3)
        return {PortErrorCode::Unsupported,
                "A parallel port has 3 registers, not " + std::to_string(count) + "."};
    count_ = count;
    return {};
}

int VirtualPort::port_read(int offset) {
    if (offset < 0 || offset >= count_) return 0xFF;
    if (offset == 0) return data_;
    if (offset == 2) return control_;
    return status_register(end_ == nullptr || end_->pin11_high());
}

void VirtualPort::port_write(int offset, int value) {
    if (offset < 0 || offset >= count_ || offset == 1) return;
    (offset == 0 ? data_ : control_) = static_cast<std::uint8_t>(value);
    if (end_ != nullptr) end_->on_pins(pins());
}

void VirtualPort::connect(CableEnd* end) {
    end_ = end;
    if (end_ != nullptr) end_->on_pins(pins());
}

OutputPins VirtualPort::pins() const {
    return output_pins(data_, control_);
}

}  // namespace feedrite
