// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a real reader interface would object to, reported by the virtual
// control as findings: the transmission goes on regardless.

#include <cstddef>
#include <string>

#include "sim/control_figures.h"

namespace feedrite {

enum class FindingKind {
    DataChangedWhileLatched,  ///< data lines changed while the sprocket was active
    ShortSprocketPulse,
    ShortSprocketGap,
    ShortDataSetup,        ///< data valid too short a time before the latch edge
    TooFast,               ///< characters faster than the control's rate
    LateCharacter,         ///< after run was withdrawn, beyond the one under way
    SprocketWhileStopped,  ///< a sprocket edge while not in run, beyond the one under way
    ParityError,
};

/// What the control checks each character against. A control wired to a
/// device takes these from the device's set times; the defaults serve a
/// device whose times are unknown.
struct TimingLimits {
    double min_sprocket_ms = 0.5;  ///< shortest sprocket pulse
    double min_gap_ms = 0.5;       ///< shortest time from one pulse's end to the next
    double min_setup_ms = 0.3;     ///< data valid before the sprocket becomes active
    double max_cps = 330;          ///< 300 characters per second + 10%; 0 for no limit

    /// Each limit at the stricter of the two; a zero in `other` adds nothing.
    [[nodiscard]] TimingLimits stricter(const TimingLimits& other) const;
};

struct Finding {
    FindingKind kind = FindingKind::ParityError;
    std::size_t character = 0;  ///< 1 for the first character latched; 0 before any
    ControlClock::time_point at;
    std::string text;  ///< one line for the user: "character 12: sprocket pulse 0.310 ms, ..."
};

[[nodiscard]] const char* finding_name(FindingKind kind);

/// "character N: " followed by `detail`, or "before the first character: ".
[[nodiscard]] Finding make_finding(FindingKind kind, std::size_t character,
                                   ControlClock::time_point at, const std::string& detail);

/// "0.310 ms, shorter than 0.500 ms" and the like, three decimals.
[[nodiscard]] std::string ms_text(double ms);

}  // namespace feedrite
