// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A monotonic clock and a way to sleep: the delays' guard and the waits for
// the control read time through this, so tests can script it.

#include <chrono>

namespace feedrite {

class Clock {
  public:
    using time_point = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual time_point now() = 0;
    /// Gives the processor away for about `duration`.
    virtual void sleep_for(std::chrono::microseconds duration) = 0;
};

/// The system's monotonic clock.
class SteadyClock final : public Clock {
  public:
    time_point now() override;
    void sleep_for(std::chrono::microseconds duration) override;
};

[[nodiscard]] double ms_between(Clock::time_point from, Clock::time_point to);

}  // namespace feedrite
