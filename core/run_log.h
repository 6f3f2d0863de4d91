// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a session keeps the record of its run as it goes (the window's
// history file); none for the headless tools.

#include <functional>
#include <string>
#include <vector>

#include "core/run_record.h"
#include "core/window_state.h"

namespace feedrite {

class RunLog {
  public:
    using TimingSource = std::function<std::vector<TimingFigure>()>;

    virtual ~RunLog() = default;
    [[nodiscard]] virtual bool is_open() const = 0;
    /// The run begins.
    virtual void open(const WindowState& state, bool simulated) = 0;
    /// The run goes on on the virtual port (the hardware's would not open).
    virtual void mark_simulated() = 0;
    /// The counts again, now and then, so that a crash loses little.
    virtual void checkpoint(const RunCounters& run) = 0;
    /// The end the run is heading for, before it has ended.
    virtual void note_ending(EndReason reason, const std::string& detail,
                             const RunCounters& run) = 0;
    /// The closing record; `timing` gives the clock guard's figures.
    virtual void close(EndReason reason, const std::string& detail, const RunCounters& run,
                       const TimingSource& timing) = 0;
};

}  // namespace feedrite
