// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A clock for tests: time moves only when the test (or a sleep) moves it.

#include <vector>

#include "core/clock.h"

namespace feedrite::testing {

class ScriptedClock final : public Clock {
  public:
    time_point now() override {
        ++reads;
        return at;
    }
    void sleep_for(std::chrono::microseconds duration) override {
        sleeps.push_back(ms_between({}, at));
        at += duration + std::chrono::microseconds(static_cast<long>(late_ms * 1000));
    }
    void advance_ms(double ms) { at += std::chrono::microseconds(static_cast<long>(ms * 1000)); }

    time_point at{};
    double late_ms = 0;  ///< how much later than asked each sleep wakes
    int reads = 0;
    std::vector<double> sleeps;  ///< when each sleep began, in ms from the start
};

}  // namespace feedrite::testing
