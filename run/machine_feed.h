// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place that knows both the run and the report: turns what the run
// shows (its counters, flags and progress figures) into the reporter's
// snapshot and offers it. Called from the sending thread's upkeep; it never
// waits (see report/snapshot_mailbox.h) and reads nothing back.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/realtime.h"
#include "core/run_counters.h"
#include "core/window_state.h"
#include "report/reporter.h"
#include "run/run_progress.h"

namespace feedrite {

/// The run state in the report's words.
[[nodiscard]] Execution execution_of(const RunCounters& run, bool edit_mode);

/// The port's condition: a fault with its text, a warning for a device not
/// set up, normal once the port runs.
void fill_port_condition(const RunCounters& run, MachineReport& report);

class MachineFeed {
  public:
    /// Starts the reporting `settings_dir` sets up for `device` (where none
    /// is, the feed does nothing), telling `errors` what started and what
    /// could not, each line after `who` (": " included).
    void start(const std::string& settings_dir, const std::string& device, std::ostream& errors,
               std::string_view who);
    /// The last snapshot goes out, then the machine is reported unavailable.
    void stop() { reporter_.reset(); }
    [[nodiscard]] bool active() const { return reporter_ != nullptr; }

    /// The program now in the view: its digest and lines, for the block text.
    void program_loaded(std::string_view text);
    /// A snapshot of the run; `figures` where the progress was polled (time
    /// left, the model's waits; null keeps those of the last poll); `place`
    /// the 1-based line being sent (0: none). Without `now`, at most ten
    /// snapshots a second: the rest cost a clock read.
    void offer(const RunCounters& run, const WindowState& state, const ProgressFigures* figures,
               std::int64_t place, const RealtimeState& realtime, bool now);

  private:
    std::unique_ptr<Reporter> reporter_;
    std::string text_, sha256_;
    std::vector<std::string_view> lines_;
    MachineReport report_;
    double next_ = 0;  ///< monotonic seconds: no snapshot without `now` before
};

}  // namespace feedrite
