// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one transmission has done so far, kept by the send driver and the
// engine as plain counters (a few stores per block, one per character) and
// read by the window's progress bar and the history of runs.

#include <cstdint>
#include <string>

namespace feedrite {

enum class RunPhase : std::uint8_t {
    Loading,        ///< settings, port, program: nothing sent yet
    NotConfigured,  ///< the device's settings are missing or unusable
    PortError,      ///< the port could not be opened
    LoadFailed,     ///< the program (or a sub file) could not be loaded
    Waiting,        ///< at the restart point, waiting for the control to start a run
    Sending,        ///< a cycle is open (the control may hold it: `control_stopped`)
    Finished,       ///< a binary file went out whole
};

struct RunCounters {
    RunPhase phase = RunPhase::Loading;
    /// Within a cycle, the control has withdrawn run and the engine waits.
    bool control_stopped = false;
    std::int64_t characters_sent = 0;  ///< characters on the port, leader and trailer included
    std::int64_t blocks_sent = 0;
    std::int64_t control_stops = 0;  ///< times the control withdrew run within a cycle
    std::int64_t cycles_started = 0;
    std::int64_t cycles_completed = 0;  ///< ended by the trailer, the reset text or a refused block
    std::int64_t blocks_refused = 0;    ///< by decimal conversion; each ends its cycle
    /// The program: its length (text with CR LF, or a binary file's bytes) and
    /// where the tape stands in it (the start of the block being sent).
    std::int64_t total = 0;
    std::int64_t position = 0;
    /// Program characters the tape has gone through in this cycle; unlike
    /// `position` it never jumps back, so the rate is measured on it.
    std::int64_t consumed = 0;
    double cycle_started_at = 0;     ///< monotonic seconds
    double last_cycle_seconds = -1;  ///< negative until a cycle completed
    /// What ended the run when the port did: the port error's text.
    std::string failure;
};

/// Seconds on a monotonic clock; only differences mean anything.
[[nodiscard]] double monotonic_seconds();

}  // namespace feedrite
