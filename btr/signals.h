// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Register values for the reader signals under the four logic settings.
// These are the values the engine writes to (and judges from) the registers;
// the hardware inversion of status bit 7 and control bits 0 and 3 is already
// part of them, so positive logic means a high pin for an active signal.

#include "config/port_settings.h"

namespace feedrite {

/// Data register value for the converted code c (0..255).
[[nodiscard]] constexpr int data_value(int c, bool Data_logic) {
    return Data_logic ? c : (c ^ 0xFF);
}
[[nodiscard]] constexpr int data_idle(bool Data_logic) {
    return Data_logic ? 0x00 : 0xFF;
}

// The sprocket is bits 2 and 3 together, always opposite; bits 4 and 5 are
// forced to 0 (bit 5 would turn the data lines around); bits 1, 6, 7 are kept.
[[nodiscard]] constexpr int sprocket_active(int v, bool Sprocket_logic) {
    return Sprocket_logic ? ((v | 0x04) & 0xC7) : ((v | 0x08) & 0xCB);
}
[[nodiscard]] constexpr int sprocket_inactive(int v, bool Sprocket_logic) {
    return Sprocket_logic ? ((v | 0x08) & 0xCB) : ((v | 0x04) & 0xC7);
}

// The asynchronous sequence and port start-up use masks that also clear the
// ready bit 0.
[[nodiscard]] constexpr int remex_sprocket_active(int v, bool Sprocket_logic) {
    return Sprocket_logic ? ((v | 0x04) & 0xC6) : ((v | 0x08) & 0xCA);
}
[[nodiscard]] constexpr int remex_sprocket_inactive(int v, bool Sprocket_logic) {
    return Sprocket_logic ? ((v | 0x08) & 0xCA) : ((v | 0x04) & 0xC6);
}

[[nodiscard]] constexpr int ready_on(int v, bool Ready_logic) {
    return Ready_logic ? (v & 0xFE) : (v | 0x01);
}
[[nodiscard]] constexpr int ready_off(int v, bool Ready_logic) {
    return Ready_logic ? (v | 0x01) : (v & 0xFE);
}

/// The control signals run; only status bit 7 counts.
[[nodiscard]] constexpr bool run_state(int s, bool RunStop_logic) {
    return RunStop_logic ? (s & 0x80) == 0 : (s & 0x80) != 0;
}

}  // namespace feedrite
