// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeping the PC from suspending while a transmission is open: the rule here,
// the lock itself behind a seam (logind over D-Bus in the window, a fake in
// the tests).

#include <optional>
#include <ostream>
#include <string>

#include "core/run_counters.h"

namespace feedrite {

class SleepInhibitor {
  public:
    virtual ~SleepInhibitor() = default;
    /// Takes a lock against sleep and idle. Nothing when it is held, else why
    /// it cannot be had, in a few words.
    virtual std::optional<std::string> take() = 0;
    /// Lets the lock go; nothing happens when none is held.
    virtual void release() = 0;
};

class StayAwake {
  public:
    /// `errors` hears once that the PC cannot be kept awake.
    StayAwake(SleepInhibitor& inhibitor, std::ostream& errors)
        : inhibitor_(inhibitor), errors_(errors) {}

    /// Holds the lock while the window waits for the control or sends; lets
    /// it go once the run cannot send any more. Tries once per run.
    void follow(RunPhase phase);
    /// The window closes.
    void release();
    [[nodiscard]] bool held() const { return held_; }

  private:
    SleepInhibitor& inhibitor_;
    std::ostream& errors_;
    bool held_ = false;
    bool tried_ = false;
};

}  // namespace feedrite
