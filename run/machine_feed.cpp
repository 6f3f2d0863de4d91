// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/machine_feed.h"

#include <ostream>

#include "base/file_io.h"
#include "base/sha256.h"
#include "report/reporting.h"

namespace feedrite {

Execution execution_of(const RunCounters& run, bool edit_mode) {
    switch (run.phase) {
        case RunPhase::Loading:
            return Execution::Unavailable;
        case RunPhase::Waiting:
            return edit_mode ? Execution::Interrupted : Execution::Ready;
        case RunPhase::Sending:
            if (!run.failure.empty()) return Execution::Stopped;
            if (edit_mode) return Execution::Interrupted;
            return run.control_stopped ? Execution::FeedHold : Execution::Active;
        case RunPhase::NotConfigured:
        case RunPhase::PortError:
        case RunPhase::LoadFailed:
        case RunPhase::Finished:
            break;
    }
    return Execution::Stopped;
}

void fill_port_condition(const RunCounters& run, MachineReport& report) {
    report.port_text.clear();
    report.port = Level::Normal;
    if (!run.failure.empty()) {
        report.port = Level::Fault;
        report.port_text = run.failure;
    } else if (run.phase == RunPhase::PortError) {
        report.port = Level::Fault;
        report.port_text = "the port could not be opened";
    } else if (run.phase == RunPhase::NotConfigured) {
        report.port = Level::Warning;
        report.port_text = "the device is not set up";
    } else if (run.phase == RunPhase::Loading) {
        report.port = Level::Unavailable;
    }
}

void MachineFeed::start(const std::string& settings_dir, const std::string& device,
                        std::ostream& errors, std::string_view who) {
    ReportingStart started = start_reporting(settings_dir, device);
    for (const std::string& note : started.notes) errors << who << note << '\n';
    reporter_ = std::move(started.reporter);
}

void MachineFeed::program_loaded(std::string_view text) {
    if (!reporter_) return;
    text_ = text;
    sha256_ = sha256_hex(text_);
    lines_ = split_line_views(text_);
}

void MachineFeed::offer(const RunCounters& run, const WindowState& state,
                        const ProgressFigures* figures, std::int64_t place,
                        const RealtimeState& realtime, bool now) {
    if (!reporter_) return;
    const double time = monotonic_seconds();
    if (!now && time < next_) return;
    next_ = time + 0.1;
    MachineReport& r = report_;
    r.available = true;
    r.execution = execution_of(run, state.Edit_mode);
    r.device = state.IO_device_name;
    const std::size_t slash = state.filename.find_last_of('/');
    // Assigned from views: the snapshot's strings keep their storage, so a
    // steady run allocates nothing here.
    r.program.assign(
        std::string_view(state.filename).substr(slash == std::string::npos ? 0 : slash + 1));
    r.program_sha256 = sha256_;
    const bool text_line =
        !state.Binaryfile && place > 0 && static_cast<std::size_t>(place) <= lines_.size();
    r.line = text_line ? place : 0;
    r.block = text_line ? lines_[static_cast<std::size_t>(place - 1)] : std::string_view();
    r.cycles = run.cycles_completed;
    r.last_cycle.reset();
    if (run.last_cycle_seconds >= 0) r.last_cycle = run.last_cycle_seconds;
    if (figures) {
        r.time_left = figures->left;
        r.waits = figures->waits;
        r.wait_blocks = figures->wait_blocks;
    }
    fill_port_condition(run, r);
    r.realtime = realtime.granted && !realtime_dropped();
    (void)reporter_->offer(r);
}

}  // namespace feedrite
