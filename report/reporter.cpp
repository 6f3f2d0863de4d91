// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/reporter.h"

#include <utility>

namespace feedrite {

Reporter::Reporter(std::vector<std::unique_ptr<ReportSink>> sinks, std::chrono::milliseconds period)
    : sinks_(std::move(sinks)), period_(period), worker_([this] { work(); }) {}

Reporter::~Reporter() {
    {
        std::lock_guard hold(stop_lock_);
        stopping_ = true;
    }
    stop_signal_.notify_one();
    worker_.join();
}

void Reporter::work() {
    MachineReport now;
    for (;;) {
        {
            std::unique_lock hold(stop_lock_);
            if (stop_signal_.wait_for(hold, period_, [this] { return stopping_; })) break;
        }
        (void)mailbox_.take(now);
        const ReportItems items = report_items(now);
        for (const auto& sink : sinks_) sink->update(items);
    }
    (void)mailbox_.take(now);
    // The run is over whatever the last snapshot said; the rest stays as it
    // was last, for a dashboard that shows where the machine stopped.
    now.available = false;
    now.execution = Execution::Stopped;
    const ReportItems items = report_items(now);
    for (const auto& sink : sinks_) sink->close(items);
}

}  // namespace feedrite
