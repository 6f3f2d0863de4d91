// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bounded queue between the thread that sends the tape and the
// reporter's worker: one slot holding the newest snapshot. A state report
// needs only the newest, so a new snapshot replaces one not yet taken
// (coalesced), and the sender never waits: when the worker holds the slot
// that instant, the snapshot is dropped and the next one carries the news.
// The worker swaps the slot's strings with its own, so in a steady run the
// sender's copy reuses their storage and allocates nothing.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "report/machine_report.h"

namespace feedrite {

class SnapshotMailbox {
  public:
    SnapshotMailbox();

    /// From the sending thread: never blocks. False when dropped.
    bool offer(const MachineReport& report);
    /// From the worker: swaps the newest snapshot into `report`; false when
    /// nothing came since the last take.
    bool take(MachineReport& report);

    [[nodiscard]] std::int64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }
    [[nodiscard]] std::int64_t coalesced() const {
        return coalesced_.load(std::memory_order_relaxed);
    }

  private:
    std::mutex lock_;
    MachineReport slot_;
    bool fresh_ = false;
    std::atomic<std::int64_t> dropped_{0}, coalesced_{0};
};

}  // namespace feedrite
