// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Register bits to connector pins on a standard PC parallel port, and the
// far end of the virtual port's cable, which sees only pins.

#include <cstdint>

namespace feedrite {

/// The output pins' levels (true = high) at the connector.
struct OutputPins {
    std::uint8_t data = 0;  ///< pins 2 to 9: data bit n on pin n + 2
    bool pin1 = false;      ///< strobe: control bit 0, ready output
    bool pin14 = false;     ///< auto feed: control bit 1, unused
    bool pin16 = false;     ///< init: control bit 2, sprocket output
    bool pin17 = false;     ///< select in: control bit 3, sprocket output

    bool operator==(const OutputPins&) const = default;
};

/// The pins that data and control register values drive.
[[nodiscard]] OutputPins output_pins(int data_register, int control_register);

/// The status register value with pin 11 at `pin11_high` and every other input
/// reading 1.
[[nodiscard]] int status_register(bool pin11_high);

/// Pin 11's level in a status register value.
[[nodiscard]] bool status_pin11_high(int status_register);

/// What is plugged into the virtual port: it sees the output pins and drives
/// pin 11 (busy), the run/stop input.
class CableEnd {
  public:
    virtual ~CableEnd() = default;
    /// Called on connecting and after every data or control write, changed or not.
    virtual void on_pins(const OutputPins& pins) = 0;
    /// Pin 11's level now.
    virtual bool pin11_high() = 0;
};

}  // namespace feedrite
