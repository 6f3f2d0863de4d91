// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/snapshot_mailbox.h"

#include <utility>

namespace feedrite {

namespace {

// Room for the usual texts, so that assigning them does not allocate.
void reserve_texts(MachineReport& report) {
    for (std::string* text : {&report.device, &report.program, &report.program_sha256,
                              &report.block, &report.port_text})
        text->reserve(256);
}

}  // namespace

SnapshotMailbox::SnapshotMailbox() {
    reserve_texts(slot_);
}

bool SnapshotMailbox::offer(const MachineReport& report) {
    std::unique_lock hold(lock_, std::try_to_lock);
    if (!hold.owns_lock()) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    if (fresh_) coalesced_.fetch_add(1, std::memory_order_relaxed);
    slot_ = report;
    fresh_ = true;
    return true;
}

bool SnapshotMailbox::take(MachineReport& report) {
    std::lock_guard hold(lock_);
    if (!fresh_) return false;
    std::swap(slot_, report);
    fresh_ = false;
    return true;
}

}  // namespace feedrite
