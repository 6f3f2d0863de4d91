// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pin_test.h"

#include "btr/signals.h"
#include "sim/pins.h"

namespace feedrite {
namespace {

// Bits 6 and 7 as after power-up, auto feed (bit 1) low: what start-up keeps.
constexpr int control_rest = 0xC0;

std::string level(bool high) {
    return high ? "high" : "low";
}

}  // namespace

int pin_test_data(ActiveLines active, const PortSettings& logic) {
    return data_value(static_cast<int>(active & 0xFFU), logic.Data_logic);
}

int pin_test_control(ActiveLines active, const PortSettings& logic) {
    int v = control_rest;
    const bool sprocket = (active & line_bit(int(TestLine::Sprocket))) != 0;
    const bool ready = (active & line_bit(int(TestLine::Ready))) != 0;
    v = sprocket ? sprocket_active(v, logic.Sprocket_logic)
                 : sprocket_inactive(v, logic.Sprocket_logic);
    return ready ? ready_on(v, logic.Ready_logic) : ready_off(v, logic.Ready_logic);
}

std::string test_line_name(int line) {
    if (line == int(TestLine::Sprocket)) return "Sprocket";
    if (line == int(TestLine::Ready)) return "Ready";
    return "Data " + std::to_string(line);
}

std::string line_seen(int line, ActiveLines active, const PortSettings& logic) {
    const OutputPins pins =
        output_pins(pin_test_data(active, logic), pin_test_control(active, logic));
    const bool on = (active & line_bit(line)) != 0;
    if (line == int(TestLine::Sprocket))
        return "pin 16 " + level(pins.pin16) + ", pin 17 " + level(pins.pin17) + ": sprocket " +
               (on ? "on" : "off");
    if (line == int(TestLine::Ready))
        return "pin 1 " + level(pins.pin1) + ": ready " + (on ? "on" : "off");
    return "pin " + std::to_string(line + 2) + " " + level((pins.data >> line) & 1) +
           ": data bit " + std::to_string(line) + " is " + (on ? "1" : "0");
}

std::string run_stop_seen(int status, const PortSettings& logic) {
    return "pin 11 " + level(status_pin11_high(status)) + ": the control says " +
           (run_state(status, logic.RunStop_logic) ? "run" : "stop");
}

}  // namespace feedrite
