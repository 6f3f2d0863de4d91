// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the virtual control records, and the figures measured from it: the
// data-on, sprocket-on and overlap times of each character and the rate.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace feedrite {

using ControlClock = std::chrono::steady_clock;

/// One character as the control read it.
struct LatchedCharacter {
    std::uint8_t code = 0;                             ///< decoded with the control's data polarity
    ControlClock::time_point data_on;                  ///< the data lines took these levels
    ControlClock::time_point latched;                  ///< the sprocket became active
    std::optional<ControlClock::time_point> released;  ///< the sprocket became inactive
    std::optional<ControlClock::time_point> data_off;  ///< the data lines changed again
    bool parity_ok = true;
};

/// One change of one pin's level.
struct PinEdge {
    int pin = 0;  ///< connector pin: 1, 2 to 9, 11, 14, 16, 17
    bool high = false;
    ControlClock::time_point at;
};

/// Milliseconds; empty while the edge that ends a time has not come yet.
struct CharacterFigures {
    std::optional<double> data_on_ms;      ///< data lines valid, until they change again
    std::optional<double> sprocket_on_ms;  ///< sprocket active
    double overlap_ms = 0;                 ///< data valid before the sprocket became active
};

[[nodiscard]] double milliseconds_between(ControlClock::time_point from,
                                          ControlClock::time_point to);

[[nodiscard]] CharacterFigures figures_of(const LatchedCharacter& character);

/// Characters per second from the first latch to the last; empty for fewer
/// than two characters or no time between them.
[[nodiscard]] std::optional<double> characters_per_second(
    std::span<const LatchedCharacter> characters);

}  // namespace feedrite
