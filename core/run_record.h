// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of the window in the history of runs, how it ended, and how the
// history's lines are read back: the JSON itself is the window's business.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/run_counters.h"

namespace feedrite {

enum class EndReason { Open, Closed, Signal, LoadFailure, PortError, Finished, Crash };

/// The name a record stores ("closed", "signal", "load failure", ...).
[[nodiscard]] const char* end_reason_name(EndReason reason);
/// Open for a name nobody wrote.
[[nodiscard]] EndReason end_reason_named(const std::string& name);

/// How a run ends when the window goes: by a signal, or as its phase says
/// (a binary file sent whole is "finished", a failed load or port start is
/// named, anything else was closed by the user).
[[nodiscard]] EndReason end_reason_for(RunPhase phase, bool by_signal);

/// A figure of the clock guard's timing (name and value, e.g. the share of
/// delays it had to lengthen).
struct TimingFigure {
    std::string name;
    double value = 0;
};

struct RunRecord {
    std::string id;  ///< unique per run: pid and start time
    std::int64_t pid = 0;
    std::int64_t start_ms = 0;    ///< wall clock, milliseconds since 1970
    std::int64_t updated_ms = 0;  ///< when this line was written
    std::int64_t end_ms = 0;      ///< 0 while the run is open
    std::string device, program;
    std::int64_t program_size = -1;  ///< -1: the file could not be read
    std::string sha256;              ///< hex; empty when the file could not be read
    std::int64_t cycles = 0, characters = 0, blocks = 0, stops = 0;
    EndReason end = EndReason::Open;
    std::string end_detail;  ///< the signal's name, or the port error's text
    bool simulated = false;  ///< sent on the virtual port, to the Virtual control
    /// The clock guard's figures; empty where there are none (stored as null).
    std::vector<TimingFigure> timing;
};

/// Copies the counts the history keeps.
void take_counts(RunRecord& record, const RunCounters& run);

/// The runs of the history's records (in file order, one or more lines per
/// run, the last line of a run wins), in the order they started. A run whose
/// last line is still open ended in a crash, unless `still_running(pid)`.
[[nodiscard]] std::vector<RunRecord> merge_runs(
    const std::vector<RunRecord>& lines, const std::function<bool(std::int64_t)>& still_running);

/// The last `count` runs as a table with a heading, one line per run.
[[nodiscard]] std::string history_table(const std::vector<RunRecord>& runs, std::size_t count);

}  // namespace feedrite
