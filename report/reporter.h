// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reports the machine from a thread of its own. The sending thread offers
// snapshots through a one-slot mailbox (never waiting, see
// snapshot_mailbox.h); the worker takes the newest every period and hands
// its items to each sink, which sends what changed. Nothing flows back:
// the reporter has no way to reach the run.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "report/report_sink.h"
#include "report/snapshot_mailbox.h"

namespace feedrite {

class Reporter {
  public:
    /// Starts the worker; `period` is the least time between two sends.
    explicit Reporter(std::vector<std::unique_ptr<ReportSink>> sinks,
                      std::chrono::milliseconds period = std::chrono::milliseconds(200));
    /// Tells every sink the machine is unavailable, then ends the worker.
    ~Reporter();
    Reporter(const Reporter&) = delete;
    Reporter& operator=(const Reporter&) = delete;

    /// From the sending thread: never blocks, see SnapshotMailbox::offer.
    bool offer(const MachineReport& report) { return mailbox_.offer(report); }
    [[nodiscard]] const SnapshotMailbox& mailbox() const { return mailbox_; }

  private:
    void work();

    std::vector<std::unique_ptr<ReportSink>> sinks_;
    std::chrono::milliseconds period_;
    SnapshotMailbox mailbox_;
    std::mutex stop_lock_;
    std::condition_variable stop_signal_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace feedrite
