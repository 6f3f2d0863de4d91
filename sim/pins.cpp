// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pins.h"

namespace feedrite {

// The only place that knows the port's hardware inverters; polarity settings
// are a separate layer above the pins.
OutputPins output_pins(int data_register, int control_register) {
    return {
        .data = static_cast<std::uint8_t>(data_register),  // data lines are not inverted
        .pin1 = (control_register & 0x01) == 0,            // bit 0 is pin 1 through an inverter
        .pin14 = (control_register & 0x02) == 0,           // bit 1 is pin 14 through an inverter
        .pin16 = (control_register & 0x04) != 0,           // bit 2 drives pin 16 directly
        .pin17 = (control_register & 0x08) == 0,           // bit 3 is pin 17 through an inverter
    };
}

// Status bit 7 is pin 11 through an inverter.
int status_register(bool pin11_high) {
    return pin11_high ? 0x7F : 0xFF;
}

bool status_pin11_high(int status_register) {
    return (status_register & 0x80) == 0;
}

}  // namespace feedrite
