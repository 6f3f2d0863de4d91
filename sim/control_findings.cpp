// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/control_findings.h"

#include <algorithm>
#include <cstdio>

namespace feedrite {

TimingLimits TimingLimits::stricter(const TimingLimits& other) const {
    TimingLimits both = *this;
    both.min_sprocket_ms = std::max(min_sprocket_ms, other.min_sprocket_ms);
    both.min_gap_ms = std::max(min_gap_ms, other.min_gap_ms);
    both.min_setup_ms = std::max(min_setup_ms, other.min_setup_ms);
    if (other.max_cps > 0)
        both.max_cps = max_cps > 0 ? std::min(max_cps, other.max_cps) : other.max_cps;
    return both;
}

const char* finding_name(FindingKind kind) {
    switch (kind) {
        case FindingKind::DataChangedWhileLatched:
            return "data changed while latched";
        case FindingKind::ShortSprocketPulse:
            return "short sprocket pulse";
        case FindingKind::ShortSprocketGap:
            return "short sprocket gap";
        case FindingKind::ShortDataSetup:
            return "short data set-up";
        case FindingKind::TooFast:
            return "too fast";
        case FindingKind::LateCharacter:
            return "character after stop";
        case FindingKind::SprocketWhileStopped:
            return "sprocket while stopped";
        case FindingKind::ParityError:
            return "parity error";
    }
    return "finding";
}

Finding make_finding(FindingKind kind, std::size_t character, ControlClock::time_point at,
                     const std::string& detail) {
    const std::string where = character == 0 ? std::string("before the first character")
                                             : "character " + std::to_string(character);
    return {kind, character, at, where + ": " + detail};
}

std::string ms_text(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f ms", ms);
    return text;
}

}  // namespace feedrite
