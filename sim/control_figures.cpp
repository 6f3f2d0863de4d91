// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/control_figures.h"

namespace feedrite {

double milliseconds_between(ControlClock::time_point from, ControlClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

CharacterFigures figures_of(const LatchedCharacter& character) {
    CharacterFigures figures;
    if (character.data_off)
        figures.data_on_ms = milliseconds_between(character.data_on, *character.data_off);
    if (character.released)
        figures.sprocket_on_ms = milliseconds_between(character.latched, *character.released);
    figures.overlap_ms = milliseconds_between(character.data_on, character.latched);
    return figures;
}

std::optional<double> characters_per_second(std::span<const LatchedCharacter> characters) {
    if (characters.size() < 2) return std::nullopt;
    const double ms = milliseconds_between(characters.front().latched, characters.back().latched);
    if (ms <= 0) return std::nullopt;
    return static_cast<double>(characters.size() - 1) * 1000.0 / ms;
}

}  // namespace feedrite
