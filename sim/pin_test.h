// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pin test's arithmetic: which lines the user has made active, the
// register values that make them so under the device's polarities, and what
// the control at the connector should see on each line.

#include <string>

#include "config/port_settings.h"

namespace feedrite {

/// The lines a pin test sets: data bits 0 to 7, then the sprocket and the ready line.
enum class TestLine { Sprocket = 8, Ready = 9 };
inline constexpr int test_line_count = 10;

/// Active lines as a mask: bit i for line i (data bit i, 8 sprocket, 9 ready).
using ActiveLines = unsigned;

[[nodiscard]] constexpr ActiveLines line_bit(int line) {
    return 1U << line;
}

/// The walk: one line after another, each alone.
[[nodiscard]] constexpr ActiveLines walk_step(int step) {
    return line_bit(step % test_line_count);
}

/// The data register value that makes the active data lines active.
[[nodiscard]] int pin_test_data(ActiveLines active, const PortSettings& logic);

/// The control register value for the sprocket and ready lines, the others
/// as port start-up leaves them.
[[nodiscard]] int pin_test_control(ActiveLines active, const PortSettings& logic);

/// The line's name, as a check box shows it ("Data 0", "Sprocket", "Ready").
[[nodiscard]] std::string test_line_name(int line);

/// What the control should see on `line`: its pins, their level and the
/// signal they carry ("pin 2 high: data bit 0 is 1").
[[nodiscard]] std::string line_seen(int line, ActiveLines active, const PortSettings& logic);

/// The run/stop input from a status register value: pin 11's level and
/// whether the control asks for data under the device's polarity.
[[nodiscard]] std::string run_stop_seen(int status, const PortSettings& logic);

}  // namespace feedrite
