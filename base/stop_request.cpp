// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/stop_request.h"

#include <atomic>

namespace feedrite {
namespace {

std::atomic<int> requested{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

}  // namespace

void request_stop(int signal_number) noexcept {
    requested.store(signal_number, std::memory_order_relaxed);
}

void withdraw_stop_request() noexcept {
    requested.store(0, std::memory_order_relaxed);
}

int stop_signal() noexcept {
    return requested.load(std::memory_order_relaxed);
}

}  // namespace feedrite
